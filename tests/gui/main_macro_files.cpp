// The main window and its macro files: each macro is the file it came from (delete, rename,
// replace, Config and Schedule), and documents that another program adds, changes or removes
// reach the list while the window is open.

#include <QTest>
#include <map>

#include "gui/recording/record_view_ctrl.h"
#include "main_fixture.h"
#include "model/folder_scan.h"

namespace zorvel::test {
namespace {

// The recording window's dialogs are never opened by these tests.
class TNoDialogs : public IRecordViewDialogs {
 public:
  bool RunActionEditor(const std::string&, const TActionObj*, TActionObj&) override {
    return false;
  }
  bool RunRecordConfig(TRecordSettings&, const TKeyWarning&) override { return false; }
};

class MacroFiles : public AppFixture {
 protected:
  MacroFiles() {
    // The recording window, closed at once with OK on the name `okName_`.
    recordView_ = [this](TActionCtrlPtr macro) -> TActionCtrlPtr {
      TNoDialogs dialogs;
      TRecordViewCtrl view(Ctrl().RecordServices(), std::move(macro), dialogs);
      view.InitView();
      const bool saved = view.Confirm(okName_);
      view.FormClose();
      return saved ? view.Macro() : nullptr;
    };
  }

  // Writes a macro document under a file name of its own.
  void WriteDocument(const std::string& file, const std::string& name, int delay = 1) {
    Write(file, "<?xml version=\"1.0\"?><zorvel Zorvel=\"1.1\" FName=\"" + name +
                    "\"><ActionList><item actionType=\"4\" delay=\"" + std::to_string(delay) +
                    "\"/></ActionList></zorvel>");
  }
  // Replaces a document through a rename, as a writer of macro documents does.
  void ReplaceDocument(const std::string& file, const std::string& name, int delay) {
    WriteDocument(".incoming", name, delay);
    std::filesystem::rename(File(".incoming"), File(file));
  }

  // "FName@file" of every macro a fresh scan of the folder lists, sorted, joined with ";".
  std::string FreshScan() {
    TXMLDocument document;
    std::multiset<std::string> found;
    for (const auto& macro : ScanMacroFolder(document, folder_))
      found.insert(macro->FName + "@" + std::filesystem::path(macro->FFile).filename().string());
    std::string text;
    for (const std::string& entry : found) text += entry + ";";
    return text;
  }
  // The names the list shows, sorted, joined with ";".
  std::string ListedNames() {
    std::multiset<std::string> names;
    for (int row = 0; row < Rows(); ++row) names.insert(Cell(row, kColumnName));
    std::string text;
    for (const std::string& name : names) text += name + ";";
    return text;
  }
  std::string FocusedName() {
    const QModelIndex current = List().currentIndex();
    return current.isValid() ? Cell(current.row(), kColumnName) : "(none)";
  }
  // Lets the window notice what happened in its folder.
  ::testing::AssertionResult WaitForList(const std::string& names) {
    return test::WaitForValue(
        "the listed names", [&] { return ListedNames(); }, names, test::WithQtEvents());
  }

  std::string okName_;
};

TEST_F(MacroFiles, DeleteRemovesTheFileTheMacroCameFrom) {
  WriteDocument("click_and_wait.xml", "Click and wait");
  WriteDocument("keep.xml", "Keep");
  Open();
  Focus(RowOf("Click and wait"));
  prompt_.QueueAnswer(true);
  View().DeleteMacro();
  EXPECT_EQ(ListedNames(), "Keep;");
  EXPECT_EQ(FreshScan(), "Keep@keep.xml;");
  EXPECT_EQ(prompt_.Asked().size(), 1u) << "no warning about a file left behind";
}

TEST_F(MacroFiles, RenameLeavesOnlyTheNewDocument) {
  WriteDocument("click_and_wait.xml", "Click and wait");
  Open();
  Focus(0);
  okName_ = "Renamed";
  View().EditMacro();
  EXPECT_EQ(ListedNames(), "Renamed;");
  EXPECT_EQ(FocusedName(), "Renamed");
  EXPECT_EQ(FreshScan(), "Renamed@Renamed.xml;");
}

TEST_F(MacroFiles, ConfigAndScheduleWriteNoSecondDocument) {
  WriteDocument("click_and_wait.xml", "Click and wait");
  Open();
  Focus(0);
  editConfig_ = [](TActionConfig& config) { config.Interval = 4321; };
  View().ConfigMacro();
  editSchedule_ = [](TActionSchedule& schedule) { schedule.SelectedTime = "01:02:03"; };
  View().ScheduleMacro();
  EXPECT_EQ(FreshScan(), "Click and wait@click_and_wait.xml;");
  TXMLDocument document;
  TActionCtrl stored(document, folder_);
  ASSERT_TRUE(stored.LoadDocument(File("click_and_wait.xml")));
  EXPECT_EQ(stored.Config.Interval, 4321);
  EXPECT_EQ(stored.Schedule.SelectedTime, "01:02:03");
}

TEST_F(MacroFiles, ReplacingAnotherMacrosDocumentAsksAndTakesItsPlaceInTheList) {
  WriteDocument("A.xml", "A");
  WriteDocument("b.xml", "B");
  WriteDocument("copy.xml", "A");  // another macro of the same name, in a file of its own
  Open();
  Focus(RowOf("B"));
  okName_ = "A";
  View().EditMacro();  // answered No
  EXPECT_EQ(ListedNames(), "A;A;B;");
  ASSERT_EQ(prompt_.Asked().size(), 1u);
  EXPECT_EQ(prompt_.Asked()[0].text,
            "A macro named \"A\" already exists. Do you want to replace it?");

  prompt_.QueueAnswer(true);
  View().EditMacro();
  EXPECT_EQ(ListedNames(), "A;A;");
  EXPECT_EQ(Ctrl().Macros().Count(), 2u);
  EXPECT_EQ(FreshScan(), "A@A.xml;A@copy.xml;");
  EXPECT_EQ(FocusedName(), "A");
}

TEST_F(MacroFiles, ANewMacroOverAnotherMacrosDocumentReplacesItInTheList) {
  WriteDocument("Old.xml", "Old");
  Open();
  okName_ = "Old";
  prompt_.QueueAnswer(true);
  View().NewMacro();
  EXPECT_EQ(ListedNames(), "Old;");
  EXPECT_EQ(FreshScan(), "Old@Old.xml;");
  EXPECT_EQ(Ctrl().Macros().Get(0)->Actions.Count(), 0u) << "the list holds the new macro";
}

// The recording window's rows are what OK saves: a reload while it is open leaves its macro alone,
// so OK still sees that another program changed the document, and asks.
TEST_F(MacroFiles, TheMacroInTheRecordingWindowIsNotReloadedUnderIt) {
  WriteDocument("m.xml", "M", 1);
  Open();
  Focus(0);
  recordView_ = [this](TActionCtrlPtr macro) -> TActionCtrlPtr {
    TNoDialogs dialogs;
    TRecordViewCtrl view(Ctrl().RecordServices(), macro, dialogs);
    view.InitView();
    ReplaceDocument("m.xml", "M", 2);
    View().ReloadChangedDocuments();  // what the folder watcher does while the window is open
    EXPECT_EQ(macro->Actions.Get(0)->delay, 1);
    const bool saved = view.Confirm("M");  // answered No
    view.FormClose();
    return saved ? macro : nullptr;
  };
  View().EditMacro();
  ASSERT_EQ(prompt_.Asked().size(), 1u);
  EXPECT_NE(prompt_.Asked()[0].text.find("was changed by another program"), std::string::npos);
  ASSERT_EQ(Ctrl().Macros().Count(), 1u);
  EXPECT_EQ(Ctrl().Macros().Get(0)->Actions.Get(0)->delay, 2);
  EXPECT_EQ(FreshScan(), "M@m.xml;");
}

// Saves that were killed left their temporary files; the window tidies them up at start.
TEST_F(MacroFiles, TemporaryFilesOfKilledSavesGoAtStart) {
  WriteDocument("kept.xml", "Kept");
  Write(".zorvel-save-4194305-0.tmp", "half a document");  // no process has this id
  const std::string live = ".zorvel-save-" + std::to_string(getpid()) + "-9.tmp";
  Write(live, "being written");
  Open();
  EXPECT_FALSE(Exists(".zorvel-save-4194305-0.tmp"));
  EXPECT_TRUE(Exists(live));
  EXPECT_EQ(ListedNames(), "Kept;");
}

// ------------------------------------------------------------- documents of other programs

// Another program replaced the document before the list heard of it: the window's older copy
// replaces it only when the user says so.
TEST_F(MacroFiles, AStaleCopyReplacesANewerDocumentOnlyWhenTheUserAgrees) {
  WriteDocument("m.xml", "M", 1);
  Open();
  Focus(0);
  ReplaceDocument("m.xml", "M", 2);  // no event loop runs: the window does not know yet
  const std::string theirs = Read("m.xml");
  editConfig_ = [](TActionConfig& config) { config.Interval = 555; };
  View().ConfigMacro();  // answered No
  EXPECT_EQ(Read("m.xml"), theirs);
  ASSERT_EQ(prompt_.Asked().size(), 1u);
  EXPECT_EQ(prompt_.Asked()[0].kind, "Question");
  EXPECT_NE(prompt_.Asked()[0].text.find("was changed by another program"), std::string::npos);

  prompt_.QueueAnswer(true);
  View().ScheduleMacro();
  TXMLDocument document;
  TActionCtrl stored(document, folder_);
  ASSERT_TRUE(stored.LoadDocument(File("m.xml")));
  EXPECT_EQ(stored.Config.Interval, 555);
  EXPECT_EQ(prompt_.Asked().size(), 2u);
  // Once saved, the window's copy is the one on the disk: no question for the next save.
  View().ConfigMacro();
  EXPECT_EQ(prompt_.Asked().size(), 2u);
}

TEST_F(MacroFiles, OkOverANewerDocumentAsksToo) {
  WriteDocument("m.xml", "M", 1);
  Open();
  Focus(0);
  ReplaceDocument("m.xml", "M", 2);
  const std::string theirs = Read("m.xml");
  okName_ = "M";
  View().EditMacro();  // answered No: the window stays open in real use, nothing is written
  EXPECT_EQ(Read("m.xml"), theirs);
  ASSERT_EQ(prompt_.Asked().size(), 1u);
  EXPECT_NE(prompt_.Asked()[0].text.find("was changed by another program"), std::string::npos);
  EXPECT_EQ(FreshScan(), "M@m.xml;");
}

TEST_F(MacroFiles, DocumentsAddedChangedAndRemovedElsewhereReachTheListKeepingTheFocus) {
  WriteDocument("a.xml", "A");
  WriteDocument("b.xml", "B");
  WriteDocument("c.xml", "C");
  Open();
  Focus(RowOf("B"));
  const TActionCtrlPtr b = Ctrl().Macros().Get(static_cast<size_t>(RowOf("B")));

  WriteDocument("d.xml", "D");
  ASSERT_TRUE(WaitForList("A;B;C;D;"));
  ReplaceDocument("b.xml", "B2", 7);
  ASSERT_TRUE(WaitForList("A;B2;C;D;"));
  EXPECT_EQ(b->Actions.Get(0)->delay, 7) << "the changed macro is updated in place";
  std::filesystem::remove(File("c.xml"));
  ASSERT_TRUE(WaitForList("A;B2;D;"));
  WriteDocument("a.xml", "A3", 3);  // rewritten in place, not replaced
  ASSERT_TRUE(WaitForList("A3;B2;D;"));
  EXPECT_EQ(FocusedName(), "B2");
  EXPECT_EQ(Ctrl().Macros().Count(), 3u);
  EXPECT_TRUE(prompt_.Asked().empty());
}

TEST_F(MacroFiles, ARunningMacroIsLeftAloneUntilItsRunEnds) {
  OpenAndRunBusyMacro();
  ASSERT_TRUE(Runs().Running());
  std::filesystem::remove(File("Busy.xml"));
  WriteDocument("other.xml", "Other");
  ASSERT_TRUE(WaitForList("Busy;Other;"));
  EXPECT_TRUE(Runs().Running());
  EXPECT_EQ(Status(RowOf("Busy")), "Running");
  View().StopMacro();
  EXPECT_TRUE(WaitIdle());
  EXPECT_TRUE(WaitForList("Other;")) << "the list follows the folder once the run is over";
}

}  // namespace
}  // namespace zorvel::test
