// Typing speed into a Qt QLineEdit (run under an X server, e.g. scripts/with-xvfb): a 300-character
// text mixing ASCII and non-ASCII characters, typed by the X11 input backend and, in the same run,
// by `xdotool type --delay 0` and by `xdotool type` (its default 12 ms delay).
//
// Each iteration types the text followed by Return into zorvel-test-qt-line-edit and waits for the
// line edit to report it. Counters: chars_per_s (median over the iterations), exact (iterations
// whose text arrived exactly), runs.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "platform/x11/x11_desktop.h"
#include "support_process.h"
#include "support_tool_process.h"

namespace {

using Clock = std::chrono::steady_clock;

// 300 characters (code points).
std::string TypingText() {
  const std::vector<std::string> pieces = {
      "Grüße ", "é", "ö", "ü", "ß", " ✓ ", "漢", "字", " ä ", "text ", "ABC xyz 123 ", "!?;:", " "};
  std::string text;
  size_t count = 0;
  for (size_t i = 0; count < 300; ++i) {
    const std::string& piece = pieces[i % pieces.size()];
    for (size_t at = 0; at < piece.size() && count < 300;) {
      const auto lead = static_cast<unsigned char>(piece[at]);
      const size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
      text += piece.substr(at, length);
      at += length;
      ++count;
    }
  }
  return text;
}

using zorvel::test::TToolProcess;

// Waits until the log of `edit` has more than `count` lines; the new line, or empty after
// `timeout`. Polls far more often than the tests' waits: the time is what is measured.
std::string WaitLineAfter(const TToolProcess& edit, size_t count,
                          std::chrono::milliseconds timeout) {
  const auto end = Clock::now() + timeout;
  while (Clock::now() < end) {
    const auto lines = edit.Lines();
    if (lines.size() > count) return lines[count];
    std::this_thread::sleep_for(std::chrono::microseconds(500));
  }
  return {};
}

// The line edit window, started once for every benchmark.
TToolProcess& LineEdit() {
  static TToolProcess edit("zorvel-test-qt-line-edit",
                           {"--geometry", "900x60+50+50", "--no-changes", "--clear-on-return"});
  static const bool ready = [] {
    return WaitLineAfter(edit, 0, std::chrono::seconds(20)).rfind("ready", 0) == 0;
  }();
  if (!ready) std::fprintf(stderr, "the line edit did not come up\n");
  return edit;
}

std::string ShellQuote(const std::string& text) {
  std::string out = "'";
  for (char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

template <class TypeText>
void RunTyping(benchmark::State& state, TypeText typeText) {
  const std::string text = TypingText();
  const std::string expected = "return \"" + text + "\"";
  TToolProcess& edit = LineEdit();
  std::vector<double> speeds;
  int exact = 0;
  for (auto _ : state) {
    const size_t before = edit.Lines().size();
    const auto start = Clock::now();
    typeText(text);
    const std::string line = WaitLineAfter(edit, before, std::chrono::seconds(30));
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    state.SetIterationTime(seconds);
    speeds.push_back(300.0 / seconds);
    if (line == expected) ++exact;
    // Let the line edit settle before the next run.
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  std::sort(speeds.begin(), speeds.end());
  state.counters["chars_per_s"] = speeds[speeds.size() / 2];
  state.counters["exact"] = exact;
  state.counters["runs"] = static_cast<double>(speeds.size());
}

void BM_TypeZorvel(benchmark::State& state) {
  auto input = zorvel::CreateX11Input();
  RunTyping(state, [&](const std::string& text) { input->SendTextToFocus(text); });
}

void BM_TypeXdotool(benchmark::State& state, const std::string& delayOption) {
  RunTyping(state, [&](const std::string& text) {
    const std::string command =
        "xdotool type " + delayOption + " -- " + ShellQuote(text) + " && xdotool key Return";
    if (std::system(command.c_str()) != 0) std::fprintf(stderr, "xdotool failed\n");
  });
}

}  // namespace

int main(int argc, char** argv) {
  // Without the line edit every iteration would wait for its time-out: say so and stop instead.
  const std::string program = zorvel::test::BuiltProgram("zorvel-test-qt-line-edit");
  if (access(program.c_str(), X_OK) != 0) {
    std::fprintf(stderr, "bench-typing: %s is missing; build the target zorvel-test-qt-line-edit\n",
                 program.c_str());
    return 1;
  }
  if (LineEdit().Lines().empty() || LineEdit().Lines()[0].rfind("ready", 0) != 0) {
    std::fprintf(stderr, "bench-typing: the line edit did not come up (is there an X server?)\n");
    return 1;
  }
  benchmark::RegisterBenchmark("TypeQtLineEdit/zorvel", BM_TypeZorvel)
      ->Iterations(20)
      ->UseManualTime()
      ->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("TypeQtLineEdit/xdotool_delay0", BM_TypeXdotool, "--delay 0")
      ->Iterations(20)
      ->UseManualTime()
      ->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("TypeQtLineEdit/xdotool_default", BM_TypeXdotool, "")
      ->Iterations(5)
      ->UseManualTime()
      ->Unit(benchmark::kMillisecond);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
