// Clicks at the speed of the wire (run under an X server, e.g. scripts/with-xvfb): 10,000 fixed
// click actions, each a pointer move, a press and a release, played by the action player through
// the X11 input backend into zorvel-test-xlog-window, timed until the window has logged every
// release. Baseline in the same run: `xte` (package xautomation) reading the same clicks on its
// standard input ("mousemove X Y" and "mouseclick 1" per click).
//
// Counters: clicks_per_s, arrived (releases the window logged per iteration).

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/fake/fake_screen.h"
#include "platform/x11/x11_desktop.h"
#include "playback/action_player.h"
#include "support_process.h"
#include "support_tool_window.h"
#include "test_actions.h"

namespace {

using Clock = std::chrono::steady_clock;
using zorvel::test::TToolWindow;

constexpr int kClicks = 10000;
// Two points inside the logging window, clicked in turn so that every click moves the pointer.
constexpr int kX[2] = {80, 180};
constexpr int kY[2] = {90, 140};

TToolWindow& LogWindow() {
  static TToolWindow window("zorvel-test-xlog-window", {"--geometry", "300x200+50+50"});
  return window;
}

// Counts the release lines the window adds to its log, reading only what is new.
class TReleaseCounter {
 public:
  explicit TReleaseCounter(const std::string& path) : file_(path) { Count(); }
  int Count() {
    file_.clear();
    std::string line;
    while (std::getline(file_, line)) {
      if (file_.eof()) {  // a line still being written: read it again next time
        file_.clear();
        file_.seekg(-static_cast<std::streamoff>(line.size()), std::ios::cur);
        break;
      }
      if (line.rfind("ButtonRelease", 0) == 0) ++count_;
    }
    return count_;
  }
  // Waits until `wanted` more releases than `from` were logged, or `timeout`; the number seen.
  int WaitFor(int from, int wanted, std::chrono::seconds timeout) {
    const auto end = Clock::now() + timeout;
    while (Count() - from < wanted && Clock::now() < end)
      std::this_thread::sleep_for(std::chrono::microseconds(500));
    return count_ - from;
  }

 private:
  std::ifstream file_;
  int count_ = 0;
};

template <class SendClicks>
void RunClicks(benchmark::State& state, SendClicks sendClicks) {
  TReleaseCounter releases(LogWindow().LogPath());
  double arrived = 0;
  for (auto _ : state) {
    const int before = releases.Count();
    const auto start = Clock::now();
    sendClicks();
    arrived += releases.WaitFor(before, kClicks, std::chrono::seconds(60));
    state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
  }
  const double iterations = static_cast<double>(state.iterations());
  state.counters["arrived"] = arrived / iterations;
  state.counters["clicks_per_s"] =
      benchmark::Counter(kClicks * iterations, benchmark::Counter::kIsRate);
}

void BM_ClicksZorvel(benchmark::State& state) {
  auto input = zorvel::CreateX11Input();
  zorvel::TFakeScreen screen(1, 1, 0);  // fixed clicks do not look at the screen
  std::vector<zorvel::TActionObj> actions;
  for (int i = 0; i < kClicks; ++i)
    actions.push_back(zorvel::test::Click(zorvel::MouseButton::Left,
                                          zorvel::MouseAction::SingleClick, kX[i % 2] + 50,
                                          kY[i % 2] + 50));
  RunClicks(state, [&] {
    zorvel::TActionPlayer player(*input, screen);
    for (zorvel::TActionObj& action : actions) player.PlayAction(action);
  });
}
BENCHMARK(BM_ClicksZorvel)->Iterations(5)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_ClicksXte(benchmark::State& state) {
  std::string script;
  for (int i = 0; i < kClicks; ++i)
    script += "mousemove " + std::to_string(kX[i % 2] + 50) + " " + std::to_string(kY[i % 2] + 50) +
              "\nmouseclick 1\n";
  RunClicks(state, [&] {
    FILE* xte = popen("xte", "w");
    if (!xte) return;
    std::fwrite(script.data(), 1, script.size(), xte);
    pclose(xte);
  });
}
BENCHMARK(BM_ClicksXte)->Iterations(5)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  if (!LogWindow().WaitReady()) {
    std::fprintf(stderr,
                 "bench-clicks: the logging window did not come up (is there an X server?)\n");
    return 1;
  }
  const bool haveXte = std::system("command -v xte >/dev/null") == 0;
  if (!haveXte)
    std::fprintf(stderr, "bench-clicks: xte (package xautomation) is missing: no baseline\n");
  benchmark::Initialize(&argc, argv);
  if (!haveXte) benchmark::SetBenchmarkFilter("BM_ClicksZorvel");
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
