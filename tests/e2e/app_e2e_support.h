#pragma once

// The real program and the logging test window as child processes of an end-to-end test; macro
// documents prepared in a fresh folder; the main window found and photographed with xdotool and
// ImageMagick; the recording window driven and its saved macro read.

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "common/program_folder.h"
#include "model/action_ctrl.h"
#include "model/xml_document.h"
#include "platform/x11/x11_desktop.h"
#include "support_process.h"
#include "temp_folder.h"
#include "test_actions.h"
#include "wait_until.h"

namespace zorvel::test {

// A left click at the fixed screen point (x, y).
inline std::shared_ptr<TActionObj> ClickAt(int x, int y) {
  return std::make_shared<TActionObj>(Click(MouseButton::Left, MouseAction::SingleClick, x, y));
}

inline std::shared_ptr<TActionObj> Pause(int ms) {
  return std::make_shared<TActionObj>(Delay(ms));
}

// Writes a macro document named `name` into `folder`.
inline void WriteMacro(const std::string& folder, const std::string& name,
                       const std::function<void(TActionCtrl&)>& edit) {
  TXMLDocument document;
  TActionCtrl macro(document, folder);
  macro.FName = name;
  macro.FCreateTime = "12/08/26";
  edit(macro);
  macro.SaveDocument();
}

// Output of a shell command, trailing newline removed.
inline std::string Shell(const std::string& command) {
  std::string output = RunCommand(command).output;
  while (!output.empty() && (output.back() == '\n' || output.back() == '\r')) output.pop_back();
  return output;
}

// The titles of the windows that have one, separated by "|".
inline std::string WindowTitles() {
  std::string titles =
      Shell("for id in $(xdotool search --name . 2>/dev/null); do xdotool getwindowname $id; done");
  for (char& c : titles)
    if (c == '\n') c = '|';
  return titles;
}

struct TWindowBox {
  unsigned long id = 0;
  int x = 0;
  int y = 0;
};

// The window whose title is exactly `title`, with its position; id 0 while there is none.
inline TWindowBox FindWindow(const std::string& title) {
  TWindowBox box;
  const std::string id = Shell("xdotool search --name '^" + title + "$' 2>/dev/null | head -1");
  if (id.empty()) return box;
  box.id = std::strtoul(id.c_str(), nullptr, 10);
  std::istringstream shell(Shell("xdotool getwindowgeometry --shell " + id));
  for (std::string line; std::getline(shell, line);) {
    if (line.rfind("X=", 0) == 0) box.x = std::atoi(line.c_str() + 2);
    if (line.rfind("Y=", 0) == 0) box.y = std::atoi(line.c_str() + 2);
  }
  return box;
}

// Places inside the windows (no window manager: no frames, windows land where Qt puts them).
constexpr int kMainNewX = 38, kMainNewY = 55;
constexpr int kRecNewX = 341, kRecNewY = 45;
constexpr int kRecNameX = 260, kRecNameY = 437;
constexpr int kRecOkX = 482, kRecOkY = 437;
// Where the recording tests put their logging window, and the two points they click in it.
constexpr const char* kRecordLogGeometry = "300x200+1500+40";
constexpr int kFirstX = 1560, kFirstY = 90;
constexpr int kSecondX = 1700, kSecondY = 180;
// A point on the red ring of the Stop Record icon: red while recording, grey otherwise.
constexpr int kRecStopRingX = 154, kRecStopRingY = 21;

inline void Xdo(const std::string& arguments) {
  RunCommand("xdotool " + arguments);
}

// The input every recording test records: into the focused logging window `logId`, a left click
// at the first point, a right click at the second, then the keys a, b and Return.
inline void SendRecordedInput(const std::string& logId) {
  using namespace std::chrono_literals;
  Xdo("windowfocus " + logId);
  std::this_thread::sleep_for(200ms);
  Xdo("mousemove " + std::to_string(kFirstX) + " " + std::to_string(kFirstY) + " click 1");
  std::this_thread::sleep_for(150ms);
  Xdo("mousemove " + std::to_string(kSecondX) + " " + std::to_string(kSecondY) + " click 3");
  std::this_thread::sleep_for(150ms);
  Xdo("key a b Return");
  std::this_thread::sleep_for(300ms);
}

// A left click at (x, y) inside `window`, then a moment for the program to react.
inline void ClickAt(const TWindowBox& window, int x, int y) {
  Xdo("mousemove " + std::to_string(window.x + x) + " " + std::to_string(window.y + y) +
      " click 1");
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
}

// The colour (0x00BBGGRR) of the Stop Record icon's ring.
inline uint32_t StopRingColour(const TWindowBox& recorder) {
  return CreateX11Screen()->PixelColor(recorder.x + kRecStopRingX, recorder.y + kRecStopRingY);
}

// True while the recording window shows a running recording.
inline bool ShowsRecording(const TWindowBox& recorder) {
  const uint32_t color = StopRingColour(recorder);
  const uint32_t red = color & 0xFF;
  const uint32_t green = (color >> 8) & 0xFF;
  return red > 150 && green < 100;
}

// Waits until the recording window shows a running recording, or (`recording` false) shows none.
inline ::testing::AssertionResult WaitShowsRecording(const TWindowBox& recorder, bool recording) {
  return WaitUntil(
      recording ? "the recording window to show a recording (a red Stop Record ring)"
                : "the recording window to show no recording",
      [&] { return ShowsRecording(recorder) == recording; },
      [&] {
        std::ostringstream colour;
        colour << "the ring's colour 0x" << std::hex << StopRingColour(recorder);
        return colour.str();
      },
      {std::chrono::seconds(10)});
}

// The clicks and the presses and releases of A, B and Return in a recorded macro, as
// "click BUTTON ACTION X,Y" and "key VK ACTION"; the keys that drive the test are left out.
inline std::vector<std::string> RecordedSteps(const TActionCtrl& macro) {
  std::vector<std::string> steps;
  for (const TActionPtr& action : macro.Actions) {
    const bool click = action->actionType == uint8_t(ActionType::MouseClick);
    const bool key = action->actionType == uint8_t(ActionType::Keyboard);
    if (click)
      steps.push_back("click " + std::to_string(action->mouseButton) + " " +
                      std::to_string(action->mouseAction) + " " +
                      std::to_string(action->mouseClickPosX) + "," +
                      std::to_string(action->mouseClickPosY));
    if (key && (action->key == 0x41 || action->key == 0x42 || action->key == 0x0D))
      steps.push_back("key " + std::to_string(action->key) + " " +
                      std::to_string(action->keyAction));
  }
  return steps;
}

// The real program on a fresh folder, skipped without a display; at the end it must take a
// SIGTERM cleanly.
class TAppTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (std::getenv("DISPLAY") == nullptr) GTEST_SKIP() << "needs an X display";
  }
  void TearDown() override {
    if (app_) {
      EXPECT_EQ(app_->Stop(), Exited(0)) << "zorvel should end cleanly on SIGTERM";
    }
  }

  // Starts zorvel on the folder; success once its main window is up, its place then in `main`.
  ::testing::AssertionResult LaunchApp(TWindowBox& main) {
    app_ = std::make_unique<TChildProcess>(
        std::vector<std::string>{BuiltProgram("zorvel"), "--folder", folder_.path()});
    return WaitForWindow("Zorvel 2.5.1", main, std::chrono::seconds(20));
  }

  // Waits for the window titled `title`, its place then in `box`; the failure lists the windows
  // there are.
  static ::testing::AssertionResult WaitForWindow(const std::string& title, TWindowBox& box,
                                                  std::chrono::milliseconds timeout) {
    return WaitUntil(
        "a window titled \"" + title + "\"", [&] { return (box = FindWindow(title)).id != 0; },
        [] { return "windows: " + WindowTitles(); }, {timeout});
  }

  // Saves a picture of `window` into the build folder.
  static void Screenshot(const TWindowBox& window, const std::string& name) {
    RunCommand("import -window " + std::to_string(window.id) + " '" + ZORVEL_BINARY_DIR + "/" +
               name + "'");
  }

  // The window titled `title` once it is up (a failed expectation and id 0 after 10 s).
  static TWindowBox WaitWindow(const std::string& title) {
    TWindowBox box;
    EXPECT_TRUE(WaitForWindow(title, box, std::chrono::seconds(10)));
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    return box;
  }

  // A logging window at `geometry` writing to `name` in the folder; its X window id is set in
  // `windowId` once it is mapped.
  std::unique_ptr<TChildProcess> StartLog(const std::string& name, const std::string& geometry,
                                          std::string& windowId) {
    auto log = std::make_unique<TChildProcess>(
        std::vector<std::string>{BuiltProgram("zorvel-test-xlog-window"), "--geometry", geometry,
                                 "--out", folder_.File(name), "--title", "zorvel record log"});
    EXPECT_TRUE(WaitLogReady(name, windowId));
    return log;
  }

  // Waits for the "ready window=..." line of the logging window that writes to `name` in the
  // folder; the window's id then in `windowId`.
  ::testing::AssertionResult WaitLogReady(const std::string& name, std::string& windowId) const {
    return WaitUntil(
        "the logging window to come up",
        [&] {
          for (const std::string& line : folder_.Lines(name))
            if (line.rfind("ready window=", 0) == 0) windowId = line.substr(13);
          return !windowId.empty();
        },
        [&] { return "its log: " + LastLines(folder_.Lines(name)); }, {std::chrono::seconds(15)});
  }

  // Names the macro in the open recording window and presses OK; waits for its document.
  void SaveAs(const TWindowBox& recorder, const std::string& name) {
    ClickAt(recorder, kRecNameX, kRecNameY);
    Xdo("windowfocus " + std::to_string(recorder.id));
    Xdo("key ctrl+a BackSpace");
    Xdo("type --delay 30 '" + name + "'");
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    ClickAt(recorder, kRecOkX, kRecOkY);
    ASSERT_TRUE(WaitUntil(
        name + ".xml to be saved", [&] { return folder_.Exists(name + ".xml"); },
        [&] { return "the folder: " + folder_.Listing(); }, {std::chrono::seconds(10)}));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
  }

  // The macro document `name` as stored in the folder.
  TActionCtrl Stored(const std::string& name) {
    TActionCtrl macro(document_, folder_.path());
    macro.FName = name;
    macro.LoadDocumentOrThrow();
    return macro;
  }

  TempFolder folder_;
  std::unique_ptr<TChildProcess> app_;
  TXMLDocument document_;
};

}  // namespace zorvel::test
