#pragma once

// The recording options dialog: what a recording captures and which Alt+F-keys start and stop it.

#include <QDialog>

#include "gui/widgets/hotkey_text.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;

namespace zorvel {

struct TRecordSettings;

class TfmRecordConfig : public QDialog {
  Q_OBJECT
 public:
  // Edits `settings` in place, and only on OK. `warning` (when given) tells under the keys what
  // is wrong with the pair chosen.
  explicit TfmRecordConfig(TRecordSettings& settings, QWidget* parent = nullptr,
                           TKeyWarning warning = {});

  void SettingsToControls();
  // A hotkey list without a selection (a stored index outside F1 ... F12) keeps its setting.
  void ControlsToSettings();

  void BitBtn1Click();
  void BitBtn2Click();

  QCheckBox* cbMouseMove;
  QCheckBox* cbKeyboard;
  QComboBox* cbRecordStart;
  QComboBox* cbRecordStop;
  QLabel* lbKeyWarning;
  QPushButton* BitBtn1;
  QPushButton* BitBtn2;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void ShowKeyWarning();

  TRecordSettings* settings_;
  TKeyWarning warning_;
};

}  // namespace zorvel
