#include "gui/recording/action_editor.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QVBoxLayout>

#include "common/error.h"
#include "gui/recording/editor_fields.h"
#include "gui/recording/editor_widgets.h"
#include "gui/recording/picture_file.h"
#include "gui/widgets/dialog_buttons.h"
#include "gui/widgets/prompt.h"
#include "model/action_text.h"
#include "model/base64.h"
#include "model/colour_text.h"
#include "playback/screen_search.h"

namespace zorvel {

namespace {

QString Q(const std::string& text) {
  return QString::fromStdString(text);
}

std::string S(const QString& text) {
  return text.toStdString();
}

void SelectIndex(QComboBox* list, int index) {
  list->setCurrentIndex(index >= 0 && index < list->count() ? index : -1);
}

QString ColorSwatchStyle(uint32_t color) {
  const QColor qc(static_cast<int>(color & 0xFF), static_cast<int>((color >> 8) & 0xFF),
                  static_cast<int>((color >> 16) & 0xFF));
  return QString("QLineEdit { background-color: %1; }").arg(qc.name());
}

int32_t FieldNumber(QLineEdit* edit, const char* label) {
  return ReadWholeNumber(S(edit->text()), label);
}

}  // namespace

void TfrmDefine::AttachDigitsFilter(QLineEdit* edit) {
  edit->installEventFilter(this);
}

// edPXKeyPress: a digits-only field drops every typed character but '0' to '9'. Editing keys
// (Backspace, Delete, Return, shortcuts) produce control characters and pass.
bool TfrmDefine::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress) {
    const QString text = static_cast<QKeyEvent*>(event)->text();
    for (const char32_t c : text.toUcs4())
      if (DigitFieldRejects(c)) return true;
  }
  return QWidget::eventFilter(watched, event);
}

void TfrmDefine::InitEditor() {
  rbClick->setChecked(true);
  rbCurrent->setChecked(true);
  rbClickClick();
  rbFixedClick();
  cbKey->clear();
  for (const auto& [name, code] : EditorKeyList()) cbKey->addItem(Q(name), code);
  cbKey->setCurrentIndex(cbKey->count() > 0 ? 0 : -1);
}

void TfrmDefine::SetChildrenEnabled(QWidget* container, bool enabled) {
  for (QWidget* child : container->findChildren<QWidget*>()) child->setEnabled(enabled);
}

void TfrmDefine::rbClickClick() {
  const std::pair<QRadioButton*, QWidget*> pairs[] = {
      {rbClick, plClick}, {rbMove, plMove}, {rbKey, plKey}, {rbText, plText}, {rbDelay, plDelay}};
  for (const auto& [radio, panel] : pairs) {
    panel->setEnabled(radio->isChecked());
    SetChildrenEnabled(panel, radio->isChecked());
  }
  // Keep each capture button bound to its click point.
  if (plClick->isEnabled()) {
    btnCapture->setEnabled(rbFixed->isChecked());
    btnCaptureColor->setEnabled(rbColor->isChecked());
    btnBMP->setEnabled(rbBMP->isChecked());
  }
}

void TfrmDefine::rbFixedClick() {
  gbPoint->setVisible(rbFixed->isChecked());
  btnCapture->setEnabled(rbFixed->isChecked() && plClick->isEnabled());
  gbColor->setVisible(rbColor->isChecked());
  btnCaptureColor->setEnabled(rbColor->isChecked() && plClick->isEnabled());
  gbBMP->setVisible(rbBMP->isChecked());
  btnBMP->setEnabled(rbBMP->isChecked() && plClick->isEnabled());
  plWait->setVisible(rbColor->isChecked() || rbBMP->isChecked());
  StopCapture();
}

void TfrmDefine::StartCapture(bool& flag) {
  timerSetPoint->start();
  flag = true;
}

void TfrmDefine::btnCaptureClick() {
  StartCapture(FCapturingPoint);
}

void TfrmDefine::btnCaptureColorClick() {
  StartCapture(FCapturingColor);
}

void TfrmDefine::timerSetPointTimer() {
  const TPoint point = services_.input.GetCursorPos();
  if (FCapturingPoint) {
    const bool clickPanel = plClick->isEnabled();
    QLineEdit* x = clickPanel ? edPX : edMoveX;
    QLineEdit* y = clickPanel ? edPY : edMoveY;
    SetFieldText(x, QString::number(point.x), 4);
    SetFieldText(y, QString::number(point.y), 4);
  } else if (FCapturingColor) {
    const uint32_t color = GetScreenPixelColor(services_.screen, point.x, point.y);
    edColor->setText(Q(ColorToString(color)));
    edCl->setStyleSheet(ColorSwatchStyle(color));
  }
}

void TfrmDefine::btnChordClick() {
  StopCapture();
  FCapturingChord = true;
  lbChord->setText("Press the keys now (Esc cancels)");
}

void TfrmDefine::ChordKeyPress(int qtKey, uint32_t qtModifiers) {
  if (qtKey == Qt::Key_Escape && ModifiersOfQt(qtModifiers) == 0) {
    FCapturingChord = false;
    lbChord->setText(FChord ? Q("Will insert " + ChordText(*FChord)) : QString());
    return;
  }
  const std::optional<uint8_t> vk = VkOfQtKey(qtKey);
  if (!vk) return;  // a modifier alone, or a key without a code: wait for the next
  if (HasWinModifier(qtModifiers)) {
    lbChord->setText("The Win key cannot be played; press the keys again");
    return;
  }
  FChord = TEditorChord{ModifiersOfQt(qtModifiers), *vk};
  FCapturingChord = false;
  lbChord->setText(Q("Will insert " + ChordText(*FChord)));
}

void TfrmDefine::HideChordCapture() {
  FCapturingChord = false;
  FChord.reset();
  btnChord->hide();
  lbChord->hide();
}

void TfrmDefine::StopCapture() {
  FCapturingChord = false;
  if (FCapturingPoint) {
    timerSetPoint->stop();
    FCapturingPoint = false;
  }
  if (FCapturingColor) {
    timerSetPoint->stop();
    FCapturingColor = false;
  }
}

void TfrmDefine::CaptureKeyPress(const QString& text) {
  if (!text.isEmpty()) StopCapture();
}

bool TfrmDefine::CaptureTimerActive() const {
  return timerSetPoint->isActive();
}

void TfrmDefine::DisableTimer() {
  timerSetPoint->stop();
}

void TfrmDefine::ShowColor(const std::string& colorText) {
  edColor->setText(Q(colorText));
  try {
    edCl->setStyleSheet(ColorSwatchStyle(StringToColor(colorText)));
  } catch (const Error&) {
    edCl->setStyleSheet({});  // a colour text that names no colour shows no swatch
  }
}

bool TfrmDefine::ShowPicture(const std::string& bmpText) {
  ImageBMP->clear();
  if (bmpText.empty()) return true;
  try {
    const std::vector<uint8_t> bytes = DecodeBase64Stream(bmpText);
    QPixmap picture;
    if (!picture.loadFromData(bytes.data(), static_cast<uint>(bytes.size()), "BMP")) return false;
    ImageBMP->setPixmap(picture);
    return true;
  } catch (const Error&) {
    return false;
  }
}

void TfrmDefine::btnBMPClick() {
  std::string path = services_.prompt.OpenFile("Load BMP", kPictureFileFilter);
  if (path.empty()) return;
  QFileInfo info(Q(path));
  if (!info.exists() && info.suffix().isEmpty()) info.setFile(Q(path + ".bmp"));
  std::string bmpText;
  try {
    const std::vector<uint8_t> bmp = ReadPictureAsBmp(info.filePath());
    bmpText = EncodeBase64Stream(bmp.data(), bmp.size());
  } catch (const Error& error) {
    services_.prompt.Warning("Warning", error.what());
    return;
  }
  FBMPText = std::move(bmpText);
  ShowPicture(FBMPText);
}

void TfrmDefine::ActionToControls(const TActionObj& action) {
  CheckCode(kindGroup, action.actionType);
  rbClickClick();

  SelectIndex(cbButton, action.mouseButton);
  SelectIndex(cbClick, action.mouseAction);

  CheckCode(pointGroup, action.mousePoint);
  rbFixedClick();

  SetFieldText(edPX, QString::number(action.mouseClickPosX), 4);
  SetFieldText(edPY, QString::number(action.mouseClickPosY), 4);
  ShowColor(action.fColor);
  SetFieldText(edSimilar, QString::number(action.fColorSimplar), 3);
  SetFieldText(edBMPSimilar, QString::number(action.fBMPSimplar), 3);
  edWait->setText(Q(SecondsText(action.waitTimeout)));
  SelectIndex(cbNotFound, static_cast<int>(action.notFound));
  FBMPText = action.fBMP;
  ShowPicture(FBMPText);
  SetFieldText(edMoveX, QString::number(action.mouseMovePosX), 4);
  SetFieldText(edMoveY, QString::number(action.mouseMovePosY), 4);
  cbKey->setCurrentIndex(cbKey->findData(action.key));
  SelectIndex(cbKeyAction, action.keyAction);
  edText->setText(Q(action.typeText));
  cbTypeReturn->setChecked(action.typeReturn);

  const TDelayParts parts = SplitDelay(action.delay);
  const std::pair<QLineEdit*, int32_t> delayFields[] = {
      {edIntHour, parts.hours}, {edIntMinute, parts.minutes}, {edIntSecond, parts.seconds},
      {edIntTen, parts.tenths}, {edIntHud, parts.hundredths}, {edIntThd, parts.milliseconds}};
  for (const auto& [edit, value] : delayFields)
    SetFieldText(edit, QString::number(value),
                 edit == edIntHour || edit == edIntMinute || edit == edIntSecond ? 2 : 1);
}

void TfrmDefine::CheckCode(QButtonGroup* group, int code) {
  if (QAbstractButton* button = group->button(code)) {
    button->setChecked(true);
    return;
  }
  group->setExclusive(false);  // a code without a button: none checked
  for (QAbstractButton* button : group->buttons()) button->setChecked(false);
  group->setExclusive(true);
}

void TfrmDefine::WritePicture(TActionObj& action) const {
  const bool hadPicture = action.fBMPData != nullptr || !action.fBMP.empty();
  const bool changed = action.fBMP != FBMPText;
  action.fBMP = FBMPText;
  if (hadPicture && (changed || action.fBMPData)) action.ReloadBMPData();
}

void TfrmDefine::ControlsToAction(TActionObj& target) {
  TActionObj action = target;  // filled completely before it replaces the target
  if (kindGroup->checkedId() >= 0) action.actionType = static_cast<uint8_t>(kindGroup->checkedId());
  if (cbButton->currentIndex() >= 0)
    action.mouseButton = static_cast<uint8_t>(cbButton->currentIndex());
  if (cbClick->currentIndex() >= 0)
    action.mouseAction = static_cast<uint8_t>(cbClick->currentIndex());
  if (pointGroup->checkedId() >= 0)
    action.mousePoint = static_cast<uint8_t>(pointGroup->checkedId());
  action.mouseClickPosX = FieldNumber(edPX, "X:");
  action.mouseClickPosY = FieldNumber(edPY, "Y:");
  action.fColor = S(edColor->text());
  WritePicture(action);
  action.fColorSimplar = FieldNumber(edSimilar, "Color Simliar:");
  action.fBMPSimplar = FieldNumber(edBMPSimilar, "BMP Simliar:");
  action.waitTimeout = ReadSeconds(S(edWait->text()), "Wait up to");
  action.notFound = cbNotFound->currentIndex() == 1 ? NotFoundChoice::Stop : NotFoundChoice::Skip;
  action.mouseMovePosX = FieldNumber(edMoveX, "X:");
  action.mouseMovePosY = FieldNumber(edMoveY, "Y:");
  if (cbKey->currentIndex() >= 0) action.key = cbKey->currentData().toInt();
  if (cbKeyAction->currentIndex() >= 0)
    action.keyAction = static_cast<uint8_t>(cbKeyAction->currentIndex());
  action.typeText = S(edText->text());
  action.typeReturn = cbTypeReturn->isChecked();
  TDelayParts parts;
  parts.hours = FieldNumber(edIntHour, "Hours");
  parts.minutes = FieldNumber(edIntMinute, "Minutes");
  parts.seconds = FieldNumber(edIntSecond, "Seconds");
  parts.tenths = FieldNumber(edIntTen, "1/10 S");
  parts.hundredths = FieldNumber(edIntHud, "1/100 S");
  parts.milliseconds = FieldNumber(edIntThd, "ms(1/1000 S)");
  action.delay = JoinDelay(parts);
  target = action;
}

std::vector<TActionObj> TfrmDefine::ControlsToActions() {
  if (rbKey->isChecked() && FChord) return ChordActions(*FChord);
  TActionObj action;
  ControlsToAction(action);
  return {action};
}

// ---------------------------------------------------------------------------------------------

TDForm::TDForm(TEditorServices services, QWidget* parent)
    : QDialog(parent), frame_(new TfrmDefine(services, this)) {
  setObjectName("DForm");
  setWindowTitle("Click Info");
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowSystemMenuHint |
                 Qt::WindowMinimizeButtonHint | Qt::WindowTitleHint);
  const TOkCancelButtons buttons =
      NewOkCancelButtons(this, {"btnOK", "&OK", "btnCancel", "&Cancel"}, this, &TDForm::btnOKClick,
                         &TDForm::btnCancelClick);
  btnOK = buttons.ok;
  btnCancel = buttons.cancel;
  auto* column = new QVBoxLayout(this);
  column->addWidget(frame_);
  AddButtonRow(column, buttons);
  layout()->setSizeConstraint(QLayout::SetFixedSize);
  FormCreate();
}

void TDForm::FormCreate() {
  frame_->InitEditor();
  InstallKeyPreview(this);
}

// Key preview: every key pressed anywhere in the dialog reaches the capture handler first.
void TDForm::InstallKeyPreview(QWidget* root) {
  root->installEventFilter(this);
  for (QWidget* child : root->findChildren<QWidget*>()) child->installEventFilter(this);
}

bool TDForm::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress && frame_->CapturingChord()) {
    auto* key = static_cast<QKeyEvent*>(event);
    frame_->ChordKeyPress(key->key(), key->modifiers().toInt());
    return true;  // every key belongs to the chord, none moves the focus or closes the dialog
  }
  if (event->type() == QEvent::KeyPress) {
    const bool capturing = frame_->CapturingPoint() || frame_->CapturingColor();
    auto* key = static_cast<QKeyEvent*>(event);
    frame_->CaptureKeyPress(key->text());
    // A key that ends a capture does only that: Escape does not also close the dialog, and Space
    // or Return do not press the focused or the default button.
    if (capturing && !key->text().isEmpty()) return true;
  }
  return QDialog::eventFilter(watched, event);
}

void TDForm::btnOKClick() {
  frame_->StopCapture();
  accept();
}

void TDForm::btnCancelClick() {
  reject();
}

void TDForm::done(int result) {
  frame_->DisableTimer();
  QDialog::done(result);
}

}  // namespace zorvel
