#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include <unistd.h>
#include <cstdlib>
#include <filesystem>

#include "../support/temp_folder.h"
#include "common/error.h"
#include "common/program_folder.h"
#include "model/action_ctrl.h"
#include "model/xml_document.h"

namespace zorvel {
namespace {

using test::TempFolder;

// Sets an environment variable for the life of the object.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    had_ = std::getenv(name) != nullptr;
    value ? setenv(name, value, 1) : unsetenv(name);
  }
  ~ScopedEnv() { had_ ? setenv(name_, old_.c_str(), 1) : unsetenv(name_); }

 private:
  const char* name_;
  std::string old_;
  bool had_ = false;
};

TEST(ProgramFolder, TheFolderOptionWinsAndMustExist) {
  TempFolder folder;
  std::filesystem::create_directory(folder.File("macros"));
  EXPECT_EQ(ResolveProgramFolder("/usr/bin/zorvel", folder.path() + "/./macros/"),
            folder.File("macros"));
  EXPECT_EQ(ResolveProgramFolder("", "/"), "/");
  try {
    ResolveProgramFolder("/usr/bin/zorvel", folder.File("missing"));
    ADD_FAILURE();
  } catch (const Error& error) {
    EXPECT_EQ(std::string(error.what()), "Not a folder: " + folder.File("missing"));
  }
  folder.Write("file", "");
  EXPECT_THROW(ResolveProgramFolder("/usr/bin/zorvel", folder.File("file")), Error);
}

TEST(ProgramFolder, TheExecutablesFolderWhenItIsWritable) {
  TempFolder folder;
  EXPECT_EQ(ResolveProgramFolder(folder.File("zorvel")), folder.path());
}

TEST(ProgramFolder, OtherwiseTheUserDataFolderCreatedOnFirstUse) {
  TempFolder data;
  {
    ScopedEnv xdg("XDG_DATA_HOME", data.File("xdg").c_str());
    EXPECT_EQ(ResolveProgramFolder("/no/such/folder/zorvel"), data.File("xdg/zorvel"));
    EXPECT_TRUE(std::filesystem::is_directory(data.File("xdg/zorvel")));
  }
  for (const char* xdgValue : {static_cast<const char*>(nullptr), "", "relative/path"}) {
    ScopedEnv xdg("XDG_DATA_HOME", xdgValue);
    ScopedEnv home("HOME", data.path().c_str());
    EXPECT_EQ(ResolveProgramFolder("/no/such/folder/zorvel"), data.File(".local/share/zorvel"));
  }
  ScopedEnv xdg("XDG_DATA_HOME", nullptr);
  ScopedEnv home("HOME", nullptr);
  EXPECT_THROW(ResolveProgramFolder("/no/such/folder/zorvel"), Error);
}

// An installed program: PREFIX/bin/zorvel beside PREFIX/share/zorvel/examples, and a user data
// folder of its own under XDG_DATA_HOME.
class InstalledProgram : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directories(root_.File("prefix/bin"));
    std::filesystem::create_directories(root_.File("prefix/share/zorvel/examples"));
    root_.Write("prefix/share/zorvel/examples/one.xml", "<Macro Zorvel=\"1\"/>");
    root_.Write("prefix/share/zorvel/examples/two.xml", "<Macro Zorvel=\"2\"/>");
    std::filesystem::create_directories(root_.File("xdg"));
  }

  std::string Executable() const { return root_.File("prefix/bin/zorvel"); }
  std::string DataFolder() const { return root_.File("xdg/zorvel"); }
  std::string Resolve() const { return ResolveProgramFolder(Executable()); }
  // The data folder's entries, sorted, each with its content.
  std::string DataListing() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(DataFolder()))
      names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    std::string listing;
    for (const auto& name : names) listing += name + "=" + root_.Read("xdg/zorvel/" + name) + ";";
    return listing;
  }

  TempFolder root_;
  ScopedEnv xdg_{"XDG_DATA_HOME", root_.File("xdg").c_str()};
};

TEST_F(InstalledProgram, FirstStartCreatesTheDataFolderWithTheExamplesEvenWhenBinIsWritable) {
  EXPECT_EQ(Resolve(), DataFolder());
  EXPECT_EQ(DataListing(), "one.xml=<Macro Zorvel=\"1\"/>;two.xml=<Macro Zorvel=\"2\"/>;");
  // Built under another name and renamed: nothing else is left beside it.
  EXPECT_EQ(TempFolder::ListingOf(root_.File("xdg")), "zorvel;");
}

TEST_F(InstalledProgram, LaterStartsNeverCopyTheExamplesAgain) {
  Resolve();
  std::filesystem::remove(DataFolder() + "/one.xml");
  root_.Write("xdg/zorvel/two.xml", "changed");
  EXPECT_EQ(Resolve(), DataFolder());
  EXPECT_EQ(DataListing(), "two.xml=changed;");
}

TEST_F(InstalledProgram, AFolderTheUserMadeIsLeftAsItIs) {
  std::filesystem::create_directories(DataFolder());
  EXPECT_EQ(Resolve(), DataFolder());
  EXPECT_EQ(DataListing(), "");
}

TEST_F(InstalledProgram, WithoutExamplesTheFolderIsCreatedEmpty) {
  std::filesystem::remove_all(root_.File("prefix/share/zorvel/examples"));
  EXPECT_EQ(Resolve(), DataFolder());
  EXPECT_EQ(DataListing(), "");
}

TEST_F(InstalledProgram, AFileInTheWayIsAnErrorAndStaysUntouched) {
  root_.Write("xdg/zorvel", "my notes");
  try {
    Resolve();
    ADD_FAILURE();
  } catch (const Error& error) {
    EXPECT_EQ(std::string(error.what()),
              "Cannot create the folder " + DataFolder() + ": a file of that name is in the way");
  }
  EXPECT_EQ(root_.Read("xdg/zorvel"), "my notes");
  EXPECT_EQ(TempFolder::ListingOf(root_.File("xdg")), "zorvel;");
}

TEST_F(InstalledProgram, AnUnreadableExampleLeavesNoHalfFilledFolder) {
  if (geteuid() == 0) GTEST_SKIP() << "root reads every file";
  std::filesystem::permissions(root_.File("prefix/share/zorvel/examples/two.xml"),
                               std::filesystem::perms::none);
  EXPECT_THROW(Resolve(), Error);
  EXPECT_EQ(TempFolder::ListingOf(root_.File("xdg")), "");
  std::filesystem::permissions(root_.File("prefix/share/zorvel/examples/two.xml"),
                               std::filesystem::perms::owner_read);
  EXPECT_EQ(Resolve(), DataFolder());
  EXPECT_EQ(DataListing(), "one.xml=<Macro Zorvel=\"1\"/>;two.xml=<Macro Zorvel=\"2\"/>;");
}

TEST(ProgramFolder, AReadOnlyBuildFolderUsesTheUserDataFolderWithoutExamples) {
  if (geteuid() == 0) GTEST_SKIP() << "root may write into any folder";
  TempFolder folder;
  std::filesystem::create_directories(folder.File("build"));
  std::filesystem::permissions(folder.File("build"), std::filesystem::perms::owner_read |
                                                         std::filesystem::perms::owner_exec);
  ScopedEnv xdg("XDG_DATA_HOME", folder.File("xdg").c_str());
  EXPECT_EQ(ResolveProgramFolder(folder.File("build/zorvel")), folder.File("xdg/zorvel"));
  EXPECT_EQ(TempFolder::ListingOf(folder.File("xdg/zorvel")), "");
}

TEST(ProgramFolder, AMacroDocumentLivesInTheFolderItWasMadeFor) {
  TXMLDocument document;
  TActionCtrl macro(document, "/some/folder");
  macro.FName = "Name";
  EXPECT_EQ(macro.DocumentPath(), "/some/folder/Name.xml");
}

}  // namespace
}  // namespace zorvel
