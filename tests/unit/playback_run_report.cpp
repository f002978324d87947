// What a run tells as it plays (progress, clicks that found nothing) and the log of runs.

#include <gtest/gtest.h>

#include "../support/test_actions.h"
#include "playback/run_report.h"
#include "playback/run_thread.h"
#include "playback_test_support.h"

namespace zorvel {
namespace {

TEST(ProgressText, CountedPassesAndUntilStopped) {
  EXPECT_EQ(ProgressText("Fill form", {2, 5, 14, 40}), "Fill form: pass 2 of 5, action 14 of 40");
  EXPECT_EQ(ProgressText("Loop", {7, 0, 1, 3}), "Loop: pass 7, action 1 of 3");
}

TEST(ProgressThrottle, HandsOnTheLatestAtMostOncePerInterval) {
  TProgressThrottle throttle(100);
  EXPECT_EQ(throttle.Offer({1, 1, 1, 9}, 1000), 0);             // the first goes at once
  EXPECT_EQ(throttle.Offer({1, 1, 2, 9}, 1010), std::nullopt);  // one is pending already
  EXPECT_EQ(throttle.Take(1012), (TRunProgress{1, 1, 2, 9}));   // the latest is taken
  EXPECT_EQ(throttle.Offer({1, 1, 3, 9}, 1040), 72);            // 100 ms after the last take
  EXPECT_EQ(throttle.Offer({1, 1, 4, 9}, 1050), std::nullopt);
  EXPECT_EQ(throttle.Take(1112), (TRunProgress{1, 1, 4, 9}));
  EXPECT_EQ(throttle.Offer({1, 1, 5, 9}, 5000), 0);  // long after: at once again
}

// Records what a run tells, on the run thread.
class TRecordingObserver : public IRunObserver {
 public:
  void ActionStarting(const TRunProgress& progress, const TActionObj&) override {
    progress_.push_back(progress);
  }
  void TargetMissed(const std::string& what) override { misses_.push_back(what); }
  std::vector<TRunProgress> progress_;
  std::vector<std::string> misses_;
};

TEST(RunThreadReports, ProgressOfEveryActionAndTheClicksThatFoundNothing) {
  TFakeInput input;
  TFakeScreen screen(8, 8, 0xFFFFFF);
  test::TNoteTimer timer(input);
  TActionObj miss =
      test::Click(MouseButton::Left, MouseAction::SingleClick, MousePoint::ColorBlock);
  miss.fColor = "clRed";
  struct Case {
    const char* name;
    TRunSettings settings;
    std::vector<TRunProgress> progress;
  };
  const Case cases[] = {
      {"counted",
       {static_cast<int32_t>(RepeatMode::RepeatCount), 2, 0, 0},
       {{1, 2, 1, 2}, {1, 2, 2, 2}, {2, 2, 1, 2}, {2, 2, 2, 2}}},
      {"once",
       {static_cast<int32_t>(RepeatMode::RepeatOnce), 5, 0, 0},
       {{1, 1, 1, 2}, {1, 1, 2, 2}}},
      {"count below one",
       {static_cast<int32_t>(RepeatMode::RepeatCount), -3, 0, 0},
       {{1, 1, 1, 2}, {1, 1, 2, 2}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TRecordingObserver observer;
    TRunThread run(1, {test::Delay(5), miss}, c.settings, input, screen, timer, nullptr);
    run.SetObserver(&observer);
    run.Execute();
    EXPECT_EQ(observer.progress_, c.progress);
    const std::string missed = "action 2: the colour clRed was not found on the screen";
    EXPECT_EQ(observer.misses_, std::vector<std::string>(c.progress.size() / 2, missed));
    EXPECT_EQ(run.Misses(), observer.misses_);
  }

  // Until stopped: passes count up without a total.
  TRecordingObserver observer;
  std::unique_ptr<TRunThread> run;
  timer.onWait = [&](int32_t) {
    if (observer.progress_.size() >= 3) run->RequestStop();
  };
  run = std::make_unique<TRunThread>(
      1, std::vector{test::Key(0x41)},
      TRunSettings{static_cast<int32_t>(RepeatMode::RepeatUntilStop), 1, 0, 200}, input, screen,
      timer, nullptr);
  run->SetObserver(&observer);
  run->Execute();
  EXPECT_EQ(observer.progress_,
            (std::vector<TRunProgress>{{1, 0, 1, 1}, {2, 0, 1, 1}, {3, 0, 1, 1}}));
}

TEST(RunLog, KeepsTheLast200RunsWithHowTheyStartedAndEnded) {
  TRunLog log;
  EXPECT_EQ(log.LastLine(), "");
  log.Begin("12/08/26 10:00:00", "first", TStartedBy::Hotkey);
  EXPECT_EQ(log.LastLine(), "12/08/26 10:00:00  first  (hotkey)  running");
  log.End(TRunOutcome::Failed("action 2: the picture was not found on the screen"), {});
  EXPECT_EQ(log.LastLine(),
            "12/08/26 10:00:00  first  (hotkey)  failed: action 2: the picture was not found on "
            "the screen");
  log.End({}, {});  // a second end changes nothing
  EXPECT_EQ(log.Entries().back().end, "failed: action 2: the picture was not found on the screen");

  log.Begin("12/08/26 10:01:00", "second", TStartedBy::Schedule);
  log.End({}, {"action 1: a", "action 3: b"});
  EXPECT_EQ(log.Lines(),
            (std::vector<std::string>{
                "12/08/26 10:00:00  first  (hotkey)  failed: action 2: the picture was not found "
                "on the screen",
                "12/08/26 10:01:00  second  (schedule)  finished  [2 clicks found nothing]",
                "    action 1: a", "    action 3: b"}));

  for (int i = 0; i < 250; ++i) {
    log.Begin(std::to_string(i), "m", TStartedBy::Button);
    log.End({TRunOutcome::TKind::Stopped, ""}, {});
  }
  ASSERT_EQ(log.Entries().size(), TRunLog::kMaxRuns);
  EXPECT_EQ(log.Entries().front().startTime, "50");
  EXPECT_EQ(log.LastLine(), "249  m  (button)  stopped");
}

}  // namespace
}  // namespace zorvel
