#include "gui/main/action_config_dialog.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QVBoxLayout>

#include "gui/widgets/dialog_buttons.h"
#include "gui/widgets/modal_guard.h"
#include "gui/widgets/shared_widgets.h"

namespace zorvel {

namespace {

constexpr int kDialogWidth = 415;
constexpr int kDialogHeight = 377;

QSpinBox* NewNumberBox(const QString& name, int maximum) {
  auto* box = new QSpinBox;
  box->setObjectName(name);
  box->setRange(0, maximum);
  return box;
}

QRadioButton* NewRadio(const QString& name, const QString& caption) {
  auto* radio = new QRadioButton(caption);
  radio->setObjectName(name);
  return radio;
}

// One hotkey: "Start repeat:" above "CTRL+" [F-key list].
void AddHotkeyRow(QGridLayout* grid, int row, const QString& caption, QComboBox* list) {
  grid->addWidget(new QLabel(caption), row, 0, 1, 2);
  grid->addWidget(new QLabel(QStringLiteral("CTRL+")), row + 1, 0, Qt::AlignRight);
  grid->addWidget(list, row + 1, 1);
}

}  // namespace

TfmActionConfig::TfmActionConfig(TActionConfig& config, QWidget* parent, TKeyWarning warning)
    : QDialog(parent, Qt::Dialog | Qt::WindowCloseButtonHint | Qt::WindowMinimizeButtonHint),
      config_(config),
      warning_(std::move(warning)) {
  setObjectName(QStringLiteral("fmActionConfig"));
  setWindowTitle(QStringLiteral("Macro Config"));
  BuildLayout();
  shown_ = ConfigToForm(config_);
  SetForm(shown_);
  for (QComboBox* list : {cbStartHotkey_, cbStopHotkey_})
    connect(list, &QComboBox::currentIndexChanged, this, &TfmActionConfig::ShowKeyWarning);
  ShowKeyWarning();
}

QString TfmActionConfig::KeyWarning() const {
  return lbKeyWarning_->text();
}

// The dialog grows by the warning's lines while there is one.
void TfmActionConfig::ShowKeyWarning() {
  const std::string text =
      warning_ ? warning_(cbStartHotkey_->currentIndex(), cbStopHotkey_->currentIndex()) : "";
  lbKeyWarning_->setText(QString::fromStdString(text));
  lbKeyWarning_->setVisible(!text.empty());
  const int margins = layout()->contentsMargins().left() + layout()->contentsMargins().right();
  const int extra =
      text.empty() ? 0
                   : lbKeyWarning_->heightForWidth(kDialogWidth - margins) + layout()->spacing();
  setFixedSize(kDialogWidth, kDialogHeight + extra);
}

void TfmActionConfig::BuildLayout() {
  cbStartHotkey_ = NewFKeyList(QStringLiteral("cbStartHotkey"));
  cbStopHotkey_ = NewFKeyList(QStringLiteral("cbStopHotkey"));
  auto* hotkeyGroup = new QGroupBox(QStringLiteral("Hotkey"));
  auto* hotkeyGrid = new QGridLayout(hotkeyGroup);
  AddHotkeyRow(hotkeyGrid, 0, QStringLiteral("Start repeat:"), cbStartHotkey_);
  AddHotkeyRow(hotkeyGrid, 2, QStringLiteral("Stop repeat:"), cbStopHotkey_);
  hotkeyGrid->setVerticalSpacing(2);

  auto* rbOnce = NewRadio(QStringLiteral("rbOnce"), QStringLiteral("Repeat once"));
  auto* rbRepeat = NewRadio(QStringLiteral("rbRepeat"), QStringLiteral("Repeat"));
  auto* rbUntilStop =
      NewRadio(QStringLiteral("rbUntilStop"), QStringLiteral("Repeat until get stop order"));
  repeatGroup_ = new QButtonGroup(this);
  repeatGroup_->addButton(rbOnce, 0);
  repeatGroup_->addButton(rbRepeat, 1);
  repeatGroup_->addButton(rbUntilStop, 2);
  seRepeatTimes_ = NewNumberBox(QStringLiteral("seRepeatTimes"), kMaxRepeatTimes);
  seRepeatTimes_->setFixedWidth(60);
  auto* repeatBox = new QGroupBox;
  auto* repeatLayout = new QGridLayout(repeatBox);
  repeatLayout->addWidget(rbOnce, 0, 0);
  repeatLayout->addWidget(rbRepeat, 1, 0);
  repeatLayout->addWidget(seRepeatTimes_, 1, 1);
  repeatLayout->addWidget(new QLabel(QStringLiteral("times")), 1, 2);
  repeatLayout->addWidget(rbUntilStop, 2, 0, 1, 3);
  repeatLayout->setColumnStretch(3, 1);
  repeatLayout->setVerticalSpacing(10);

  seHours_ = NewNumberBox(QStringLiteral("seHours"), 23);
  seMinutes_ = NewNumberBox(QStringLiteral("seMinutes"), 59);
  seSeconds_ = NewNumberBox(QStringLiteral("seSeconds"), 59);
  seTenths_ = NewNumberBox(QStringLiteral("seTenths"), 9);
  auto* intervalGroup = new QGroupBox(QStringLiteral("Interval Between Repeat"));
  auto* intervalGrid = new QGridLayout(intervalGroup);
  const QString captions[] = {QStringLiteral("Hours"), QStringLiteral("Minutes"),
                              QStringLiteral("Seconds"), QStringLiteral("1/10 S")};
  QSpinBox* boxes[] = {seHours_, seMinutes_, seSeconds_, seTenths_};
  for (int i = 0; i < 4; ++i) {
    intervalGrid->addWidget(new QLabel(captions[i]), 0, i);
    intervalGrid->addWidget(boxes[i], 1, i);
  }

  tbSpeed_ = new QSlider(Qt::Horizontal);
  tbSpeed_->setObjectName(QStringLiteral("tbSpeed"));
  tbSpeed_->setRange(kMinSpeed, kMaxSpeed);
  tbSpeed_->setSingleStep(1);
  tbSpeed_->setPageStep(1);
  tbSpeed_->setTickPosition(QSlider::TicksBelow);
  tbSpeed_->setTickInterval(1);
  auto* speedGroup = new QGroupBox(QStringLiteral("Repeat Speed Setting"));
  auto* speedGrid = new QGridLayout(speedGroup);
  speedGrid->setVerticalSpacing(0);
  speedGrid->addWidget(tbSpeed_, 0, 0, 1, 19);
  const std::pair<int, const char*> scale[] = {
      {0, "1/10"}, {5, "1/5"}, {9, "1"}, {13, "5"}, {18, "10"}};
  for (const auto& [column, text] : scale)
    speedGrid->addWidget(new QLabel(QString::fromLatin1(text)), 1, column, Qt::AlignHCenter);
  speedGrid->addWidget(new QLabel(QStringLiteral("Slow")), 2, 0, 1, 3, Qt::AlignLeft);
  speedGrid->addWidget(new QLabel(QStringLiteral("Normal")), 2, 7, 1, 5, Qt::AlignHCenter);
  speedGrid->addWidget(new QLabel(QStringLiteral("Fast")), 2, 16, 1, 3, Qt::AlignRight);
  for (int column = 0; column < 19; ++column) speedGrid->setColumnStretch(column, 1);

  auto* runningGroup = new QGroupBox(QStringLiteral("Running Options"));
  auto* runningLayout = new QVBoxLayout(runningGroup);
  auto* topRow = new QHBoxLayout;
  topRow->addWidget(hotkeyGroup);
  topRow->addWidget(repeatBox, 1);
  runningLayout->addLayout(topRow);
  runningLayout->addWidget(intervalGroup);
  runningLayout->addWidget(speedGroup);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(runningGroup);
  lbKeyWarning_ = NewWarningLine(QStringLiteral("lbKeyWarning"));
  layout->addWidget(lbKeyWarning_);
  AddButtonRow(layout, NewOkCancelButtons(this, {"btnOK", "&OK", "btnCancel", "&Cancel"}, this,
                                          &TfmActionConfig::btnOKClick, &QDialog::reject));
}

TConfigForm TfmActionConfig::Form() const {
  TConfigForm form;
  form.startIndex = cbStartHotkey_->currentIndex();
  form.stopIndex = cbStopHotkey_->currentIndex();
  form.repeatChoice = repeatGroup_->checkedId();
  form.repeatTimes = seRepeatTimes_->value();
  form.speed = tbSpeed_->value();
  form.hours = seHours_->value();
  form.minutes = seMinutes_->value();
  form.seconds = seSeconds_->value();
  form.tenths = seTenths_->value();
  return form;
}

void TfmActionConfig::SetForm(const TConfigForm& form) {
  cbStartHotkey_->setCurrentIndex(form.startIndex);
  cbStopHotkey_->setCurrentIndex(form.stopIndex);
  if (QAbstractButton* choice = repeatGroup_->button(form.repeatChoice)) {
    choice->setChecked(true);
  } else if (QAbstractButton* checked = repeatGroup_->checkedButton()) {
    repeatGroup_->setExclusive(false);
    checked->setChecked(false);
    repeatGroup_->setExclusive(true);
  }
  seRepeatTimes_->setValue(form.repeatTimes);
  tbSpeed_->setValue(form.speed);
  seHours_->setValue(form.hours);
  seMinutes_->setValue(form.minutes);
  seSeconds_->setValue(form.seconds);
  seTenths_->setValue(form.tenths);
}

void TfmActionConfig::btnOKClick() {
  FormToConfig(Form(), shown_, config_);
  accept();
}

void ShowActionConfig(TActionConfig& config, const TKeyWarning& warning, QWidget* parent) {
  TfmActionConfig dialog(config, parent, warning);
  ExecModal(dialog);
}

}  // namespace zorvel
