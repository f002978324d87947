// The main window in ordinary use that used to go wrong: runs started while recording, keys two
// macros share, the list's keys, commands without a row, windows larger than the screen, and a
// quit while a command's dialog is open.

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include "../support/answer_modal.h"
#include "gui/main/action_config_dialog.h"
#include "gui/main/schedule_dialog.h"
#include "gui/recording/action_editor.h"
#include "gui/recording/record_config_dlg.h"
#include "gui/recording/record_view_window.h"
#include "gui/widgets/about_box.h"
#include "main_fixture.h"
#include "recording/record_settings.h"
#include "recording/recorder.h"

namespace zorvel::test {
namespace {

using AppSafety = AppFixture;

QToolButton* Button(QWidget& window, const char* name) {
  return window.findChild<QToolButton*>(name);
}

TEST_F(AppSafety, WhileRecordingHotkeysAndSchedulesStartNothingAndSaySo) {
  SaveMacro("Keyed", PlaysUntilStopped);  // Ctrl+F2 starts it
  SaveMacro("Timed", [](TActionCtrl& m) {
    m.Config.StartHotkey = 6;
    m.Schedule.ScheduleType = 1;
    m.Schedule.SelectedTime = FormatLongTime(TDateTime{2026, 12, 8, 9, 30, 0});
    PlaysUntilStopped(m);
  });
  Open();
  ASSERT_TRUE(Ctrl().Recorder().StartHook());
  Press(1);
  EXPECT_FALSE(Runs().Running());
  EXPECT_EQ(window_->StatusText(), "\"Keyed\" was not started: a recording is in progress");
  clock_.Set(TDateTime{2026, 12, 8, 9, 30, 0});
  window_->Timer1Timer();
  EXPECT_FALSE(Runs().Running());
  EXPECT_EQ(window_->StatusText(),
            "The schedule of \"Timed\" was skipped: a recording is in progress");

  TActionList recorded;
  Ctrl().Recorder().Stop(recorded);
  window_->Timer1Timer();
  EXPECT_TRUE(Runs().Running());
  View().StopMacro();
  EXPECT_TRUE(WaitIdle());
}

TEST_F(AppSafety, MacrosSharingAKeyAreNamedAtStartUp) {
  SaveMacro("A");  // Ctrl+F2 / Ctrl+F3
  SaveMacro("B", [](TActionCtrl& m) { m.Config.StopHotkey = 1; });
  SaveMacro("C", [](TActionCtrl& m) {
    m.Config.StartHotkey = 7;
    m.Config.StopHotkey = 8;
  });
  Open();
  // Named in list order, which is the folder's at start-up.
  const bool aFirst = RowOf("A") < RowOf("B");
  EXPECT_EQ(window_->StatusText(), aFirst ? "Ctrl+F2 is shared by \"A\" and \"B\""
                                          : "Ctrl+F2 is shared by \"B\" and \"A\"");
}

TEST_F(AppSafety, ANewMacroOrAConfigThatSharesAKeySaysSo) {
  SaveMacro("Old", [](TActionCtrl& m) {
    m.Config.StartHotkey = 7;
    m.Config.StopHotkey = 8;
  });
  Open();
  EXPECT_EQ(window_->StatusText(), "");
  recordView_ = [this](TActionCtrlPtr) {
    auto macro = std::make_shared<TActionCtrl>(Ctrl().Document(), folder_);
    macro->FName = "New";
    macro->Config.StartHotkey = 7;
    return macro;
  };
  View().NewMacro();
  EXPECT_EQ(window_->StatusText(), "Ctrl+F8 is shared by \"Old\" and \"New\"");
  Focus(RowOf("New"));
  editConfig_ = [](TActionConfig& config) { config.StopHotkey = 8; };
  View().ConfigMacro();
  EXPECT_EQ(window_->StatusText(),
            "Ctrl+F8 is shared by \"Old\" and \"New\"; Ctrl+F9 is shared "
            "by \"Old\" and \"New\"");
}

TEST_F(AppSafety, NoStatusWhenNoKeyIsShared) {
  SaveMacro("Only");
  Open();
  EXPECT_EQ(window_->StatusText(), "");
}

TEST_F(AppSafety, MacroConfigIsToldOfKeysOtherMacrosUseOrAnotherProgramHolds) {
  refused_ = {{MOD_CONTROL, VK_F1 + 7}};
  SaveMacro("A");  // Ctrl+F2 / Ctrl+F3
  SaveMacro("B", [](TActionCtrl& m) { m.Config.StartHotkey = 2; });
  SaveMacro("Mine", [](TActionCtrl& m) {
    m.Config.StartHotkey = 4;
    m.Config.StopHotkey = 5;
  });
  Open();
  Arrange({"A", "B", "Mine"});
  Focus(RowOf("Mine"));
  View().ConfigMacro();
  ASSERT_TRUE(keyWarning_);
  struct Case {
    int32_t start, stop;
    const char* warning;
  };
  const Case cases[] = {
      {4, 5, ""},  // its own keys
      {1, 5, "Ctrl+F2 is also a key of \"A\"."},
      {2, 5, "Ctrl+F3 is also a key of \"A\" and \"B\"."},
      {1, 2, "Ctrl+F2 is also a key of \"A\". Ctrl+F3 is also a key of \"A\" and \"B\"."},
      {7, 5, "Ctrl+F8 is held by another program."},
      {4, 4, ""},
      {-1, 12, ""},  // no key chosen
  };
  for (const Case& c : cases)
    EXPECT_EQ(keyWarning_(c.start, c.stop), c.warning) << c.start << " " << c.stop;
  EXPECT_EQ(hotkeys_->Registrations().size(), 11u);  // asking takes no key
}

TEST_F(AppSafety, TheOptionsDialogShowsTheWarningAndGrowsForIt) {
  TActionConfig config;
  TfmActionConfig dialog(config, nullptr, [](int32_t start, int32_t) {
    return start == 5 ? std::string("Ctrl+F6 is also a key of \"A\".") : std::string();
  });
  auto* warning = dialog.findChild<QLabel*>("lbKeyWarning");
  ASSERT_NE(warning, nullptr);
  EXPECT_TRUE(warning->isHidden());
  EXPECT_EQ(dialog.size(), QSize(415, 377));
  dialog.findChild<QComboBox*>("cbStartHotkey")->setCurrentIndex(5);
  EXPECT_FALSE(warning->isHidden());
  EXPECT_EQ(dialog.KeyWarning(), "Ctrl+F6 is also a key of \"A\".");
  EXPECT_GT(dialog.height(), 377);
  dialog.findChild<QComboBox*>("cbStartHotkey")->setCurrentIndex(0);
  EXPECT_TRUE(warning->isHidden());
  EXPECT_EQ(dialog.size(), QSize(415, 377));
}

TEST_F(AppSafety, EnterAndDoubleClickEditTheRowAndDeleteAsksAsTheButtonDoes) {
  SaveMacro("One");
  SaveMacro("Two");
  Open();
  Arrange({"One", "Two"});
  std::vector<std::string> edited;
  recordView_ = [&](TActionCtrlPtr macro) {
    edited.push_back(macro ? macro->FName : "new");
    return macro;
  };
  Focus(1);
  List().setFocus();
  QTest::keyClick(&List(), Qt::Key_Return);
  QTest::keyClick(&List(), Qt::Key_Enter);
  emit List().doubleClicked(List().model()->index(0, 2));
  EXPECT_EQ(edited, (std::vector<std::string>{"Two", "Two", "Two"}));

  prompt_.QueueAnswer(false);
  QTest::keyClick(&List(), Qt::Key_Delete);
  const std::vector<TScriptedPrompt::TAsked> asked = {
      {"Question", "Warning", "Are you sure to delete the click?"}};
  EXPECT_EQ(prompt_.Asked(), asked);
  EXPECT_EQ(Rows(), 2);
  prompt_.QueueAnswer(true);
  QTest::keyClick(&List(), Qt::Key_Delete);
  EXPECT_EQ(Rows(), 1);
  EXPECT_FALSE(Exists("Two.xml"));
  EXPECT_TRUE(Exists("One.xml"));
}

TEST_F(AppSafety, CommandsThatNeedARowAreDisabledWithoutOne) {
  SaveMacro("One");
  Open();
  const char* needRow[] = {"BtnEdit", "BtnDelete", "btnStart", "btnOptions", "btnSchedule"};
  auto enabled = [&](const char* name) { return Button(*window_, name)->isEnabled(); };
  for (const char* name : needRow) EXPECT_FALSE(enabled(name)) << name;
  for (const char* name : {"BtnNew", "btnStop", "btnQuit"}) EXPECT_TRUE(enabled(name)) << name;
  Focus(0);
  for (const char* name : needRow) EXPECT_TRUE(enabled(name)) << name;
  prompt_.QueueAnswer(true);
  Button(*window_, "BtnDelete")->click();
  ASSERT_EQ(Rows(), 0);
  for (const char* name : needRow) EXPECT_FALSE(enabled(name)) << name;
}

// The test screen is 800 x 600: every window fits on it with room for a frame.
void ExpectOnScreen(QWidget& window) {
  const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
  ASSERT_LE(screen.width(), 800);
  const QRect frame = window.frameGeometry();
  EXPECT_TRUE(screen.contains(frame))
      << window.objectName().toStdString() << " at " << frame.x() << "," << frame.y() << " "
      << frame.width() << "x" << frame.height();
  EXPECT_LE(window.width(), screen.width() - 12) << window.objectName().toStdString();
  EXPECT_LE(window.height(), screen.height() - 36) << window.objectName().toStdString();
}

TEST_F(AppSafety, EveryWindowFitsOnAnEightHundredBySixHundredScreen) {
  Open();
  ExpectOnScreen(*window_);
  TActionConfig config;
  TActionSchedule schedule;
  TRecordSettings settings;
  TfmActionConfig configDialog(config, window_.get());
  TfmSchedule scheduleDialog(schedule, window_.get());
  TfmRecordConfig recordConfig(settings, window_.get());
  TDefineForm editor({Ctrl().Input(), Ctrl().Screen(), prompt_}, window_.get());
  TFMRecordView recorder(Ctrl().RecordServices(), nullptr, window_.get());
  TAboutBox about(window_.get());
  for (QDialog* dialog : std::initializer_list<QDialog*>{
           &configDialog, &scheduleDialog, &recordConfig, &editor, &recorder, &about}) {
    dialog->show();
    ExpectOnScreen(*dialog);
    dialog->hide();
  }
}

TEST_F(AppSafety, TheRepeatTypeColumnHoldsItsWidestText) {
  Open();
  const int text = List().fontMetrics().horizontalAdvance(QStringLiteral("till get order"));
  EXPECT_GE(List().columnWidth(kColumnRepeatType), text + 8);
}

// A quit (the main window closed by a quit signal) while a command's dialog is open.
TEST_F(AppSafety, AQuitWhileMacroConfigOrScheduleIsOpenCancelsItAndClosesAfterwards) {
  struct Case {
    const char* button;
    std::function<void()> answer;
  };
  bool closeRefused = false;
  bool ctrlAlive = false;
  auto quitInside = [&](QDialog& dialog) {
    dialog.findChildren<QComboBox*>().front()->setCurrentIndex(9);
    closeRefused = !window_->close();
    ctrlAlive = window_->Ctrl() != nullptr;
  };
  const Case cases[] = {
      {"btnOptions", [&] { AnswerModal<TfmActionConfig>(quitInside); }},
      {"btnSchedule", [&] { AnswerModal<TfmSchedule>(quitInside); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.button);
    window_.reset();
    const std::string name = std::string("Kept ") + c.button;
    SaveMacro(name);
    const std::string before = Read(name + ".xml");
    realDialogs_ = true;
    Open();
    Focus(RowOf(name));
    c.answer();
    Button(*window_, c.button)->click();
    EXPECT_TRUE(closeRefused);
    EXPECT_TRUE(ctrlAlive);
    EXPECT_NE(window_->Ctrl(), nullptr);  // the command returned before the window closes
    EXPECT_TRUE(WaitUntil(
        "the main window to close", [&] { return !window_->isVisible(); }, {},
        WithQtEvents(std::chrono::seconds(2))));
    EXPECT_EQ(window_->Ctrl(), nullptr);
    EXPECT_EQ(Read(name + ".xml"), before);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
  }
}

TEST_F(AppSafety, AQuitDuringAnyCommandWaitsForTheCommandToReturn) {
  SaveMacro("One");
  Open();
  Focus(0);
  recordView_ = [&](TActionCtrlPtr macro) {
    EXPECT_FALSE(window_->close());
    EXPECT_NE(window_->Ctrl(), nullptr);
    return macro;
  };
  Button(*window_, "BtnEdit")->click();
  EXPECT_EQ(recordViewCalls_, 1);
  EXPECT_TRUE(WaitUntil(
      "the main window to close", [&] { return !window_->isVisible(); }, {},
      WithQtEvents(std::chrono::seconds(2))));
  EXPECT_EQ(window_->Ctrl(), nullptr);
}

}  // namespace
}  // namespace zorvel::test
