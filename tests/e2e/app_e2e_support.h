#pragma once

// The real program and the logging test window as child processes of an end-to-end test, ended
// by their process ids; macro documents prepared in a fresh folder; the main window found and
// photographed with xdotool and ImageMagick.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "common/program_folder.h"
#include "model/action_ctrl.h"
#include "model/xml_document.h"
#include "support_process.h"
#include "temp_folder.h"
#include "test_actions.h"

namespace zorvel::test {

// A child process, ended with SIGTERM (then waited for) when the object goes.
class TChild {
 public:
  explicit TChild(std::vector<std::string> args) : pid_(SpawnProgram(std::move(args))) {}
  ~TChild() { Stop(); }
  TChild(const TChild&) = delete;
  TChild& operator=(const TChild&) = delete;

  bool Started() const { return pid_ > 0; }
  // Ends the process (SIGTERM) and returns its exit status, or -1.
  int Stop() {
    if (pid_ <= 0) return -1;
    const int status = EndChild(pid_, SIGTERM);
    pid_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

 private:
  pid_t pid_ = -1;
};

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
  SetProgramFolder(folder);
  TXMLDocument document;
  TActionCtrl macro(document);
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

// The real program on a fresh folder, skipped without a display; at the end it must take a
// SIGTERM cleanly.
class TAppTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (std::getenv("DISPLAY") == nullptr) GTEST_SKIP() << "needs an X display";
  }
  void TearDown() override {
    if (app_) {
      EXPECT_EQ(app_->Stop(), 0) << "zorvel should end cleanly on SIGTERM";
    }
  }

  // Starts zorvel on the folder; true once its main window is up, its place then in `main`.
  bool LaunchApp(TWindowBox& main) {
    app_ = std::make_unique<TChild>(
        std::vector<std::string>{BuiltProgram("zorvel"), "--folder", folder_.path()});
    return WaitUntil([&] { return (main = FindWindow("Zorvel 2.5.1")).id != 0; },
                     std::chrono::seconds(20));
  }

  // Saves a picture of `window` into the build folder.
  static void Screenshot(const TWindowBox& window, const std::string& name) {
    RunCommand("import -window " + std::to_string(window.id) + " '" + ZORVEL_BINARY_DIR + "/" +
               name + "'");
  }

  TempFolder folder_;
  std::unique_ptr<TChild> app_;
};

}  // namespace zorvel::test
