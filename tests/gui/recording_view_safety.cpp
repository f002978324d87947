// The recording window never loses a recording: it steps aside while recording, OK keeps what
// was recorded, closing asks before changes are thrown away, a playing macro is not recorded, and
// its hotkeys are shown with the ones another program holds.

#include <QKeyEvent>
#include <QLabel>

#include "playback/run_ctrl.h"
#include "recording_view_fixture.h"

namespace zorvel {
namespace {

const TScriptedPrompt::TAsked kDiscardQuestion = {"Question", "Warning",
                                                  "Discard the changes to this macro?", true};

TEST_F(RecordViewTest, ClosingAsksOnlyWhenTheActionsDifferFromTheLoadedOnes) {
  struct Case {
    const char* name;
    std::function<void(TRecordViewCtrl&)> change;
    bool asks;
  };
  auto record = [this](TRecordViewCtrl& view) {
    view.StartRecording();
    Deliver(WM_KEYDOWN, 0x41, 0, 10);
  };
  const Case cases[] = {
      {"nothing", [](TRecordViewCtrl&) {}, false},
      {"moved down and back up", [](TRecordViewCtrl& view) { view.MoveUp(view.MoveDown(0)); },
       false},
      {"recorded and stopped",
       [&](TRecordViewCtrl& view) {
         record(view);
         view.StopRecording();
       },
       true},
      {"still recording", record, true},
      {"recording that caught nothing",
       [](TRecordViewCtrl& view) {
         view.StartRecording();
         view.StopRecording();
       },
       false},
      {"added",
       [this](TRecordViewCtrl& view) {
         dialogs.QueueEditor(AcceptDelay(7));
         view.NewAction(0);
       },
       true},
      {"edited",
       [this](TRecordViewCtrl& view) {
         dialogs.QueueEditor(AcceptDelay(8));
         view.EditAction(1);
       },
       true},
      {"edited to the same values",
       [this](TRecordViewCtrl& view) {
         dialogs.QueueEditor(AcceptDelay(2));
         view.EditAction(1);
       },
       false},
      {"moved", [](TRecordViewCtrl& view) { view.MoveDown(0); }, true},
      {"deleted",
       [this](TRecordViewCtrl& view) {
         prompt.QueueAnswer(true);
         view.DeleteAction(0);
       },
       true},
      {"cleared",
       [this](TRecordViewCtrl& view) {
         prompt.QueueAnswer(true);
         view.ClearActions();
       },
       true},
  };
  int opened = 0;
  for (const Case& c : cases) {
    for (const bool yes : {false, true}) {
      SCOPED_TRACE(std::string(c.name) + (yes ? ", Yes" : ", No"));
      const std::string name = "m" + std::to_string(++opened);
      auto view = Open(SavedMacro(name));
      c.change(*view);
      prompt.ClearAsked();
      prompt.QueueAnswer(yes);
      EXPECT_EQ(view->ConfirmDiscard(), !c.asks || yes);
      EXPECT_FALSE(view->Recording());
      EXPECT_FALSE(ctrl->Recorder().Recording());
      if (c.asks)
        EXPECT_EQ(prompt.Asked(), std::vector<TScriptedPrompt::TAsked>{kDiscardQuestion});
      else
        EXPECT_TRUE(prompt.Asked().empty());
      while (prompt.Question("", "")) {
      }  // drop an answer left unused
      view->FormClose();
      EXPECT_EQ(Delays(Stored(name)->Actions), (std::vector<int32_t>{1, 2, 3}));
    }
  }
}

TEST_F(RecordViewTest, EscCancelQuitAndTheCloseBoxAskAndNoKeepsTheWindowOpen) {
  TFMRecordView window(ctrl->RecordServices(), SavedMacro("m"), nullptr, &dialogs);
  window.show();
  window.FocusRow(0);
  dialogs.QueueEditor(AcceptDelay(99));
  window.btnNewClick();
  const std::vector<std::pair<const char*, std::function<void()>>> closers = {
      {"Esc", [&] { QTest::keyClick(&window, Qt::Key_Escape); }},
      {"Cancel", [&] { window.btnCancel->click(); }},
      {"Quit", [&] { window.btnQuitClick(); }},
      {"close box", [&] { window.close(); }},
  };
  for (const auto& [name, close] : closers) {
    SCOPED_TRACE(name);
    prompt.ClearAsked();
    prompt.QueueAnswer(false);
    close();
    EXPECT_EQ(prompt.Asked(), std::vector<TScriptedPrompt::TAsked>{kDiscardQuestion});
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(window.Ctrl().Rows().rowCount(), 4);
  }
  prompt.QueueAnswer(true);
  window.btnCancel->click();
  EXPECT_FALSE(window.isVisible());
  EXPECT_EQ(window.result(), QDialog::Rejected);
  EXPECT_EQ(Delays(Stored("m")->Actions), (std::vector<int32_t>{1, 2, 3}));
}

TEST_F(RecordViewTest, WhileRecordingTheWindowStepsAsideAndTakesNoFocus) {
  TFMRecordView window(ctrl->RecordServices(), SavedMacro("m"), nullptr, &dialogs);
  window.show();
  window.edName->setFocus();
  window.btnStartClick();
  EXPECT_TRUE(window.isMinimized());
  for (QWidget* w : {static_cast<QWidget*>(window.edName), static_cast<QWidget*>(window.btnOK),
                     static_cast<QWidget*>(window.btnCancel), static_cast<QWidget*>(window.VT)})
    EXPECT_EQ(w->focusPolicy(), Qt::NoFocus) << w->objectName().toStdString();
  EXPECT_FALSE(window.edName->hasFocus());
  // Typing that reaches the window anyway does not rename the macro.
  QTest::keyClicks(&window, "ab");
  EXPECT_EQ(window.edName->text(), "m");

  window.btnStopClick();
  EXPECT_FALSE(window.isMinimized());
  EXPECT_EQ(window.edName->focusPolicy(), Qt::StrongFocus);
  EXPECT_EQ(window.btnOK->focusPolicy(), Qt::StrongFocus);
  static_cast<QDialog&>(window).done(QDialog::Rejected);
}

TEST_F(RecordViewTest, ReturnWhileRecordingStopsAndSavesTheRecording) {
  TFMRecordView window(ctrl->RecordServices(), SavedMacro("m"), nullptr, &dialogs);
  window.show();
  window.btnStartClick();
  Deliver(WM_KEYDOWN, 0x41, 0, 10);
  QTest::keyClick(&window, Qt::Key_Return);
  EXPECT_FALSE(window.isVisible());
  EXPECT_EQ(window.result(), QDialog::Accepted);
  EXPECT_FALSE(ctrl->Recorder().Recording());
  EXPECT_EQ(Delays(Stored("m")->Actions), (std::vector<int32_t>{1, 2, 3, 1000}));
}

TEST_F(RecordViewTest, StartIsRefusedWhileAMacroPlays) {
  auto busy = SavedMacro("busy", {60'000});
  busy->Config.RepeatType = 2;
  ctrl->RunCtrl().Start(busy);
  ASSERT_TRUE(ctrl->RunCtrl().Running());
  auto view = Open(SavedMacro("m"));
  view->StartRecording();
  EXPECT_FALSE(view->Recording());
  EXPECT_FALSE(ctrl->Recorder().Recording());
  ASSERT_EQ(prompt.Asked().size(), 1u);
  EXPECT_EQ(prompt.Asked()[0].kind, "Warning");
  EXPECT_EQ(prompt.Asked()[0].text.rfind("A macro is playing. Stop it before recording", 0), 0u);
  PressHotkey(MOD_ALT, VK_F2);  // the hotkey is refused the same way
  EXPECT_FALSE(view->Recording());
  ctrl->RunCtrl().Stop();
  view->StartRecording();
  EXPECT_TRUE(view->Recording());
  view->FormClose();
}

TEST_F(RecordViewTest, TheHotkeyLineNamesTheKeysAndThoseAnotherProgramHolds) {
  struct Case {
    std::vector<uint32_t> refused;  // Alt + these keys are held elsewhere
    const char* line;
  };
  const Case cases[] = {
      {{}, "Alt+F2 starts and Alt+F3 stops a recording."},
      {{VK_F2},
       "Alt+F2 starts and Alt+F3 stops a recording. Alt+F2 is held by another program: choose "
       "another key in Record Config."},
      {{VK_F2, VK_F3},
       "Alt+F2 starts and Alt+F3 stops a recording. Alt+F2 and Alt+F3 are held by another "
       "program: choose another key in Record Config."},
  };
  int opened = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    for (const uint32_t vk : c.refused) hotkeys->Refuse(MOD_ALT, vk);
    auto view = Open(SavedMacro("m" + std::to_string(++opened)));
    EXPECT_EQ(view->HotkeyLine(), c.line);
    view->FormClose();
  }
}

TEST_F(RecordViewTest, RecordConfigWarnsOfHeldKeysAndOfOneKeyForBoth) {
  hotkeys->Refuse(MOD_ALT, VK_F1 + 4);
  hotkeys->Refuse(MOD_ALT, VK_F1 + 6);
  auto view = Open(SavedMacro("m"));
  view->RecordConfig();
  ASSERT_TRUE(dialogs.lastWarning);
  const TKeyWarning& warning = dialogs.lastWarning;
  EXPECT_EQ(warning(1, 2), "");  // the keys this window holds itself
  EXPECT_EQ(warning(4, 2), "Alt+F5 is held by another program and would not work here.");
  EXPECT_EQ(warning(4, 6),
            "Alt+F5 and Alt+F7 are held by another program and would not work here.");
  EXPECT_EQ(warning(3, 3),
            "Start and stop are the same key: a recording could not be stopped with it.");
  EXPECT_EQ(warning(-1, 2), "");  // no key chosen
  // Asking does not take a key: the registrations are the window's two.
  EXPECT_EQ(hotkeys->Registrations().size(), 2u);
  view->FormClose();
}

TEST_F(RecordViewTest, TheWindowShowsItsKeysAndTheOptionsDialogItsWarning) {
  hotkeys->Refuse(MOD_ALT, VK_F1 + 4);
  TFMRecordView window(ctrl->RecordServices(), SavedMacro("m"), nullptr);
  window.show();
  EXPECT_EQ(window.lbHotkeys->text(), "Alt+F2 starts and Alt+F3 stops a recording.");
  AnswerModal<TfmRecordConfig>([](TfmRecordConfig& dialog) {
    EXPECT_TRUE(dialog.lbKeyWarning->isHidden());
    dialog.cbRecordStart->setCurrentIndex(4);
    EXPECT_FALSE(dialog.lbKeyWarning->isHidden());
    EXPECT_EQ(dialog.lbKeyWarning->text(),
              "Alt+F5 is held by another program and would not work here.");
    dialog.cbRecordStart->setCurrentIndex(5);
    EXPECT_TRUE(dialog.lbKeyWarning->isHidden());
    dialog.BitBtn1Click();
  });
  window.btnConfigClick();
  EXPECT_EQ(window.lbHotkeys->text(), "Alt+F6 starts and Alt+F3 stops a recording.");
  EXPECT_EQ(window.btnStart->toolTip(), "Start recording (Alt+F6)");
  static_cast<QDialog&>(window).done(QDialog::Rejected);
}

}  // namespace
}  // namespace zorvel
