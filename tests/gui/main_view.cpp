// The main window on a fake desktop: start-up and shutdown with the settings document, the macro
// list, the toolbar commands, the schedule timer and the global macro hotkeys.

#include <QAbstractButton>
#include <QHeaderView>
#include <QMenu>
#include <QMenuBar>
#include <QToolButton>

#include "../support/scripted_prompt.h"
#include "common/error.h"
#include "gui/main/view_ctrl.h"
#include "main_fixture.h"
#include "recording/record_settings.h"

namespace zorvel::test {
namespace {

const std::string kDefaultSettings =
    " <root versionNo=\"2.0\" generated=\"https://zorvel.org/\">" + std::string(17, ' ') +
    "<config RecordMouseMove=\"True\" RecordKeyBoard=\"True\" RecordStartHotkey=\"1\" "
    "RecordStopHotkey=\"2\" />" +
    std::string(11, ' ') + "</root>" + std::string(79, ' ');

using MainView = AppFixture;

// ------------------------------------------------------------------- start-up and settings

TEST_F(MainView, FirstStartWritesTheDefaultSettingsAndStartsUp) {
  SaveMacro("One");
  Open();
  EXPECT_EQ(Read("zorvelconfig.xml"), kDefaultSettings);
  EXPECT_EQ(Ctrl().Settings(), (TRecordSettings{true, true, 1, 2}));
  EXPECT_EQ(window_->windowTitle(), "Zorvel 2.5.1");
  EXPECT_TRUE(window_->ScheduleTimerActive());
  EXPECT_EQ(Rows(), 1);
  ASSERT_EQ(hotkeys_->Registrations().size(), 12u);
  for (int n = 0; n < 12; ++n) {
    const auto& combination = hotkeys_->Registrations().at(kMacroHotkeyId + n);
    EXPECT_EQ(combination.modifiers, MOD_CONTROL);
    EXPECT_EQ(combination.vk, VK_F1 + static_cast<uint32_t>(n));
  }
  EXPECT_EQ(window_->StatusText(), "");
}

TEST_F(MainView, SettingsAreReadAsTheyAreAndSavedKeepingTheRestOfTheFile) {
  Write("zorvelconfig.xml",
        "<root versionNo=\"2.0\" generated=\"elsewhere\" extra=\"kept\"><options "
        "RecordMouseMove=\"False\" RecordKeyBoard=\"True\" RecordStartHotkey=\"15\" "
        "RecordStopHotkey=\"3\" note=\"mine\"/><more/></root>");
  Open();
  EXPECT_EQ(Ctrl().Settings(), (TRecordSettings{false, true, 15, 3}));
  EXPECT_EQ(window_->windowTitle(), "Zorvel 2.5.1");
  Ctrl().Settings().RecordMouseMove = true;
  Ctrl().Settings().RecordStopHotkey = 7;
  window_->close();
  EXPECT_EQ(window_->Ctrl(), nullptr);
  TXMLDocument saved;
  saved.LoadFromFile(File("zorvelconfig.xml"));
  const pugi::xml_node root = saved.DocumentElement();
  EXPECT_STREQ(root.attribute("generated").value(), "elsewhere");
  EXPECT_STREQ(root.attribute("extra").value(), "kept");
  const pugi::xml_node options = root.child("options");
  EXPECT_STREQ(options.attribute("RecordMouseMove").value(), "True");
  EXPECT_STREQ(options.attribute("RecordKeyBoard").value(), "True");
  EXPECT_STREQ(options.attribute("RecordStartHotkey").value(), "15");
  EXPECT_STREQ(options.attribute("RecordStopHotkey").value(), "7");
  EXPECT_STREQ(options.attribute("note").value(), "mine");
  EXPECT_TRUE(root.child("more"));
}

TEST_F(MainView, UnreadableSettingsEndTheStartUpAndSayWhy) {
  SaveMacro("One");
  Write("zorvelconfig.xml", "<root><config RecordMouseMove=\"maybe\"/></root>");
  Open();
  EXPECT_EQ(window_->windowTitle(), "Zorvel");
  EXPECT_FALSE(window_->ScheduleTimerActive());
  EXPECT_EQ(Rows(), 0);
  EXPECT_TRUE(hotkeys_->Registrations().empty());
  EXPECT_TRUE(window_->StatusText().startsWith("Start-up: "))
      << window_->StatusText().toStdString();
  // The window stays usable: commands find an empty list.
  View().RunMacro();
  EXPECT_FALSE(Runs().Running());
}

// A settings file that could not be read is the user's to fix: it is never replaced at exit.
TEST_F(MainView, UnreadableSettingsAreNotWrittenBackAtExit) {
  const std::string bad =
      "<root><config RecordMouseMove=\"yes\" RecordKeyBoard=\"True\" RecordStartHotkey=\"4\" "
      "RecordStopHotkey=\"5\"/></root>";
  Write("zorvelconfig.xml", bad);
  Open();
  EXPECT_TRUE(window_->StatusText().contains("not written back at exit"))
      << window_->StatusText().toStdString();
  window_->close();
  EXPECT_EQ(Read("zorvelconfig.xml"), bad);
  EXPECT_TRUE(prompt_.Asked().empty());
}

TEST_F(MainView, AFailedSettingsSaveAtShutdownIsToldInAWarning) {
  Open();
  std::filesystem::remove(File("zorvelconfig.xml"));
  std::filesystem::create_directory(File("zorvelconfig.xml"));  // cannot be read or replaced
  window_->close();
  ASSERT_EQ(prompt_.Asked().size(), 1u);
  EXPECT_EQ(prompt_.Asked()[0].kind, "Warning");
  EXPECT_EQ(prompt_.Asked()[0].text.rfind("The settings could not be saved.", 0), 0u);
}

// Closing for a quit signal waits for nobody: the failure goes to stderr only.
TEST_F(MainView, AFailedSettingsSaveOnAQuitSignalOpensNoBox) {
  Open();
  std::filesystem::remove(File("zorvelconfig.xml"));
  std::filesystem::create_directory(File("zorvelconfig.xml"));
  window_->CloseOnSignal();
  EXPECT_EQ(window_->Ctrl(), nullptr);
  EXPECT_TRUE(prompt_.Asked().empty());
}

TEST_F(MainView, AHotkeyHeldByAnotherProgramIsReportedAndTheOthersWork) {
  refused_ = {{MOD_CONTROL, VK_F1 + 4}};
  SaveMacro("Fifth", [](TActionCtrl& m) { m.Config.StartHotkey = 4; });
  SaveMacro("Sixth", [](TActionCtrl& m) {
    m.Config.StartHotkey = 5;
    PlaysUntilStopped(m);
  });
  Open();
  EXPECT_EQ(window_->StatusText(),
            "Ctrl+F5 is in use by another program; Ctrl+F3 is shared by \"Fifth\" and \"Sixth\"");
  EXPECT_EQ(hotkeys_->Registrations().size(), 11u);
  Press(5);
  EXPECT_EQ(Status(RowOf("Sixth")), "Running");
  View().StopMacro();
  EXPECT_TRUE(WaitIdle());
}

TEST_F(MainView, SeveralHeldHotkeysAreListedWithRunsAsRanges) {
  for (int key : {1, 2, 4, 5, 6, 7, 11}) refused_.push_back({MOD_CONTROL, VK_F1 + key});
  Open();
  EXPECT_EQ(window_->StatusText(),
            "Ctrl+F2, Ctrl+F3, Ctrl+F5 to Ctrl+F8, Ctrl+F12 are in use by another program");
}

TEST_F(MainView, WhatTheDesktopCannotDoIsSaidBeforeWhichHotkeysAreHeld) {
  refused_ = {{MOD_CONTROL, VK_F1 + 4}};
  desktopNotice_ = "Wayland session: input reaches only X11 programs";
  Open();
  EXPECT_EQ(window_->StatusText(), "Wayland session: input reaches only X11 programs");
}

// ------------------------------------------------------------------- the list

TEST_F(MainView, WindowAndListLayout) {
  Open();
  const char* captions[] = {"Macro Name",  "Create Time", "Status",    "Start Hotkey",
                            "Stop Hotkey", "Repeat Type", "Frequence", "Schedule Time"};
  // "Repeat Type" grows to hold its widest text, "till get order".
  const int repeatWidth =
      std::max(80, List().fontMetrics().horizontalAdvance(QStringLiteral("till get order")) + 12);
  const int widths[] = {180, 80, 60, 80, 80, repeatWidth, 100, 130};
  QHeaderView* header = List().horizontalHeader();
  for (int column = 0; column < 8; ++column) {
    EXPECT_EQ(List().model()->headerData(column, Qt::Horizontal).toString(), captions[column]);
    EXPECT_EQ(List().columnWidth(column), widths[column]) << column;
  }
  EXPECT_TRUE(header->sectionsMovable());
  EXPECT_EQ(header->sectionResizeMode(0), QHeaderView::Interactive);
  EXPECT_TRUE(List().showGrid());
  EXPECT_EQ(List().selectionBehavior(), QAbstractItemView::SelectRows);

  struct Button {
    const char* name;
    const char* caption;
    const char* hint;
  };
  const Button buttons[] = {{"BtnNew", "&New", "Create a new macro"},
                            {"BtnEdit", "&Edit", "Modify Selected Macro"},
                            {"BtnDelete", "&Delete", "Delete Selected Macro"},
                            {"btnStart", "&Run", "Start to Run the Selected Macro "},
                            {"btnStop", "S&top", "Stop the Running Macro"},
                            {"btnOptions", "&Config", "Set Macro Config "},
                            {"btnSchedule", "Sc&hedule", "Set Macro Schedule"},
                            {"btnQuit", "E&xit", "Exit the App"}};
  for (const Button& b : buttons) {
    auto* button = window_->findChild<QToolButton*>(b.name);
    ASSERT_NE(button, nullptr) << b.name;
    EXPECT_EQ(button->text(), b.caption);
    EXPECT_EQ(button->toolTip(), b.hint);
    EXPECT_EQ(button->size(), QSize(68, 74));
    EXPECT_EQ(button->iconSize(), QSize(48, 48));
    EXPECT_TRUE(button->font().bold());
    EXPECT_FALSE(button->icon().isNull()) << b.name;
  }
}

TEST_F(MainView, MenusAndAccelerators) {
  Open();
  QStringList titles;
  for (QAction* action : window_->menuBar()->actions()) titles << action->text();
  EXPECT_EQ(titles, (QStringList{"File", "Runs", "About", "Help"}));
  QMenu* file = window_->menuBar()->actions()[0]->menu();
  ASSERT_NE(file, nullptr);
  ASSERT_EQ(file->actions().size(), 1);
  EXPECT_EQ(file->actions()[0]->text(), "Exit");
  const std::pair<const char*, QKeySequence> accelerators[] = {
      {"BtnNew", QKeySequence("Alt+N")},
      {"btnStart", QKeySequence("Alt+R")},
      {"btnStop", QKeySequence("Alt+T")},
      {"btnSchedule", QKeySequence("Alt+H")},
      {"btnQuit", QKeySequence("Alt+X")}};
  for (const auto& [name, keys] : accelerators)
    EXPECT_EQ(window_->findChild<QToolButton*>(name)->shortcut(), keys) << name;
  file->actions()[0]->trigger();
  EXPECT_EQ(window_->Ctrl(), nullptr);
  EXPECT_FALSE(window_->isVisible());
}

TEST_F(MainView, CellTextsForEveryColumn) {
  SaveMacro("Counted", [](TActionCtrl& m) {
    m.FCreateTime = "01/02/26";
    m.Config.StartHotkey = 0;
    m.Config.StopHotkey = 11;
    m.Config.RepeatType = 1;
    m.Config.RepeatTimes = 5;
    m.Schedule.ScheduleType = 3;
    m.Schedule.SelectedIndex = 14;
    m.Schedule.SelectedTime = "10:40:29";
  });
  SaveMacro("Weekly", [](TActionCtrl& m) {
    m.Config.RepeatType = 2;
    m.Schedule.ScheduleType = 2;
    m.Schedule.SelectedIndex = 1;
    m.Schedule.SelectedTime = "10:40:29";
  });
  SaveMacro("Once", [](TActionCtrl& m) {
    m.Schedule.ScheduleType = 4;
    m.Schedule.SelectedDate = "12/24/26";
    m.Schedule.SelectedTime = "08:00:00";
  });
  SaveMacro("Daily", [](TActionCtrl& m) {
    m.Schedule.ScheduleType = 1;
    m.Schedule.SelectedTime = "23:59:59";
  });
  SaveMacro("Plain");
  Open();
  Arrange({"Counted", "Weekly", "Once", "Daily", "Plain"});
  const std::vector<std::vector<std::string>> expected = {
      {"Counted", "01/02/26", "Stopped", "Ctrl + F1", "Ctrl + F12", "5 Times", "every month",
       "day 15 : 10:40:29"},
      {"Weekly", "12/08/26", "Stopped", "Ctrl + F2", "Ctrl + F3", "till get order", "every week",
       "Monday : 10:40:29"},
      {"Once", "12/08/26", "Stopped", "Ctrl + F2", "Ctrl + F3", "Once", "once",
       "12/24/26 : 08:00:00"},
      {"Daily", "12/08/26", "Stopped", "Ctrl + F2", "Ctrl + F3", "Once", "every day", "23:59:59"},
      {"Plain", "12/08/26", "Stopped", "Ctrl + F2", "Ctrl + F3", "Once", "none", "none"},
  };
  ASSERT_EQ(Rows(), 5);
  for (int row = 0; row < 5; ++row)
    for (int column = 0; column < 8; ++column)
      EXPECT_EQ(Cell(row, column), expected[row][column]) << row << "," << column;

  QAbstractItemModel& model = *List().model();
  for (int column = 0; column < 8; ++column) {
    const auto alignment =
        Qt::Alignment(model.index(0, column).data(Qt::TextAlignmentRole).toInt());
    const bool right = column == 1 || column == 7;
    EXPECT_EQ(alignment.testFlag(Qt::AlignRight), right) << column;
    const bool infoTip = column >= 3 && column <= 5;
    EXPECT_EQ(model.index(0, column).data(Qt::BackgroundRole).isValid(), infoTip) << column;
  }
}

// ------------------------------------------------------------------- commands

TEST_F(MainView, EmptyFolderCommandsThatNeedARowDoNothing) {
  Open();
  ASSERT_EQ(Rows(), 0);
  View().EditMacro();
  View().DeleteMacro();
  View().ConfigMacro();
  View().ScheduleMacro();
  View().RunMacro();
  View().StopMacro();
  EXPECT_EQ(recordViewCalls_ + configCalls_ + scheduleCalls_, 0);
  EXPECT_TRUE(prompt_.Asked().empty());
  EXPECT_FALSE(Runs().Running());
}

TEST_F(MainView, DeleteAsksAndNoChangesNothing) {
  SaveMacro("Keep");
  Open();
  Focus(0);
  prompt_.QueueAnswer(false);
  window_->findChild<QToolButton*>("BtnDelete")->click();
  ASSERT_EQ(prompt_.Asked().size(), 1u);
  EXPECT_EQ(prompt_.Asked()[0],
            (TScriptedPrompt::TAsked{"Question", "Warning", "Are you sure to delete the click?"}));
  EXPECT_EQ(Rows(), 1);
  EXPECT_EQ(Ctrl().Macros().Count(), 1u);
  EXPECT_TRUE(Exists("Keep.xml"));
}

TEST_F(MainView, DeleteWithYesRemovesRowEntryAndDocument) {
  SaveMacro("First");
  SaveMacro("Second");
  SaveMacro("Third");
  Open();
  Arrange({"First", "Second", "Third"});
  Focus(1);
  prompt_.QueueAnswer(true);
  View().DeleteMacro();
  ASSERT_EQ(Rows(), 2);
  EXPECT_EQ(Cell(0, 0), "First");
  EXPECT_EQ(Cell(1, 0), "Third");
  ASSERT_EQ(Ctrl().Macros().Count(), 2u);
  EXPECT_EQ(Ctrl().Macros().Get(1)->FName, "Third");
  EXPECT_FALSE(Exists("Second.xml"));
  EXPECT_TRUE(Exists("Third.xml"));
}

TEST_F(MainView, DeletingTheRunningMacroStopsItsRunFirst) {
  OpenAndRunBusyMacro();
  ASSERT_TRUE(Runs().Running());
  prompt_.QueueAnswer(true);
  View().DeleteMacro();
  EXPECT_FALSE(Runs().Running());
  EXPECT_EQ(Rows(), 0);
  EXPECT_TRUE(WaitIdle());
}

TEST_F(MainView, RunWhileAMacroRunsDoesNothingAndStopEndsIt) {
  SaveMacro("A", PlaysUntilStopped);
  SaveMacro("B", PlaysUntilStopped);
  Open();
  Arrange({"A", "B"});
  Focus(0);
  window_->findChild<QToolButton*>("btnStart")->click();
  EXPECT_EQ(Status(0), "Running");
  Focus(1);
  window_->findChild<QToolButton*>("btnStart")->click();
  EXPECT_EQ(Status(0), "Running");
  EXPECT_EQ(Status(1), "Stopped");
  EXPECT_EQ(Runs().CurrentMacro()->FName, "A");
  window_->findChild<QToolButton*>("btnStop")->click();
  EXPECT_TRUE(WaitIdle());
  EXPECT_EQ(Status(0), "Stopped");
  // A run that ends by itself is cleaned up by its end notification.
  Ctrl().Macros().Get(1)->Actions.Clear();
  Ctrl().Macros().Get(1)->Config.RepeatType = 0;
  View().RunMacro();
  EXPECT_EQ(Status(1), "Running");
  EXPECT_TRUE(WaitIdle());
  EXPECT_EQ(Status(1), "Stopped");
}

TEST_F(MainView, ARunEndedByAnErrorSaysSoInTheStatusBar) {
  SaveMacro("Bad colour", [](TActionCtrl& macro) {
    auto click = std::make_shared<TActionObj>();
    click->mousePoint = static_cast<uint8_t>(MousePoint::ColorBlock);
    click->fColor = "no such colour";
    macro.Actions.Add(click);
  });
  Open();
  Focus(0);
  View().RunMacro();
  EXPECT_TRUE(WaitIdle());
  EXPECT_EQ(Status(0), "Stopped");
  EXPECT_NE(window_->StatusText().toStdString().find("The macro stopped early: "),
            std::string::npos)
      << window_->StatusText().toStdString();
  EXPECT_NE(window_->StatusText().toStdString().find("no such colour"), std::string::npos);
}

TEST_F(MainView, StopWhileNothingRunsChangesNothing) {
  SaveMacro("A");
  Open();
  View().StopMacro();
  EXPECT_FALSE(Runs().Running());
  EXPECT_EQ(Status(0), "Stopped");
}

TEST_F(MainView, NewAppendsAtTheBottomAndEditRepaints) {
  SaveMacro("Zulu");
  Open();
  recordView_ = [this](TActionCtrlPtr macro) -> TActionCtrlPtr {
    EXPECT_EQ(macro, nullptr);
    auto created = std::make_shared<TActionCtrl>(Ctrl().Document(), Ctrl().Folder());
    created->FName = "Alpha";
    return created;
  };
  View().NewMacro();
  ASSERT_EQ(Rows(), 2);
  EXPECT_EQ(Cell(1, 0), "Alpha");
  EXPECT_EQ(Ctrl().Macros().Get(1)->FName, "Alpha");

  recordView_ = [](TActionCtrlPtr) { return nullptr; };  // cancelled
  View().NewMacro();
  EXPECT_EQ(Rows(), 2);

  recordView_ = [](TActionCtrlPtr macro) {
    macro->FName = "Renamed";
    return macro;
  };
  Focus(0);
  View().EditMacro();
  EXPECT_EQ(Cell(0, 0), "Renamed");
  EXPECT_EQ(Rows(), 2);
}

TEST_F(MainView, EditingTheRunningMacroLeavesItsRunPlaying) {
  OpenAndRunBusyMacro();
  recordView_ = [](TActionCtrlPtr macro) {
    macro->Actions.Clear();
    macro->Config.RepeatType = 0;
    return macro;
  };
  View().EditMacro();
  QCoreApplication::processEvents();
  EXPECT_TRUE(Runs().Running());  // the run plays what the macro held when it started
  EXPECT_EQ(Status(0), "Running");
  View().StopMacro();
  EXPECT_TRUE(WaitIdle());
}

TEST_F(MainView, ConfigAndScheduleSaveTheDocumentAfterOkAndCancel) {
  SaveMacro("Macro");
  Open();
  Focus(0);
  std::filesystem::remove(File("Macro.xml"));
  prompt_.QueueAnswer(true);  // the document is gone since it was read: written again on Yes
  View().ConfigMacro();       // the dialog is cancelled: nothing changed, still written
  EXPECT_EQ(configCalls_, 1);
  EXPECT_TRUE(Exists("Macro.xml"));
  ASSERT_EQ(prompt_.Asked().size(), 1u);
  EXPECT_EQ(prompt_.Asked()[0].kind, "Question");

  editSchedule_ = [](TActionSchedule& schedule) {
    schedule.ScheduleType = 1;
    schedule.SelectedTime = "06:07:08";
  };
  View().ScheduleMacro();
  EXPECT_EQ(Cell(0, kColumnScheduleTime), "06:07:08");
  TXMLDocument document;
  TActionCtrl reloaded(document, folder_);
  ASSERT_TRUE(reloaded.LoadDocument(File("Macro.xml")));
  EXPECT_EQ(reloaded.Schedule.ScheduleType, 1);
  EXPECT_EQ(reloaded.Schedule.SelectedTime, "06:07:08");
}

TEST_F(MainView, AFailedSaveIsToldInAWarning) {
  SaveMacro("Macro");
  Open();
  Focus(0);
  std::filesystem::remove(File("Macro.xml"));
  std::filesystem::create_directory(File("Macro.xml"));  // cannot be replaced by a file
  prompt_.QueueAnswer(true);                             // replace what is there now
  View().ConfigMacro();
  ASSERT_EQ(prompt_.Asked().size(), 2u);
  EXPECT_EQ(prompt_.Asked()[0].kind, "Question");
  EXPECT_EQ(prompt_.Asked()[1].kind, "Warning");
  EXPECT_EQ(prompt_.Asked()[1].text.rfind("The macro \"Macro\" could not be saved.", 0), 0u);
}

TEST_F(MainView, AnErrorInAHandlerIsShownInTheStatusBar) {
  SaveMacro("Macro");
  Open();
  Focus(0);
  editConfig_ = [](TActionConfig&) { throw Error("the dialog broke"); };
  window_->findChild<QToolButton*>("btnOptions")->click();
  EXPECT_EQ(window_->StatusText(), "btnOptions: the dialog broke");
}

TEST_F(MainView, ScheduleTimerStartsTheDueMacro) {
  SaveMacro("Later", [](TActionCtrl& m) {
    m.Schedule.ScheduleType = 1;
    m.Schedule.SelectedTime = FormatLongTime(TDateTime{2026, 12, 8, 9, 30, 0});
    PlaysUntilStopped(m);
  });
  Open();
  clock_.Set(TDateTime{2026, 12, 8, 9, 29, 59});
  window_->Timer1Timer();
  EXPECT_EQ(Status(0), "Stopped");
  clock_.Set(TDateTime{2026, 12, 8, 9, 30, 0});
  window_->Timer1Timer();
  EXPECT_EQ(Status(0), "Running");
  View().StopMacro();
  EXPECT_TRUE(WaitIdle());
}

TEST_F(MainView, HelpOpensTheProjectPageAndSaysWhenItCannot) {
  Open();
  window_->m2Click();
  EXPECT_EQ(openedUrls_, std::vector<std::string>{"https://zorvel.org/"});
  EXPECT_EQ(window_->StatusText(), "");
  urlOpens_ = false;
  window_->m2Click();
  EXPECT_EQ(window_->StatusText(), "Could not open https://zorvel.org/ in a browser");
}

TEST_F(MainView, ClosingWhileAMacroPlaysStopsTheRunAndSavesTheSettings) {
  OpenAndRunBusyMacro();
  ASSERT_TRUE(Runs().Running());
  std::filesystem::remove(File("zorvelconfig.xml"));
  window_->close();  // returns only once the run thread has ended
  EXPECT_EQ(window_->Ctrl(), nullptr);
  EXPECT_NE(Read("zorvelconfig.xml").find("RecordStartHotkey=\"1\""), std::string::npos);
}

// ------------------------------------------------------------------- hotkeys

struct HotkeyCase {
  const char* name;
  // Macros top to bottom: start and stop index; the first `running` one is started first.
  std::vector<std::pair<int, int>> macros;
  int runningFirst;  // index of the macro started before the press, or -1
  int pressed;       // F-key index pressed with Ctrl
  std::vector<std::string> statusAfter;
};

class Hotkeys : public AppFixture, public ::testing::WithParamInterface<HotkeyCase> {};

TEST_P(Hotkeys, PressWalksTheList) {
  const HotkeyCase& c = GetParam();
  std::vector<std::string> names;
  for (size_t i = 0; i < c.macros.size(); ++i) {
    names.push_back("M" + std::to_string(i));
    SaveMacro(names.back(), [&](TActionCtrl& m) {
      m.Config.StartHotkey = c.macros[i].first;
      m.Config.StopHotkey = c.macros[i].second;
      PlaysUntilStopped(m);
    });
  }
  Open();
  Arrange(names);
  if (c.runningFirst >= 0) {
    Focus(c.runningFirst);
    View().RunMacro();
    ASSERT_TRUE(Runs().Running());
  }
  Press(c.pressed);
  std::vector<std::string> status;
  for (int row = 0; row < Rows(); ++row) status.push_back(Status(row));
  EXPECT_EQ(status, c.statusAfter);
  View().StopMacro();
  EXPECT_TRUE(WaitIdle());
}

INSTANTIATE_TEST_SUITE_P(
    Walk, Hotkeys,
    ::testing::Values(
        HotkeyCase{"SameKeyStartsWhenIdle", {{4, 4}}, -1, 4, {"Running"}},
        HotkeyCase{"SameKeyStopsWhenRunning", {{4, 4}}, 0, 4, {"Stopped"}},
        HotkeyCase{"TopmostOfTwoStarts", {{1, 2}, {1, 2}}, -1, 1, {"Running", "Stopped"}},
        HotkeyCase{
            "OtherStartWhileRunningDoesNothing", {{1, 2}, {5, 6}}, 0, 5, {"Running", "Stopped"}},
        HotkeyCase{"StopThenStartBelow", {{1, 2}, {2, 3}}, 0, 2, {"Stopped", "Running"}},
        HotkeyCase{"StopOnlyWhenTheStarterIsAbove", {{2, 3}, {1, 2}}, 1, 2, {"Stopped", "Stopped"}},
        HotkeyCase{"NoMatchChangesNothing", {{1, 2}}, -1, 9, {"Stopped"}},
        HotkeyCase{"IndexOutsideTheKeysNeverMatches", {{12, -1}}, -1, 11, {"Stopped"}}),
    [](const ::testing::TestParamInfo<HotkeyCase>& info) { return info.param.name; });

TEST_F(MainView, OnlyCtrlWithAnFKeyReachesTheList) {
  SaveMacro("A", PlaysUntilStopped);
  Open();
  window_->WMHotKey(kMacroHotkeyId, MOD_CONTROL | MOD_SHIFT, VK_F1 + 1);
  window_->WMHotKey(kMacroHotkeyId, MOD_ALT, VK_F1 + 1);
  window_->WMHotKey(kMacroHotkeyId, MOD_CONTROL, 0x41);
  EXPECT_FALSE(Runs().Running());
  window_->WMHotKey(kMacroHotkeyId, MOD_CONTROL, VK_F1 + 1);
  EXPECT_TRUE(Runs().Running());
  View().StopMacro();
  EXPECT_TRUE(WaitIdle());
}

TEST_F(MainView, WhileARunIsActiveItsStopHotkeyCountsWithFurtherModifiers) {
  // The macro may hold Shift or Alt itself: the user's Ctrl+F5 then arrives with them.
  SaveMacro("A", [](TActionCtrl& m) {
    m.Config.StartHotkey = 1;
    m.Config.StopHotkey = 4;
    PlaysUntilStopped(m);
  });
  Open();
  auto modifiersOf = [this](int fKey) {
    return hotkeys_->Registrations().at(kMacroHotkeyId + fKey).modifiers;
  };
  Press(4, MOD_CONTROL | MOD_SHIFT);
  EXPECT_EQ(modifiersOf(4), MOD_CONTROL);
  Press(1);
  ASSERT_TRUE(Runs().Running());
  EXPECT_EQ(modifiersOf(4), MOD_CONTROL | MOD_ANYEXTRA);
  EXPECT_EQ(modifiersOf(1), MOD_CONTROL);
  Press(4, MOD_CONTROL | MOD_SHIFT | MOD_ALT);
  EXPECT_EQ(Status(0), "Stopped");
  EXPECT_TRUE(WaitIdle());
  EXPECT_EQ(modifiersOf(4), MOD_CONTROL);
  // A run that ends by itself gives the key back as well.
  Ctrl().Macros().Get(0)->Actions.Clear();
  Ctrl().Macros().Get(0)->Config.RepeatType = 0;
  Press(1);
  EXPECT_TRUE(WaitIdle());
  QCoreApplication::processEvents();
  EXPECT_EQ(modifiersOf(4), MOD_CONTROL);
}

}  // namespace
}  // namespace zorvel::test
