#pragma once

// A test tool program (zorvel-test-xlog-window, zorvel-test-qt-line-edit) started in the
// background with its log in a temporary file, ended by its process id.

#include <sys/types.h>

#include <chrono>
#include <string>
#include <vector>

namespace zorvel::test {

class TToolProcess {
 public:
  // Starts the built program `program` with `args` and "--out <log file>".
  TToolProcess(const std::string& program, std::vector<std::string> args);
  ~TToolProcess();
  TToolProcess(const TToolProcess&) = delete;
  TToolProcess& operator=(const TToolProcess&) = delete;

  bool Started() const { return pid_ > 0; }
  std::vector<std::string> Lines() const;
  // Lines that start with `prefix`.
  std::vector<std::string> LinesStarting(const std::string& prefix) const;
  bool HasLine(const std::string& line) const;
  bool WaitForLine(const std::string& line,
                   std::chrono::milliseconds timeout = std::chrono::seconds(10)) const;
  bool WaitReady(std::chrono::milliseconds timeout = std::chrono::seconds(15)) const;
  // The window id from the "ready window=0x..." line; 0 before it.
  unsigned long Window() const;
  // The file the tool writes its lines to.
  const std::string& LogPath() const { return log_; }

 private:
  pid_t pid_ = -1;
  std::string log_;
};

}  // namespace zorvel::test
