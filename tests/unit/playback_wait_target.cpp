// Colour and picture clicks that wait for their target, and what they do without it.

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "../support/test_actions.h"
#include "../support/test_bmp.h"
#include "model/base64.h"
#include "playback/run_thread.h"
#include "playback_test_support.h"

namespace zorvel {
namespace {

using Lines = std::vector<std::string>;

constexpr uint32_t kRed = 0xFF0000;     // as the fake screen paints: 0x00RRGGBB
constexpr uint32_t kRedBgr = 0x0000FF;  // as a BMP file and a colour text hold it

// The fake screen, telling the test before each capture (numbered from 1).
class THookedScreen : public TFakeScreen {
 public:
  using TFakeScreen::TFakeScreen;
  std::function<void(int capture)> onCapture;
  bool CaptureFrame(int32_t x, int32_t y, int32_t width, int32_t height,
                    const FrameUse& use) override {
    if (onCapture) onCapture(CaptureCount() + 1);
    return TFakeScreen::CaptureFrame(x, y, width, height, use);
  }
};

TActionObj RedClick(int32_t waitTimeout, NotFoundChoice notFound = NotFoundChoice::Skip) {
  TActionObj action =
      test::Click(MouseButton::Left, MouseAction::SingleClick, MousePoint::ColorBlock);
  action.fColor = "clRed";
  action.waitTimeout = waitTimeout;
  action.notFound = notFound;
  return action;
}

const Lines kClickAt5x6 = {"SetCursorPos 5 6", "mouse_event 0x0002", "mouse_event 0x0004"};
const Lines kKeyA = {"keybd_event 0x41 down", "keybd_event 0x41 up"};

Lines Waits(std::initializer_list<int> ms) {
  Lines lines;
  for (int m : ms) lines.push_back("Wait " + std::to_string(m));
  return lines;
}

Lines Join(std::initializer_list<Lines> parts) {
  Lines all;
  for (const Lines& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

class WaitTargetTest : public ::testing::Test {
 protected:
  WaitTargetTest() : screen(16, 16, 0xFFFFFF), timer(input) {}

  // Plays once on the test's own thread; returns the transcript.
  Lines Run(std::vector<TActionObj> actions) {
    TRunThread run(1, std::move(actions), {}, input, screen, timer, nullptr);
    run.Execute();
    outcome = run.Outcome();
    return input.Transcript();
  }
  // The red target appears with capture number `capture`.
  void ShowRedAtCapture(int capture) {
    screen.onCapture = [this, capture](int n) {
      if (n == capture) screen.SetPixel(5, 6, kRed);
    };
  }

  TFakeInput input;
  THookedScreen screen;
  test::TNoteTimer timer;
  TRunOutcome outcome;
};

TEST_F(WaitTargetTest, LooksEvery25MsUntilTheTargetShows) {
  ShowRedAtCapture(4);
  EXPECT_EQ(Run({RedClick(1000), test::Key(0x41)}),
            Join({Waits({25, 25, 25}), kClickAt5x6, kKeyA}));
  EXPECT_EQ(screen.CaptureCount(), 4);
  EXPECT_EQ(outcome.kind, TRunOutcome::TKind::Finished);
}

struct TimeoutCase {
  const char* name;
  int32_t waitTimeout;
  NotFoundChoice notFound;
  Lines expected;
  int captures;
  TRunOutcome outcome;
};

TEST_F(WaitTargetTest, TimeoutEitherGoesOnOrEndsTheRun) {
  const TimeoutCase cases[] = {
      {"look once, go on", 0, NotFoundChoice::Skip, kKeyA, 1, {}},
      {"wait, go on", 100, NotFoundChoice::Skip, Join({Waits({25, 25, 25, 25}), kKeyA}), 5, {}},
      {"last wait is the rest",
       60,
       NotFoundChoice::Skip,
       Join({Waits({25, 25, 10}), kKeyA}),
       4,
       {}},
      {"wait, stop", 500, NotFoundChoice::Stop,
       Waits({25, 25, 25, 25, 25, 25, 25, 25, 25, 25, 25, 25, 25, 25, 25, 25, 25, 25, 25, 25}), 21,
       TRunOutcome::Failed("action 2: the colour clRed was not found on the screen within 0.5 s")},
      {"look once, stop",
       0,
       NotFoundChoice::Stop,
       {},
       1,
       TRunOutcome::Failed("action 2: the colour clRed was not found on the screen")},
  };
  for (const TimeoutCase& c : cases) {
    SCOPED_TRACE(c.name);
    input.ClearTranscript();
    const int capturesBefore = screen.CaptureCount();
    EXPECT_EQ(Run({test::Delay(0), RedClick(c.waitTimeout, c.notFound), test::Key(0x41)}),
              c.expected);
    EXPECT_EQ(screen.CaptureCount() - capturesBefore, c.captures);
    EXPECT_EQ(outcome, c.outcome);
  }
}

TEST_F(WaitTargetTest, AStopRequestEndsTheWaitWithoutAnError) {
  std::unique_ptr<TRunThread> run;
  int waits = 0;
  timer.onWait = [&](int32_t) {
    if (++waits == 2) run->RequestStop();
  };
  run = std::make_unique<TRunThread>(
      1, std::vector{RedClick(60000, NotFoundChoice::Stop), test::Key(0x41)}, TRunSettings{}, input,
      screen, timer, nullptr);
  run->Execute();
  EXPECT_EQ(input.Transcript(), Waits({25, 25}));
  EXPECT_EQ(screen.CaptureCount(), 2);
  EXPECT_EQ(run->Outcome().kind, TRunOutcome::TKind::Stopped);
}

// With the real timer: a stop request from another thread ends a long wait at once.
TEST_F(WaitTargetTest, AStopFromAnotherThreadEndsARealWait) {
  TSteadyRunTimer steady;
  TRunThread run(1, {RedClick(20000)}, {}, input, screen, steady, nullptr);
  const auto start = std::chrono::steady_clock::now();
  std::thread thread([&] { run.Execute(); });
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  run.RequestStop();
  thread.join();
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  EXPECT_EQ(run.Outcome().kind, TRunOutcome::TKind::Stopped);
  EXPECT_GE(screen.CaptureCount(), 2);
}

TEST_F(WaitTargetTest, PictureClicksWaitTooAndAPictureThatDoesNotLoadFailsAtOnce) {
  TActionObj picture =
      test::Click(MouseButton::Left, MouseAction::SingleClick, MousePoint::Picture);
  picture.fBMP = EncodeBase64Stream(test::SolidBmp(1, 1, kRedBgr));
  picture.waitTimeout = 1000;
  ShowRedAtCapture(2);
  EXPECT_EQ(Run({picture}), Join({Waits({25}), kClickAt5x6}));

  input.ClearTranscript();
  const int capturesBefore = screen.CaptureCount();
  picture.fBMP = EncodeBase64Stream(std::vector<uint8_t>{'n', 'o'});
  picture.notFound = NotFoundChoice::Stop;
  EXPECT_EQ(Run({picture}), Lines{});
  EXPECT_EQ(screen.CaptureCount(), capturesBefore);
  EXPECT_EQ(outcome.kind, TRunOutcome::TKind::Failed);  // a picture that cannot be used
  EXPECT_EQ(outcome.message.rfind("action 1: The picture of a click cannot be used", 0), 0u)
      << outcome.message;
}

TEST(ActionPlayerMiss, ASkippedClickTellsWhatItMissedOnce) {
  TFakeInput input;
  THookedScreen screen(4, 4, 0xFFFFFF);
  TActionPlayer player(input, screen);
  TActionObj click = RedClick(5000);  // without a wait the player looks once
  player.PlayAction(click);
  EXPECT_EQ(player.TakeMiss(), "the colour clRed was not found on the screen within 5 s");
  EXPECT_EQ(player.TakeMiss(), std::nullopt);
  screen.SetPixel(1, 1, kRed);
  player.PlayAction(click);
  EXPECT_EQ(player.TakeMiss(), std::nullopt);
  EXPECT_EQ(screen.CaptureCount(), 2);
}

}  // namespace
}  // namespace zorvel
