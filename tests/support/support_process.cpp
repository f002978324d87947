#include "support_process.h"

#include <signal.h>
#include <sys/wait.h>
#include <cstdio>
#include <thread>

extern char** environ;

namespace zorvel::test {

CommandResult RunCommand(const std::string& command) {
  CommandResult result;
  FILE* pipe = popen((command + " 2>&1").c_str(), "r");
  if (!pipe) return result;
  char buffer[4096];
  size_t n = 0;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) result.output.append(buffer, n);
  int status = pclose(pipe);
  result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

pid_t SpawnProgram(std::vector<std::string> args, const posix_spawn_file_actions_t* actions) {
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  pid_t pid = -1;
  if (posix_spawn(&pid, argv[0], actions, nullptr, argv.data(), environ) != 0) return -1;
  return pid;
}

int EndChild(pid_t pid, int signal) {
  int status = 0;
  if (pid <= 0) return status;
  kill(pid, signal);
  // A child that ignores the signal is killed, so a failing test fails instead of hanging.
  if (WaitForExit(pid, status, std::chrono::seconds(10))) return status;
  kill(pid, SIGKILL);
  waitpid(pid, &status, 0);
  return status;
}

CommandResult RunXdotool(const std::string& args) {
  CommandResult result;
  for (int attempt = 0; attempt < 5; ++attempt) {
    result = RunCommand("xdotool " + args);
    if (result.output.find("Can't open display") == std::string::npos) break;
  }
  return result;
}

bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
  auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!done()) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return true;
}

bool WaitForExit(pid_t pid, int& status, std::chrono::milliseconds timeout) {
  return WaitUntil([&] { return waitpid(pid, &status, WNOHANG) == pid; }, timeout);
}

std::string BuiltProgram(const std::string& name) {
#ifdef ZORVEL_BINARY_DIR
  return std::string(ZORVEL_BINARY_DIR) + "/" + name;
#else
  return name;
#endif
}

}  // namespace zorvel::test
