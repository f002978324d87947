// A macro is the file it was loaded from: saves, renames and deletes go to that file, and a fresh
// scan afterwards lists every macro once. A rescan merged into a list keeps the macros' objects.

#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "../support/temp_folder.h"
#include "common/error.h"
#include "model/folder_scan.h"
#include "model/xml_document.h"

namespace zorvel {
namespace {

using test::TempFolder;

std::string Document(const std::string& name, const std::string& items = "") {
  return "<?xml version=\"1.0\" encoding=\"utf-8\"?><zorvel Zorvel=\"1.1\" FName=\"" + name +
         "\"><ActionList>" + items + "</ActionList></zorvel>";
}

class MacroFiles : public ::testing::Test {
 protected:
  // "FName@file" of every macro a fresh scan lists, sorted, joined with ";".
  std::string FreshScan() {
    std::map<std::string, int> found;
    for (const auto& macro : ScanMacroFolder(document, folder.path()))
      ++found[macro->FName + "@" + std::filesystem::path(macro->FFile).filename().string()];
    std::string text;
    for (const auto& [entry, count] : found)
      text += entry + (count > 1 ? "x" + std::to_string(count) : "") + ";";
    return text;
  }
  TActionCtrlPtr Load(const std::string& file) {
    auto macro = std::make_shared<TActionCtrl>(document, folder.path());
    EXPECT_TRUE(macro->LoadDocument(folder.File(file)));
    return macro;
  }

  TempFolder folder;
  TXMLDocument document;
};

TEST_F(MacroFiles, SaveAndDeleteUseTheFileTheMacroCameFrom) {
  folder.Write("click_and_wait.xml", Document("Click and wait"));
  auto macro = Load("click_and_wait.xml");
  EXPECT_EQ(macro->FFile, folder.File("click_and_wait.xml"));
  EXPECT_EQ(macro->DocumentPath(), folder.File("click_and_wait.xml"));
  macro->Config.Interval = 77;
  macro->SaveDocument();
  EXPECT_EQ(FreshScan(), "Click and wait@click_and_wait.xml;");
  EXPECT_EQ(Load("click_and_wait.xml")->Config.Interval, 77);
  macro->DeleteDocument();
  EXPECT_EQ(FreshScan(), "");
  EXPECT_EQ(folder.Listing(), "");
}

// A loaded macro keeps its file even when its name could not be a file name.
TEST_F(MacroFiles, AMacroWithAFileNeedsNoFileNameForItsName) {
  folder.Write("odd.xml", Document("a/b"));
  auto macro = Load("odd.xml");
  EXPECT_NO_THROW(macro->SaveDocument());
  EXPECT_NO_THROW(macro->DeleteDocument());
  EXPECT_EQ(folder.Listing(), "");
  TActionCtrl fresh(document, folder.path());
  fresh.FName = "a/b";
  EXPECT_THROW(fresh.SaveDocument(), Error);
}

TEST_F(MacroFiles, RenamingWritesTheNewFileThenRemovesTheOld) {
  struct Case {
    const char* from;
    const char* name;
    std::string listed;
  };
  const Case cases[] = {
      {"click_and_wait.xml", "Renamed", "Renamed@Renamed.xml;"},
      {"click_and_wait.xml", "click_and_wait", "click_and_wait@click_and_wait.xml;"},
      {"Same.xml", "Same", "Same@Same.xml;"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    folder.Write(c.from, Document("Click and wait", "<item delay=\"5\"/>"));
    auto macro = Load(c.from);
    macro->SaveDocumentAs(c.name);
    EXPECT_EQ(macro->FName, c.name);
    EXPECT_EQ(macro->FFile, folder.File(std::string(c.name) + ".xml"));
    EXPECT_EQ(FreshScan(), c.listed);
    EXPECT_EQ(Load(std::string(c.name) + ".xml")->Actions.Get(0)->delay, 5);
    macro->DeleteDocument();
  }
}

TEST_F(MacroFiles, AFailedRenameKeepsTheOldFileAndName) {
  folder.Write("old.xml", Document("Old"));
  auto macro = Load("old.xml");
  std::filesystem::create_directory(folder.File("New.xml"));
  EXPECT_THROW(macro->SaveDocumentAs("New"), Error);
  EXPECT_THROW(macro->SaveDocumentAs("x/y"), Error);
  EXPECT_EQ(macro->FName, "Old");
  EXPECT_EQ(macro->FFile, folder.File("old.xml"));
  EXPECT_EQ(FreshScan(), "Old@old.xml;");
}

TEST_F(MacroFiles, ANewMacroIsSavedUnderItsName) {
  TActionCtrl macro(document, folder.path());
  macro.FName = "Fresh";
  EXPECT_EQ(macro.DocumentPath(), folder.File("Fresh.xml"));
  macro.SaveDocument();
  EXPECT_EQ(macro.FFile, folder.File("Fresh.xml"));
  EXPECT_EQ(macro.FFileStamp, StampOf(folder.File("Fresh.xml")));
  macro.FName = "Other";  // a name changed in memory does not move the file
  macro.SaveDocument();
  EXPECT_EQ(FreshScan(), "Other@Fresh.xml;");
}

// --- merging a rescan -------------------------------------------------------------------------

class Rescan : public MacroFiles {
 protected:
  // FNames of the list, in order, joined with ";".
  static std::string Names(const TActionsList& macros) {
    std::string names;
    for (const auto& macro : macros) names += macro->FName + ";";
    return names;
  }
  // Replaces a document through a rename, as every writer of ours does.
  void Replace(const std::string& file, const std::string& text) {
    folder.Write(".next", text);
    std::filesystem::rename(folder.File(".next"), folder.File(file));
  }
};

TEST_F(Rescan, KeepsUnchangedMacrosUpdatesChangedOnesInPlaceAndFollowsTheFolder) {
  folder.Write("a.xml", Document("A"));
  folder.Write("b.xml", Document("B"));
  folder.Write("c.xml", Document("C"));
  TActionsList macros = ScanMacroFolder(document, folder.path());
  std::map<std::string, TActionCtrlPtr> before;
  for (const auto& macro : macros) before[macro->FName] = macro;
  const std::string order = Names(macros);

  EXPECT_FALSE(MergeRescan(macros, ScanMacroFolder(document, folder.path()), {}));
  EXPECT_EQ(Names(macros), order);

  Replace("b.xml", Document("B2", "<item delay=\"9\"/>"));
  std::filesystem::remove(folder.File("c.xml"));
  folder.Write("d.xml", Document("D"));
  folder.Write("broken.xml", "<zorvel");
  EXPECT_TRUE(MergeRescan(macros, ScanMacroFolder(document, folder.path()), {}));
  std::string expected = order;
  expected.replace(expected.find("B;"), 2, "B2;");
  expected.erase(expected.find("C;"), 2);
  EXPECT_EQ(Names(macros), expected + "D;");
  EXPECT_EQ(macros.Get(macros.IndexOf(before["A"].get()))->FName, "A");
  ASSERT_GE(macros.IndexOf(before["B"].get()), 0) << "the changed macro is the same object";
  EXPECT_EQ(before["B"]->Actions.Get(0)->delay, 9);
  EXPECT_EQ(before["B"]->FFileStamp, StampOf(folder.File("b.xml")));
}

// A rescan reads only files that changed: a known macro whose file has its stamp is listed itself.
TEST_F(Rescan, ReadsOnlyTheFilesThatChanged) {
  folder.Write("same.xml", Document("Same"));
  folder.Write("changed.xml", Document("Changed"));
  TActionsList known = ScanMacroFolder(document, folder.path());
  for (const auto& macro : known) macro->FCreateTime = "only in memory";
  Replace("changed.xml", Document("Changed2"));
  const TActionsList rescanned = RescanMacroFolder(document, folder.path(), known);
  ASSERT_EQ(rescanned.Count(), 2u);
  for (const auto& macro : rescanned) {
    const bool reused = known.IndexOf(macro.get()) >= 0;
    EXPECT_EQ(reused, macro->FFile == folder.File("same.xml")) << macro->FFile;
    EXPECT_EQ(macro->FCreateTime, reused ? "only in memory" : "");
  }
}

TEST_F(Rescan, APinnedMacroStaysAsItIsWhateverHappensToItsFile) {
  folder.Write("run.xml", Document("Run"));
  folder.Write("other.xml", Document("Other"));
  TActionsList macros = ScanMacroFolder(document, folder.path());
  const TActionCtrlPtr running = macros.Get(macros.Get(0)->FName == "Run" ? 0 : 1);
  running->FRunning = true;
  const auto pinned = [&](const TActionCtrl& macro) { return &macro == running.get(); };

  Replace("run.xml", Document("Changed"));
  MergeRescan(macros, ScanMacroFolder(document, folder.path()), pinned);
  EXPECT_EQ(running->FName, "Run");
  EXPECT_EQ(macros.Count(), 2u);

  std::filesystem::remove(folder.File("run.xml"));
  std::filesystem::remove(folder.File("other.xml"));
  EXPECT_TRUE(MergeRescan(macros, ScanMacroFolder(document, folder.path()), pinned));
  EXPECT_EQ(Names(macros), "Run;");
  // Unpinned, a changed macro keeps its running flag while it takes the new content.
  folder.Write("run.xml", Document("Back"));
  EXPECT_TRUE(MergeRescan(macros, ScanMacroFolder(document, folder.path()), {}));
  EXPECT_EQ(Names(macros), "Back;");
  EXPECT_EQ(macros.Get(0), running);
  EXPECT_TRUE(running->FRunning);
}

}  // namespace
}  // namespace zorvel
