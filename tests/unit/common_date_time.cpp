#include <gtest/gtest.h>

#include <clocale>
#include <string>
#include <vector>

#include "common/date_time.h"

namespace zorvel {
namespace {

class DateTimeTest : public ::testing::Test {
 protected:
  void SetUp() override { std::setlocale(LC_ALL, "C"); }
};

TEST_F(DateTimeTest, FormatsOfTheCLocale) {
  EXPECT_EQ(ShortDateFormat(), "%m/%d/%y");
  EXPECT_EQ(LongTimeFormat(), "%H:%M:%S");
  const TDateTime when{2026, 12, 7, 14, 23, 6};
  EXPECT_EQ(FormatShortDate(when), "12/07/26");
  EXPECT_EQ(FormatLongTime(when), "14:23:06");
  EXPECT_EQ(FormatLongTime({2026, 1, 1, 0, 0, 0}), "00:00:00");
  EXPECT_EQ(NewMacroName(when), "Actions2026Dec07142306");
  EXPECT_EQ(NewMacroName({2027, 1, 2, 3, 4, 5}), "Actions2027Jan02030405");
}

struct ParseCase {
  std::string text;
  std::optional<TDateTime> expected;
};

TEST_F(DateTimeTest, ParsesWhatItFormats) {
  const std::vector<ParseCase> dates = {
      {"12/07/26", TDateTime{2026, 12, 7, 0, 0, 0}},
      {"02/29/24", TDateTime{2024, 2, 29, 0, 0, 0}},
      {"02/29/26", std::nullopt},
      {"13/01/26", std::nullopt},
      {"12/07/26 junk", std::nullopt},
      {"", std::nullopt},
  };
  for (const ParseCase& c : dates) EXPECT_EQ(ParseShortDate(c.text), c.expected) << c.text;
  const std::vector<ParseCase> times = {
      {"10:40:29", TDateTime{1970, 1, 1, 10, 40, 29}},
      {"23:59:59", TDateTime{1970, 1, 1, 23, 59, 59}},
      {"24:00:00", std::nullopt},
      {"10:40", std::nullopt},
      {"", std::nullopt},
  };
  for (const ParseCase& c : times) EXPECT_EQ(ParseLongTime(c.text), c.expected) << c.text;
  const TDateTime when{2026, 12, 7, 14, 23, 6};
  EXPECT_EQ(FormatShortDate(*ParseShortDate(FormatShortDate(when))), "12/07/26");
}

TEST_F(DateTimeTest, CalendarHelpers) {
  EXPECT_EQ(DayOfWeek({2026, 12, 6}), 0);  // Sunday
  EXPECT_EQ(DayOfWeek({2026, 12, 8}), 2);
  EXPECT_EQ(DayOfWeek({2026, 12, 12}), 6);
  EXPECT_EQ(DayOfWeek({2000, 2, 29}), 2);
  EXPECT_EQ(DayOfWeek({2027, 1, 1}), 5);
  EXPECT_EQ(DaysInMonth(2026, 11), 30);
  EXPECT_EQ(DaysInMonth(2026, 2), 28);
  EXPECT_EQ(DaysInMonth(2024, 2), 29);
  EXPECT_EQ(DaysInMonth(1900, 2), 28);
  EXPECT_EQ(DaysInMonth(2000, 2), 29);
  EXPECT_EQ(DaysInMonth(2026, 12), 31);
}

TEST_F(DateTimeTest, SystemClockGivesAPlausibleTime) {
  const TDateTime now = TSystemClock().Now();
  EXPECT_GE(now.year, 2024);
  EXPECT_GE(now.month, 1);
  EXPECT_LE(now.month, 12);
  EXPECT_EQ(ParseLongTime(FormatLongTime(now))->second, now.second);
}

}  // namespace
}  // namespace zorvel
