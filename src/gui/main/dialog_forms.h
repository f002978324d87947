#pragma once

// What the options and schedule dialogs show, as plain values, and how a macro's settings map to
// them and back. The dialogs only copy these values into their controls and out again.

#include "common/date_time.h"
#include "model/action_ctrl.h"

namespace zorvel {

// Options dialog. A list position or choice of -1 means "nothing selected".
struct TConfigForm {
  int startIndex = -1;  // 0 = F1 ... 11 = F12
  int stopIndex = -1;
  int repeatChoice = -1;  // 0 "Repeat once", 1 "Repeat", 2 "Repeat until get stop order"
  int repeatTimes = 0;    // 0 ... 100
  int speed = 0;          // -9 ... 9
  int hours = 0;          // 0 ... 23
  int minutes = 0;        // 0 ... 59
  int seconds = 0;        // 0 ... 59
  int tenths = 0;         // 0 ... 9
  bool operator==(const TConfigForm&) const = default;
};

inline constexpr int kMaxRepeatTimes = 100;
inline constexpr int kMinSpeed = -9;
inline constexpr int kMaxSpeed = 9;

TConfigForm ConfigToForm(const TActionConfig& config);
// Writes the form into `config`. `shown` is the form the dialog was filled with: an Interval that
// the boxes cannot show (24 hours or more, or negative) is kept while the four boxes still show
// what they were filled with.
void FormToConfig(const TConfigForm& form, const TConfigForm& shown, TActionConfig& config);

// Schedule dialog: the radio buttons are numbered by ScheduleKind.

struct TScheduleForm {
  ScheduleKind choice = ScheduleKind::NoSchedule;
  int weekday = 0;   // 0 = Sunday ... 6 = Saturday; -1 = none
  int monthDay = 0;  // 0 = "Day 1" ... 30 = "Day 31"; -1 = none
  TDateTime dayTime;
  TDateTime weekTime;
  TDateTime monthTime;
  TDateTime onceDate;
  TDateTime onceTime;
  bool operator==(const TScheduleForm&) const = default;
};

// The pickers' value before the dialog is filled: 25 September 2012, 10:40:29.
TDateTime InitialPickerValue();
// The dialog's initial state: "None", Sunday, Day 1, every picker on InitialPickerValue().
TScheduleForm InitialScheduleForm();

// Fills the form by the schedule's kind. A time or date text that cannot be read ends the
// filling there: the choice is made, the pickers not yet set keep their initial value.
TScheduleForm ScheduleToForm(const TActionSchedule& schedule);
// Writes the chosen row into `schedule`; fields the row does not name keep their values.
void FormToSchedule(const TScheduleForm& form, TActionSchedule& schedule);

}  // namespace zorvel
