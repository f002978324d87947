#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <future>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "../support/fixed_clock.h"
#include "../support/test_actions.h"
#include "common/date_time.h"
#include "model/xml_document.h"
#include "playback/run_ctrl.h"
#include "playback_test_support.h"

namespace zorvel {
namespace {

using Lines = std::vector<std::string>;

// End notifications as they arrive on the run threads.
class EndLog {
 public:
  void Add(uint64_t id) {
    {
      std::lock_guard lock(mutex_);
      ids_.push_back(id);
    }
    changed_.notify_all();
  }
  // Waits for the end of run `id`; a failure after ten seconds, with the ends there were.
  ::testing::AssertionResult WaitFor(uint64_t id) {
    std::unique_lock lock(mutex_);
    if (changed_.wait_for(lock, std::chrono::seconds(10),
                          [&] { return std::find(ids_.begin(), ids_.end(), id) != ids_.end(); }))
      return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "waited 10 s for the end of run " << id
                                         << "; ended runs: " << ::testing::PrintToString(ids_);
  }
  std::vector<uint64_t> Ids() {
    std::lock_guard lock(mutex_);
    return ids_;
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<uint64_t> ids_;
};

TActionPtr Key(int32_t vk, KeyAction what = KeyAction::KeyPress) {
  return std::make_shared<TActionObj>(test::Key(vk, what));
}

TActionPtr Delay(int32_t ms) {
  return std::make_shared<TActionObj>(test::Delay(ms));
}

class RunCtrlTest : public ::testing::Test {
 protected:
  RunCtrlTest() : screen(8, 8, 0xFFFFFF) { ctrl = MakeCtrl(); }

  std::unique_ptr<TRunCtrl> MakeCtrl() {
    return std::make_unique<TRunCtrl>(input, screen, clock, [this](uint64_t id) { ends.Add(id); });
  }
  std::shared_ptr<TActionCtrl> Macro(std::string name, std::vector<TActionPtr> actions = {}) {
    auto macro = std::make_shared<TActionCtrl>(document, ".");
    macro->FName = std::move(name);
    for (auto& action : actions) macro->Actions.Add(action);
    macro->Config.RepeatType = static_cast<int32_t>(RepeatMode::RepeatOnce);
    macro->Config.RepeatSpeed = 0;
    return macro;
  }
  // Lets the current run end and hands its end to the controller, as the main loop does.
  void FinishRun() {
    const uint64_t id = ctrl->CurrentRunId();
    ASSERT_TRUE(ends.WaitFor(id));
    ctrl->RunFinished(id);
  }

  TXMLDocument document;
  TFakeInput input;
  TFakeScreen screen;
  TFixedClock clock{{2026, 12, 8, 10, 40, 29}};
  EndLog ends;
  std::unique_ptr<TRunCtrl> ctrl;
};

TEST_F(RunCtrlTest, StartPlaysAndTheEndNotificationCleansUp) {
  auto macro = Macro("A", {Key(0x41)});
  EXPECT_FALSE(ctrl->Running());
  ctrl->Start(macro);
  EXPECT_TRUE(ctrl->Running());
  EXPECT_TRUE(macro->FRunning);
  EXPECT_EQ(ctrl->CurrentRunId(), 1u);
  EXPECT_EQ(ctrl->CurrentMacro(), macro);
  FinishRun();
  EXPECT_FALSE(ctrl->Running());
  EXPECT_FALSE(macro->FRunning);
  EXPECT_EQ(input.Transcript(), (Lines{"keybd_event 0x41 down", "keybd_event 0x41 up"}));
  EXPECT_EQ(ends.Ids(), std::vector<uint64_t>{1});
}

TEST_F(RunCtrlTest, StartWhileRunningIsIgnored) {
  auto a = Macro("A");
  auto b = Macro("B", {Key(0x42)});
  ctrl->Start(a);
  ctrl->Start(b);
  ctrl->Start(a);
  EXPECT_EQ(ctrl->CurrentRunId(), 1u);
  EXPECT_EQ(ctrl->CurrentMacro(), a);
  EXPECT_FALSE(b->FRunning);
  FinishRun();
  EXPECT_EQ(input.Transcript(), Lines{});
}

TEST_F(RunCtrlTest, StopWhenIdleAndStartWithoutMacroDoNothing) {
  ctrl->Stop();
  ctrl->Start(nullptr);
  EXPECT_FALSE(ctrl->Running());
  EXPECT_EQ(ctrl->CurrentRunId(), 0u);
  ctrl->RunFinished(0);
  EXPECT_FALSE(ctrl->Running());
}

TEST_F(RunCtrlTest, LateEndOfAStoppedRunDoesNotStopTheNextRun) {
  auto slow = Macro("slow", {Delay(60000), Key(0x41)});
  auto next = Macro("next", {Delay(60000)});
  ctrl->Start(slow);
  ctrl->Stop();
  EXPECT_FALSE(ctrl->Running());
  EXPECT_FALSE(slow->FRunning);
  ctrl->Start(next);  // waits for the stopped run's thread
  ASSERT_TRUE(ends.WaitFor(1));
  ctrl->RunFinished(1);  // the old run's end arrives late
  EXPECT_TRUE(ctrl->Running());
  EXPECT_TRUE(next->FRunning);
  ctrl->Stop();
  FinishRun();
  EXPECT_EQ(ends.Ids(), (std::vector<uint64_t>{1, 2}));
  EXPECT_EQ(input.Transcript(), Lines{});
}

TEST_F(RunCtrlTest, TheLogTellsHowEachRunStartedAndEnded) {
  auto slow = Macro("slow", {Delay(60000)});
  auto bad = Macro("bad", {Key(0x41), std::make_shared<TActionObj>()});
  bad->Actions[1]->mousePoint = static_cast<uint8_t>(MousePoint::ColorBlock);
  bad->Actions[1]->fColor = "no colour";
  auto missing = Macro("missing", {std::make_shared<TActionObj>(*bad->Actions[1])});
  missing->Actions[0]->fColor = "clRed";
  ctrl->Start(slow, {}, TStartedBy::Hotkey);
  ctrl->Stop();
  ctrl->Start(bad);  // the stopped run is logged when its thread is waited for
  FinishRun();
  ctrl->Start(missing, {}, TStartedBy::Schedule);
  FinishRun();
  EXPECT_EQ(ctrl->Log().Lines(),
            (Lines{"12/08/26 10:40:29  slow  (hotkey)  stopped",
                   "12/08/26 10:40:29  bad  (button)  failed: action 2: \"no colour\" is not a "
                   "valid colour.",
                   "12/08/26 10:40:29  missing  (schedule)  finished  [1 click found nothing]",
                   "    action 1: the colour clRed was not found on the screen"}));
}

TEST_F(RunCtrlTest, RunPlaysTheSnapshotTakenAtStart) {
  auto macro = Macro("A", {Delay(60000), Key(0x41)});
  macro->Config.RepeatType = static_cast<int32_t>(RepeatMode::RepeatCount);
  macro->Config.RepeatTimes = 2;
  ctrl->Start(macro);
  macro->Actions.Get(1)->key = 0x5A;
  macro->Actions.Clear();
  macro->Config.RepeatTimes = 100;
  macro.reset();  // the macro is deleted while it plays
  ctrl->Stop();   // writes to no released macro
  FinishRun();
  EXPECT_EQ(ctrl->CurrentMacro(), nullptr);
  EXPECT_EQ(input.Transcript(), Lines{});
}

TEST_F(RunCtrlTest, DestructionStopsTheRunAndReleasesHeldKeys) {
  auto macro = Macro("A", {Key(0x11, KeyAction::KeyDown), Delay(60000)});
  macro->Config.RepeatType = static_cast<int32_t>(RepeatMode::RepeatUntilStop);
  std::promise<void> pressed;
  input.SetOnCall([&](const std::string& line) {
    if (line == "keybd_event 0x11 down") pressed.set_value();
  });
  ctrl->Start(macro);
  ASSERT_EQ(pressed.get_future().wait_for(std::chrono::seconds(10)), std::future_status::ready);
  ctrl.reset();
  EXPECT_EQ(ends.Ids(), std::vector<uint64_t>{1});
  EXPECT_EQ(input.Transcript(), (Lines{"keybd_event 0x11 down", "keybd_event 0x11 up"}));
}

TEST_F(RunCtrlTest, TheEndTellsHowTheRunEnded) {
  auto bad = std::make_shared<TActionObj>();
  bad->mousePoint = static_cast<uint8_t>(MousePoint::ColorBlock);
  bad->fColor = "no colour";
  ctrl->Start(Macro("failing", {Key(0x41), bad, Key(0x42)}));
  FinishRun();
  EXPECT_EQ(ctrl->LastOutcome().kind, TRunOutcome::TKind::Failed);
  EXPECT_FALSE(ctrl->LastOutcome().message.empty());

  ctrl->Start(Macro("stopped", {Delay(60000)}));
  ctrl->Stop();
  FinishRun();
  EXPECT_EQ(ctrl->LastOutcome(), (TRunOutcome{TRunOutcome::TKind::Stopped, ""}));

  ctrl->Start(Macro("plain", {Key(0x43)}));
  FinishRun();
  EXPECT_EQ(ctrl->LastOutcome(), (TRunOutcome{TRunOutcome::TKind::Finished, ""}));
  EXPECT_EQ(input.Transcript(), (Lines{"keybd_event 0x41 down", "keybd_event 0x41 up",
                                       "keybd_event 0x43 down", "keybd_event 0x43 up"}));
}

// --- the schedule check ---------------------------------------------------------------------

struct ScheduleCase {
  const char* name;
  ScheduleKind kind;
  int32_t index;
  std::string date;
  std::string time;
  TDateTime now;
  bool starts;
};

TEST_F(RunCtrlTest, SchedulesStartOnTheirDayAndSecond) {
  // In the C locale the date reads 12/08/26 and the time 10:40:29. 6 Dec 2026 is a Sunday.
  const TDateTime sunday{2026, 12, 6, 10, 40, 29};
  const TDateTime saturday{2026, 12, 12, 10, 40, 29};
  const TDateTime nov30{2026, 11, 30, 10, 40, 29};
  const TDateTime dec31{2026, 12, 31, 10, 40, 29};
  const TDateTime tuesday{2026, 12, 8, 10, 40, 29};
  const TDateTime secondLater{2026, 12, 8, 10, 40, 30};
  const std::vector<ScheduleCase> cases = {
      {"every day at the second", ScheduleKind::EveryDay, 0, "", "10:40:29", tuesday, true},
      {"every day a second later", ScheduleKind::EveryDay, 0, "", "10:40:29", secondLater, false},
      {"empty time never", ScheduleKind::EveryDay, 0, "", "", tuesday, false},
      {"weekly Sunday on Sunday", ScheduleKind::EveryWeek, 0, "", "10:40:29", sunday, true},
      {"weekly Sunday on Saturday", ScheduleKind::EveryWeek, 0, "", "10:40:29", saturday, false},
      {"weekly Saturday on Saturday", ScheduleKind::EveryWeek, 6, "", "10:40:29", saturday, true},
      {"weekly Saturday on Sunday", ScheduleKind::EveryWeek, 6, "", "10:40:29", sunday, false},
      {"day 31 in November", ScheduleKind::EveryMonth, 30, "", "10:40:29", nov30, false},
      {"day 31 in December", ScheduleKind::EveryMonth, 30, "", "10:40:29", dec31, true},
      {"day 30 in November", ScheduleKind::EveryMonth, 29, "", "10:40:29", nov30, true},
      {"once on its date", ScheduleKind::OnceAt, 0, "12/08/26", "10:40:29", tuesday, true},
      {"once on a later day", ScheduleKind::OnceAt, 0, "12/08/26", "10:40:29", dec31, false},
      {"once at another second", ScheduleKind::OnceAt, 0, "12/08/26", "10:40:29", secondLater,
       false},
      {"once without a date", ScheduleKind::OnceAt, 0, "", "10:40:29", tuesday, false},
      {"no schedule", ScheduleKind::NoSchedule, 0, "12/08/26", "10:40:29", tuesday, false},
      {"unknown kind", static_cast<ScheduleKind>(9), 0, "12/08/26", "10:40:29", tuesday, false},
  };
  for (const ScheduleCase& c : cases) {
    SCOPED_TRACE(c.name);
    auto macro = Macro(c.name);
    macro->Schedule = {static_cast<int32_t>(c.kind), c.index, c.time, c.date};
    TActionsList macros;
    macros.Add(macro);
    clock.Set(c.now);
    const uint64_t before = ctrl->CurrentRunId();
    EXPECT_EQ(ctrl->CheckSchedules(macros), c.starts);
    EXPECT_EQ(ctrl->Running(), c.starts);
    EXPECT_EQ(ctrl->CurrentRunId(), before + (c.starts ? 1 : 0));
    if (c.starts) FinishRun();
  }
}

// The indexed check finds a macro by its time, after the owner's notice of a change and after
// the list grew without one.
TEST_F(RunCtrlTest, TheIndexedCheckFindsTheMacrosDueThisSecond) {
  auto early = Macro("early", {Key(0x41)});
  auto later = Macro("later", {Key(0x42)});
  auto none = Macro("none", {Key(0x43)});
  early->Schedule = {static_cast<int32_t>(ScheduleKind::EveryDay), 0, "10:40:29", ""};
  later->Schedule = {static_cast<int32_t>(ScheduleKind::EveryDay), 0, "10:40:30", ""};
  none->Schedule = {static_cast<int32_t>(ScheduleKind::NoSchedule), 0, "10:40:31", ""};
  TActionsList macros;
  macros.Add(none);
  macros.Add(early);
  macros.Add(later);
  TScheduleIndex index;
  clock.Set({2026, 12, 8, 10, 40, 30});
  EXPECT_TRUE(ctrl->CheckSchedules(macros, index));
  EXPECT_EQ(ctrl->CurrentMacro(), later);
  FinishRun();
  clock.Set({2026, 12, 8, 10, 40, 31});
  EXPECT_FALSE(ctrl->CheckSchedules(macros, index));  // not scheduled at all

  early->Schedule.SelectedTime = "10:40:32";
  index.Invalidate();
  clock.Set({2026, 12, 8, 10, 40, 32});
  EXPECT_TRUE(ctrl->CheckSchedules(macros, index));
  EXPECT_EQ(ctrl->CurrentMacro(), early);
  FinishRun();

  auto added = Macro("added", {Key(0x44)});
  added->Schedule = {static_cast<int32_t>(ScheduleKind::EveryDay), 0, "10:40:33", ""};
  macros.Add(added);
  clock.Set({2026, 12, 8, 10, 40, 33});
  EXPECT_TRUE(ctrl->CheckSchedules(macros, index));
  EXPECT_EQ(ctrl->CurrentMacro(), added);
  FinishRun();
}

TEST_F(RunCtrlTest, TwoMacrosDueInOneSecond) {
  auto first = Macro("first");
  auto second = Macro("second");
  auto unscheduled = Macro("none");
  for (auto& macro : {first, second}) macro->Schedule = {1, 0, "10:40:29", ""};
  TActionsList macros;
  macros.Add(unscheduled);
  macros.Add(first);
  macros.Add(second);
  EXPECT_TRUE(ctrl->CheckSchedules(macros));
  EXPECT_EQ(ctrl->CurrentMacro(), first);
  // Half a second later the first still counts as running, even if its thread has ended.
  ASSERT_TRUE(ends.WaitFor(1));
  EXPECT_FALSE(ctrl->CheckSchedules(macros));
  EXPECT_FALSE(ctrl->StartIfTimeDue(second));
  EXPECT_FALSE(second->FRunning);
  // Once its end is handled, the second one is due in that second; the first is not again.
  ctrl->RunFinished(1);
  EXPECT_TRUE(ctrl->CheckSchedules(macros));
  EXPECT_EQ(ctrl->CurrentMacro(), second);
  FinishRun();
  EXPECT_FALSE(ctrl->CheckSchedules(macros));
  EXPECT_EQ(ctrl->CurrentRunId(), 2u);
}

// A run that ends within its due second is not started again by the checks left in that second;
// the next moment the schedule names starts it again, and a "once" macro never does.
TEST_F(RunCtrlTest, AScheduleStartsItsMacroOncePerMoment) {
  struct Step {
    TDateTime now;
    int startsOfDaily;
    int startsOfOnce;
  };
  const TDateTime due{2026, 12, 8, 10, 40, 29};
  const std::vector<Step> steps = {
      {due, 1, 0},                        // the daily one first; the once one waits
      {due, 1, 1},                        // same second: the once one now, not the daily again
      {due, 1, 1},                        // and nothing more in that second
      {{2026, 12, 8, 10, 40, 30}, 1, 1},  // the next second does not match
      {{2026, 12, 9, 10, 40, 29}, 2, 1},  // the next day: daily again, once no more
      {{2026, 12, 9, 10, 40, 29}, 2, 1},
      {{2027, 12, 8, 10, 40, 29}, 3, 1},  // a date text that repeats a year on still differs
  };
  auto daily = Macro("daily", {Key(0x41)});
  daily->Schedule = {static_cast<int32_t>(ScheduleKind::EveryDay), 0, "10:40:29", ""};
  auto once = Macro("once", {Key(0x42)});
  once->Schedule = {static_cast<int32_t>(ScheduleKind::OnceAt), 0, "10:40:29", "12/08/26"};
  TActionsList macros;
  macros.Add(daily);
  macros.Add(once);
  int dailyStarts = 0, onceStarts = 0;
  for (size_t i = 0; i < steps.size(); ++i) {
    SCOPED_TRACE("step " + std::to_string(i));
    clock.Set(steps[i].now);
    if (ctrl->CheckSchedules(macros)) {
      (ctrl->CurrentMacro() == daily ? dailyStarts : onceStarts) += 1;
      FinishRun();  // the run ends long before the next check
    }
    EXPECT_EQ(dailyStarts, steps[i].startsOfDaily);
    EXPECT_EQ(onceStarts, steps[i].startsOfOnce);
  }
}

// The memory belongs to the macro, not to its place in a list or its name: a macro put in its
// place (a reloaded list) with the same schedule is its own.
TEST_F(RunCtrlTest, AReleasedMacroLeavesNoMemoryBehind) {
  auto first = Macro("A", {Key(0x41)});
  first->Schedule = {1, 0, "10:40:29", ""};
  TActionsList macros;
  macros.Add(first);
  EXPECT_TRUE(ctrl->CheckSchedules(macros));
  FinishRun();
  EXPECT_FALSE(ctrl->CheckSchedules(macros));
  auto replacement = Macro("A", {Key(0x41)});
  replacement->Schedule = first->Schedule;
  macros.Clear();
  first.reset();
  macros.Add(replacement);
  EXPECT_TRUE(ctrl->CheckSchedules(macros));
  FinishRun();
  // A manual start in the due second does not count as the schedule's start, nor block it.
  auto manual = Macro("manual", {Key(0x43)});
  manual->Schedule = {1, 0, "10:40:29", ""};
  ctrl->Start(manual);
  FinishRun();
  macros.Add(manual);
  EXPECT_TRUE(ctrl->CheckSchedules(macros));
  EXPECT_EQ(ctrl->CurrentMacro(), manual);
  FinishRun();
}

}  // namespace
}  // namespace zorvel
