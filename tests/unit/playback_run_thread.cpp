#include <gtest/gtest.h>

#include <chrono>
#include <climits>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "../support/test_actions.h"
#include "playback/run_thread.h"
#include "playback_test_support.h"

namespace zorvel {
namespace {

using Lines = std::vector<std::string>;

using test::Delay;
using test::Key;

TActionObj BadColourClick() {
  TActionObj action;
  action.mousePoint = static_cast<uint8_t>(MousePoint::ColorBlock);
  action.fColor = "no colour";
  return action;
}

TRunSettings Settings(RepeatMode mode, int32_t times = 1, int32_t speed = 0, int32_t interval = 0) {
  return {static_cast<int32_t>(mode), times, speed, interval};
}

struct ScaleCase {
  int32_t delay;
  int32_t speed;
  int32_t expected;
};

TEST(ScaleDelay, WholeSpeedRange) {
  const std::vector<ScaleCase> cases = {
      {1000, 0, 1000},
      {1000, 1, 500},
      {1000, 2, 333},
      {1000, 3, 250},
      {1000, 4, 200},
      {1000, 5, 166},
      {1000, 6, 142},
      {1000, 7, 125},
      {1000, 8, 111},
      {1000, 9, 100},
      {1000, -1, 2000},
      {1000, -2, 3000},
      {1000, -3, 4000},
      {1000, -4, 5000},
      {1000, -5, 6000},
      {1000, -6, 7000},
      {1000, -7, 8000},
      {1000, -8, 9000},
      {1000, -9, 10000},
      {150, 1, 75},
      {1, 9, 0},
      {-1000, 2, -333},
      {-7, 1, -3},
      {-5, -1, -10},
      {0, -9, 0},
      // 32-bit wrap rather than undefined behaviour
      {INT32_MAX, -1, -2},
      {INT32_MIN, 1, INT32_MIN / 2},
      // steps outside -9..9 from a hand-edited document
      {1000, 10, 90},
      {1000, INT32_MAX, 0},
      {2, INT32_MIN, 2},  // 2 * (2^31 + 1) wraps to 2
  };
  for (const ScaleCase& c : cases)
    EXPECT_EQ(ScaleDelay(c.delay, c.speed), c.expected) << c.delay << " at " << c.speed;
}

class RunThreadTest : public ::testing::Test {
 protected:
  RunThreadTest() : screen(16, 16, 0xFFFFFF), timer(input) {}

  // Plays on the test's own thread; returns the transcript.
  Lines Run(std::vector<TActionObj> actions, const TRunSettings& settings) {
    TRunThread run(42, std::move(actions), settings, input, screen, timer,
                   [this](uint64_t id) { ends.push_back(id); });
    current = &run;
    run.Execute();
    current = nullptr;
    return input.Transcript();
  }

  TFakeInput input;
  TFakeScreen screen;
  test::TNoteTimer timer;
  TRunThread* current = nullptr;
  std::vector<uint64_t> ends;
};

TEST_F(RunThreadTest, EmptyMacroOnlyEnds) {
  EXPECT_EQ(Run({}, Settings(RepeatMode::RepeatUntilStop, 1, 0, 1000)), Lines{});
  EXPECT_EQ(ends, std::vector<uint64_t>{42});
}

struct RepeatCase {
  const char* name;
  TRunSettings settings;
  Lines expected;
};

TEST_F(RunThreadTest, RepeatsAndIntervals) {
  const Lines pass = {"keybd_event 0x41 down", "keybd_event 0x41 up"};
  auto passes = [&](int count, const char* between) {
    Lines lines;
    for (int i = 0; i < count; ++i) {
      if (i > 0 && between) lines.push_back(between);
      lines.insert(lines.end(), pass.begin(), pass.end());
    }
    return lines;
  };
  const std::vector<RepeatCase> cases = {
      {"count 3 with 2 s interval", Settings(RepeatMode::RepeatCount, 3, 0, 2000),
       passes(3, "Wait 2000")},
      {"once ignores the interval", Settings(RepeatMode::RepeatOnce, 3, 0, 5000), passes(1, "")},
      {"count 1", Settings(RepeatMode::RepeatCount, 1, 0, 100), passes(1, "")},
      {"count 0", Settings(RepeatMode::RepeatCount, 0, 0, 100), passes(1, "")},
      {"count negative", Settings(RepeatMode::RepeatCount, INT32_MIN, 0, 100), passes(1, "")},
      {"short interval sleeps", Settings(RepeatMode::RepeatCount, 2, 0, 99), passes(2, "Sleep 99")},
      {"no interval", Settings(RepeatMode::RepeatCount, 2, 0, 0), passes(2, nullptr)},
      {"negative interval", Settings(RepeatMode::RepeatCount, 2, 0, -5), passes(2, nullptr)},
      {"interval not scaled", Settings(RepeatMode::RepeatCount, 2, 9, 1000),
       passes(2, "Wait 1000")},
  };
  for (const RepeatCase& c : cases) {
    SCOPED_TRACE(c.name);
    input.ClearTranscript();
    EXPECT_EQ(Run({Key(0x41)}, c.settings), c.expected);
  }
  EXPECT_EQ(ends.size(), cases.size());
}

TEST_F(RunThreadTest, DelaysAreScaledAndWaitedByLength) {
  const Lines lines = Run({Delay(150), Delay(1000), Delay(1), Delay(0), Delay(-50), Delay(199)},
                          Settings(RepeatMode::RepeatOnce, 1, 1));
  EXPECT_EQ(lines, (Lines{"Sleep 75", "Wait 500", "Sleep 99"}));
  input.ClearTranscript();
  EXPECT_EQ(Run({Delay(150), Delay(1)}, Settings(RepeatMode::RepeatOnce, 1, 0)),
            (Lines{"Wait 150", "Sleep 1"}));
}

TEST_F(RunThreadTest, UntilStopRunsUntilTheRequest) {
  int pressed = 0;
  input.SetOnCall([&](const std::string& line) {
    if (line == "keybd_event 0x41 up" && ++pressed == 25) current->RequestStop();
  });
  Run({Key(0x41)}, Settings(RepeatMode::RepeatUntilStop, 1, 0, 0));
  EXPECT_EQ(pressed, 25);
  EXPECT_EQ(ends.size(), 1u);
  // Any other repeat type behaves the same.
  pressed = 0;
  Run({Key(0x41)}, Settings(static_cast<RepeatMode>(7), 1, 0, 0));
  EXPECT_EQ(pressed, 25);
}

struct StopCase {
  const char* name;
  std::string stopAfter;  // transcript line after which the stop comes
  Lines expected;
};

TEST_F(RunThreadTest, StopRequestAtEveryPoint) {
  const std::vector<TActionObj> macro = {Key(0x41), Delay(10000), Key(0x42), Delay(50), Key(0x43)};
  const std::vector<StopCase> cases = {
      {"before an action", "keybd_event 0x41 up", {"keybd_event 0x41 down", "keybd_event 0x41 up"}},
      {"in a long wait",
       "Wait 10000",
       {"keybd_event 0x41 down", "keybd_event 0x41 up", "Wait 10000"}},
      {"in a short wait: it is slept out, the next action is not played",
       "Sleep 50",
       {"keybd_event 0x41 down", "keybd_event 0x41 up", "Wait 10000", "keybd_event 0x42 down",
        "keybd_event 0x42 up", "Sleep 50"}},
      {"in the interval",
       "Wait 3000",
       {"keybd_event 0x41 down", "keybd_event 0x41 up", "Wait 10000", "keybd_event 0x42 down",
        "keybd_event 0x42 up", "Sleep 50", "keybd_event 0x43 down", "keybd_event 0x43 up",
        "Wait 3000"}},
  };
  for (const StopCase& c : cases) {
    SCOPED_TRACE(c.name);
    input.ClearTranscript();
    ends.clear();
    input.SetOnCall([&](const std::string& line) {
      if (line == c.stopAfter) current->RequestStop();
    });
    EXPECT_EQ(Run(macro, Settings(RepeatMode::RepeatCount, 5, 0, 3000)), c.expected);
    EXPECT_EQ(ends, std::vector<uint64_t>{42});
  }
}

TEST_F(RunThreadTest, ErrorEndsTheRunAndReleasesHeldKeys) {
  const Lines lines = Run(
      {Key(0x11, KeyAction::KeyDown), Key(0x10, KeyAction::KeyDown), BadColourClick(), Key(0x41)},
      Settings(RepeatMode::RepeatCount, 3, 0, 0));
  EXPECT_EQ(lines, (Lines{"keybd_event 0x11 down", "keybd_event 0x10 down", "keybd_event 0x10 up",
                          "keybd_event 0x11 up"}));
  EXPECT_EQ(ends, std::vector<uint64_t>{42});
}

TEST_F(RunThreadTest, StopMidChordLeavesNoKeyDown) {
  input.SetOnCall([&](const std::string& line) {
    if (line == "keybd_event 0x41 down") current->RequestStop();
  });
  const Lines lines = Run(
      {Key(0x11, KeyAction::KeyDown), Key(0x10, KeyAction::KeyDown), Key(0x41, KeyAction::KeyDown),
       Key(0x41, KeyAction::KeyUp), Key(0x10, KeyAction::KeyUp), Key(0x11, KeyAction::KeyUp)},
      Settings(RepeatMode::RepeatOnce));
  EXPECT_EQ(lines, (Lines{"keybd_event 0x11 down", "keybd_event 0x10 down", "keybd_event 0x41 down",
                          "keybd_event 0x41 up", "keybd_event 0x10 up", "keybd_event 0x11 up"}));
}

TEST_F(RunThreadTest, PlaysItsOwnCopiesOfTheActions) {
  std::vector<TActionObj> actions = {Key(0x41)};
  TRunThread run(1, actions, Settings(RepeatMode::RepeatOnce), input, screen, timer, nullptr);
  actions[0].key = 0x42;
  run.Execute();
  EXPECT_EQ(input.Transcript(), (Lines{"keybd_event 0x41 down", "keybd_event 0x41 up"}));
}

// The real waits: a long wait ends on the stop request, a short one does not.
TEST(SteadyRunTimer, LongWaitEndsOnStopShortWaitSleepsOut) {
  TFakeInput input;
  TFakeScreen screen(4, 4, 0xFFFFFF);
  TSteadyRunTimer timer;
  std::promise<uint64_t> ended;
  TRunThread run(7, {Delay(60000)}, Settings(RepeatMode::RepeatOnce), input, screen, timer,
                 [&](uint64_t id) { ended.set_value(id); });
  const auto start = std::chrono::steady_clock::now();
  std::thread thread([&] { run.Execute(); });
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  run.RequestStop();
  auto result = ended.get_future();
  ASSERT_EQ(result.wait_for(std::chrono::seconds(10)), std::future_status::ready);
  EXPECT_EQ(result.get(), 7u);
  thread.join();
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));

  TRunThread shortRun(8, {}, Settings(RepeatMode::RepeatOnce), input, screen, timer, nullptr);
  shortRun.RequestStop();
  const auto before = std::chrono::steady_clock::now();
  shortRun.WaitInterval(30);
  EXPECT_GE(std::chrono::steady_clock::now() - before, std::chrono::milliseconds(30));
  const auto again = std::chrono::steady_clock::now();
  shortRun.WaitInterval(5000);  // already stopped: returns at once
  EXPECT_LT(std::chrono::steady_clock::now() - again, std::chrono::seconds(4));
}

}  // namespace
}  // namespace zorvel
