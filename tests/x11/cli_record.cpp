// zorvel-cli record against a real X server: xdotool gives the input and presses the stop key.

#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "input_test_tools.h"
#include "model/action_ctrl.h"
#include "model/xml_document.h"
#include "recording/record_settings.h"
#include "support_process.h"
#include "temp_folder.h"
#include "test_actions.h"
#include "wait_until.h"

namespace zorvel {
namespace {

namespace fs = std::filesystem;

using test::ReadFile;
using test::Xdotool;

// zorvel-cli record running in the background, its stdout and stderr captured.
class RecordProcess {
 public:
  // `arguments` as a shell reads them; `environment`: a NAME=VALUE for the program, or "".
  RecordProcess(const std::string& arguments, const std::string& folder,
                const std::string& environment = "")
      : process_({"/bin/sh", "-c",
                  "exec " + test::BuiltProgram("zorvel-cli") + " record " + arguments +
                      " --folder " + folder},
                 test::TChildOptions()
                     .WithEnvironment(environment.empty() ? std::vector<std::string>{}
                                                          : std::vector<std::string>{environment})
                     .WithOutput(test::TStream::Capture)
                     .WithErrors(test::TStream::Capture)
                     .WithEndSignal(SIGKILL)) {}

  ::testing::AssertionResult WaitRecording() const {
    return test::WaitUntil(
        "\"Recording\" on stderr", [&] { return Err().find("Recording") != std::string::npos; },
        [&] { return "stderr: " + ::testing::PrintToString(Err()); }, {std::chrono::seconds(10)});
  }
  void Signal(int signal) const { process_.Signal(signal); }
  test::TExitStatus Wait() { return process_.Wait(); }
  std::string Out() const { return process_.Output(); }
  std::string Err() const { return process_.Errors(); }

 private:
  test::TChildProcess process_;
};

class RecordCli : public testing::Test {
 protected:
  RecordCli() : folder(root.File("macros")) {
    fs::create_directories(folder);
    Xdotool("mousemove 0 0");
  }

  TActionList Load(const std::string& name) {
    TActionCtrl macro(document, folder);
    EXPECT_TRUE(macro.LoadDocument(folder + "/" + name + ".xml"));
    return macro.Actions;
  }

  test::TempFolder root;
  std::string folder;
  TXMLDocument document;
};

// The actions as test::ActionKind texts.
std::vector<std::string> Kinds(const TActionList& actions) {
  std::vector<std::string> kinds;
  for (const auto& action : actions) kinds.push_back(test::ActionKind(*action));
  return kinds;
}

std::vector<std::string> WithDelays(const std::vector<std::string>& inputs) {
  std::vector<std::string> kinds;
  for (const std::string& input : inputs) {
    if (!kinds.empty()) kinds.push_back("delay");
    kinds.push_back(input);
  }
  return kinds;
}

TEST_F(RecordCli, RecordsUntilTheStopKeyThenAppendsUntilASignal) {
  std::string firstOut;
  {
    RecordProcess record("demo", folder);
    ASSERT_TRUE(record.WaitRecording());
    Xdotool("mousemove 10 20 click 1 key b");
    Xdotool("key alt+F3");
    ASSERT_EQ(record.Wait(), test::Exited(0)) << record.Err();
    firstOut = record.Out();
  }
  EXPECT_EQ(ReadFile(folder + "/zorvelconfig.xml"), DefaultSettingsText());
  // The stop key is not part of the recording: played back, it would press Alt+F3 into the
  // window and hold Alt into the next pass.
  const auto first = Kinds(Load("demo"));
  EXPECT_EQ(first, WithDelays({"move 10,20", "click 0/2 10,20", "click 0/3 10,20", "key 66/0",
                               "key 66/1"}));
  EXPECT_EQ(firstOut, std::to_string(first.size()) + " actions recorded into \"demo\"\n");

  {
    RecordProcess record("demo --append", folder);
    ASSERT_TRUE(record.WaitRecording());
    Xdotool("key c");
    record.Signal(SIGTERM);
    ASSERT_EQ(record.Wait(), test::Exited(0)) << record.Err();
    EXPECT_EQ(record.Out(), "3 actions recorded into \"demo\"\n");
  }
  auto both = first;
  for (const char* more : {"key 67/0", "delay", "key 67/1"}) both.push_back(more);
  EXPECT_EQ(Kinds(Load("demo")), both);
}

TEST_F(RecordCli, FiltersAndStopKeyComeFromTheSettingsDocument) {
  std::ofstream(folder + "/zorvelconfig.xml")
      << "<root><config RecordMouseMove=\"False\" RecordKeyBoard=\"False\" RecordStartHotkey=\"0\" "
         "RecordStopHotkey=\"5\" Other=\"kept\"/></root>";
  RecordProcess record("quiet", folder);
  ASSERT_TRUE(record.WaitRecording());
  EXPECT_NE(record.Err().find("Alt+F6"), std::string::npos) << record.Err();
  Xdotool("mousemove 5 6 click 3 key d key alt+F3");
  Xdotool("key alt+F6");
  ASSERT_EQ(record.Wait(), test::Exited(0)) << record.Err();
  EXPECT_EQ(Kinds(Load("quiet")), WithDelays({"click 1/2 5,6", "click 1/3 5,6"}));
  EXPECT_NE(ReadFile(folder + "/zorvelconfig.xml").find("Other=\"kept\""), std::string::npos);
}

TEST_F(RecordCli, RefusesWhatWouldLoseOrMisplaceDataBeforeRecording) {
  std::ofstream(folder + "/kept.xml") << "<zorvel Zorvel=\"1.1\"/>";
  std::ofstream(folder + "/notes.xml") << "<notes>not a macro</notes>";
  const std::string kept = ReadFile(folder + "/kept.xml");
  struct Case {
    std::string arguments;
    std::string message;
  };
  const std::vector<Case> cases = {
      {"kept", "exists already"},
      {"notes", "exists already"},
      {"notes --append", "cannot be read as a macro"},
      {"missing --append", "no macro \"missing\""},
      {"zorvelconfig", "zorvelconfig"},
      {"'a/b'", "a/b"},
      {"", "usage"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.arguments);
    RecordProcess record(c.arguments, folder);
    EXPECT_NE(record.Wait(), test::Exited(0));
    EXPECT_NE(record.Err().find(c.message), std::string::npos) << record.Err();
    EXPECT_EQ(record.Err().find("Recording"), std::string::npos);
  }
  EXPECT_EQ(ReadFile(folder + "/kept.xml"), kept);
  EXPECT_EQ(ReadFile(folder + "/notes.xml"), "<notes>not a macro</notes>");
  EXPECT_FALSE(fs::exists(folder + "/missing.xml"));

  std::ofstream(folder + "/zorvelconfig.xml")
      << "<root><config RecordMouseMove=\"True\" RecordKeyBoard=\"maybe\"/></root>";
  RecordProcess record("fresh", folder);
  EXPECT_EQ(record.Wait(), test::Exited(1));
  EXPECT_NE(record.Err().find("RecordKeyBoard"), std::string::npos) << record.Err();
  EXPECT_FALSE(fs::exists(folder + "/fresh.xml"));
}

// Two recordings of one new name: the first to save wins, the second says so and replaces nothing;
// an appended macro that another program changed meanwhile is not overwritten either. Files that
// killed saves left behind are tidied up before a save.
TEST_F(RecordCli, ASaveNeverReplacesWhatAnotherProgramWroteMeanwhile) {
  // Above the highest process id Linux can give: its writer is surely gone.
  std::ofstream(folder + "/.zorvel-save-4194305-1.tmp") << "killed";
  const std::string state = "XDG_STATE_HOME=" + root.File("state");
  RecordProcess first("same", folder, state);
  RecordProcess second("same", folder, state);
  ASSERT_TRUE(first.WaitRecording());
  ASSERT_TRUE(second.WaitRecording());
  Xdotool("key a");
  first.Signal(SIGINT);
  ASSERT_EQ(first.Wait(), test::Exited(0)) << first.Err();
  const std::string saved = ReadFile(folder + "/same.xml");
  second.Signal(SIGINT);
  EXPECT_EQ(second.Wait(), test::Exited(1));
  EXPECT_NE(second.Err().find("was created by another program"), std::string::npos) << second.Err();
  EXPECT_NE(second.Err().find("the recording was saved to " + root.File("state")),
            std::string::npos)
      << second.Err();
  EXPECT_EQ(ReadFile(folder + "/same.xml"), saved);

  RecordProcess append("same --append", folder, state);
  ASSERT_TRUE(append.WaitRecording());
  TActionCtrl other(document, folder);
  ASSERT_TRUE(other.LoadDocument(folder + "/same.xml"));
  other.Actions.Clear();
  other.SaveDocument();  // another program writes the document while the recording runs
  const std::string theirs = ReadFile(folder + "/same.xml");
  append.Signal(SIGINT);
  EXPECT_EQ(append.Wait(), test::Exited(1));
  EXPECT_NE(append.Err().find("was changed by another program"), std::string::npos) << append.Err();
  EXPECT_EQ(ReadFile(folder + "/same.xml"), theirs);
  std::vector<std::string> left;
  for (const auto& entry : fs::directory_iterator(folder))
    left.push_back(entry.path().filename().string());
  std::sort(left.begin(), left.end());
  EXPECT_EQ(left, (std::vector<std::string>{"same.xml", "zorvelconfig.xml"}));
}

TEST_F(RecordCli, HangUpAndQuitStopAndSaveLikeCtrlC) {
  for (const int signal : {SIGHUP, SIGQUIT}) {
    SCOPED_TRACE(signal);
    const std::string name = "signal" + std::to_string(signal);
    RecordProcess record(name, folder);
    ASSERT_TRUE(record.WaitRecording());
    Xdotool("mousemove 30 40 click 1");
    record.Signal(signal);
    ASSERT_EQ(record.Wait(), test::Exited(0)) << record.Err();
    const auto kinds = Kinds(Load(name));
    EXPECT_NE(std::find(kinds.begin(), kinds.end(), "click 0/2 30,40"), kinds.end());
  }
}

TEST_F(RecordCli, ANameTooLongForAFileIsRefusedBeforeRecording) {
  RecordProcess record(std::string(252, 'n'), folder);  // 256 bytes with ".xml"
  EXPECT_EQ(record.Wait(), test::Exited(1));
  EXPECT_NE(record.Err().find("too long for a file name"), std::string::npos) << record.Err();
  EXPECT_EQ(record.Err().find("Recording"), std::string::npos);
  RecordProcess fits(std::string(251, 'n'), folder);
  ASSERT_TRUE(fits.WaitRecording());
  fits.Signal(SIGINT);
  EXPECT_EQ(fits.Wait(), test::Exited(0)) << fits.Err();
  EXPECT_TRUE(fs::exists(folder + "/" + std::string(251, 'n') + ".xml"));
}

TEST_F(RecordCli, ARecordingThatCannotBeSavedGoesToTheFallbackDocument) {
  const std::string state = root.File("state");
  RecordProcess record("gone", folder, "XDG_STATE_HOME=" + state);
  ASSERT_TRUE(record.WaitRecording());
  Xdotool("mousemove 50 60 click 1");
  fs::create_directory(folder + "/gone.xml");  // the document's place taken meanwhile
  record.Signal(SIGINT);
  EXPECT_EQ(record.Wait(), test::Exited(1));
  const std::string err = record.Err();
  EXPECT_NE(err.find("cannot save \"gone\""), std::string::npos) << err;
  const std::string marker = "saved to " + state + "/zorvel/recording-";
  const size_t at = err.find(marker);
  ASSERT_NE(at, std::string::npos) << err;
  const std::string path = err.substr(at + 9, err.find(" instead", at) - at - 9);
  TActionCtrl saved(document, state);
  ASSERT_TRUE(saved.LoadDocument(path)) << path;
  EXPECT_EQ(saved.FName, "gone");
  const auto kinds = Kinds(saved.Actions);
  EXPECT_NE(std::find(kinds.begin(), kinds.end(), "click 0/2 50,60"), kinds.end());
}

TEST_F(RecordCli, AnXServerThatGoesAwayEndsTheRecordingWhichIsSaved) {
  // A server of the test's own, so that killing it leaves the shared one alone.
  const std::string script =
      "fifo=" + root.File("displayfd") +
      "; mkfifo $fifo; "
      "Xvfb -displayfd 3 -screen 0 640x480x24 -nolisten tcp 3>$fifo >/dev/null 2>&1 & xvfb=$!; "
      "read -r display <$fifo; export DISPLAY=:$display; " +
      test::BuiltProgram("zorvel-cli") + " record lost --folder " + folder + " >" +
      root.File("lost.out") + " 2>" + root.File("lost.err") +
      " & record=$!; "
      "for i in $(seq 100); do grep -q Recording " +
      root.File("lost.err") +
      " && break; sleep 0.1; done; "
      "xdotool mousemove 70 80 click 1; sleep 0.3; kill $xvfb; wait $record; echo exit=$?";
  const auto result = test::RunCommand("bash -c '" + script + "'");
  const std::string err = ReadFile(root.File("lost.err"));
  EXPECT_NE(result.output.find("exit=0"), std::string::npos) << result.output << err;
  EXPECT_NE(err.find("the X server went away"), std::string::npos) << err;
  const auto kinds = Kinds(Load("lost"));
  EXPECT_NE(std::find(kinds.begin(), kinds.end(), "click 0/2 70,80"), kinds.end());
}

}  // namespace
}  // namespace zorvel
