#pragma once

// The recording options dialog: what a recording captures and which Alt+F-keys start and stop it.

#include <QDialog>

class QCheckBox;
class QComboBox;
class QPushButton;

namespace zorvel {

struct TRecordSettings;

class TfmRecordConfig : public QDialog {
  Q_OBJECT
 public:
  // Edits `settings` in place, and only on OK.
  explicit TfmRecordConfig(TRecordSettings& settings, QWidget* parent = nullptr);

  void SettingsToControls();
  // A hotkey list without a selection (a stored index outside F1 ... F12) keeps its setting.
  void ControlsToSettings();

  void BitBtn1Click();
  void BitBtn2Click();

  QCheckBox* cbMouseMove;
  QCheckBox* cbKeyboard;
  QComboBox* cbRecordStart;
  QComboBox* cbRecordStop;
  QPushButton* BitBtn1;
  QPushButton* BitBtn2;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  TRecordSettings* settings_;
};

}  // namespace zorvel
