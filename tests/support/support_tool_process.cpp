#include "support_tool_process.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "support_process.h"
#include "temp_folder.h"

extern char** environ;

namespace zorvel::test {

TToolProcess::TToolProcess(const std::string& program, std::vector<std::string> args) {
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

TToolProcess::~TToolProcess() {
  if (pid_ > 0) {
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
  }
  std::remove(log_.c_str());
}

std::vector<std::string> TToolProcess::Lines() const {
  return ReadFileLines(log_);
}

std::vector<std::string> TToolProcess::LinesStarting(const std::string& prefix) const {
  std::vector<std::string> out;
  for (const std::string& line : Lines())
    if (line.rfind(prefix, 0) == 0) out.push_back(line);
  return out;
}

bool TToolProcess::HasLine(const std::string& line) const {
  for (const std::string& l : Lines())
    if (l == line) return true;
  return false;
}

bool TToolProcess::WaitForLine(const std::string& line, std::chrono::milliseconds timeout) const {
  return WaitUntil([&] { return HasLine(line); }, timeout);
}

bool TToolProcess::WaitReady(std::chrono::milliseconds timeout) const {
  return WaitUntil([&] { return !LinesStarting("ready ").empty(); }, timeout);
}

unsigned long TToolProcess::Window() const {
  const auto ready = LinesStarting("ready window=");
  return ready.empty() ? 0 : std::strtoul(ready[0].c_str() + 13, nullptr, 16);
}

}  // namespace zorvel::test
