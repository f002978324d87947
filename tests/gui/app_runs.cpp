// What the main window shows of runs: the progress in the status bar and the "Runs" log.

#include <QAction>
#include <QMenuBar>
#include <QTest>

#include "app_fixture.h"
#include "gui/main/runs_window.h"
#include "gui/main/view_ctrl.h"

namespace zorvel {
namespace {

class RunsView : public test::AppFixture {
 protected:
  bool StatusBecomes(const std::string& text) {
    return QTest::qWaitFor([&] { return window_->StatusText().toStdString() == text; }, 5000);
  }
  std::string StatusNow() { return window_->StatusText().toStdString(); }

  static void KeyThenLongDelay(TActionCtrl& macro) {
    auto key = std::make_shared<TActionObj>();
    key->actionType = static_cast<uint8_t>(ActionType::Keyboard);
    key->key = 0x41;
    macro.Actions.Add(key);
    auto wait = std::make_shared<TActionObj>();
    wait->actionType = static_cast<uint8_t>(ActionType::Delay);
    wait->delay = 60'000;
    macro.Actions.Add(wait);
  }
  static void MissesARedBlock(TActionCtrl& macro) {
    auto click = std::make_shared<TActionObj>();
    click->mousePoint = static_cast<uint8_t>(MousePoint::ColorBlock);
    click->fColor = "clRed";
    macro.Actions.Add(click);
  }
  QAction* RunsEntry() {
    for (QAction* action : window_->menuBar()->actions())
      if (action->text() == "Runs") return action;
    return nullptr;
  }
};

TEST_F(RunsView, TheStatusBarShowsPassAndActionThenHowTheRunEnded) {
  SaveMacro("Counted", [](TActionCtrl& macro) {
    KeyThenLongDelay(macro);
    macro.Config.RepeatType = static_cast<int32_t>(RepeatMode::RepeatCount);
    macro.Config.RepeatTimes = 5;
  });
  Open();
  Focus(0);
  View().RunMacro();
  // The last progress of a burst is shown too, however quickly it followed the one before.
  EXPECT_TRUE(StatusBecomes("Counted: pass 1 of 5, action 2 of 2")) << StatusNow();
  View().StopMacro();
  ASSERT_TRUE(WaitIdle());
  EXPECT_TRUE(StatusBecomes("Last run: " + Runs().Log().LastLine())) << StatusNow();
  EXPECT_NE(StatusNow().find("  Counted  (button)  stopped"), std::string::npos) << StatusNow();
}

TEST_F(RunsView, UntilStoppedShowsOnlyThePass) {
  OpenAndRunBusyMacro();
  EXPECT_TRUE(StatusBecomes("Busy: pass 1, action 1 of 1")) << StatusNow();
  View().StopMacro();
  ASSERT_TRUE(WaitIdle());
}

TEST_F(RunsView, TheRunsWindowListsEachRunWithHowItStartedEndedAndWhatItMissed) {
  SaveMacro("Misses", MissesARedBlock);
  SaveMacro("Bad", [](TActionCtrl& macro) {
    MissesARedBlock(macro);
    macro.Actions.Get(0)->fColor = "no such colour";
  });
  Open();
  Arrange({"Misses", "Bad"});
  ASSERT_NE(RunsEntry(), nullptr);
  RunsEntry()->trigger();
  TRunsWindow* runs = window_->RunsWindow();
  ASSERT_NE(runs, nullptr);
  EXPECT_TRUE(runs->isVisible());
  EXPECT_EQ(runs->Text(), "");

  Press(1);  // Ctrl+F2: the start hotkey of both; the first in the list starts
  ASSERT_TRUE(WaitIdle());
  Focus(1);
  View().RunMacro();
  ASSERT_TRUE(WaitIdle());
  const std::vector<std::string> lines = Runs().Log().Lines();
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_NE(lines[0].find("  Misses  (hotkey)  finished  [1 click found nothing]"),
            std::string::npos)
      << lines[0];
  EXPECT_EQ(lines[1], "    action 1: the colour clRed was not found on the screen");
  EXPECT_NE(lines[2].find("  Bad  (button)  failed: action 1: \"no such colour\""),
            std::string::npos)
      << lines[2];
  // The open window follows each run's end.
  EXPECT_EQ(runs->Text().toStdString(), lines[0] + "\n" + lines[1] + "\n" + lines[2]);
}

}  // namespace
}  // namespace zorvel
