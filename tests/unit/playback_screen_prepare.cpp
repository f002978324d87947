// A run makes the screen ready before its first action when its macro has colour or picture
// clicks, and leaves it alone otherwise: a screen opened on demand is then never opened.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "../support/test_actions.h"
#include "common/error.h"
#include "playback/run_thread.h"
#include "playback/screen_on_demand.h"
#include "playback_test_support.h"

namespace zorvel {
namespace {

using test::Click;
using test::Delay;
using test::Key;

TActionObj ColourClick() {
  TActionObj action = Click(MouseButton::Left, MouseAction::SingleClick, MousePoint::ColorBlock);
  action.fColor = "$000000FF";
  return action;
}

TActionObj PictureClick() {
  return Click(MouseButton::Left, MouseAction::SingleClick, MousePoint::Picture);
}

// Notes, at each action, how often the screen had been prepared by then.
class TPrepareWatch : public IRunObserver {
 public:
  explicit TPrepareWatch(const TFakeScreen* const& screen) : screen_(screen) {}
  void ActionStarting(const TRunProgress&, const TActionObj&) override {
    seen.push_back(screen_ ? screen_->PrepareCount() : 0);
  }
  void TargetMissed(const std::string&) override {}
  std::vector<int> seen;

 private:
  const TFakeScreen* const& screen_;
};

struct PrepareCase {
  const char* name;
  std::vector<TActionObj> actions;
  bool looksAtScreen;
};

TEST(ScreenPreparation, OnlyRunsThatLookAtTheScreenOpenAndPrepareIt) {
  const std::vector<PrepareCase> cases = {
      {"keys, fixed clicks, moves and delays",
       {Key(0x41), Click(MouseButton::Left, MouseAction::SingleClick, 3, 4),
        Click(MouseButton::Right, MouseAction::DoubleClick, MousePoint::CurrentPoint), Delay(10)},
       false},
      {"empty macro", {}, false},
      {"colour click after a key", {Key(0x41), ColourClick()}, true},
      {"picture click, twice", {PictureClick(), Delay(5), PictureClick()}, true},
  };
  for (const PrepareCase& c : cases) {
    TFakeInput input;
    test::TNoteTimer timer(input);
    const TFakeScreen* fake = nullptr;
    int opens = 0;
    TScreenOnDemand screen([&] {
      ++opens;
      auto opened = std::make_unique<TFakeScreen>(16, 16, 0xFFFFFF);
      fake = opened.get();
      return opened;
    });
    TPrepareWatch watch(fake);
    TRunThread run(1, c.actions, {static_cast<int32_t>(RepeatMode::RepeatCount), 2, 0, 0}, input,
                   screen, timer, nullptr);
    run.SetObserver(&watch);
    run.Execute();
    EXPECT_EQ(run.Outcome().kind, TRunOutcome::TKind::Finished)
        << c.name << ": " << run.Outcome().message;
    EXPECT_EQ(opens, c.looksAtScreen ? 1 : 0) << c.name;
    EXPECT_EQ(screen.Opened(), c.looksAtScreen) << c.name;
    // Once per run, before the first action of the first pass.
    const std::vector<int> expected(2 * c.actions.size(), c.looksAtScreen ? 1 : 0);
    EXPECT_EQ(watch.seen, expected) << c.name;
  }
}

TEST(ScreenOnDemand, AFailedOpeningIsTriedAgainAndItsErrorReachesTheCaller) {
  int opens = 0;
  TScreenOnDemand screen([&]() -> std::unique_ptr<IScreen> {
    if (++opens == 1) throw Error("Cannot open the display.");
    return std::make_unique<TFakeScreen>(8, 6);
  });
  EXPECT_THROW(screen.PrepareCapture(), Error);
  EXPECT_FALSE(screen.Opened());
  EXPECT_EQ(screen.ScreenSize(), (TSize{8, 6}));
  EXPECT_EQ(screen.ScreenSize(), (TSize{8, 6}));
  EXPECT_EQ(opens, 2);
}

}  // namespace
}  // namespace zorvel
