// What the main window shows of runs: the progress in the status bar and the "Runs" log.

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QTest>

#include "gui/main/runs_window.h"
#include "gui/main/view_ctrl.h"
#include "gui/widgets/tray_icon.h"
#include "main_fixture.h"

namespace zorvel {
namespace {

class RunsView : public test::AppFixture {
 protected:
  ::testing::AssertionResult StatusBecomes(const std::string& text) {
    return test::WaitForValue(
        "the status bar", [&] { return StatusNow(); }, text, test::WithQtEvents());
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
  EXPECT_TRUE(StatusBecomes("Counted: pass 1 of 5, action 2 of 2"));
  View().StopMacro();
  ASSERT_TRUE(WaitIdle());
  // Stop clears the running state at once; the end arrives from the run thread a moment later.
  EXPECT_TRUE(test::WaitUntil(
      "the status bar to show the last run",
      [&] { return StatusNow().rfind("Last run: ", 0) == 0; }, [&] { return StatusNow(); },
      test::WithQtEvents()));
  EXPECT_EQ(StatusNow(), "Last run: " + Runs().Log().LastLine());
  EXPECT_NE(StatusNow().find("  Counted  (button)  stopped"), std::string::npos) << StatusNow();
}

TEST_F(RunsView, UntilStoppedShowsOnlyThePass) {
  OpenAndRunBusyMacro();
  EXPECT_TRUE(StatusBecomes("Busy: pass 1, action 1 of 1"));
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

TEST_F(RunsView, TheTrayMenuRunsAnyListedMacroAndStopsIt) {
  SaveMacro("A & B", PlaysUntilStopped);
  Open();
  std::vector<std::string> calls;
  TTrayMenu tray({[this] {
                    std::vector<std::string> names;
                    for (const auto& macro : Ctrl().Macros()) names.push_back(macro->FName);
                    return names;
                  },
                  [this](int index) { View().RunListedMacro(static_cast<size_t>(index)); },
                  [this] { View().StopMacro(); }, [&] { calls.push_back("window"); },
                  [&] { calls.push_back("exit"); }});
  QStringList entries;
  for (QAction* action : tray.Menu()->actions()) entries << action->text();
  EXPECT_EQ(entries, (QStringList{"Run", "Stop", "Show/Hide main window", "", "Exit"}));
  QMenu* run = tray.Menu()->actions()[0]->menu();
  ASSERT_NE(run, nullptr);
  ASSERT_EQ(run->actions().size(), 1);
  EXPECT_EQ(run->actions()[0]->text(), "A && B");  // shown as "A & B", not a mnemonic

  run->actions()[0]->trigger();
  EXPECT_TRUE(Runs().Running());
  View().RunListedMacro(7);  // no such macro, and one runs already: nothing
  tray.Menu()->actions()[1]->trigger();
  ASSERT_TRUE(test::WaitUntil(
      "the run's end in the log", [&] { return Runs().Log().Entries().back().ended; },
      [&] { return Runs().Log().LastLine(); }, test::WithQtEvents()));
  EXPECT_NE(Runs().Log().LastLine().find("  A & B  (tray)  stopped"), std::string::npos)
      << Runs().Log().LastLine();
  tray.Menu()->actions()[2]->trigger();
  tray.Menu()->actions()[4]->trigger();
  EXPECT_EQ(calls, (std::vector<std::string>{"window", "exit"}));
}

}  // namespace
}  // namespace zorvel
