#include "gui/recording/record_config_dlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QVBoxLayout>

#include "gui/widgets/dialog_buttons.h"
#include "gui/widgets/shared_widgets.h"
#include "recording/record_settings.h"

namespace zorvel {

namespace {

void SelectFKey(QComboBox* list, int32_t index) {
  list->setCurrentIndex(index >= 0 && index < list->count() ? index : -1);
}

void ReadFKey(const QComboBox* list, int32_t& index) {
  if (list->currentIndex() >= 0) index = list->currentIndex();
}

}  // namespace

TfmRecordConfig::TfmRecordConfig(TRecordSettings& settings, QWidget* parent, TKeyWarning warning)
    : QDialog(parent), settings_(&settings), warning_(std::move(warning)) {
  setObjectName("fmRecordConfig");
  setWindowTitle("Record Config");
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint);

  auto* group = new QGroupBox("Record Config", this);
  cbMouseMove = new QCheckBox("Record mouse move", group);
  cbMouseMove->setObjectName("cbMouseMove");
  cbMouseMove->setChecked(true);
  cbKeyboard = new QCheckBox("Record keystroke ", group);
  cbKeyboard->setObjectName("cbKeyboard");
  cbKeyboard->setChecked(true);
  cbRecordStart = NewFKeyList("cbRecordStart", group);
  cbRecordStart->setCurrentIndex(1);
  cbRecordStop = NewFKeyList("cbRecordStop", group);
  cbRecordStop->setCurrentIndex(2);

  auto* grid = new QGridLayout(group);
  grid->addWidget(cbMouseMove, 0, 0, 1, 3);
  grid->addWidget(cbKeyboard, 1, 0, 1, 3);
  grid->addWidget(new QLabel("HotKey to Start Record:", group), 2, 0);
  grid->addWidget(new QLabel("ALT+", group), 2, 1);
  grid->addWidget(cbRecordStart, 2, 2);
  grid->addWidget(new QLabel("HotKey to Stop Recond:", group), 3, 0);
  grid->addWidget(new QLabel("ALT+", group), 3, 1);
  grid->addWidget(cbRecordStop, 3, 2);
  lbKeyWarning = NewWarningLine("lbKeyWarning", group);
  grid->addWidget(lbKeyWarning, 4, 0, 1, 3);
  for (QComboBox* list : {cbRecordStart, cbRecordStop})
    connect(list, &QComboBox::currentIndexChanged, this, &TfmRecordConfig::ShowKeyWarning);

  const TOkCancelButtons buttons =
      NewOkCancelButtons(this, {"BitBtn1", "&OK", "BitBtn2", "&Cancel"}, this,
                         &TfmRecordConfig::BitBtn1Click, &TfmRecordConfig::BitBtn2Click);
  BitBtn1 = buttons.ok;
  BitBtn2 = buttons.cancel;

  auto* column = new QVBoxLayout(this);
  column->addWidget(group);
  AddButtonRow(column, buttons);
  column->setSizeConstraint(QLayout::SetFixedSize);
}

void TfmRecordConfig::showEvent(QShowEvent* event) {
  SettingsToControls();
  QDialog::showEvent(event);
}

void TfmRecordConfig::SettingsToControls() {
  cbMouseMove->setChecked(settings_->RecordMouseMove);
  cbKeyboard->setChecked(settings_->RecordKeyBoard);
  SelectFKey(cbRecordStart, settings_->RecordStartHotkey);
  SelectFKey(cbRecordStop, settings_->RecordStopHotkey);
  ShowKeyWarning();
}

void TfmRecordConfig::ShowKeyWarning() {
  const std::string text =
      warning_ ? warning_(cbRecordStart->currentIndex(), cbRecordStop->currentIndex()) : "";
  lbKeyWarning->setText(QString::fromStdString(text));
  lbKeyWarning->setVisible(!text.empty());
}

void TfmRecordConfig::ControlsToSettings() {
  settings_->RecordMouseMove = cbMouseMove->isChecked();
  settings_->RecordKeyBoard = cbKeyboard->isChecked();
  ReadFKey(cbRecordStart, settings_->RecordStartHotkey);
  ReadFKey(cbRecordStop, settings_->RecordStopHotkey);
}

void TfmRecordConfig::BitBtn1Click() {
  ControlsToSettings();
  accept();
}

void TfmRecordConfig::BitBtn2Click() {
  reject();
}

}  // namespace zorvel
