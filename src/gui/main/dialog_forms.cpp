#include "gui/main/dialog_forms.h"

#include <algorithm>

#include "common/time_units.h"
#include "platform/platform.h"

namespace zorvel {

namespace {

constexpr int32_t kTenth = 100;
constexpr int kWeekdayCount = 7;
constexpr int kMonthDayCount = 31;

int ListPosition(int32_t value, int count) {
  return value >= 0 && value < count ? value : -1;
}

bool IntervalShowable(int32_t interval) {
  return interval >= 0 && interval < kMsPerDay;
}

bool SameInterval(const TConfigForm& a, const TConfigForm& b) {
  return a.hours == b.hours && a.minutes == b.minutes && a.seconds == b.seconds &&
         a.tenths == b.tenths;
}

// Copies the time of day of `from` into `to`, leaving its date.
void CopyTime(const TDateTime& from, TDateTime& to) {
  to.hour = from.hour;
  to.minute = from.minute;
  to.second = from.second;
}

TDateTime TimeOnly(const TDateTime& when) {
  TDateTime time;
  CopyTime(when, time);
  return time;
}

// Reads a time text into `picker`; false (picker untouched) when it cannot be read.
bool ReadTime(const std::string& text, TDateTime& picker) {
  const auto time = ParseLongTime(text);
  if (!time) return false;
  CopyTime(*time, picker);
  return true;
}

bool ReadDate(const std::string& text, TDateTime& picker) {
  const auto date = ParseShortDate(text);
  if (!date) return false;
  picker.year = date->year;
  picker.month = date->month;
  picker.day = date->day;
  return true;
}

}  // namespace

TConfigForm ConfigToForm(const TActionConfig& config) {
  TConfigForm form;
  form.startIndex = ListPosition(config.StartHotkey, kFKeyCount);
  form.stopIndex = ListPosition(config.StopHotkey, kFKeyCount);
  form.repeatChoice = ListPosition(config.RepeatType, 3);
  form.repeatTimes = std::clamp<int>(static_cast<int16_t>(config.RepeatTimes), 0, kMaxRepeatTimes);
  form.speed = std::clamp<int32_t>(config.RepeatSpeed, kMinSpeed, kMaxSpeed);
  const int32_t interval = config.Interval;
  form.hours = std::clamp<int32_t>(interval / kMsPerHour, 0, 23);
  form.minutes = std::clamp<int32_t>(interval % kMsPerHour / kMsPerMinute, 0, 59);
  form.seconds = std::clamp<int32_t>(interval % kMsPerMinute / kMsPerSecond, 0, 59);
  form.tenths = std::clamp<int32_t>(interval % kMsPerSecond / kTenth, 0, 9);
  return form;
}

void FormToConfig(const TConfigForm& form, const TConfigForm& shown, TActionConfig& config) {
  config.StartHotkey = form.startIndex;
  config.StopHotkey = form.stopIndex;
  config.RepeatType = form.repeatChoice == 0 ? 0 : form.repeatChoice == 1 ? 1 : 2;
  config.RepeatTimes = form.repeatTimes;
  config.RepeatSpeed = form.speed;
  if (IntervalShowable(config.Interval) || !SameInterval(form, shown))
    config.Interval = form.hours * kMsPerHour + form.minutes * kMsPerMinute +
                      form.seconds * kMsPerSecond + form.tenths * kTenth;
}

TDateTime InitialPickerValue() {
  return TDateTime{2012, 9, 25, 10, 40, 29};
}

TScheduleForm InitialScheduleForm() {
  TScheduleForm form;
  const TDateTime initial = InitialPickerValue();
  form.dayTime = form.weekTime = form.monthTime = form.onceDate = form.onceTime = initial;
  return form;
}

TScheduleForm ScheduleToForm(const TActionSchedule& schedule) {
  TScheduleForm form = InitialScheduleForm();
  switch (static_cast<ScheduleKind>(schedule.ScheduleType)) {
    case ScheduleKind::EveryDay:
      form.choice = ScheduleKind::EveryDay;
      ReadTime(schedule.SelectedTime, form.dayTime);
      break;
    case ScheduleKind::EveryWeek:
      form.choice = ScheduleKind::EveryWeek;
      form.weekday = ListPosition(schedule.SelectedIndex, kWeekdayCount);
      ReadTime(schedule.SelectedTime, form.weekTime);
      break;
    case ScheduleKind::EveryMonth:
      form.choice = ScheduleKind::EveryMonth;
      form.monthDay = ListPosition(schedule.SelectedIndex, kMonthDayCount);
      ReadTime(schedule.SelectedTime, form.monthTime);
      break;
    case ScheduleKind::OnceAt:
      form.choice = ScheduleKind::OnceAt;
      if (ReadDate(schedule.SelectedDate, form.onceDate))
        ReadTime(schedule.SelectedTime, form.onceTime);
      break;
    default:
      break;
  }
  return form;
}

void FormToSchedule(const TScheduleForm& form, TActionSchedule& schedule) {
  schedule.ScheduleType = static_cast<int32_t>(form.choice);
  switch (form.choice) {
    case ScheduleKind::NoSchedule:
      break;
    case ScheduleKind::EveryDay:
      schedule.SelectedTime = FormatLongTime(TimeOnly(form.dayTime));
      break;
    case ScheduleKind::EveryWeek:
      schedule.SelectedIndex = form.weekday;
      schedule.SelectedTime = FormatLongTime(TimeOnly(form.weekTime));
      break;
    case ScheduleKind::EveryMonth:
      schedule.SelectedIndex = form.monthDay;
      schedule.SelectedTime = FormatLongTime(TimeOnly(form.monthTime));
      break;
    case ScheduleKind::OnceAt:
      schedule.SelectedDate = FormatShortDate(form.onceDate);
      schedule.SelectedTime = FormatLongTime(TimeOnly(form.onceTime));
      break;
    default:
      break;
  }
}

}  // namespace zorvel
