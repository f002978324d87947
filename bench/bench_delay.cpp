// Waits of the run thread: accuracy of Delay waits, CPU time of a long Delay, and the time from a
// stop request to the end notification. Each is measured against a spinning wait (the loop that
// polls the clock without sleeping) in the same run.
//
// Counters: median_err_ms / worst_err_ms (|actual - requested|), cpu_pct (CPU time of the process
// over wall time), median_ms / worst_ms (stop latency).

#include <benchmark/benchmark.h>
#include <time.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/fake/fake_input.h"
#include "platform/fake/fake_screen.h"
#include "playback/run_thread.h"
#include "test_actions.h"

namespace {

using namespace zorvel;
using Clock = std::chrono::steady_clock;

double Ms(Clock::duration d) {
  return std::chrono::duration<double, std::milli>(d).count();
}

double CpuSeconds() {
  timespec ts{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

// The baseline: a wait that polls the clock until the time is up or the stop flag is set.
class TSpinTimer : public IRunTimer {
 public:
  void Sleep(int32_t ms) override { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }
  void Wait(int32_t ms, TStopSignal& stop) override {
    const auto end = Clock::now() + std::chrono::milliseconds(ms);
    while (!stop.Requested() && Clock::now() < end) {
    }
  }
};

using zorvel::test::Delay;

TRunSettings Once() {
  return {0, 1, 0, 0};
}

// The median and the largest of `values` as the counters "median<suffix>" and "worst<suffix>".
void ReportSpread(benchmark::State& state, std::vector<double> values, const std::string& suffix) {
  std::sort(values.begin(), values.end());
  state.counters["median" + suffix] = values[values.size() / 2];
  state.counters["worst" + suffix] = values.back();
}

template <class Timer>
void BM_DelayAccuracy(benchmark::State& state) {
  const auto ms = static_cast<int32_t>(state.range(0));
  TFakeInput input;
  TFakeScreen screen(8, 8);
  Timer timer;
  TRunThread run(1, {}, Once(), input, screen, timer, nullptr);
  std::vector<double> errors;
  for (auto _ : state) {
    const auto start = Clock::now();
    run.WaitInterval(ms);
    const double actual = Ms(Clock::now() - start);
    state.SetIterationTime(actual / 1000.0);
    errors.push_back(std::abs(actual - ms));
  }
  ReportSpread(state, errors, "_err_ms");
}

// A whole run whose only action is a 5-second Delay.
template <class Timer>
void BM_DelayCpu(benchmark::State& state) {
  TFakeInput input;
  TFakeScreen screen(8, 8);
  Timer timer;
  for (auto _ : state) {
    TRunThread run(1, {Delay(5000)}, Once(), input, screen, timer, nullptr);
    const double cpu0 = CpuSeconds();
    const auto start = Clock::now();
    std::thread thread([&] { run.Execute(); });
    thread.join();
    const double wall = Ms(Clock::now() - start) / 1000.0;
    state.SetIterationTime(wall);
    state.counters["cpu_pct"] = 100.0 * (CpuSeconds() - cpu0) / wall;
  }
}
BENCHMARK(BM_DelayCpu<TSteadyRunTimer>)
    ->Name("DelayCpu5s/condvar")
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);
BENCHMARK(BM_DelayCpu<TSpinTimer>)
    ->Name("DelayCpu5s/spin_baseline")
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

// Stop request during a 60-second Delay -> end notification.
template <class Timer>
void BM_StopLatency(benchmark::State& state) {
  TFakeInput input;
  TFakeScreen screen(8, 8);
  Timer timer;
  std::vector<double> latencies;
  for (auto _ : state) {
    std::mutex mutex;
    std::condition_variable changed;
    bool ended = false;
    Clock::time_point endAt;
    TRunThread run(1, {Delay(60000)}, Once(), input, screen, timer, [&](uint64_t) {
      const auto now = Clock::now();
      std::lock_guard lock(mutex);
      endAt = now;
      ended = true;
      changed.notify_all();
    });
    std::thread thread([&] { run.Execute(); });
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    const auto stopAt = Clock::now();
    run.RequestStop();
    {
      std::unique_lock lock(mutex);
      changed.wait(lock, [&] { return ended; });
    }
    thread.join();
    const double latency = Ms(endAt - stopAt);
    latencies.push_back(latency);
    state.SetIterationTime(latency / 1000.0);
  }
  ReportSpread(state, latencies, "_ms");
}
BENCHMARK(BM_StopLatency<TSteadyRunTimer>)
    ->Name("StopLatency/condvar")
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond)
    ->Iterations(20);
BENCHMARK(BM_StopLatency<TSpinTimer>)
    ->Name("StopLatency/spin_baseline")
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond)
    ->Iterations(20);

// Each requested length with its own number of repetitions.
void RegisterDelayAccuracy() {
  for (auto [ms, n] : {std::pair{1, 50}, {10, 30}, {50, 20}, {150, 10}, {1000, 5}}) {
    benchmark::RegisterBenchmark("DelayAccuracy/condvar", BM_DelayAccuracy<TSteadyRunTimer>)
        ->Arg(ms)
        ->Iterations(n)
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("DelayAccuracy/spin_baseline", BM_DelayAccuracy<TSpinTimer>)
        ->Arg(ms)
        ->Iterations(n)
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond);
  }
}

}  // namespace

int main(int argc, char** argv) {
  RegisterDelayAccuracy();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
