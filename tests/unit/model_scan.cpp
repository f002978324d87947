#include <gtest/gtest.h>

#include <sys/stat.h>
#include <filesystem>

#include "../support/temp_folder.h"
#include "common/program_folder.h"
#include "model/folder_scan.h"
#include "model/xml_document.h"

namespace zorvel {
namespace {

using test::TempFolder;

std::string Macro(const std::string& name, const std::string& items = "<item/>") {
  return "<?xml version=\"1.0\" encoding=\"utf-8\"?><zorvel Zorvel=\"1.1\" FName=\"" + name +
         "\"><ActionList>" + items + "</ActionList></zorvel>";
}

TEST(ExtensionOf, TakesTheTextAfterTheLastDot) {
  const std::pair<const char*, const char*> cases[] = {
      {"a.xml", "xml"}, {"/f/a.XmL", "XmL"}, {"a.b.xmlold", "xmlold"},  {"a", ""},
      {"a.", ""},       {"/f.d/a", ""},      {"C:\\f.d\\a", ""},        {"f.d\\a", ""},
      {"a.b:c", ""},    {".xml", "xml"},     {"/f/.hidden.xml", "xml"}, {"", ""},
  };
  for (const auto& [path, extension] : cases) EXPECT_EQ(ExtensionOf(path), extension) << path;
}

TEST(IsMacroCandidateName, LooksForXmlInTheUpperCasedExtension) {
  const std::pair<const char*, bool> cases[] = {
      {"a.xml", true},      {"TEST.XML", true}, {"a.XmL", true},    {"a.xmlold", true},
      {"a.oldxml", true},   {"a.txt", false},   {"a.xm", false},    {"a", false},
      {"a.xml.tmp", false}, {"xml", false},     {"a.x-m-l", false}, {"/d.xml/a", false},
  };
  for (const auto& [path, candidate] : cases)
    EXPECT_EQ(IsMacroCandidateName(path), candidate) << path;
}

class ScanFolder : public ::testing::Test {
 protected:
  // FNames of the scanned macros, in scan order, joined with ";".
  std::string ScannedNames() {
    std::string names;
    for (const auto& macro : ScanMacroFolder(document, folder.path())) names += macro->FName + ";";
    return names;
  }
  // The names expected from `byFile` (file name -> FName) in directory order.
  std::string InDirectoryOrder(const std::map<std::string, std::string>& byFile) {
    std::string names;
    for (const auto& entry : std::filesystem::directory_iterator(folder.path())) {
      auto it = byFile.find(entry.path().filename().string());
      if (it != byFile.end()) names += it->second + ";";
    }
    return names;
  }

  TempFolder folder;
  TXMLDocument document;
};

TEST_F(ScanFolder, ListsEveryMacroDocumentInDirectoryOrderAndSkipsTheRest) {
  std::string nineGood;
  for (int i = 0; i < 9; ++i) nineGood += "<item delay=\"1\"/>";
  std::map<std::string, std::string> listed = {
      {"TEST.XML", "Upper"}, {"a.xmlold", "Old"},       {"Test.xml", "Twin"},
      {"Copy.xml", "Twin"},  {".hidden.xml", "Hidden"}, {"ro.xml", "ReadOnly"},
      {"zz.xml", "Zeta"},    {"noname.xml", ""},        {"after.xml", "After"},
  };
  for (const auto& [file, name] : listed)
    folder.Write(file, file == "noname.xml" ? "<zorvel Zorvel=\"1.1\"/>" : Macro(name));
  chmod(folder.File("ro.xml").c_str(), 0444);

  folder.Write("macro.txt", Macro("WrongExtension"));
  folder.Write("noext", Macro("NoExtension"));
  folder.Write("a.xml.tmp", Macro("Temporary"));
  folder.Write("zorvelconfig.xml", "<root><config RecordMouseMove=\"1\"/></root>");
  folder.Write("empty.xml", "");
  folder.Write("binary.xml", std::string("\x00\x01\xff\xfe\x89PNG", 8));
  folder.Write("text.xml", "just some words");
  folder.Write("truncated.xml", Macro("Truncated").substr(0, 60));
  folder.Write("bad10th.xml", Macro("Bad", nineGood + "<item delay=\"ten\"/>"));
  folder.Write("badconfig.xml",
               "<zorvel Zorvel=\"1\" FName=\"BadConfig\"><Config RepeatTimes=\"1x\"/></zorvel>");
  folder.Write("huge.xml", Macro("Huge"));
  std::filesystem::resize_file(folder.File("huge.xml"), TXMLDocument::kMaxFileSize + 1);  // sparse
  std::filesystem::create_directory(folder.File("Macros.xml"));
  folder.Write("Macros.xml/inner.xml", Macro("Inner"));
  mkfifo(folder.File("pipe.xml").c_str(), 0644);
  std::filesystem::create_symlink(folder.File("Macros.xml"), folder.File("link.xml"));

  EXPECT_EQ(ScannedNames(), InDirectoryOrder(listed));
  EXPECT_EQ(ScanMacroFolder(document, folder.path()).Count(), 9u);
  // Nothing was written or removed.
  EXPECT_EQ(folder.Read("bad10th.xml"), Macro("Bad", nineGood + "<item delay=\"ten\"/>"));
  EXPECT_FALSE(folder.Exists("Bad.xml"));
}

TEST_F(ScanFolder, AnEmptyOrMissingFolderGivesAnEmptyList) {
  EXPECT_EQ(ScannedNames(), "");
  EXPECT_EQ(ScanMacroFolder(document, folder.File("missing")).Count(), 0u);
}

TEST_F(ScanFolder, ScannedMacrosHoldTheirDocumentsContent) {
  folder.Write("one.xml",
               "<zorvel Zorvel=\"1.1\" FName=\"One\" FCreateTime=\"d\">"
               "<Config RepeatType=\"1\" RepeatTimes=\"5\"/><ActionList>"
               "<item actionType=\"4\" delay=\"250\"/><item/></ActionList></zorvel>");
  TActionsList macros = ScanMacroFolder(document, folder.path());
  ASSERT_EQ(macros.Count(), 1u);
  const TActionCtrl& macro = *macros.Get(0);
  EXPECT_EQ(macro.FCreateTime, "d");
  EXPECT_EQ(macro.Config.RepeatTimes, 5);
  ASSERT_EQ(macro.Actions.Count(), 2u);
  EXPECT_EQ(macro.Actions.Get(0)->delay, 250);
  EXPECT_EQ(&macro.Document(), &document);
}

TEST_F(ScanFolder, ExamineSaysWhyAFileIsLeftOut) {
  std::filesystem::create_directory(folder.File("dir.xml"));
  folder.Write("huge.xml", "");
  std::filesystem::resize_file(folder.File("huge.xml"), TXMLDocument::kMaxFileSize + 1);
  const std::pair<std::string, std::string> cases[] = {
      {folder.Write("good.xml", Macro("Good")), ""},
      {folder.Write("good.txt", Macro("Good")),
       folder.File("good.txt") +
           ": the extension does not contain \"xml\", so the file is not looked at"},
      {folder.File("missing.xml"), "File not found: " + folder.File("missing.xml")},
      {folder.File("dir.xml"), folder.File("dir.xml") + " is a folder, not a file"},
      {folder.File("huge.xml"), folder.File("huge.xml") + " is too large (268435457 bytes)"},
      {folder.Write("plain.xml", "<a/>"),
       folder.File("plain.xml") +
           " is not a macro document: its document element has no Zorvel attribute"},
      {folder.Write("bad.xml", Macro("Bad", "<item/><item mousePoint=\"x\"/>")),
       folder.File("bad.xml") +
           ": item 2: attribute mousePoint holds \"x\", which is not a 32-bit integer"},
  };
  for (const auto& [path, reason] : cases) {
    TActionCtrl macro(document, folder.path());
    EXPECT_EQ(ExamineMacroFile(macro, path), reason);
  }
}

}  // namespace
}  // namespace zorvel
