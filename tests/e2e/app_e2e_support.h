#pragma once

// The real program and the logging test window as child processes of an end-to-end test, ended
// by their process ids; macro documents prepared in a fresh folder; the main window found and
// photographed with xdotool and ImageMagick.

#include <signal.h>
#include <spawn.h>
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
#include <vector>

#include "common/program_folder.h"
#include "model/action_ctrl.h"
#include "model/xml_document.h"
#include "support_process.h"

extern char** environ;

namespace zorvel::test {

// A child process, ended with SIGTERM (then waited for) when the object goes.
class TChild {
 public:
  explicit TChild(std::vector<std::string> args) {
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    if (posix_spawn(&pid_, argv[0], nullptr, nullptr, argv.data(), environ) != 0) pid_ = -1;
  }
  ~TChild() { Stop(); }
  TChild(const TChild&) = delete;
  TChild& operator=(const TChild&) = delete;

  bool Started() const { return pid_ > 0; }
  // Ends the process (SIGTERM) and returns its exit status, or -1.
  int Stop() {
    if (pid_ <= 0) return -1;
    kill(pid_, SIGTERM);
    int status = 0;
    waitpid(pid_, &status, 0);
    pid_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

 private:
  pid_t pid_ = -1;
};

// A fresh folder under /tmp, removed afterwards.
class TE2EFolder {
 public:
  TE2EFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "zorvel-e2e-XXXXXX").string();
    path_ = mkdtemp(pattern.data());
  }
  ~TE2EFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  const std::string& path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + "/" + name; }
  std::vector<std::string> Lines(const std::string& name) const {
    std::ifstream in(File(name));
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
  }

 private:
  std::string path_;
};

inline std::shared_ptr<TActionObj> ClickAt(int x, int y) {
  auto click = std::make_shared<TActionObj>();
  click->actionType = static_cast<uint8_t>(ActionType::MouseClick);
  click->mousePoint = static_cast<uint8_t>(MousePoint::FixedPoint);
  click->mouseClickPosX = x;
  click->mouseClickPosY = y;
  return click;
}

inline std::shared_ptr<TActionObj> Pause(int ms) {
  auto pause = std::make_shared<TActionObj>();
  pause->actionType = static_cast<uint8_t>(ActionType::Delay);
  pause->delay = ms;
  return pause;
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

}  // namespace zorvel::test
