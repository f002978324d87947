#include <gtest/gtest.h>

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

TEST(ProgramFolder, AMacroDocumentLivesInTheFolderItWasMadeFor) {
  TXMLDocument document;
  TActionCtrl macro(document, "/some/folder");
  macro.FName = "Name";
  EXPECT_EQ(macro.DocumentPath(), "/some/folder/Name.xml");
}

}  // namespace
}  // namespace zorvel
