// The recording window: its controller on a fake desktop, and the window's own layout.

#include "recording_view_fixture.h"

namespace zorvel {
namespace {

TEST_F(RecordViewTest, NewMacroIsNamedAfterTheClockAndSavedOnlyByOk) {
  auto view = Open(nullptr);
  EXPECT_EQ(view->MacroName(), "Actions2026Dec07142305");
  EXPECT_EQ(view->Rows().rowCount(), 0);
  view->FormClose();
  EXPECT_FALSE(folder.Exists("Actions2026Dec07142305.xml"));
  EXPECT_TRUE(prompt.Asked().empty());
}

TEST_F(RecordViewTest, OkWithAnEmptyNameAsksForOneAndSavesNothing) {
  auto view = Open(nullptr);
  EXPECT_FALSE(view->Confirm(""));
  const std::vector<TScriptedPrompt::TAsked> expected = {
      {"Message", "Zorvel", "Must Input Macro Name!"}};
  EXPECT_EQ(prompt.Asked(), expected);
  EXPECT_FALSE(view->Saved());
  EXPECT_EQ(folder.Listing(), "");
}

TEST_F(RecordViewTest, OkSavesNameDateAndRowOrder) {
  auto macro = SavedMacro("m");
  auto view = Open(macro);
  dialogs.QueueEditor(AcceptDelay(99));
  EXPECT_EQ(view->NewAction(0), 1);
  EXPECT_EQ(dialogs.captions, std::vector<std::string>{"New Action"});
  EXPECT_EQ(RowDelays(view->Rows()), (std::vector<int32_t>{1, 99, 2, 3}));
  EXPECT_EQ(Delays(macro->Actions), (std::vector<int32_t>{1, 2, 3, 99}));  // until OK
  dialogs.QueueEditor(AcceptDelay(100));
  EXPECT_EQ(view->NewAction(-1), 4);  // nothing focused: at the end
  ASSERT_TRUE(view->Confirm("m"));
  view->FormClose();
  EXPECT_EQ(Delays(macro->Actions), (std::vector<int32_t>{1, 99, 2, 3, 100}));
  const auto stored = Stored("m");
  EXPECT_EQ(Delays(stored->Actions), (std::vector<int32_t>{1, 99, 2, 3, 100}));
  EXPECT_EQ(stored->FCreateTime, FormatShortDate(clock.Now()));
  EXPECT_EQ(Serialized(*stored), Serialized(*macro));
}

TEST_F(RecordViewTest, MovesStopAtTheEndsAndOnlyMoveRows) {
  auto macro = SavedMacro("m");
  auto view = Open(macro);
  struct Case {
    bool up;
    int row;
    int expectedRow;
    std::vector<int32_t> expectedRows;
  };
  const Case cases[] = {{true, 0, 0, {1, 2, 3}},   {false, 2, 2, {1, 2, 3}},
                        {false, 0, 1, {2, 1, 3}},  {true, 2, 1, {2, 3, 1}},
                        {true, -1, -1, {2, 3, 1}}, {false, 5, 5, {2, 3, 1}}};
  for (const Case& c : cases) {
    EXPECT_EQ(c.up ? view->MoveUp(c.row) : view->MoveDown(c.row), c.expectedRow);
    EXPECT_EQ(RowDelays(view->Rows()), c.expectedRows);
  }
  EXPECT_EQ(Delays(macro->Actions), (std::vector<int32_t>{1, 2, 3}));
  EXPECT_EQ(view->Rows().VTGetText(0, 0), "1");
  EXPECT_EQ(view->Rows().VTGetText(0, 1), "Delay");
  EXPECT_EQ(view->Rows().VTGetText(0, 2), "Delay 2 ms");
}

TEST_F(RecordViewTest, DeleteAndClearAskFirstAndNoChangesNothing) {
  auto macro = SavedMacro("m");
  auto view = Open(macro);
  EXPECT_EQ(view->DeleteAction(1), 1);
  view->ClearActions();
  EXPECT_EQ(RowDelays(view->Rows()), (std::vector<int32_t>{1, 2, 3}));
  EXPECT_EQ(Delays(macro->Actions), (std::vector<int32_t>{1, 2, 3}));
  const std::vector<TScriptedPrompt::TAsked> expected = {
      {"Question", "Warning", "Are you sure to delete the click?"},
      {"Question", "Warning", "Are you sure to clear the list?"}};
  EXPECT_EQ(prompt.Asked(), expected);

  prompt.ClearAsked();
  EXPECT_EQ(view->DeleteAction(-1), -1);  // nothing focused: not even a question
  EXPECT_TRUE(prompt.Asked().empty());
  prompt.QueueAnswer(true);
  EXPECT_EQ(view->DeleteAction(2), 1);
  EXPECT_EQ(RowDelays(view->Rows()), (std::vector<int32_t>{1, 2}));
  EXPECT_EQ(Delays(macro->Actions), (std::vector<int32_t>{1, 2}));
  prompt.QueueAnswer(true);
  view->ClearActions();
  EXPECT_EQ(view->Rows().rowCount(), 0);
  EXPECT_EQ(macro->Actions.Count(), 0u);
}

TEST_F(RecordViewTest, CancelAfterEditsLeavesDocumentAndMemoryEqual) {
  auto macro = SavedMacro("m");
  const std::string before = folder.Read("m.xml");
  auto view = Open(macro);
  dialogs.QueueEditor(AcceptDelay(50));
  view->NewAction(0);
  dialogs.QueueEditor(AcceptDelay(77));
  view->EditAction(2);
  view->MoveDown(0);
  prompt.QueueAnswer(true);
  view->DeleteAction(3);
  view->StartRecording();
  Deliver(WM_LBUTTONDOWN, 5, 6, 100);
  view->FormClose();  // Cancel
  EXPECT_EQ(folder.Read("m.xml"), before);
  EXPECT_EQ(Serialized(*macro), Serialized(*Stored("m")));
  EXPECT_EQ(Delays(macro->Actions), (std::vector<int32_t>{1, 2, 3}));
}

TEST_F(RecordViewTest, RenameMovesTheMacroToTheFileOfItsNewName) {
  auto macro = SavedMacro("old");
  auto view = Open(macro);
  ASSERT_TRUE(view->Confirm("new name"));
  view->FormClose();
  EXPECT_EQ(folder.Listing(), "new name.xml;");
  EXPECT_EQ(macro->FName, "new name");
  EXPECT_EQ(macro->FFile, folder.File("new name.xml"));
  EXPECT_EQ(Serialized(*macro), Serialized(*Stored("new name")));
}

// OK without a new name writes the file the macro came from, whatever its name.
TEST_F(RecordViewTest, OkKeepsTheFileOfAMacroWhoseFileNameDiffersFromItsName) {
  auto macro = SavedMacro("Click and wait");
  std::filesystem::rename(folder.File("Click and wait.xml"), folder.File("click_and_wait.xml"));
  ASSERT_TRUE(macro->LoadDocument(folder.File("click_and_wait.xml")));
  auto view = Open(macro);
  dialogs.QueueEditor(AcceptDelay(4));
  view->NewAction(-1);
  ASSERT_TRUE(view->Confirm("Click and wait"));
  view->FormClose();
  EXPECT_TRUE(prompt.Asked().empty());
  EXPECT_EQ(folder.Listing(), "click_and_wait.xml;");
  EXPECT_EQ(Delays(macro->Actions), (std::vector<int32_t>{1, 2, 3, 4}));
}

TEST_F(RecordViewTest, NamesThatCannotBeDocumentsAreRefusedAndTheWindowStays) {
  auto macro = SavedMacro("m");
  auto view = Open(macro);
  for (const std::string name : {"a/b", "..", "ZorvelConfig"}) {
    prompt.ClearAsked();
    EXPECT_FALSE(view->Confirm(name)) << name;
    ASSERT_EQ(prompt.Asked().size(), 1u) << name;
    EXPECT_EQ(prompt.Asked()[0].kind, "Warning");
    EXPECT_EQ(macro->FName, "m");
  }
  EXPECT_EQ(folder.Listing(), "m.xml;");
}

TEST_F(RecordViewTest, AFailedSaveIsReportedAndTheReloadStillFindsTheOldDocument) {
  auto macro = SavedMacro("m");
  auto view = Open(macro);
  dialogs.QueueEditor(AcceptDelay(9));
  view->NewAction(-1);
  std::filesystem::create_directory(folder.File("dir.xml"));  // a folder where the file goes
  prompt.QueueAnswer(true);                                   // replace it
  EXPECT_FALSE(view->Confirm("dir"));
  ASSERT_EQ(prompt.Asked().size(), 2u);
  EXPECT_EQ(prompt.Asked()[1].kind, "Warning");
  EXPECT_EQ(prompt.Asked()[1].text.rfind("The macro could not be saved: ", 0), 0u);
  EXPECT_EQ(macro->FName, "m");
  EXPECT_EQ(macro->FCreateTime, "01/01/26");
  view->FormClose();
  EXPECT_EQ(Delays(macro->Actions), (std::vector<int32_t>{1, 2, 3}));
}

TEST_F(RecordViewTest, ANameTakenByAnotherMacroAsksBeforeReplacingIt) {
  auto other = SavedMacro("dup", {42});
  ctrl->Macros().Add(other);
  auto macro = SavedMacro("mine", {7});
  ctrl->Macros().Add(macro);
  auto view = Open(macro);
  EXPECT_FALSE(view->Confirm("dup"));  // answered No
  const std::vector<TScriptedPrompt::TAsked> expected = {
      {"Question", "Warning", "A macro named \"dup\" already exists. Do you want to replace it?"}};
  EXPECT_EQ(prompt.Asked(), expected);
  EXPECT_EQ(Delays(Stored("dup")->Actions), std::vector<int32_t>{42});

  prompt.QueueAnswer(true);
  EXPECT_TRUE(view->Confirm("dup"));
  EXPECT_EQ(Delays(Stored("dup")->Actions), std::vector<int32_t>{7});
  // The replaced macro is gone from the list and the renamed one's old file from the folder.
  ASSERT_EQ(ctrl->Macros().Count(), 1u);
  EXPECT_EQ(ctrl->Macros().Get(0), macro);
  EXPECT_EQ(folder.Listing(), "dup.xml;");
  EXPECT_EQ(Delays(other->Actions), std::vector<int32_t>{42});
}

TEST_F(RecordViewTest, AStrayFileUnderTheNameAlsoAsks) {
  folder.Write("stray.xml", "<x/>");
  auto view = Open(nullptr);
  EXPECT_FALSE(view->Confirm("stray"));
  EXPECT_EQ(folder.Read("stray.xml"), "<x/>");
}

TEST_F(RecordViewTest, HotkeysStartAndStopRecordingAndRecordingsAppend) {
  auto macro = SavedMacro("m", {});
  auto view = Open(macro);
  const std::map<int, TFakeHotkeys::Combination> registered = {
      {kRecordHotkeyId, {MOD_ALT, VK_F2}}, {kRecordHotkeyId + 1, {MOD_ALT, VK_F3}}};
  EXPECT_EQ(hotkeys->Registrations(), registered);
  std::vector<bool> states;
  view->SetRecordingObserver([&states](bool recording) { states.push_back(recording); });

  PressHotkey(MOD_ALT, VK_F2);
  EXPECT_TRUE(view->Recording());
  // The start key let go of, as the recording sees it: left out.
  Deliver(WM_SYSKEYUP, VK_F2, 0, 900);
  Deliver(WM_KEYUP, VK_MENU, 0, 950);
  Deliver(WM_KEYDOWN, 0x41, 0, 1000);
  Deliver(WM_KEYUP, 0x41, 0, 1250);
  // The stop key as the recording sees it: left out.
  Deliver(WM_SYSKEYDOWN, VK_MENU, 0, 1400);
  Deliver(WM_SYSKEYDOWN, VK_F3, 0, 1500);
  PressHotkey(MOD_ALT, VK_F3);
  EXPECT_FALSE(view->Recording());
  EXPECT_EQ(view->Rows().rowCount(), 3);

  view->StartRecording();
  view->StartRecording();  // a second start changes nothing
  Deliver(WM_LBUTTONDOWN, 100, 200, 5000);
  view->StopRecording();
  view->StopRecording();
  EXPECT_EQ(states, (std::vector<bool>{true, false, true, false}));
  ASSERT_EQ(view->Rows().rowCount(), 4);
  EXPECT_EQ(view->Rows().VTGetText(0, 2), "Key :(A) Down");
  EXPECT_EQ(view->Rows().VTGetText(1, 2), "Delay 250 ms");
  EXPECT_EQ(view->Rows().VTGetText(3, 2), "Left Button Button Down on fixed point:(100 : 200)");
  EXPECT_EQ(macro->Actions.Count(), 4u);

  view->FormClose();
  EXPECT_TRUE(hotkeys->Registrations().empty());
  PressHotkey(MOD_ALT, VK_F2);  // after closing the key does nothing
  EXPECT_FALSE(view->Recording());
}

TEST_F(RecordViewTest, ARecordingThatCannotStartIsReportedAndLeavesTheWindowIdle) {
  auto view = Open(SavedMacro("m"));
  std::vector<bool> states;
  view->SetRecordingObserver([&states](bool recording) { states.push_back(recording); });
  source->RefuseStart(true);
  view->StartRecording();
  EXPECT_FALSE(view->Recording());
  EXPECT_FALSE(ctrl->Recorder().Recording());
  EXPECT_EQ(states, (std::vector<bool>{true, false}));
  ASSERT_EQ(prompt.Asked().size(), 1u);
  EXPECT_EQ(prompt.Asked()[0].kind, "Warning");
  EXPECT_EQ(view->Rows().rowCount(), 3);
  // A desktop that says why it cannot record: its reason is the warning.
  source->RefuseStart(true, "Recording needs an X11 session on this desktop.");
  view->StartRecording();
  ASSERT_EQ(prompt.Asked().size(), 2u);
  EXPECT_EQ(prompt.Asked()[1].text, "Recording needs an X11 session on this desktop.");
  source->RefuseStart(false);
  view->StartRecording();
  EXPECT_TRUE(view->Recording());
}

TEST_F(RecordViewTest, OnlyAltWithAFunctionKeyCounts) {
  auto view = Open(nullptr);
  const std::pair<uint32_t, uint32_t> ignored[] = {{MOD_ALT | MOD_SHIFT, VK_F2},
                                                   {MOD_CONTROL, VK_F2},
                                                   {0, VK_F2},
                                                   {MOD_ALT, VK_F1 + 12},
                                                   {MOD_ALT, VK_F1 - 1}};
  for (const auto& [modifiers, vk] : ignored) {
    view->WMHotKey(modifiers, vk);
    EXPECT_FALSE(view->Recording()) << modifiers << " " << vk;
  }
  view->WMHotKey(MOD_ALT, VK_F3);  // the stop key while idle
  EXPECT_FALSE(view->Recording());
  view->WMHotKey(MOD_ALT, VK_F2);
  EXPECT_TRUE(view->Recording());
}

TEST_F(RecordViewTest, OneKeyForStartAndStopOnlyStarts) {
  ctrl->Settings().RecordStopHotkey = 1;
  auto view = Open(nullptr);
  view->WMHotKey(MOD_ALT, VK_F2);
  view->WMHotKey(MOD_ALT, VK_F2);
  EXPECT_TRUE(view->Recording());
}

TEST_F(RecordViewTest, SettingsOutsideTheFunctionKeysRegisterNothing) {
  ctrl->Settings().RecordStartHotkey = -1;
  ctrl->Settings().RecordStopHotkey = 12;
  auto view = Open(nullptr);
  EXPECT_TRUE(hotkeys->Registrations().empty());
}

TEST_F(RecordViewTest, RecordConfigOkRegistersTheNewKeysAtOnce) {
  auto view = Open(nullptr);
  dialogs.QueueConfig([](TRecordSettings&) { return false; });
  view->RecordConfig();
  EXPECT_EQ(hotkeys->Registrations().at(kRecordHotkeyId).vk, VK_F2);
  dialogs.QueueConfig([](TRecordSettings& settings) {
    settings.RecordStartHotkey = 4;
    settings.RecordStopHotkey = 5;
    return true;
  });
  view->RecordConfig();
  const std::map<int, TFakeHotkeys::Combination> registered = {
      {kRecordHotkeyId, {MOD_ALT, VK_F1 + 4}}, {kRecordHotkeyId + 1, {MOD_ALT, VK_F1 + 5}}};
  EXPECT_EQ(hotkeys->Registrations(), registered);
  PressHotkey(MOD_ALT, VK_F1 + 4);
  EXPECT_TRUE(view->Recording());
  PressHotkey(MOD_ALT, VK_F1 + 5);
  EXPECT_FALSE(view->Recording());
}

TEST_F(RecordViewTest, OkDuringARecordingStopsItAndSavesWhatItRecorded) {
  auto macro = SavedMacro("m");
  auto view = Open(macro);
  view->StartRecording();
  Deliver(WM_KEYDOWN, 0x41, 0, 10);
  ASSERT_TRUE(view->Confirm("m"));
  EXPECT_FALSE(view->Recording());
  EXPECT_FALSE(ctrl->Recorder().Recording());
  view->FormClose();
  EXPECT_EQ(Delays(Stored("m")->Actions), (std::vector<int32_t>{1, 2, 3, 1000}));
  EXPECT_EQ(Stored("m")->Actions.Get(3)->actionType, uint8_t(ActionType::Keyboard));
  EXPECT_TRUE(view->ConfirmDiscard());  // saved: nothing left to discard, no question
  EXPECT_TRUE(prompt.Asked().empty());
}

TEST_F(RecordViewTest, RowOrderBeforeARecordingIsKept) {
  auto macro = SavedMacro("m");
  auto view = Open(macro);
  view->MoveDown(0);
  view->StartRecording();
  Deliver(WM_KEYDOWN, 0x41, 0, 10);
  view->StopRecording();
  EXPECT_EQ(RowDelays(view->Rows()), (std::vector<int32_t>{2, 1, 3, 1000}));
}

TEST_F(RecordViewTest, AnEditThatFailsLeavesTheActionAndSaysWhy) {
  auto macro = SavedMacro("m");
  auto view = Open(macro);
  dialogs.QueueEditor([](const TActionObj* shown, TActionObj&) -> bool {
    EXPECT_EQ(shown->delay, 2);
    throw Error("'x' is not a valid whole number in the field \"Seconds\".");
  });
  view->EditAction(1);
  dialogs.QueueEditor([](const TActionObj*, TActionObj&) -> bool { throw Error("bad"); });
  view->NewAction(1);
  EXPECT_EQ(dialogs.captions, (std::vector<std::string>{"Edit Action", "New Action"}));
  EXPECT_EQ(RowDelays(view->Rows()), (std::vector<int32_t>{1, 2, 3}));
  const std::vector<TScriptedPrompt::TAsked> expected = {
      {"Warning", "Warning", "'x' is not a valid whole number in the field \"Seconds\"."},
      {"Warning", "Warning", "bad"}};
  EXPECT_EQ(prompt.Asked(), expected);
  view->EditAction(-1);  // nothing focused: no editor
  EXPECT_EQ(dialogs.captions.size(), 2u);
}

// ---------------------------------------------------------------------------------------------
// The window itself.

TEST_F(RecordViewTest, WindowShowsTheToolPanelListAndNameField) {
  TFMRecordView window(ctrl->RecordServices(), SavedMacro("shown"), nullptr, &dialogs);
  window.show();
  EXPECT_EQ(window.windowTitle(), "Macro Recorder");
  EXPECT_EQ(window.edName->text(), "shown");
  std::vector<std::pair<QString, QString>> tools;
  auto* row = window.MainPanel->layout();
  for (int i = 0; i < row->count(); ++i)
    if (auto* button = qobject_cast<QToolButton*>(row->itemAt(i)->widget()))
      tools.emplace_back(button->text(), button->toolTip());
  const std::vector<std::pair<QString, QString>> expected = {
      {"Start &Record", "Start recording (Alt+F2)"},
      {"&Stop Record", "Stop recording (Alt+F3)"},
      {"Record C&onfig", "Record Mouse Actions"},
      {"&New", "Create a new Action"},
      {"&Edit", "Edit Selected Action"},
      {"&Delete", "Delete Selected Action"},
      {"&Clear", "Delete All Actions"},
      {"&Quit", "Quit"}};
  EXPECT_EQ(tools, expected);
  auto* header = window.VT->horizontalHeader();
  EXPECT_EQ(window.VT->model()->headerData(0, Qt::Horizontal).toString(), "No.");
  EXPECT_EQ(header->sectionSize(0), 80);
  EXPECT_EQ(header->sectionSize(1), 120);
  EXPECT_EQ(window.VT->selectionBehavior(), QAbstractItemView::SelectRows);
  EXPECT_TRUE(window.VT->showGrid());
  EXPECT_EQ(window.sbUp->toolTip(), "Move Up");
  EXPECT_EQ(window.sbDown->toolTip(), "Move Down");
  EXPECT_FALSE(window.btnStop->isEnabled());
  EXPECT_TRUE(window.btnStart->isEnabled());

  window.btnStartClick();
  for (QWidget* w : {static_cast<QWidget*>(window.VT), static_cast<QWidget*>(window.btnStart),
                     static_cast<QWidget*>(window.btnNew), static_cast<QWidget*>(window.btnQuit),
                     static_cast<QWidget*>(window.sbUp), static_cast<QWidget*>(window.sbDown)})
    EXPECT_FALSE(w->isEnabled()) << w->objectName().toStdString();
  for (QWidget* w : {static_cast<QWidget*>(window.btnStop), static_cast<QWidget*>(window.edName),
                     static_cast<QWidget*>(window.btnOK), static_cast<QWidget*>(window.btnCancel)})
    EXPECT_TRUE(w->isEnabled()) << w->objectName().toStdString();
  window.btnStopClick();
  EXPECT_TRUE(window.btnNew->isEnabled());
  EXPECT_FALSE(window.btnStop->isEnabled());
  window.btnCancelClick();
  EXPECT_TRUE(hotkeys->Registrations().empty());
}

TEST_F(RecordViewTest, WindowNewFocusesTheInsertedRowAndDoubleClickEdits) {
  TFMRecordView window(ctrl->RecordServices(), SavedMacro("m"), nullptr, &dialogs);
  window.show();
  window.FocusRow(0);
  dialogs.QueueEditor(AcceptDelay(99));
  window.btnNewClick();
  EXPECT_EQ(window.FocusedRow(), 1);
  window.sbUpClick();
  EXPECT_EQ(window.FocusedRow(), 0);
  EXPECT_EQ(RowDelays(window.Ctrl().Rows()), (std::vector<int32_t>{99, 1, 2, 3}));
  const QModelIndex cell = window.Ctrl().Rows().index(2, 2);
  emit window.VT->doubleClicked(cell);
  EXPECT_EQ(dialogs.captions, (std::vector<std::string>{"New Action", "Edit Action"}));
  EXPECT_EQ(window.FocusedRow(), 2);
  window.edName->setText("");
  window.btnOKClick();
  EXPECT_TRUE(window.isVisible());
  window.edName->setText("m");
  window.btnOKClick();
  EXPECT_FALSE(window.isVisible());
  EXPECT_EQ(window.result(), QDialog::Accepted);
  EXPECT_EQ(Delays(Stored("m")->Actions), (std::vector<int32_t>{99, 1, 2, 3}));
}

TEST_F(RecordViewTest, ShowRecordViewReturnsTheNewMacroOnlyWhenSaved) {
  AnswerModal<TFMRecordView>([](TFMRecordView& window) {
    window.edName->setText("fresh");
    window.btnOKClick();
  });
  const TActionCtrlPtr saved = ShowRecordView(ctrl->RecordServices(), nullptr, nullptr);
  ASSERT_NE(saved, nullptr);
  EXPECT_EQ(saved->FName, "fresh");
  EXPECT_TRUE(folder.Exists("fresh.xml"));

  AnswerModal<TFMRecordView>([](TFMRecordView& window) { window.btnQuitClick(); });
  EXPECT_EQ(ShowRecordView(ctrl->RecordServices(), nullptr, nullptr), nullptr);
}

TEST_F(RecordViewTest, TheMainWindowClosingClosesTheOpenWindowsFirst) {
  QWidget mainWindow;
  mainWindow.show();
  auto macro = SavedMacro("m");
  bool closedTooEarly = false;
  AnswerModal<TFMRecordView>([&](TFMRecordView& window) {
    window.btnStartClick();
    AnswerModal<TDefineForm>([&](TDefineForm&) {
      EXPECT_FALSE(mainWindow.close());  // waits for the windows above it
      closedTooEarly = !mainWindow.isVisible();
    });
    window.btnEditClick();  // nothing focused: no editor
    window.btnStopClick();
    window.FocusRow(0);
    window.btnEditClick();
  });
  EXPECT_EQ(ShowRecordView(ctrl->RecordServices(), macro, &mainWindow), nullptr);
  EXPECT_FALSE(closedTooEarly);
  EXPECT_TRUE(mainWindow.isVisible());  // still open while the caller unwinds
  EXPECT_TRUE(hotkeys->Registrations().empty());
  EXPECT_FALSE(ctrl->Recorder().Recording());
  EXPECT_TRUE(test::WaitUntil(
      "the main window to close", [&] { return !mainWindow.isVisible(); }, {},
      test::WithQtEvents(std::chrono::seconds(2))));
}

TEST_F(RecordViewTest, TheRealEditorFillsANewAction) {
  TFMRecordView window(ctrl->RecordServices(), SavedMacro("m", {}), nullptr);
  window.show();
  AnswerModal<TDefineForm>([](TDefineForm& form) {
    EXPECT_EQ(form.windowTitle(), "New Action");
    form.Frame().rbText->click();
    form.Frame().edText->setText("typed");
    form.btnOKClick();
  });
  window.btnNewClick();
  ASSERT_EQ(window.Ctrl().Rows().rowCount(), 1);
  EXPECT_EQ(window.Ctrl().Rows().VTGetText(0, 2), "TypeText:typed");

  window.FocusRow(0);
  AnswerModal<TDefineForm>([](TDefineForm& form) {
    EXPECT_EQ(form.windowTitle(), "Edit Action");
    EXPECT_EQ(form.Frame().edText->text(), "typed");
    form.Frame().edText->setText("again");
    form.btnOKClick();
  });
  window.btnEditClick();
  EXPECT_EQ(window.Ctrl().Rows().VTGetText(0, 2), "TypeText:again");

  AnswerModal<TDefineForm>([](TDefineForm& form) {
    form.Frame().rbKey->click();
    form.Frame().btnChord->click();
    QTest::keyClick(form.Frame().btnChord, Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
    form.btnOKClick();
  });
  window.FocusRow(0);
  window.btnNewClick();  // the chord's six actions follow the focused row, in order
  ASSERT_EQ(window.Ctrl().Rows().rowCount(), 7);
  EXPECT_EQ(window.Ctrl().Rows().VTGetText(1, 2), "Key :([Ctrl]) Down");
  EXPECT_EQ(window.Ctrl().Rows().VTGetText(3, 2), "Key :(S) Down");
  EXPECT_EQ(window.Ctrl().Rows().VTGetText(6, 2), "Key :([Ctrl]) Up");
  EXPECT_EQ(window.FocusedRow(), 6);

  AnswerModal<TfmRecordConfig>([](TfmRecordConfig& dialog) {
    EXPECT_EQ(dialog.cbRecordStart->currentText(), "F2");
    dialog.cbRecordStart->setCurrentIndex(6);
    dialog.BitBtn1Click();
  });
  window.btnConfigClick();
  EXPECT_EQ(ctrl->Settings().RecordStartHotkey, 6);
  EXPECT_EQ(hotkeys->Registrations().at(kRecordHotkeyId).vk, VK_F1 + 6u);
}

}  // namespace
}  // namespace zorvel
