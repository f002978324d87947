#pragma once

// A test tool program (zorvel-test-xlog-window, zorvel-test-qt-line-edit) started in the
// background with its log in a temporary file, ended by its process id.

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "support_process.h"

extern char** environ;

namespace zorvel::test {

class TToolProcess {
 public:
  TToolProcess(const std::string& program, std::vector<std::string> args) {
    char path[] = "/tmp/zorvel-tool-XXXXXX";
    const int fd = mkstemp(path);
    if (fd >= 0) close(fd);
    log_ = path;
    args.insert(args.begin(), BuiltProgram(program));
    args.push_back("--out");
    args.push_back(log_);
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    if (posix_spawn(&pid_, argv[0], nullptr, nullptr, argv.data(), environ) != 0) pid_ = -1;
  }
  ~TToolProcess() {
    if (pid_ > 0) {
      kill(pid_, SIGTERM);
      waitpid(pid_, nullptr, 0);
    }
    std::remove(log_.c_str());
  }
  TToolProcess(const TToolProcess&) = delete;
  TToolProcess& operator=(const TToolProcess&) = delete;

  bool Started() const { return pid_ > 0; }
  std::vector<std::string> Lines() const {
    std::ifstream in(log_);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
  }
  // Lines that start with `prefix`.
  std::vector<std::string> LinesStarting(const std::string& prefix) const {
    std::vector<std::string> out;
    for (const std::string& line : Lines())
      if (line.rfind(prefix, 0) == 0) out.push_back(line);
    return out;
  }
  bool HasLine(const std::string& line) const {
    for (const std::string& l : Lines())
      if (l == line) return true;
    return false;
  }
  bool WaitForLine(const std::string& line,
                   std::chrono::milliseconds timeout = std::chrono::seconds(10)) const {
    return WaitUntil([&] { return HasLine(line); }, timeout);
  }
  bool WaitReady(std::chrono::milliseconds timeout = std::chrono::seconds(15)) const {
    return WaitUntil([&] { return !LinesStarting("ready ").empty(); }, timeout);
  }
  // The window id from the "ready window=0x..." line; 0 before it.
  unsigned long Window() const {
    const auto ready = LinesStarting("ready window=");
    return ready.empty() ? 0 : std::strtoul(ready[0].c_str() + 13, nullptr, 16);
  }

 private:
  pid_t pid_ = -1;
  std::string log_;
};

// Calls `open` until it gives a non-null result or two seconds pass: a server whose last client
// just left resets and refuses connections for a moment.
template <class Open>
auto RetryOpen(Open open) -> decltype(open()) {
  for (int attempt = 0; attempt < 40; ++attempt) {
    if (auto result = open()) return result;
    usleep(50000);
  }
  return open();
}

}  // namespace zorvel::test
