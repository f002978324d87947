#pragma once

#include <chrono>
#include <functional>
#include <string>

namespace zorvel::test {

struct CommandResult {
  int exitCode = -1;
  std::string output;  // stdout and stderr together
};

// Runs a shell command and waits for it.
CommandResult RunCommand(const std::string& command);

// Polls `done` every 10 ms until it holds or `timeout` passes; returns whether it held.
bool WaitUntil(const std::function<bool()>& done,
               std::chrono::milliseconds timeout = std::chrono::seconds(5));

// Path of a program built into the build root (test tools, zorvel, zorvel-cli).
std::string BuiltProgram(const std::string& name);

}  // namespace zorvel::test
