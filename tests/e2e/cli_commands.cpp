#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sstream>

#include "support_process.h"
#include "temp_folder.h"

namespace zorvel {
namespace {

using test::RunCommand;
using test::TempFolder;

std::string Cli() {
  return test::BuiltProgram("zorvel-cli");
}

std::vector<std::string> SortedLines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  std::sort(lines.begin(), lines.end());
  return lines;
}

class CliCommands : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const auto& entry :
         std::filesystem::directory_iterator(std::string(ZORVEL_SOURCE_DIR) + "/examples"))
      std::filesystem::copy_file(entry.path(), folder.File(entry.path().filename().string()));
  }
  test::CommandResult Run(const std::string& arguments) {
    return RunCommand(Cli() + " " + arguments + " --folder '" + folder.path() + "'");
  }
  TempFolder folder;
  TempFolder other;
};

TEST_F(CliCommands, ListShowsEightCellsPerMacro) {
  folder.Write("zorvelconfig.xml", "<root><config/></root>");
  folder.Write("broken.xml", "<zorvel Zorvel=\"1.1\"");
  auto result = Run("list");
  EXPECT_EQ(result.status, test::Exited(0));
  EXPECT_EQ(SortedLines(result.output),
            (std::vector<std::string>{
                "Click and wait\t12/08/26\tStopped\tCtrl + F5\tCtrl + F6\t5 Times\tevery day\t"
                "09:30:00",
                "Key chords\t12/08/26\tStopped\tCtrl + F7\tCtrl + F8\tOnce\tevery week\tMonday : "
                "08:00:00",
                "Type greeting\t12/08/26\tStopped\tCtrl + F2\tCtrl + F3\tOnce\tnone\tnone",
            }));
  auto empty = RunCommand(Cli() + " list --folder=" + other.path());
  EXPECT_EQ(empty.status, test::Exited(0));
  EXPECT_EQ(empty.output, "");
}

TEST_F(CliCommands, ShowListsTheActionsOfANameOrAFile) {
  const std::string expected =
      "1\tType Text\tTypeText:Hello from Zorvel!\n"
      "2\tDelay\tDelay 500 ms\n"
      "3\tKeyboard\tKey :([Enter]) Press\n"
      "4\tType Text\tTypeText:Grüße, 你好, привет\n"
      "5\tDelay\tDelay 500 ms\n";
  auto byName = Run("show 'Type greeting'");
  EXPECT_EQ(byName.status, test::Exited(0));
  EXPECT_EQ(byName.output, expected);
  auto byFile = RunCommand(Cli() + " show " + folder.File("type_greeting.xml"));
  EXPECT_EQ(byFile.status, test::Exited(0));
  EXPECT_EQ(byFile.output, expected);

  auto missing = Run("show Nobody");
  EXPECT_EQ(missing.status, test::Exited(1));
  EXPECT_EQ(missing.output, "zorvel-cli show: no macro named \"Nobody\" in " + folder.path() +
                                " and no such file\n");
}

TEST_F(CliCommands, CheckSaysOkOrWhyNot) {
  std::filesystem::create_directory(other.File("dir.xml"));
  std::string nine;
  for (int i = 0; i < 9; ++i) nine += "<item/>";
  const std::pair<std::string, std::string> cases[] = {
      {folder.File("key_chords.xml"), "ok\n"},
      {other.File("missing.xml"), "File not found: " + other.File("missing.xml") + "\n"},
      {other.File("dir.xml"), other.File("dir.xml") + " is a folder, not a file\n"},
      {other.Write("empty.xml", ""),
       other.File("empty.xml") +
           " is not well-formed XML (No document element found at line 1, column 1)\n"},
      {other.Write("cut.xml", "<zorvel Zorvel=\"1.1\">\n<ActionList>\n<item"),
       other.File("cut.xml") +
           " is not well-formed XML (Error parsing start element tag at line 3, column 5)\n"},
      {other.Write("plain.xml", "<root/>"),
       other.File("plain.xml") +
           " is not a macro document: its document element has no Zorvel attribute\n"},
      {other.Write("bad.xml", "<zorvel Zorvel=\"1\"><ActionList>" + nine +
                                  "<item key=\"F5\"/></ActionList></zorvel>"),
       other.File("bad.xml") +
           ": item 10: attribute key holds \"F5\", which is not a 32-bit integer\n"},
  };
  for (const auto& [path, output] : cases) {
    auto result = RunCommand(Cli() + " check '" + path + "'");
    EXPECT_EQ(result.output, output);
    EXPECT_EQ(result.status, test::Exited(output == "ok\n" ? 0 : 1)) << path;
  }
}

TEST_F(CliCommands, ImportSavesUnderTheMacroNameAndRefusesToOverwrite) {
  std::string source = folder.File("click_and_wait.xml");
  std::string into = " --folder " + other.path();
  auto first = RunCommand(Cli() + " import " + source + into);
  EXPECT_EQ(first.status, test::Exited(0)) << first.output;
  EXPECT_EQ(first.output,
            "imported \"Click and wait\" to " + other.File("Click and wait.xml") + "\n");
  std::string saved = other.Read("Click and wait.xml");
  EXPECT_EQ(saved.rfind("<?xml version=\"1.0\" encoding=\"utf-8\"?><zorvel Zorvel=\"1.1\"", 0), 0u);

  other.Write("Click and wait.xml", "precious");
  auto again = RunCommand(Cli() + " import " + source + into);
  EXPECT_EQ(again.status, test::Exited(1));
  EXPECT_NE(again.output.find("already exists; use --force"), std::string::npos);
  EXPECT_EQ(other.Read("Click and wait.xml"), "precious");

  EXPECT_EQ(RunCommand(Cli() + " import " + source + " --force" + into).status, test::Exited(0));
  EXPECT_EQ(other.Read("Click and wait.xml"), saved);

  EXPECT_EQ(RunCommand(Cli() + " import " + source + " --name Renamed" + into).status,
            test::Exited(0));
  auto list = RunCommand(Cli() + " list" + into);
  EXPECT_EQ(SortedLines(list.output).size(), 2u);
  EXPECT_NE(list.output.find("Renamed\t"), std::string::npos);

  std::string before = other.Listing();
  for (const char* name : {"zorvelconfig", "../up", "a/b", "."}) {
    auto refused = RunCommand(Cli() + " import " + source + " --name '" + name + "'" + into);
    EXPECT_EQ(refused.status, test::Exited(1)) << name;
    EXPECT_NE(refused.output.find(std::string("The macro name \"") + name + "\""),
              std::string::npos)
        << refused.output;
  }
  folder.Write("bad.xml", "<zorvel Zorvel=\"1\" FName=\"Bad\"><Config Interval=\"x\"/></zorvel>");
  EXPECT_EQ(RunCommand(Cli() + " import " + folder.File("bad.xml") + into).status, test::Exited(1));
  EXPECT_EQ(other.Listing(), before);
}

TEST_F(CliCommands, UsageErrorsExitWithTwo) {
  const std::pair<std::string, int> cases[] = {
      {"", 2},
      {"frobnicate", 2},
      {"list extra", 2},
      {"list --bogus", 2},
      {"show", 2},
      {"show a b", 2},
      {"import", 2},
      {"import x --name", 2},
      {"check --force x", 2},
      {"--help", 0},
      {"list --help", 0},
      {"import --help", 0},
      {"list --folder /nonexistent/folder", 1},
  };
  for (const auto& [arguments, code] : cases)
    EXPECT_EQ(RunCommand(Cli() + " " + arguments).status, test::Exited(code)) << arguments;
  auto help = RunCommand(Cli() + " show --help");
  EXPECT_EQ(help.output.rfind("usage: zorvel-cli show NAME|FILE", 0), 0u);
}

TEST_F(CliCommands, ControlCharactersReachTheTerminalEscaped) {
  // A document whose name and text would set the terminal title and clear the screen.
  const std::string name = "evil&#x1b;]0;owned&#x7;&#x1b;[2J&#x9b;31m";
  folder.Write("evil.xml", "<zorvel Zorvel=\"1.1\" FName=\"" + name +
                               "\" FCreateTime=\"12/08/26\"><ActionList><item actionType=\"3\" "
                               "typeText=\"a&#x1b;[1;1Hb\"/></ActionList></zorvel>");
  const std::string shown = "evil\\x1b]0;owned\\x07\\x1b[2J\\xc2\\x9b31m";
  auto nameOf = [](const std::string& escaped) { return "'" + escaped + "'"; };
  const std::string rawName = "$(printf 'evil\\033]0;owned\\007\\033[2J\\302\\23331m')";
  const test::CommandResult results[] = {
      Run("list"),
      Run("show \"" + rawName + "\""),
      RunCommand(Cli() + " check " + folder.File("evil.xml")),
      Run("play \"" + rawName + "\" --folder /nonexistent"),
      Run("show " + nameOf("nobody\x1b[2J")),
  };
  for (const auto& result : results) {
    EXPECT_EQ(result.output.find('\x1b'), std::string::npos) << result.output;
    EXPECT_EQ(result.output.find('\x07'), std::string::npos) << result.output;
    EXPECT_EQ(result.output.find("\xc2\x9b"), std::string::npos) << result.output;
  }
  EXPECT_NE(results[0].output.find(shown + "\t12/08/26"), std::string::npos) << results[0].output;
  EXPECT_EQ(results[1].output, "1\tType Text\tTypeText:a\\x1b[1;1Hb\n");
  EXPECT_EQ(results[2].output, "ok\n");
  EXPECT_NE(results[4].output.find("\"nobody\\x1b[2J\""), std::string::npos) << results[4].output;
}

TEST_F(CliCommands, OutputThatCannotBeWrittenIsAFailure) {
  const std::string commands[] = {"list", "show 'Type greeting'",
                                  "check " + folder.File("type_greeting.xml")};
  for (const std::string& command : commands) {
    const auto full = RunCommand("{ " + Cli() + " " + command + " --folder '" + folder.path() +
                                 "' >/dev/full; }");
    EXPECT_EQ(full.status, test::Exited(1)) << command;
    EXPECT_NE(full.output.find("cannot write the output: No space left on device"),
              std::string::npos)
        << command << ": " << full.output;
  }
}

}  // namespace
}  // namespace zorvel
