// Typing speed into a Qt QLineEdit (run under an X server, e.g. scripts/with-xvfb): texts typed by
// the X11 input backend and, in the same run, by `xdotool type --delay 0` and by `xdotool type`
// (its default 12 ms delay).
//
// The texts: "mixed", 300 characters mixing ASCII and a few non-ASCII ones; "ascii", 300 ASCII
// characters; "chinese", 1,000 CJK characters of which 300 are distinct, a few frequent and many
// rare as in running text; "cycle", 1,000 characters going round 300 distinct CJK characters,
// the worst order for a keyboard with fewer spare keys than that.
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

using zorvel::bench::AsciiText;
using zorvel::bench::ChineseText;
using zorvel::bench::CycleText;
using zorvel::bench::LineEdit;
using zorvel::bench::RunTyping;
using zorvel::bench::ShellQuote;
using zorvel::bench::TypingText;

void BM_TypeZorvel(benchmark::State& state, const std::string& text) {
  auto input = zorvel::CreateX11Input();
  RunTyping(state, text, [&](const std::string& text) { input->SendTextToFocus(text); });
}

void BM_TypeXdotool(benchmark::State& state, const std::string& text,
                    const std::string& delayOption) {
  RunTyping(state, text, [&](const std::string& text) {
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
  const struct {
    const char* name;
    std::string text;
    int xdotoolRuns;  // xdotool takes seconds for each CJK text
  } texts[] = {{"mixed", TypingText(), 20},
               {"ascii", AsciiText(), 20},
               {"chinese", ChineseText(), 3},
               {"cycle", CycleText(), 3}};
  for (const auto& t : texts) {
    const std::string prefix = std::string("TypeQtLineEdit/") + t.name + "/";
    benchmark::RegisterBenchmark((prefix + "zorvel").c_str(), BM_TypeZorvel, t.text)
        ->Iterations(20)
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark((prefix + "xdotool_delay0").c_str(), BM_TypeXdotool, t.text,
                                 "--delay 0")
        ->Iterations(t.xdotoolRuns)
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark((prefix + "xdotool_default").c_str(), BM_TypeXdotool, t.text, "")
        ->Iterations(std::min(t.xdotoolRuns, 5))
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond);
  }
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
