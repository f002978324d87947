#pragma once

#include <QDialog>

#include "gui/main/dialog_forms.h"
#include "gui/widgets/hotkey_text.h"

class QButtonGroup;
class QComboBox;
class QLabel;
class QSlider;
class QSpinBox;

namespace zorvel {

// "Macro Config": edits a macro's run settings in place when OK is pressed.
class TfmActionConfig : public QDialog {
  Q_OBJECT
 public:
  // `config` must outlive the dialog. The controls are filled from it at once. `warning` (when
  // given) tells under the controls what is wrong with the keys chosen.
  explicit TfmActionConfig(TActionConfig& config, QWidget* parent = nullptr,
                           TKeyWarning warning = {});

  // What the controls show now.
  TConfigForm Form() const;
  void SetForm(const TConfigForm& form);

  void btnOKClick();
  QString KeyWarning() const;

 private:
  void BuildLayout();
  void ShowKeyWarning();

  TActionConfig& config_;
  TConfigForm shown_;
  TKeyWarning warning_;
  QLabel* lbKeyWarning_ = nullptr;
  QComboBox* cbStartHotkey_ = nullptr;
  QComboBox* cbStopHotkey_ = nullptr;
  QButtonGroup* repeatGroup_ = nullptr;
  QSpinBox* seRepeatTimes_ = nullptr;
  QSpinBox* seHours_ = nullptr;
  QSpinBox* seMinutes_ = nullptr;
  QSpinBox* seSeconds_ = nullptr;
  QSpinBox* seTenths_ = nullptr;
  QSlider* tbSpeed_ = nullptr;
};

// Opens the dialog modally on `config`.
void ShowActionConfig(TActionConfig& config, const TKeyWarning& warning, QWidget* parent);

}  // namespace zorvel
