// Record, then play back: xdotool drives a logging window while the recorder runs; the recording
// is played by the run thread into a fresh copy of the window while a second recording watches
// the played input. Both windows must log the same clicks, keys and text in the same order, and
// the played input must keep the recorded gaps.

// gtest and the core first: Xlib defines None, Bool and KeyPress as macros.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "input_test_tools.h"
#include "playback/run_thread.h"
#include "recording/recorder.h"
#include "support_process.h"
#include "test_actions.h"
// clang-format off
#include "platform/x11/x11_desktop.h"
// clang-format on

namespace zorvel {
namespace {

using test::TToolWindow;

// A played gap is as long as the recorded one, give or take the scheduler: a busy machine wakes
// a thread a time slice late now and then. So the typical gap is exact to a few ms, no gap is
// far off, and the late wakes add up to little.
constexpr int64_t kGapTolerance = 5;        // ms, for the median gap
constexpr int64_t kLateWakeTolerance = 30;  // ms, for any gap
// ms, for any input's time since the first: the late wakes of a busy machine, at most a tenth.
int64_t DriftTolerance(int64_t elapsed) {
  return kLateWakeTolerance + elapsed / 10;
}

struct AllInput : IRecordSettings {
  bool RecordMouseMove() const override { return true; }
  bool RecordKeyBoard() const override { return true; }
};

using test::PumpUntil;
using test::Xdotool;

// The input lines of a window's log: clicks with their positions, keys, typed lines.
std::vector<std::string> InputLog(const TToolWindow& window) {
  std::vector<std::string> lines;
  for (const std::string& line : window.Lines()) {
    if (line.rfind("Button", 0) == 0 || line.rfind("Key", 0) == 0 || line.rfind("Line ", 0) == 0)
      lines.push_back(line);
  }
  return lines;
}

// The log up to the release of Return that ends the input (the window may still be writing it
// when the typed line appears).
std::vector<std::string> CompleteInputLog(const TToolWindow& window) {
  EXPECT_TRUE(window.WaitForLine("Line \"aHi there\""));
  EXPECT_TRUE(window.WaitForLine("KeyRelease keycode=36 keysym=Return state=0x0"));
  return InputLog(window);
}

std::unique_ptr<TToolWindow> OpenWindow() {
  auto window = std::make_unique<TToolWindow>(
      "zorvel-test-xlog-window", std::vector<std::string>{"--geometry", "400x300+100+100"});
  EXPECT_TRUE(window->WaitReady());
  return window;
}

struct TimedInput {
  std::string kind;
  int64_t gapBefore = 0;  // ms since the previous click or key
};

// The clicks and keys of a recording, each with the sum of the delays before it.
std::vector<TimedInput> ClicksAndKeys(const TActionList& actions) {
  std::vector<TimedInput> inputs;
  int64_t gap = 0;
  for (const auto& action : actions) {
    const auto type = static_cast<ActionType>(action->actionType);
    if (type == ActionType::Delay) {
      gap += action->delay;
    } else if (type != ActionType::MouseMove) {
      inputs.push_back({test::ActionKind(*action), inputs.empty() ? 0 : gap});
      gap = 0;
    }
  }
  return inputs;
}

// Plays `actions` once at speed step 0 on a run thread while `recorder` records what it sends.
TActionList PlayWhileRecording(const TActionList& actions, IInputSource& source,
                               TRecorder& recorder) {
  std::unique_ptr<IInput> input = CreateX11Input();
  std::unique_ptr<IScreen> screen = CreateX11Screen();
  TSteadyRunTimer timer;
  std::vector<TActionObj> copies;
  for (const auto& action : actions) copies.push_back(*action);
  std::atomic<bool> finished{false};
  TRunThread run(1, std::move(copies), TRunSettings{0, 1, 0, 0}, *input, *screen, timer,
                 [&](uint64_t) { finished = true; });
  EXPECT_TRUE(recorder.StartHook());
  std::thread thread([&] { run.Execute(); });
  (void)PumpUntil(
      source, "the run's end", [&] { return finished.load(); }, std::chrono::seconds(20), 5);
  thread.join();
  EXPECT_EQ(run.Outcome().message, "");
  TActionList replayed;
  recorder.Stop(replayed);
  return replayed;
}

TEST(RoundTrip, PlayedRecordingReproducesTheInputAndItsTiming) {
  std::unique_ptr<IInputSource> source = CreateX11InputSource();
  AllInput filters;
  TEventList events;
  TRecorder recorder(*source, filters, events);

  Xdotool("mousemove 0 0");
  auto window = OpenWindow();
  ASSERT_TRUE(recorder.StartHook());
  Xdotool(
      "mousemove 150 160 click 1 sleep 0.08 mousemove 300 250 click 3 sleep 0.05 key a "
      "type --delay 30 'Hi there'");
  Xdotool("key Return");  // xdotool types every word after `type`
  TActionList recorded;
  recorder.Stop(recorded);
  const std::vector<std::string> firstLog = CompleteInputLog(*window);
  if (::testing::Test::HasFailure()) return;
  window.reset();

  Xdotool("mousemove 0 0");
  window = OpenWindow();
  const TActionList replayed = PlayWhileRecording(recorded, *source, recorder);
  const std::vector<std::string> secondLog = CompleteInputLog(*window);

  EXPECT_EQ(secondLog, firstLog);
  EXPECT_EQ(std::count(firstLog.begin(), firstLog.end(),
                       "ButtonPress button=1 x=50 y=60 rx=150 ry=160 state=0x0"),
            1);

  // The player puts the pointer on a click's point before pressing, which the server reports as
  // a move even when the pointer is there already: compare the clicks and keys, and the time
  // from each to the next.
  const std::vector<TimedInput> want = ClicksAndKeys(recorded);
  const std::vector<TimedInput> got = ClicksAndKeys(replayed);
  ASSERT_EQ(got.size(), want.size());
  ASSERT_EQ(want.size(), 26u);  // 2 clicks, a, H with Shift, 7 more letters, Return
  std::vector<int64_t> errors;
  int64_t playedAt = 0, recordedAt = 0;
  for (size_t i = 0; i < want.size(); ++i) {
    SCOPED_TRACE(testing::Message() << "input " << i << ": " << want[i].kind);
    EXPECT_EQ(got[i].kind, want[i].kind);
    playedAt += got[i].gapBefore;
    recordedAt += want[i].gapBefore;
    errors.push_back(std::abs(got[i].gapBefore - want[i].gapBefore));
    EXPECT_LE(errors.back(), kLateWakeTolerance)
        << "played " << got[i].gapBefore << " ms after the previous input, recorded "
        << want[i].gapBefore << " ms";
    EXPECT_LE(std::abs(playedAt - recordedAt), DriftTolerance(recordedAt))
        << "played " << playedAt << " ms after the first input, recorded " << recordedAt << " ms";
  }
  std::nth_element(errors.begin(), errors.begin() + errors.size() / 2, errors.end());
  EXPECT_LE(errors[errors.size() / 2], kGapTolerance) << "the median gap is off";
}

}  // namespace
}  // namespace zorvel
