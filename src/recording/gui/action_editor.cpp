#include "recording/gui/action_editor.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/prompt.h"
#include "common/error.h"
#include "model/base64.h"
#include "model/colour_text.h"
#include "playback/screen_search.h"
#include "recording/gui/editor_fields.h"

namespace zorvel {

namespace {

constexpr const char* kBlueNote = "Press Any Key To Stop Capture";
// Pictures larger than this are refused rather than read into memory.
constexpr qint64 kMaxPictureFileSize = qint64{64} << 20;

QString Q(const std::string& text) {
  return QString::fromStdString(text);
}

std::string S(const QString& text) {
  return text.toStdString();
}

// Shows `text` in a field whose length limit is `maxLength`, widening the limit for a stored value
// that is longer, so showing a value never cuts it.
void SetFieldText(QLineEdit* edit, const QString& text, int maxLength) {
  edit->setMaxLength(std::max(maxLength, static_cast<int>(text.size())));
  edit->setText(text);
}

QLineEdit* NewEdit(const char* name, const QString& text, int maxLength, QWidget* parent) {
  auto* edit = new QLineEdit(parent);
  edit->setObjectName(name);
  if (maxLength > 0) {
    edit->setMaxLength(maxLength);
    edit->setFixedWidth(24 + maxLength * 10);
  }
  edit->setText(text);
  return edit;
}

QPushButton* NewButton(const char* name, const QString& caption, QWidget* parent) {
  auto* button = new QPushButton(caption, parent);
  button->setObjectName(name);
  return button;
}

QLabel* NewNote(QWidget* parent) {
  auto* note = new QLabel(kBlueNote, parent);
  note->setStyleSheet("color: blue;");
  return note;
}

QComboBox* NewList(const char* name, const QStringList& items, QWidget* parent) {
  auto* list = new QComboBox(parent);
  list->setObjectName(name);
  list->addItems(items);
  if (!items.isEmpty()) list->setCurrentIndex(0);
  return list;
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

// ---------------------------------------------------------------------------------------------

TSpinField::TSpinField(const QString& name, int maxLength, int32_t low, int32_t high, int32_t step,
                       QWidget* parent)
    : QWidget(parent), edit_(new QLineEdit(this)), low_(low), high_(high), step_(step) {
  edit_->setObjectName(name);
  edit_->setMaxLength(maxLength);
  edit_->setFixedWidth(20 + maxLength * 10);
  auto* arrows = new QVBoxLayout;
  arrows->setSpacing(0);
  arrows->setContentsMargins(0, 0, 0, 0);
  for (const int direction : {1, -1}) {
    auto* arrow = new QToolButton(this);
    arrow->setObjectName(name + (direction > 0 ? "Up" : "Down"));
    arrow->setArrowType(direction > 0 ? Qt::UpArrow : Qt::DownArrow);
    arrow->setFixedSize(16, 11);
    arrow->setAutoRepeat(true);
    connect(arrow, &QToolButton::clicked, this, [this, direction] { Step(direction); });
    arrows->addWidget(arrow);
  }
  auto* row = new QHBoxLayout(this);
  row->setSpacing(1);
  row->setContentsMargins(0, 0, 0, 0);
  row->addWidget(edit_);
  row->addLayout(arrows);
}

void TSpinField::Step(int direction) {
  const int32_t value = SteppedSpinValue(S(edit_->text()), direction * step_, low_, high_);
  SetFieldText(edit_, QString::number(value), edit_->maxLength());
}

// ---------------------------------------------------------------------------------------------

TfrmDefine::TfrmDefine(TEditorServices services, QWidget* parent)
    : QWidget(parent), services_(services) {
  setObjectName("frmDefine");
  timerSetPoint = new QTimer(this);
  timerSetPoint->setObjectName("timerSetPoint");
  timerSetPoint->setInterval(10);
  connect(timerSetPoint, &QTimer::timeout, this, &TfrmDefine::timerSetPointTimer);

  auto* grid = new QGridLayout(this);
  grid->setColumnStretch(1, 1);
  kindGroup = new QButtonGroup(this);
  const std::pair<const char*, const char*> kinds[] = {{"rbClick", "Mouse Click"},
                                                       {"rbMove", "Mouse Move"},
                                                       {"rbKey", "Keystroke "},
                                                       {"rbText", "Type Text"},
                                                       {"rbDelay", "Delay"}};
  QRadioButton** radios[] = {&rbClick, &rbMove, &rbKey, &rbText, &rbDelay};
  QWidget* panels[] = {plClick = BuildClickPanel(), plMove = BuildMovePanel(),
                       plKey = BuildKeyPanel(), plText = BuildTextPanel(),
                       plDelay = BuildDelayPanel()};
  for (int i = 0; i < 5; ++i) {
    auto* radio = new QRadioButton(kinds[i].second, this);
    radio->setObjectName(kinds[i].first);
    connect(radio, &QRadioButton::clicked, this, &TfrmDefine::rbClickClick);
    *radios[i] = radio;
    kindGroup->addButton(radio, i);
    grid->addWidget(radio, i, 0, Qt::AlignTop | Qt::AlignLeft);
    grid->addWidget(panels[i], i, 1);
  }
  for (QRadioButton* radio : {rbCurrent, rbFixed, rbColor, rbBMP})
    connect(radio, &QRadioButton::clicked, this, &TfrmDefine::rbFixedClick);
  connect(btnCapture, &QPushButton::clicked, this, &TfrmDefine::btnCaptureClick);
  connect(SpeedButton2, &QPushButton::clicked, this, &TfrmDefine::btnCaptureClick);
  connect(btnCaptureColor, &QPushButton::clicked, this, &TfrmDefine::btnCaptureColorClick);
  connect(btnBMP, &QPushButton::clicked, this, &TfrmDefine::btnBMPClick);
  for (QLineEdit* edit : {edPX, edPY, edMoveX, edMoveY, edSimilar, edBMPSimilar})
    AttachDigitsFilter(edit);
}

QWidget* TfrmDefine::BuildClickPanel() {
  auto* panel = new QGroupBox(this);
  panel->setObjectName("plClick");
  auto* column = new QVBoxLayout(panel);

  auto* top = new QHBoxLayout;
  cbButton = NewList("cbButton", {"Left Button", "Right Button", "Middle Button"}, panel);
  // The wheel is offered too, so a recorded wheel action keeps its kind when edited.
  cbClick =
      NewList("cbClick",
              {"Single Click", "Double Click", "Button Down", "Button Up", "Button Wheel"}, panel);
  top->addWidget(new QLabel("Mouse", panel));
  top->addWidget(cbButton);
  top->addWidget(new QLabel("Action", panel));
  top->addWidget(cbClick);
  top->addStretch();
  column->addLayout(top);

  auto* bottom = new QHBoxLayout;
  auto* pointBox = new QGroupBox("Click Point", panel);
  auto* pointColumn = new QVBoxLayout(pointBox);
  const std::pair<const char*, const char*> points[] = {{"rbCurrent", "Click where the mouse is"},
                                                        {"rbFixed", "Click on a fixed point"},
                                                        {"rbColor", "Click color block "},
                                                        {"rbBMP", "Click BMP block"}};
  QRadioButton** radios[] = {&rbCurrent, &rbFixed, &rbColor, &rbBMP};
  pointGroup = new QButtonGroup(this);
  for (int i = 0; i < 4; ++i) {
    auto* radio = new QRadioButton(points[i].second, pointBox);
    radio->setObjectName(points[i].first);
    *radios[i] = radio;
    pointGroup->addButton(radio, i);
    pointColumn->addWidget(radio);
  }
  pointColumn->addStretch();
  bottom->addWidget(pointBox);

  // The three groups share one place; only the one of the checked click point shows.
  auto* groups = new QWidget(panel);
  auto* groupColumn = new QVBoxLayout(groups);
  groupColumn->setContentsMargins(0, 0, 0, 0);
  gbPoint = BuildPointGroup();
  gbColor = BuildColorGroup();
  gbBMP = BuildBMPGroup();
  int height = 0;
  int width = 0;
  for (QGroupBox* group : {gbPoint, gbColor, gbBMP}) {
    group->setParent(groups);
    groupColumn->addWidget(group);
    height = std::max(height, group->sizeHint().height());
    width = std::max(width, group->sizeHint().width());
  }
  groupColumn->addStretch();
  groups->setMinimumSize(width, height);
  bottom->addWidget(groups, 1);
  column->addLayout(bottom);
  return panel;
}

QGroupBox* TfrmDefine::BuildPointGroup() {
  auto* group = new QGroupBox("specify click point", this);
  group->setObjectName("gbPoint");
  auto* grid = new QGridLayout(group);
  btnCapture = NewButton("btnCapture", "Start Capture", group);
  edPX = NewEdit("edPX", "1000", 4, group);
  edPY = NewEdit("edPY", "600", 4, group);
  grid->addWidget(btnCapture, 0, 0);
  grid->addWidget(new QLabel("X:", group), 0, 1);
  grid->addWidget(edPX, 0, 2);
  grid->addWidget(new QLabel("Y:", group), 0, 3);
  grid->addWidget(edPY, 0, 4);
  grid->addWidget(NewNote(group), 1, 0, 1, 5);
  return group;
}

QGroupBox* TfrmDefine::BuildColorGroup() {
  auto* group = new QGroupBox("specify color block", this);
  group->setObjectName("gbColor");
  auto* grid = new QGridLayout(group);
  btnCaptureColor = NewButton("btnCaptureColor", "Start Capture", group);
  edCl = NewEdit("edCl", "", 0, group);
  edCl->setReadOnly(true);
  edCl->setFixedWidth(40);
  edColor = NewEdit("edColor", "clBlack", 0, group);
  edColor->setReadOnly(true);
  edColor->setFixedWidth(110);
  spSimilar = new TSpinField("edSimilar", 3, 60, 100, 5, group);
  edSimilar = spSimilar->Edit();
  edSimilar->setText("100");
  grid->addWidget(btnCaptureColor, 0, 0);
  grid->addWidget(edCl, 0, 1);
  grid->addWidget(edColor, 0, 2, 1, 2);
  grid->addWidget(new QLabel("Color Simliar:", group), 1, 0);
  grid->addWidget(spSimilar, 1, 1, 1, 2);
  grid->addWidget(new QLabel("%", group), 1, 3);
  grid->addWidget(NewNote(group), 2, 0, 1, 4);
  ShowColor("clBlack");
  return group;
}

QGroupBox* TfrmDefine::BuildBMPGroup() {
  auto* group = new QGroupBox("specify bmp", this);
  group->setObjectName("gbBMP");
  auto* grid = new QGridLayout(group);
  btnBMP = NewButton("btnBMP", "Load BMP", group);
  ImageBMP = new QLabel(group);
  ImageBMP->setObjectName("ImageBMP");
  ImageBMP->setAlignment(Qt::AlignCenter);
  auto* scroller = new QScrollArea(group);
  scroller->setWidget(ImageBMP);
  scroller->setWidgetResizable(true);
  scroller->setAlignment(Qt::AlignCenter);
  scroller->setMinimumSize(160, 64);
  spBMPSimilar = new TSpinField("edBMPSimilar", 3, 60, 100, 5, group);
  edBMPSimilar = spBMPSimilar->Edit();
  edBMPSimilar->setText("100");
  grid->addWidget(btnBMP, 0, 0, Qt::AlignTop);
  grid->addWidget(scroller, 0, 1, 1, 3);
  grid->addWidget(new QLabel("BMP Simliar:", group), 1, 0);
  grid->addWidget(spBMPSimilar, 1, 1);
  grid->addWidget(new QLabel("%", group), 1, 2);
  return group;
}

QWidget* TfrmDefine::BuildMovePanel() {
  auto* panel = new QGroupBox(this);
  panel->setObjectName("plMove");
  auto* grid = new QGridLayout(panel);
  SpeedButton2 = NewButton("SpeedButton2", "Start Capture", panel);
  edMoveX = NewEdit("edMoveX", "1000", 4, panel);
  edMoveY = NewEdit("edMoveY", "600", 4, panel);
  grid->addWidget(SpeedButton2, 0, 0);
  grid->addWidget(new QLabel("X:", panel), 0, 1);
  grid->addWidget(edMoveX, 0, 2);
  grid->addWidget(new QLabel("Y:", panel), 0, 3);
  grid->addWidget(edMoveY, 0, 4);
  grid->addWidget(NewNote(panel), 0, 5);
  grid->setColumnStretch(6, 1);
  return panel;
}

QWidget* TfrmDefine::BuildKeyPanel() {
  auto* panel = new QGroupBox(this);
  panel->setObjectName("plKey");
  auto* row = new QHBoxLayout(panel);
  cbKey = NewList("cbKey", {}, panel);
  cbKey->setMinimumWidth(140);
  cbKeyAction = NewList("cbKeyAction", {"Key Down", "Key Up", "Key Press"}, panel);
  row->addWidget(new QLabel("Key", panel));
  row->addWidget(cbKey);
  row->addWidget(new QLabel("Action", panel));
  row->addWidget(cbKeyAction);
  row->addStretch();
  return panel;
}

QWidget* TfrmDefine::BuildTextPanel() {
  auto* panel = new QGroupBox(this);
  panel->setObjectName("plText");
  auto* row = new QHBoxLayout(panel);
  edText = NewEdit("edText", "", 0, panel);
  row->addWidget(edText);
  return panel;
}

QWidget* TfrmDefine::BuildDelayPanel() {
  auto* panel = new QGroupBox(this);
  panel->setObjectName("plDelay");
  auto* grid = new QGridLayout(panel);
  struct TField {
    const char* name;
    const char* label;
    const char* initial;
    int maxLength;
    int32_t high;
    TSpinField** spin;
    QLineEdit** edit;
  };
  const TField fields[] = {{"edIntHour", "Hours", "0", 2, 23, &spIntHour, &edIntHour},
                           {"edIntMinute", "Minutes", "0", 2, 59, &spIntMinute, &edIntMinute},
                           {"edIntSecond", "Seconds", "1", 2, 59, &spIntSecond, &edIntSecond},
                           {"edIntTen", "1/10 S", "0", 1, 9, &spIntTen, &edIntTen},
                           {"edIntHud", "1/100 S", "0", 1, 9, &spIntHud, &edIntHud},
                           {"edIntThd", "ms(1/1000 S)", "0", 1, 9, &spIntThd, &edIntThd}};
  int place = 0;
  for (const TField& field : fields) {
    auto* spin = new TSpinField(field.name, field.maxLength, 0, field.high, 1, panel);
    spin->Edit()->setText(field.initial);
    *field.spin = spin;
    *field.edit = spin->Edit();
    const int row = place / 3;
    const int column = (place % 3) * 2;
    grid->addWidget(spin, row, column);
    grid->addWidget(new QLabel(field.label, panel), row, column + 1);
    ++place;
  }
  grid->setColumnStretch(6, 1);
  return panel;
}

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

void TfrmDefine::StopCapture() {
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
  std::string path = services_.prompt.OpenFile("Load BMP", "BMP File (*.bmp)");
  if (path.empty()) return;
  QFileInfo info(Q(path));
  if (!info.exists() && info.suffix().isEmpty()) info.setFile(Q(path + ".bmp"));
  if (!info.exists() || !info.isFile()) {
    services_.prompt.Warning("Warning", "The file does not exist.");
    return;
  }
  QFile file(info.filePath());
  if (info.size() > kMaxPictureFileSize || !file.open(QIODevice::ReadOnly)) {
    services_.prompt.Warning("Warning", "The file cannot be read as a BMP picture.");
    return;
  }
  const QByteArray bytes = file.readAll();
  QPixmap picture;
  if (!picture.loadFromData(bytes, "BMP")) {
    services_.prompt.Warning("Warning", "The file is not a BMP picture.");
    return;
  }
  FBMPText = EncodeBase64Stream(reinterpret_cast<const uint8_t*>(bytes.constData()), bytes.size());
  ImageBMP->setPixmap(picture);
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
  FBMPText = action.fBMP;
  ShowPicture(FBMPText);
  SetFieldText(edMoveX, QString::number(action.mouseMovePosX), 4);
  SetFieldText(edMoveY, QString::number(action.mouseMovePosY), 4);
  cbKey->setCurrentIndex(cbKey->findData(action.key));
  SelectIndex(cbKeyAction, action.keyAction);
  edText->setText(Q(action.typeText));

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
  action.mouseMovePosX = FieldNumber(edMoveX, "X:");
  action.mouseMovePosY = FieldNumber(edMoveY, "Y:");
  if (cbKey->currentIndex() >= 0) action.key = cbKey->currentData().toInt();
  if (cbKeyAction->currentIndex() >= 0)
    action.keyAction = static_cast<uint8_t>(cbKeyAction->currentIndex());
  action.typeText = S(edText->text());
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

// ---------------------------------------------------------------------------------------------

TDForm::TDForm(TEditorServices services, QWidget* parent)
    : QDialog(parent), frame_(new TfrmDefine(services, this)) {
  setObjectName("DForm");
  setWindowTitle("Click Info");
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowSystemMenuHint |
                 Qt::WindowMinimizeButtonHint | Qt::WindowTitleHint);
  btnOK = NewButton("btnOK", "&OK", this);
  btnCancel = NewButton("btnCancel", "&Cancel", this);
  btnOK->setDefault(true);
  connect(btnOK, &QPushButton::clicked, this, &TDForm::btnOKClick);
  connect(btnCancel, &QPushButton::clicked, this, &TDForm::btnCancelClick);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(btnOK);
  buttons->addWidget(btnCancel);
  auto* column = new QVBoxLayout(this);
  column->addWidget(frame_);
  column->addLayout(buttons);
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
  if (event->type() == QEvent::KeyPress) {
    const bool capturing = frame_->CapturingPoint() || frame_->CapturingColor();
    auto* key = static_cast<QKeyEvent*>(event);
    frame_->CaptureKeyPress(key->text());
    // Escape ends a capture without also closing the dialog.
    if (capturing && key->key() == Qt::Key_Escape) return true;
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
