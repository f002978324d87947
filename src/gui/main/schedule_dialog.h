#pragma once

#include <QDialog>

#include "gui/main/dialog_forms.h"

class QButtonGroup;
class QComboBox;
class QDateEdit;
class QTimeEdit;

namespace zorvel {

// "Macro Running Schedule": edits a macro's schedule in place when OK is pressed.
class TfmSchedule : public QDialog {
  Q_OBJECT
 public:
  // `schedule` must outlive the dialog. The controls are filled from it at once.
  explicit TfmSchedule(TActionSchedule& schedule, QWidget* parent = nullptr);

  TScheduleForm Form() const;
  void SetForm(const TScheduleForm& form);

  void btnOKClick();

 private:
  void BuildLayout();

  TActionSchedule& schedule_;
  QButtonGroup* choiceGroup_ = nullptr;
  QComboBox* cbWeekday_ = nullptr;
  QComboBox* cbMonthDay_ = nullptr;
  QTimeEdit* tpDay_ = nullptr;
  QTimeEdit* tpWeek_ = nullptr;
  QTimeEdit* tpMonth_ = nullptr;
  QDateEdit* dpOnce_ = nullptr;
  QTimeEdit* tpOnce_ = nullptr;
};

// Opens the dialog modally on `schedule`.
void ShowSchedule(TActionSchedule& schedule, QWidget* parent);

}  // namespace zorvel
