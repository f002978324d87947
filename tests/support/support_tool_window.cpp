#include "support_tool_window.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <utility>

#include "wait_until.h"

namespace zorvel::test {
namespace {

std::vector<std::string> WithProgramAndLog(const std::string& program,
                                           std::vector<std::string> args, const std::string& log) {
  args.insert(args.begin(), BuiltProgram(program));
  args.push_back("--out");
  args.push_back(log);
  return args;
}

}  // namespace

std::string TToolWindow::NewLogFile() {
  char path[] = "/tmp/zorvel-tool-XXXXXX";
  const int fd = mkstemp(path);
  if (fd >= 0) close(fd);
  return path;
}

TToolWindow::TToolWindow(const std::string& program, std::vector<std::string> args)
    : log_(NewLogFile()), process_(WithProgramAndLog(program, std::move(args), log_)) {}

TToolWindow::~TToolWindow() {
  process_.Stop();
  std::remove(log_.c_str());
}

// Only whole lines: a line the tool is still writing may be read in part.
std::vector<std::string> TToolWindow::Lines() const {
  std::ifstream in(log_, std::ios::binary);
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::vector<std::string> lines;
  for (size_t at = 0, end; (end = text.find('\n', at)) != std::string::npos; at = end + 1)
    lines.push_back(text.substr(at, end - at));
  return lines;
}

std::vector<std::string> TToolWindow::LinesStarting(const std::string& prefix) const {
  std::vector<std::string> out;
  for (const std::string& line : Lines())
    if (line.rfind(prefix, 0) == 0) out.push_back(line);
  return out;
}

bool TToolWindow::HasLine(const std::string& line) const {
  for (const std::string& l : Lines())
    if (l == line) return true;
  return false;
}

::testing::AssertionResult TToolWindow::WaitUntil(const std::string& what,
                                                  const std::function<bool()>& done,
                                                  std::chrono::milliseconds timeout) const {
  return test::WaitUntil(what, done, [this] { return "the tool's log: " + LastLines(Lines()); },
                         {timeout});
}

::testing::AssertionResult TToolWindow::WaitForLine(const std::string& line,
                                                    std::chrono::milliseconds timeout) const {
  return WaitUntil(
      "the line " + ::testing::PrintToString(line), [&] { return HasLine(line); }, timeout);
}

::testing::AssertionResult TToolWindow::WaitReady(std::chrono::milliseconds timeout) const {
  return WaitUntil(
      "the window to come up (a \"ready\" line)", [&] { return !LinesStarting("ready ").empty(); },
      timeout);
}

unsigned long TToolWindow::Window() const {
  const auto ready = LinesStarting("ready window=");
  return ready.empty() ? 0 : std::strtoul(ready[0].c_str() + 13, nullptr, 16);
}

}  // namespace zorvel::test
