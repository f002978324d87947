#pragma once

#include <spawn.h>
#include <sys/types.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace zorvel::test {

struct CommandResult {
  int exitCode = -1;
  std::string output;  // stdout and stderr together
};

// Runs a shell command and waits for it.
CommandResult RunCommand(const std::string& command);

// Starts `args` (the program's path first) as a child in this environment; `actions` may redirect
// its files. The process id, or -1 when it cannot be started.
pid_t SpawnProgram(std::vector<std::string> args,
                   const posix_spawn_file_actions_t* actions = nullptr);

// Sends `signal` to the child `pid` and waits for it to end; its wait status. A child still running
// 10 s later is killed (SIGKILL). Nothing (and 0) when `pid` is not a process id (<= 0).
int EndChild(pid_t pid, int signal);

// Runs xdotool with `args`; a refused connection (the server now and then refuses one while a
// client leaves) is tried again, up to five times.
CommandResult RunXdotool(const std::string& args);

// Polls `done` every 10 ms until it holds or `timeout` passes; returns whether it held.
bool WaitUntil(const std::function<bool()>& done,
               std::chrono::milliseconds timeout = std::chrono::seconds(5));

// Waits for the child `pid` to end; true with its wait status in `status`, false when it is still
// running after `timeout`.
bool WaitForExit(pid_t pid, int& status, std::chrono::milliseconds timeout);

// Path of a program built into the build root (test tools, zorvel, zorvel-cli).
std::string BuiltProgram(const std::string& name);

}  // namespace zorvel::test
