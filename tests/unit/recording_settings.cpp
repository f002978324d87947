#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "../support/temp_folder.h"
#include "common/error.h"
#include "model/xml_document.h"
#include "recording/record_settings.h"

namespace zorvel {
namespace {

namespace fs = std::filesystem;

using test::ReadFile;
using test::WriteFile;

class SettingsDocument : public testing::Test {
 protected:
  SettingsDocument() : folder(temp.path()), path(temp.File("zorvelconfig.xml")) {}

  void WriteConfig(const std::string& attributes, const std::string& element = "config") {
    WriteFile(path, "<root versionNo=\"2.0\"><" + element + " " + attributes + "/></root>");
  }

  test::TempFolder temp;
  std::string folder;
  std::string path;
  TXMLDocument document;
};

TEST_F(SettingsDocument, MissingFileIsCreatedWithTheDefaultText) {
  TRecordSettings settings;
  LoadSettings(document, folder, settings);
  const std::string expected =
      " <root versionNo=\"2.0\" generated=\"https://zorvel.org/\">                 "
      "<config RecordMouseMove=\"True\" RecordKeyBoard=\"True\" RecordStartHotkey=\"1\" "
      "RecordStopHotkey=\"2\" />           </root>" +
      std::string(79, ' ');
  EXPECT_EQ(ReadFile(path), expected);
  EXPECT_EQ(settings, (TRecordSettings{true, true, 1, 2}));
  EXPECT_EQ(std::vector<fs::path>(fs::directory_iterator(folder), fs::directory_iterator()),
            std::vector<fs::path>{fs::path(path)})
      << "no temporary file is left behind";
}

TEST_F(SettingsDocument, ValuesAreTakenAsTheyAreFromAnyFirstElement) {
  struct Case {
    const char* text;
    TRecordSettings expected;
  };
  const std::vector<Case> cases = {
      {"<root><options RecordMouseMove=\"False\" RecordKeyBoard=\"True\" RecordStartHotkey=\"15\" "
       "RecordStopHotkey=\"-3\"/></root>",
       {false, true, 15, -3}},
      {"<root><!-- note --><config RecordMouseMove=\"true\" RecordKeyBoard=\"FALSE\" "
       "RecordStartHotkey=\"0\" RecordStopHotkey=\"11\"/><config "
       "RecordMouseMove=\"False\"/></root>",
       {true, false, 0, 11}},
      {"<root><config RecordMouseMove=\"1\" RecordKeyBoard=\"0\" RecordStartHotkey=\"2147483647\" "
       "RecordStopHotkey=\"-2147483648\"/></root>",
       {true, false, INT32_MAX, INT32_MIN}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    WriteFile(path, c.text);
    TRecordSettings settings;
    LoadSettings(document, folder, settings);
    EXPECT_EQ(settings, c.expected);
  }
}

TEST_F(SettingsDocument, BadValuesAreErrorsNamingTheAttribute) {
  const std::string good = "RecordMouseMove=\"True\" RecordKeyBoard=\"True\" ";
  struct Case {
    std::string attributes;
    std::string named;
    TRecordSettings loadedBefore;  // what the fields hold when the error comes
  };
  const std::vector<Case> cases = {
      {"RecordMouseMove=\"yes\"", "RecordMouseMove", {}},
      {"RecordMouseMove=\"\"", "RecordMouseMove", {}},
      {"RecordMouseMove=\" True\"", "RecordMouseMove", {}},
      {"RecordMouseMove=\"False\" RecordKeyBoard=\"2\"", "RecordKeyBoard", {}},
      {"RecordMouseMove=\"True\"", "RecordKeyBoard", {true}},
      {good + "RecordStartHotkey=\"abc\" RecordStopHotkey=\"2\"",
       "RecordStartHotkey",
       {true, true}},
      {good + "RecordStartHotkey=\"1x\" RecordStopHotkey=\"2\"", "RecordStartHotkey", {true, true}},
      {good + "RecordStartHotkey=\"\" RecordStopHotkey=\"2\"", "RecordStartHotkey", {true, true}},
      {good + "RecordStartHotkey=\"1\" RecordStopHotkey=\"4294967297\"",
       "RecordStopHotkey",
       {true, true, 1}},
      {good + "RecordStartHotkey=\"1\"", "RecordStopHotkey", {true, true, 1}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.attributes);
    WriteConfig(c.attributes);
    TRecordSettings settings;
    try {
      LoadSettings(document, folder, settings);
      ADD_FAILURE() << "no error";
    } catch (const Error& error) {
      EXPECT_NE(std::string(error.what()).find(c.named), std::string::npos) << error.what();
    }
    EXPECT_EQ(settings, c.loadedBefore);
  }
}

TEST_F(SettingsDocument, DocumentsThatAreNoSettingsAreErrors) {
  for (const char* text : {"<root/>", "<root>text only</root>", "<root><config", ""}) {
    SCOPED_TRACE(text);
    WriteFile(path, text);
    TRecordSettings settings;
    EXPECT_THROW(LoadSettings(document, folder, settings), Error);
    EXPECT_EQ(ReadFile(path), text) << "a bad file is left as it is";
  }
}

TEST_F(SettingsDocument, SaveSetsOnlyTheFourAttributes) {
  WriteFile(path,
            "<root versionNo=\"2.0\" generated=\"https://example.org/\" extra=\"x\">"
            "<config RecordMouseMove=\"True\" RecordKeyBoard=\"True\" RecordStartHotkey=\"1\" "
            "RecordStopHotkey=\"2\" Theme=\"dark\"/><other a=\"b\"/></root>");
  SaveSettings(document, folder, TRecordSettings{false, true, 7, 15});

  TXMLDocument reread;
  reread.LoadFromFile(path);
  pugi::xml_node root = reread.DocumentElement();
  EXPECT_STREQ(root.name(), "root");
  EXPECT_STREQ(root.attribute("versionNo").value(), "2.0");
  EXPECT_STREQ(root.attribute("generated").value(), "https://example.org/");
  EXPECT_STREQ(root.attribute("extra").value(), "x");
  pugi::xml_node config = root.child("config");
  EXPECT_STREQ(config.attribute("RecordMouseMove").value(), "False");
  EXPECT_STREQ(config.attribute("RecordKeyBoard").value(), "True");
  EXPECT_STREQ(config.attribute("RecordStartHotkey").value(), "7");
  EXPECT_STREQ(config.attribute("RecordStopHotkey").value(), "15");
  EXPECT_STREQ(config.attribute("Theme").value(), "dark");
  EXPECT_STREQ(root.child("other").attribute("a").value(), "b");

  TRecordSettings loaded;
  LoadSettings(document, folder, loaded);
  EXPECT_EQ(loaded, (TRecordSettings{false, true, 7, 15}));
}

TEST_F(SettingsDocument, SaveRecreatesAMissingFileAndLeavesADamagedOneAlone) {
  SaveSettings(document, folder, TRecordSettings{true, false, 3, 4});
  TRecordSettings loaded;
  LoadSettings(document, folder, loaded);
  EXPECT_EQ(loaded, (TRecordSettings{true, false, 3, 4}));

  WriteFile(path, "<root><config RecordMouseMove=");
  EXPECT_THROW(SaveSettings(document, folder, TRecordSettings{}), Error);
  EXPECT_EQ(ReadFile(path), "<root><config RecordMouseMove=");
}

TEST_F(SettingsDocument, FolderWhereTheFileCannotBeWrittenIsAnError) {
  TRecordSettings settings;
  EXPECT_THROW(LoadSettings(document, folder + "/missing", settings), Error);
  EXPECT_THROW(SaveSettings(document, folder + "/missing", settings), Error);
  EXPECT_FALSE(fs::exists(folder + "/missing"));
  EXPECT_EQ(settings, TRecordSettings{});
}

}  // namespace
}  // namespace zorvel
