#pragma once

// A test tool program (zorvel-test-xlog-window, zorvel-test-qt-line-edit, the paint windows)
// running as a child with its log in a temporary file. Its waits fail with the log's last lines.

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "support_process.h"

namespace zorvel::test {

class TToolWindow {
 public:
  // Starts the built program `program` with `args` and "--out <log file>".
  TToolWindow(const std::string& program, std::vector<std::string> args);
  ~TToolWindow();
  TToolWindow(const TToolWindow&) = delete;
  TToolWindow& operator=(const TToolWindow&) = delete;

  bool Started() const { return process_.Started(); }
  // The whole lines the tool has logged so far.
  std::vector<std::string> Lines() const;
  // Lines that start with `prefix`.
  std::vector<std::string> LinesStarting(const std::string& prefix) const;
  bool HasLine(const std::string& line) const;
  // Waits until `done` holds; a failure names `what` and shows the log's last lines.
  ::testing::AssertionResult WaitUntil(
      const std::string& what, const std::function<bool()>& done,
      std::chrono::milliseconds timeout = std::chrono::seconds(5)) const;
  ::testing::AssertionResult WaitForLine(
      const std::string& line, std::chrono::milliseconds timeout = std::chrono::seconds(10)) const;
  // Waits for the "ready ..." line the tool writes once its window is up.
  ::testing::AssertionResult WaitReady(
      std::chrono::milliseconds timeout = std::chrono::seconds(15)) const;
  // The window id from the "ready window=0x..." line; 0 before it.
  unsigned long Window() const;
  // The file the tool writes its lines to.
  const std::string& LogPath() const { return log_; }

 private:
  static std::string NewLogFile();

  std::string log_;
  TChildProcess process_;
};

}  // namespace zorvel::test
