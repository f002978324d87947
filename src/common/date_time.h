#pragma once

// Date and time texts in the user's locale, and the clock they are read from.
//
// Short date = the C library's D_FMT, long time = T_FMT (or "%H:%M:%S" when T_FMT shows no
// seconds), month abbreviations from %b; the locale is the one set by setlocale(LC_ALL, "") at
// start-up. Every schedule text is written and compared through these functions, so the
// schedule dialog and the scheduler always agree.

#include <memory>
#include <optional>
#include <string>

namespace zorvel {

// A local date and time, field by field.
struct TDateTime {
  int year = 1970;
  int month = 1;  // 1..12
  int day = 1;    // 1..31
  int hour = 0;   // 0..23
  int minute = 0;
  int second = 0;
  bool operator==(const TDateTime&) const = default;
};

// Day of the week, Sunday 0 ... Saturday 6.
int DayOfWeek(const TDateTime& when);
// Number of days in a month of a year (28..31).
int DaysInMonth(int year, int month);

// The two formats in strftime notation.
std::string ShortDateFormat();
std::string LongTimeFormat();

std::string FormatShortDate(const TDateTime& when);
std::string FormatLongTime(const TDateTime& when);
// The date (time fields 0) or time of day (date fields 1970-01-01) read from a text in the
// format above; nothing when the text does not match it completely.
std::optional<TDateTime> ParseShortDate(const std::string& text);
std::optional<TDateTime> ParseLongTime(const std::string& text);

// Name of a new macro: "Actions" + year, abbreviated month, day, hour, minute, second with no
// separators, e.g. "Actions2026Dec07142306".
std::string NewMacroName(const TDateTime& when);

// Where the current local time comes from.
class IClock {
 public:
  virtual ~IClock() = default;
  virtual TDateTime Now() const = 0;
};

// The system's local time.
class TSystemClock : public IClock {
 public:
  TDateTime Now() const override;
};

}  // namespace zorvel
