#include "model/macro_list_text.h"

#include <array>

namespace zorvel {
namespace {

std::string HotkeyText(int32_t index) {
  return "Ctrl + F" + std::to_string(int64_t{index} + 1);
}

std::string RepeatText(const TActionConfig& config) {
  switch (static_cast<RepeatMode>(config.RepeatType)) {
    case RepeatMode::RepeatOnce:
      return "Once";
    case RepeatMode::RepeatCount:
      return std::to_string(config.RepeatTimes) + " Times";
    default:
      return "till get order";
  }
}

std::string FrequenceText(int32_t scheduleType) {
  static const std::array<const char*, 5> kKinds{"none", "every day", "every week", "every month",
                                                 "once"};
  return scheduleType >= 0 && scheduleType < 5 ? kKinds[scheduleType] : "";
}

std::string WeekdayPrefix(int32_t index) {
  static const std::array<const char*, 7> kDays{
      "Sunday : ",   "Monday : ", "Tuesday : ", "Wednesday : ",
      "Thursday : ", "Friday : ", "Saturday : "};
  return index >= 0 && index < 7 ? kDays[index] : "";
}

std::string ScheduleTimeText(const TActionSchedule& s) {
  switch (static_cast<ScheduleKind>(s.ScheduleType)) {
    case ScheduleKind::NoSchedule:
      return "none";
    case ScheduleKind::EveryDay:
      return s.SelectedTime;
    case ScheduleKind::EveryWeek:
      return WeekdayPrefix(s.SelectedIndex) + s.SelectedTime;
    case ScheduleKind::EveryMonth:
      return "day " + std::to_string(int64_t{s.SelectedIndex} + 1) + " : " + s.SelectedTime;
    case ScheduleKind::OnceAt:
      return s.SelectedDate + " : " + s.SelectedTime;
  }
  return "";
}

}  // namespace

std::string MacroColumnCaption(int column) {
  static const std::array<const char*, kMacroColumnCount> kCaptions{
      "Macro Name",  "Create Time", "Status",    "Start Hotkey",
      "Stop Hotkey", "Repeat Type", "Frequence", "Schedule Time"};
  return column >= 0 && column < kMacroColumnCount ? kCaptions[column] : "";
}

std::string MacroCellText(const TActionCtrl& macro, int column) {
  switch (column) {
    case kColumnName:
      return macro.FName;
    case kColumnCreateTime:
      return macro.FCreateTime;
    case kColumnStatus:
      return macro.FRunning ? "Running" : "Stopped";
    case kColumnStartHotkey:
      return HotkeyText(macro.Config.StartHotkey);
    case kColumnStopHotkey:
      return HotkeyText(macro.Config.StopHotkey);
    case kColumnRepeatType:
      return RepeatText(macro.Config);
    case kColumnFrequence:
      return FrequenceText(macro.Schedule.ScheduleType);
    case kColumnScheduleTime:
      return ScheduleTimeText(macro.Schedule);
    default:
      return "";
  }
}

}  // namespace zorvel
