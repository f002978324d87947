#include "common/date_time.h"

#include <langinfo.h>

#include <cstring>
#include <ctime>

namespace zorvel {
namespace {

std::tm ToTm(const TDateTime& when) {
  std::tm tm{};
  tm.tm_year = when.year - 1900;
  tm.tm_mon = when.month - 1;
  tm.tm_mday = when.day;
  tm.tm_hour = when.hour;
  tm.tm_min = when.minute;
  tm.tm_sec = when.second;
  tm.tm_wday = DayOfWeek(when);
  tm.tm_isdst = -1;
  return tm;
}

TDateTime FromTm(const std::tm& tm) {
  return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
}

std::string Format(const char* format, const TDateTime& when) {
  const std::tm tm = ToTm(when);
  char buffer[256];
  const size_t length = std::strftime(buffer, sizeof buffer, format, &tm);
  return std::string(buffer, length);
}

std::optional<std::tm> Parse(const std::string& text, const std::string& format,
                             const std::tm& base) {
  std::tm tm = base;
  const char* end = strptime(text.c_str(), format.c_str(), &tm);
  if (end == nullptr || *end != '\0') return std::nullopt;
  return tm;
}

bool ShowsSeconds(const std::string& format) {
  return format.find("%S") != std::string::npos || format.find("%T") != std::string::npos ||
         format.find("%r") != std::string::npos || format.find("%X") != std::string::npos;
}

}  // namespace

int DayOfWeek(const TDateTime& when) {
  // Sakamoto's method on the proleptic Gregorian calendar.
  static constexpr int kMonthOffset[] = {0, 3, 2, 5, 0, 3, 5, 1, 4, 6, 2, 4};
  const int month = (when.month >= 1 && when.month <= 12) ? when.month : 1;
  const int year = month < 3 ? when.year - 1 : when.year;
  const int day = year + year / 4 - year / 100 + year / 400 + kMonthOffset[month - 1] + when.day;
  return ((day % 7) + 7) % 7;
}

int DaysInMonth(int year, int month) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12) return 31;
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return month == 2 && leap ? 29 : kDays[month - 1];
}

std::string ShortDateFormat() {
  const char* format = nl_langinfo(D_FMT);
  return (format && *format) ? format : "%m/%d/%y";
}

std::string LongTimeFormat() {
  const char* format = nl_langinfo(T_FMT);
  if (format && *format && ShowsSeconds(format)) return format;
  return "%H:%M:%S";
}

std::string FormatShortDate(const TDateTime& when) {
  return Format(ShortDateFormat().c_str(), when);
}

std::string FormatLongTime(const TDateTime& when) {
  return Format(LongTimeFormat().c_str(), when);
}

std::optional<TDateTime> ParseShortDate(const std::string& text) {
  std::tm base{};
  base.tm_mday = 1;
  base.tm_year = 70;
  const auto tm = Parse(text, ShortDateFormat(), base);
  if (!tm) return std::nullopt;
  TDateTime date = FromTm(*tm);
  date.hour = date.minute = date.second = 0;
  if (date.month < 1 || date.month > 12 || date.day < 1 ||
      date.day > DaysInMonth(date.year, date.month))
    return std::nullopt;
  return date;
}

std::optional<TDateTime> ParseLongTime(const std::string& text) {
  std::tm base{};
  base.tm_mday = 1;
  base.tm_year = 70;
  const auto tm = Parse(text, LongTimeFormat(), base);
  if (!tm) return std::nullopt;
  TDateTime time;
  time.hour = tm->tm_hour;
  time.minute = tm->tm_min;
  time.second = tm->tm_sec;
  return time;
}

std::string NewMacroName(const TDateTime& when) {
  return "Actions" + Format("%Y%b%d%H%M%S", when);
}

TDateTime TSystemClock::Now() const {
  const std::time_t now = std::time(nullptr);
  std::tm tm{};
  localtime_r(&now, &tm);
  return FromTm(tm);
}

}  // namespace zorvel
