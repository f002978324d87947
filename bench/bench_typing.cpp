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
#include "typing_bench.h"

namespace {

using zorvel::bench::LineEdit;
using zorvel::bench::RunTyping;
using zorvel::bench::ShellQuote;

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
