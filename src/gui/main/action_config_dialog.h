#pragma once

#include <QDialog>

#include "gui/main/dialog_forms.h"

class QButtonGroup;
class QComboBox;
class QSlider;
class QSpinBox;

namespace zorvel {

// "Macro Config": edits a macro's run settings in place when OK is pressed.
class TfmActionConfig : public QDialog {
  Q_OBJECT
 public:
  // `config` must outlive the dialog. The controls are filled from it at once.
  explicit TfmActionConfig(TActionConfig& config, QWidget* parent = nullptr);

  // What the controls show now.
  TConfigForm Form() const;
  void SetForm(const TConfigForm& form);

  void btnOKClick();

 private:
  void BuildLayout();

  TActionConfig& config_;
  TConfigForm shown_;
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
void ShowActionConfig(TActionConfig& config, QWidget* parent);

}  // namespace zorvel
