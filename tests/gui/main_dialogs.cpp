// The options and schedule dialogs: what they show for a macro's settings and what OK stores.

#include <gtest/gtest.h>

#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QTimeEdit>

#include "common/date_time.h"
#include "gui/main/action_config_dialog.h"
#include "gui/main/schedule_dialog.h"
#include "gui/widgets/about_box.h"

namespace zorvel {
namespace {

template <typename T>
T* Child(QWidget& dialog, const char* name) {
  T* child = dialog.findChild<T*>(QString::fromLatin1(name));
  EXPECT_NE(child, nullptr) << name;
  return child;
}

void Click(QWidget& dialog, const char* button) {
  Child<QPushButton>(dialog, button)->click();
}

// ---------------------------------------------------------------------------- options dialog

TEST(AppOptionsDialog, DefaultMacroShowsCtrlF2F3OnceCountOneSpeedOneOneSecond) {
  TActionConfig config;
  TfmActionConfig dialog(config);
  EXPECT_EQ(dialog.windowTitle(), "Macro Config");
  EXPECT_EQ(dialog.size(), QSize(415, 377));
  EXPECT_EQ(Child<QComboBox>(dialog, "cbStartHotkey")->currentText(), "F2");
  EXPECT_EQ(Child<QComboBox>(dialog, "cbStopHotkey")->currentText(), "F3");
  EXPECT_TRUE(Child<QRadioButton>(dialog, "rbOnce")->isChecked());
  EXPECT_EQ(Child<QSpinBox>(dialog, "seRepeatTimes")->value(), 1);
  EXPECT_EQ(Child<QSlider>(dialog, "tbSpeed")->value(), 1);
  const TConfigForm expected{1, 2, 0, 1, 1, 0, 0, 1, 0};
  EXPECT_EQ(dialog.Form(), expected);
  dialog.grab().save(ZORVEL_BINARY_DIR "/app-options-dialog.png");  // kept to look at
}

TEST(AppOptionsDialog, ControlRanges) {
  TActionConfig config;
  TfmActionConfig dialog(config);
  const std::pair<const char*, int> maxima[] = {{"seRepeatTimes", 100},
                                                {"seHours", 23},
                                                {"seMinutes", 59},
                                                {"seSeconds", 59},
                                                {"seTenths", 9}};
  for (const auto& [name, maximum] : maxima) {
    EXPECT_EQ(Child<QSpinBox>(dialog, name)->minimum(), 0) << name;
    EXPECT_EQ(Child<QSpinBox>(dialog, name)->maximum(), maximum) << name;
  }
  EXPECT_EQ(Child<QSlider>(dialog, "tbSpeed")->minimum(), -9);
  EXPECT_EQ(Child<QSlider>(dialog, "tbSpeed")->maximum(), 9);
  QComboBox* keys = Child<QComboBox>(dialog, "cbStartHotkey");
  ASSERT_EQ(keys->count(), 12);
  EXPECT_EQ(keys->itemText(0), "F1");
  EXPECT_EQ(keys->itemText(11), "F12");
  EXPECT_FALSE(keys->isEditable());
}

struct IntervalCase {
  int32_t stored;
  TConfigForm shownInterval;  // only hours ... tenths used
  int32_t storedByOk;
};

TEST(AppOptionsDialog, IntervalSplitAndOkWithoutChanges) {
  const IntervalCase cases[] = {
      {3'723'400, {.hours = 1, .minutes = 2, .seconds = 3, .tenths = 4}, 3'723'400},
      {1'050, {.seconds = 1}, 1'000},
      {0, {}, 0},
      {86'399'900, {.hours = 23, .minutes = 59, .seconds = 59, .tenths = 9}, 86'399'900},
      // Beyond what the boxes hold: kept while untouched.
      {90'000'000, {.hours = 23}, 90'000'000},
      {-5'000, {}, -5'000},
  };
  for (const IntervalCase& c : cases) {
    TActionConfig config;
    config.Interval = c.stored;
    TfmActionConfig dialog(config);
    const TConfigForm form = dialog.Form();
    EXPECT_EQ(form.hours, c.shownInterval.hours) << c.stored;
    EXPECT_EQ(form.minutes, c.shownInterval.minutes) << c.stored;
    EXPECT_EQ(form.seconds, c.shownInterval.seconds) << c.stored;
    EXPECT_EQ(form.tenths, c.shownInterval.tenths) << c.stored;
    Click(dialog, "btnOK");
    EXPECT_EQ(config.Interval, c.storedByOk) << c.stored;
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
  }
}

TEST(AppOptionsDialog, LongIntervalIsReplacedOnceAFieldChanges) {
  TActionConfig config;
  config.Interval = 90'000'000;
  TfmActionConfig dialog(config);
  Child<QSpinBox>(dialog, "seMinutes")->setValue(5);
  Click(dialog, "btnOK");
  EXPECT_EQ(config.Interval, 23 * 3'600'000 + 5 * 60'000);
}

TEST(AppOptionsDialog, OkStoresEveryControl) {
  TActionConfig config;
  TfmActionConfig dialog(config);
  Child<QComboBox>(dialog, "cbStartHotkey")->setCurrentIndex(11);
  Child<QComboBox>(dialog, "cbStopHotkey")->setCurrentIndex(0);
  Child<QRadioButton>(dialog, "rbRepeat")->setChecked(true);
  Child<QSpinBox>(dialog, "seRepeatTimes")->setValue(100);
  Child<QSlider>(dialog, "tbSpeed")->setValue(-9);
  Child<QSpinBox>(dialog, "seHours")->setValue(2);
  Child<QSpinBox>(dialog, "seTenths")->setValue(9);
  Click(dialog, "btnOK");
  TActionConfig expected;
  expected.StartHotkey = 11;
  expected.StopHotkey = 0;
  expected.RepeatType = 1;
  expected.RepeatTimes = 100;
  expected.RepeatSpeed = -9;
  expected.Interval = 2 * 3'600'000 + 1'000 + 900;  // the default second stays
  EXPECT_EQ(config, expected);
}

TEST(AppOptionsDialog, RepeatChoiceForEveryStoredType) {
  const std::pair<int32_t, int32_t> cases[] = {{0, 0}, {1, 1}, {2, 2}, {7, 2}, {-1, 2}};
  for (const auto& [stored, byOk] : cases) {
    TActionConfig config;
    config.RepeatType = stored;
    TfmActionConfig dialog(config);
    const bool none = stored < 0 || stored > 2;
    EXPECT_EQ(Child<QRadioButton>(dialog, "rbOnce")->isChecked(), stored == 0) << stored;
    EXPECT_EQ(Child<QRadioButton>(dialog, "rbRepeat")->isChecked(), stored == 1) << stored;
    EXPECT_EQ(Child<QRadioButton>(dialog, "rbUntilStop")->isChecked(), stored == 2) << stored;
    EXPECT_EQ(dialog.Form().repeatChoice, none ? -1 : stored);
    Click(dialog, "btnOK");
    EXPECT_EQ(config.RepeatType, byOk) << stored;
  }
}

TEST(AppOptionsDialog, OutOfRangeValues) {
  TActionConfig config;
  config.StartHotkey = 12;
  config.StopHotkey = -1;
  config.RepeatTimes = 65'541;  // 5 as a 16-bit value
  config.RepeatSpeed = 40;
  TfmActionConfig dialog(config);
  EXPECT_EQ(Child<QComboBox>(dialog, "cbStartHotkey")->currentIndex(), -1);
  EXPECT_EQ(Child<QComboBox>(dialog, "cbStopHotkey")->currentIndex(), -1);
  EXPECT_EQ(Child<QSpinBox>(dialog, "seRepeatTimes")->value(), 5);
  EXPECT_EQ(Child<QSlider>(dialog, "tbSpeed")->value(), 9);
  Click(dialog, "btnOK");
  EXPECT_EQ(config.StartHotkey, -1);
  EXPECT_EQ(config.StopHotkey, -1);
  EXPECT_EQ(config.RepeatTimes, 5);
  EXPECT_EQ(config.RepeatSpeed, 9);
}

TEST(AppOptionsDialog, CancelLeavesTheConfigUntouched) {
  TActionConfig config;
  config.Interval = 1'050;
  const TActionConfig before = config;
  TfmActionConfig dialog(config);
  Child<QComboBox>(dialog, "cbStartHotkey")->setCurrentIndex(7);
  Child<QSpinBox>(dialog, "seHours")->setValue(4);
  Click(dialog, "btnCancel");
  EXPECT_EQ(config, before);
  EXPECT_EQ(dialog.result(), QDialog::Rejected);
}

// ---------------------------------------------------------------------------- schedule dialog

std::string TimeText(int hour, int minute, int second) {
  return FormatLongTime(TDateTime{1970, 1, 1, hour, minute, second});
}

std::string DateText(int year, int month, int day) {
  return FormatShortDate(TDateTime{year, month, day, 0, 0, 0});
}

TEST(AppScheduleDialog, InitialStateForNoSchedule) {
  TActionSchedule schedule;
  TfmSchedule dialog(schedule);
  EXPECT_EQ(dialog.windowTitle(), "Macro Running Schedule");
  EXPECT_EQ(dialog.size(), QSize(402, 250));
  EXPECT_TRUE(Child<QRadioButton>(dialog, "rbNone")->isChecked());
  EXPECT_EQ(Child<QComboBox>(dialog, "cbWeekday")->currentText(), "Sunday");
  EXPECT_EQ(Child<QComboBox>(dialog, "cbWeekday")->count(), 7);
  EXPECT_EQ(Child<QComboBox>(dialog, "cbMonthDay")->currentText(), "Day 1");
  EXPECT_EQ(Child<QComboBox>(dialog, "cbMonthDay")->itemText(30), "Day 31");
  for (const char* picker : {"tpDay", "tpWeek", "tpMonth", "tpOnce"})
    EXPECT_EQ(Child<QTimeEdit>(dialog, picker)->time(), QTime(10, 40, 29)) << picker;
  EXPECT_EQ(Child<QDateEdit>(dialog, "dpOnce")->date(), QDate(2012, 9, 25));
  dialog.grab().save(ZORVEL_BINARY_DIR "/app-schedule-dialog.png");  // kept to look at
  EXPECT_EQ(dialog.Form().choice, ScheduleKind::NoSchedule);
  EXPECT_EQ(dialog.Form().weekday, 0);
  EXPECT_EQ(dialog.Form().monthDay, 0);
}

TEST(AppScheduleDialog, OnceRoundTripStoresTheSameTexts) {
  TActionSchedule schedule;
  schedule.ScheduleType = 4;
  schedule.SelectedDate = DateText(2026, 12, 8);
  schedule.SelectedTime = TimeText(16, 5, 7);
  schedule.SelectedIndex = 3;
  const TActionSchedule before = schedule;
  TfmSchedule dialog(schedule);
  EXPECT_TRUE(Child<QRadioButton>(dialog, "rbOnce")->isChecked());
  EXPECT_EQ(Child<QDateEdit>(dialog, "dpOnce")->date(), QDate(2026, 12, 8));
  EXPECT_EQ(Child<QTimeEdit>(dialog, "tpOnce")->time(), QTime(16, 5, 7));
  Click(dialog, "btnOK");
  EXPECT_EQ(schedule, before);
}

TEST(AppScheduleDialog, FillAndOkForEachKind) {
  struct Case {
    int32_t type;
    int32_t index;
    const char* radio;
    const char* box;  // weekday or day box, or null
    const char* picker;
  };
  const Case cases[] = {
      {1, 0, "rbEveryDay", nullptr, "tpDay"},
      {2, 6, "rbEveryWeek", "cbWeekday", "tpWeek"},
      {3, 14, "rbEveryMonth", "cbMonthDay", "tpMonth"},
  };
  for (const Case& c : cases) {
    TActionSchedule schedule;
    schedule.ScheduleType = c.type;
    schedule.SelectedIndex = c.index;
    schedule.SelectedTime = TimeText(7, 8, 9);
    schedule.SelectedDate = "kept";
    const TActionSchedule before = schedule;
    TfmSchedule dialog(schedule);
    EXPECT_TRUE(Child<QRadioButton>(dialog, c.radio)->isChecked()) << c.radio;
    if (c.box) {
      EXPECT_EQ(Child<QComboBox>(dialog, c.box)->currentIndex(), c.index) << c.radio;
    }
    EXPECT_EQ(Child<QTimeEdit>(dialog, c.picker)->time(), QTime(7, 8, 9)) << c.radio;
    Click(dialog, "btnOK");
    EXPECT_EQ(schedule, before) << c.radio;
  }
}

TEST(AppScheduleDialog, EveryWeekUntouchedStoresSunday) {
  TActionSchedule schedule;
  schedule.SelectedIndex = 5;
  TfmSchedule dialog(schedule);
  Child<QRadioButton>(dialog, "rbEveryWeek")->setChecked(true);
  Click(dialog, "btnOK");
  EXPECT_EQ(schedule.ScheduleType, 2);
  EXPECT_EQ(schedule.SelectedIndex, 0);
  EXPECT_EQ(schedule.SelectedTime, TimeText(10, 40, 29));
}

TEST(AppScheduleDialog, NoneKeepsTheOldWeekValues) {
  TActionSchedule schedule;
  schedule.ScheduleType = 2;
  schedule.SelectedIndex = 3;
  schedule.SelectedTime = TimeText(22, 0, 1);
  schedule.SelectedDate = DateText(2025, 1, 2);
  TfmSchedule dialog(schedule);
  Child<QRadioButton>(dialog, "rbNone")->setChecked(true);
  Click(dialog, "btnOK");
  EXPECT_EQ(schedule.ScheduleType, 0);
  EXPECT_EQ(schedule.SelectedIndex, 3);
  EXPECT_EQ(schedule.SelectedTime, TimeText(22, 0, 1));
  EXPECT_EQ(schedule.SelectedDate, DateText(2025, 1, 2));
}

TEST(AppScheduleDialog, UnreadableTextsEndTheFillingThere) {
  // Once with an unreadable date: the radio is checked, neither picker is set.
  TActionSchedule once;
  once.ScheduleType = 4;
  once.SelectedDate = "the day after";
  once.SelectedTime = TimeText(1, 2, 3);
  TfmSchedule onceDialog(once);
  EXPECT_TRUE(Child<QRadioButton>(onceDialog, "rbOnce")->isChecked());
  EXPECT_EQ(Child<QDateEdit>(onceDialog, "dpOnce")->date(), QDate(2012, 9, 25));
  EXPECT_EQ(Child<QTimeEdit>(onceDialog, "tpOnce")->time(), QTime(10, 40, 29));

  // Every day with an empty time: the picker keeps its initial value, OK stores that.
  TActionSchedule daily;
  daily.ScheduleType = 1;
  TfmSchedule dailyDialog(daily);
  EXPECT_TRUE(Child<QRadioButton>(dailyDialog, "rbEveryDay")->isChecked());
  EXPECT_EQ(Child<QTimeEdit>(dailyDialog, "tpDay")->time(), QTime(10, 40, 29));
  Click(dailyDialog, "btnOK");
  EXPECT_EQ(daily.SelectedTime, TimeText(10, 40, 29));
}

TEST(AppScheduleDialog, IndexesOutsideTheBoxesAndUnknownKinds) {
  TActionSchedule weekly;
  weekly.ScheduleType = 2;
  weekly.SelectedIndex = 7;
  weekly.SelectedTime = TimeText(3, 4, 5);
  TfmSchedule weeklyDialog(weekly);
  EXPECT_EQ(Child<QComboBox>(weeklyDialog, "cbWeekday")->currentIndex(), -1);
  Click(weeklyDialog, "btnOK");
  EXPECT_EQ(weekly.SelectedIndex, -1);

  TActionSchedule unknown;
  unknown.ScheduleType = 9;
  unknown.SelectedTime = TimeText(3, 4, 5);
  TfmSchedule unknownDialog(unknown);
  EXPECT_TRUE(Child<QRadioButton>(unknownDialog, "rbNone")->isChecked());
  EXPECT_EQ(Child<QTimeEdit>(unknownDialog, "tpDay")->time(), QTime(10, 40, 29));
  Click(unknownDialog, "btnOK");
  EXPECT_EQ(unknown.ScheduleType, 0);
}

TEST(AppScheduleDialog, CancelLeavesTheScheduleUntouched) {
  TActionSchedule schedule;
  schedule.ScheduleType = 3;
  schedule.SelectedIndex = 2;
  schedule.SelectedTime = TimeText(5, 5, 5);
  const TActionSchedule before = schedule;
  TfmSchedule dialog(schedule);
  Child<QRadioButton>(dialog, "rbOnce")->setChecked(true);
  Click(dialog, "btnCancel");
  EXPECT_EQ(schedule, before);
}

// ---------------------------------------------------------------------------- about box

TEST(AppAboutBox, ShowsNameAndVersionOnOneLine) {
  TAboutBox about;
  EXPECT_EQ(Child<QLabel>(about, "ProductName")->text(), "Zorvel 2.5.1");
}

}  // namespace
}  // namespace zorvel
