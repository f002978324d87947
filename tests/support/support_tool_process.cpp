#include "support_tool_process.h"

#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <utility>

#include "support_process.h"
#include "temp_folder.h"

namespace zorvel::test {

TToolProcess::TToolProcess(const std::string& program, std::vector<std::string> args) {
  char path[] = "/tmp/zorvel-tool-XXXXXX";
  const int fd = mkstemp(path);
  if (fd >= 0) close(fd);
  log_ = path;
  args.insert(args.begin(), BuiltProgram(program));
  args.push_back("--out");
  args.push_back(log_);
  pid_ = SpawnProgram(std::move(args));
}

TToolProcess::~TToolProcess() {
  EndChild(pid_, SIGTERM);
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
