#pragma once

// Child processes of the tests: a program started with its arguments, environment and files,
// waited for with a timeout and ended with a signal. How it ended is a value (TExitStatus) that
// the tests compare and that gtest prints.

#include <signal.h>
#include <sys/types.h>

#include <chrono>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

namespace zorvel::test {

class TempFolder;

// How a child ended, or why there is no end to tell.
class TExitStatus {
 public:
  enum class TKind { Exited, Signalled, TimedOut, NotStarted };

  static TExitStatus Exited(int code) { return {TKind::Exited, code}; }
  static TExitStatus Signalled(int signal) { return {TKind::Signalled, signal}; }
  static TExitStatus TimedOut() { return {TKind::TimedOut, 0}; }
  static TExitStatus NotStarted() { return {TKind::NotStarted, 0}; }
  // From a status waitpid() gave.
  static TExitStatus FromWaitStatus(int status);

  TKind Kind() const { return kind_; }
  // The exit code or the signal's number.
  int Value() const { return value_; }
  bool operator==(const TExitStatus&) const = default;

 private:
  TExitStatus(TKind kind, int value) : kind_(kind), value_(value) {}
  TKind kind_;
  int value_;
};

inline TExitStatus Exited(int code) {
  return TExitStatus::Exited(code);
}

// "exited with 0", "ended by signal 9 (Killed)", "still running", "could not be started".
std::ostream& operator<<(std::ostream& out, const TExitStatus& status);

// Where one of the child's output streams goes.
enum class TStream {
  Inherit,     // to this process's
  Capture,     // into a file of the child's own, read with Output() or Errors()
  IntoOutput,  // (stderr only) wherever stdout goes
};

struct TChildOptions {
  // NAME=VALUE sets a variable for the child, NAME alone removes it; the rest is inherited.
  std::vector<std::string> environment;
  // The child's standard input; without it, this process's.
  std::optional<std::string> input;
  TStream output = TStream::Inherit;
  TStream errors = TStream::Inherit;
  // What the destructor sends a child that is still running.
  int endSignal = SIGTERM;

  // Chained settings: TChildOptions().WithOutput(TStream::Capture).WithEndSignal(SIGKILL).
  TChildOptions& WithEnvironment(std::vector<std::string> changes) {
    environment = std::move(changes);
    return *this;
  }
  TChildOptions& WithInput(std::string text) {
    input = std::move(text);
    return *this;
  }
  TChildOptions& WithOutput(TStream stream) {
    output = stream;
    return *this;
  }
  TChildOptions& WithErrors(TStream stream) {
    errors = stream;
    return *this;
  }
  TChildOptions& WithEndSignal(int signal) {
    endSignal = signal;
    return *this;
  }
};

// A program running as a child of the test, ended (TChildOptions::endSignal, then SIGKILL) and
// waited for when the object goes.
class TChildProcess {
 public:
  static constexpr std::chrono::milliseconds kNoTimeout = std::chrono::milliseconds::max();

  // Starts `args` (the program's path first; no search of PATH).
  explicit TChildProcess(std::vector<std::string> args, TChildOptions options = {});
  ~TChildProcess();
  TChildProcess(const TChildProcess&) = delete;
  TChildProcess& operator=(const TChildProcess&) = delete;

  bool Started() const { return pid_ > 0; }
  // Sends `signal` while the child runs.
  void Signal(int signal) const;
  // Waits for the end. TimedOut when the child still runs after `timeout` (it is left running);
  // once it has ended, its status again.
  TExitStatus Wait(std::chrono::milliseconds timeout = std::chrono::seconds(10));
  // Sends `signal` and waits for the end; a child still running 10 s later is killed (SIGKILL),
  // so a failing test fails instead of hanging.
  TExitStatus Stop(int signal = SIGTERM);
  // What the child wrote to a captured stdout (with stderr when that goes IntoOutput) or stderr.
  std::string Output() const;
  std::string Errors() const;

 private:
  pid_t pid_ = -1;
  std::optional<TExitStatus> status_;
  int endSignal_ = SIGTERM;
  std::unique_ptr<TempFolder> files_;  // captured output and the input, when there are any
};

struct CommandResult {
  TExitStatus status = TExitStatus::NotStarted();
  std::string output;  // stdout and stderr together
};

// Runs a shell command and waits for it.
CommandResult RunCommand(const std::string& command);

// Runs xdotool with `args`; a refused connection (the server now and then refuses one while a
// client leaves) is tried again, up to five times.
CommandResult RunXdotool(const std::string& args);

// Path of a program built into the build root (test tools, zorvel, zorvel-cli).
std::string BuiltProgram(const std::string& name);

}  // namespace zorvel::test
