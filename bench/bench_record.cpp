// Recording costs.
//
// BM_RecordMotionBurst (needs an X server, e.g. scripts/with-xvfb): 20,000 pointer moves sent
// through XTest from a second thread while the recorder runs. Counters: lost (moves sent minus
// moves recorded), ns_per_event (CPU time of the recording thread inside Dispatch per event).
// Baseline in the same run, BM_WindowMotionBurst: a plain client reading the same burst as
// MotionNotify events of a full-screen window.
//
// BM_ConvertEvents: 1,000,000 recorded events turned into actions. Counters: ns_per_event,
// peak_MB (growth of the process's peak resident size over the run) and heap_B_per_action.
// Baseline, BM_CopyEvents: copying the same events into a new list.

#include <benchmark/benchmark.h>
#include <malloc.h>
#include <poll.h>
#include <sys/resource.h>
#include <time.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "recording/recorder.h"
// clang-format off
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include "platform/x11/connection_x11.h"
#include "platform/x11/x11_desktop.h"
// clang-format on

namespace zorvel {
namespace {

constexpr int kBurst = 20000;
constexpr int kConvertCount = 1000000;

double ThreadCpuNs() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) * 1e9 + static_cast<double>(now.tv_nsec);
}

// Sends `count` moves that alternate between two points, so that every one is a real move.
void SendMotionBurst(int count) {
  TDisplayPtr display = OpenX11Display();
  for (int i = 0; i < count; ++i)
    XTestFakeMotionEvent(display.get(), -1, 100 + (i & 1), 100, CurrentTime);
  XSync(display.get(), False);
}

// Waits on `fd` and runs `dispatch` until `done` or a quiet second; returns the thread CPU time
// spent inside `dispatch`.
template <typename Done, typename DispatchFn>
double DispatchUntil(int fd, Done done, DispatchFn dispatch) {
  double cpu = 0;
  auto quietUntil = std::chrono::steady_clock::now() + std::chrono::seconds(1);
  while (!done() && std::chrono::steady_clock::now() < quietUntil) {
    pollfd watch{fd, POLLIN, 0};
    if (poll(&watch, 1, 10) > 0)
      quietUntil = std::chrono::steady_clock::now() + std::chrono::seconds(1);
    const double before = ThreadCpuNs();
    dispatch();
    cpu += ThreadCpuNs() - before;
  }
  return cpu;
}

struct AllFilters : IRecordSettings {
  bool RecordMouseMove() const override { return true; }
  bool RecordKeyBoard() const override { return true; }
};

void BM_RecordMotionBurst(benchmark::State& state) {
  std::unique_ptr<IInputSource> source = CreateX11InputSource();
  AllFilters filters;
  TEventList events;
  events.Reserve(kBurst);
  TRecorder recorder(*source, filters, events);
  double cpu = 0, lost = 0;
  for (auto _ : state) {
    recorder.StartHook();
    std::thread sender(SendMotionBurst, kBurst);
    cpu += DispatchUntil(
        source->FileDescriptor(), [&] { return events.Count() >= kBurst; },
        [&] { source->Dispatch(); });
    sender.join();
    TActionList actions;
    recorder.Stop(actions);
    lost += kBurst - static_cast<double>(events.Count());
  }
  state.counters["lost"] = lost / static_cast<double>(state.iterations());
  state.counters["ns_per_event"] = cpu / (static_cast<double>(state.iterations()) * kBurst);
}
BENCHMARK(BM_RecordMotionBurst)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();

void BM_WindowMotionBurst(benchmark::State& state) {
  TDisplayPtr display = OpenX11Display();
  Display* d = display.get();
  const int screen = DefaultScreen(d);
  XSetWindowAttributes attributes{};
  attributes.override_redirect = True;
  attributes.event_mask = PointerMotionMask;
  Window window = XCreateWindow(d, RootWindow(d, screen), 0, 0, DisplayWidth(d, screen),
                                DisplayHeight(d, screen), 0, CopyFromParent, InputOutput,
                                CopyFromParent, CWOverrideRedirect | CWEventMask, &attributes);
  XMapRaised(d, window);
  XSync(d, False);
  double cpu = 0, lost = 0;
  for (auto _ : state) {
    int received = 0;
    std::thread sender(SendMotionBurst, kBurst);
    cpu += DispatchUntil(
        ConnectionNumber(d), [&] { return received >= kBurst; },
        [&] {
          while (XPending(d) > 0) {
            XEvent event;
            XNextEvent(d, &event);
            if (event.type == MotionNotify) ++received;
          }
        });
    sender.join();
    lost += kBurst - received;
  }
  XDestroyWindow(d, window);
  state.counters["lost"] = lost / static_cast<double>(state.iterations());
  state.counters["ns_per_event"] = cpu / (static_cast<double>(state.iterations()) * kBurst);
}
BENCHMARK(BM_WindowMotionBurst)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();

TEventList MixedEvents(int count) {
  static const uint32_t kMessages[] = {WM_MOUSEMOVE, WM_MOUSEMOVE,  WM_MOUSEMOVE, WM_LBUTTONDOWN,
                                       WM_LBUTTONUP, WM_KEYDOWN,    WM_KEYUP,     WM_MOUSEWHEEL,
                                       WM_SYSKEYUP,  WM_RBUTTONDOWN};
  TEventList events;
  events.Reserve(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) {
    const auto n = static_cast<uint32_t>(i);
    events.Add(EVENTMSG{kMessages[n % 10], n % 1920, n % 1080, n * 7, 0});
  }
  return events;
}

long PeakResidentKb() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

void BM_ConvertEvents(benchmark::State& state) {
  const TEventList events = MixedEvents(kConvertCount);
  const long peakBefore = PeakResidentKb();
  double heapPerAction = 0;
  for (auto _ : state) {
    const size_t heapBefore = mallinfo2().uordblks;
    TActionList actions;
    EventsToActions(events, actions);
    heapPerAction = static_cast<double>(mallinfo2().uordblks - heapBefore) /
                    static_cast<double>(actions.Count());
    benchmark::DoNotOptimize(actions);
  }
  state.counters["ns_per_event"] =
      benchmark::Counter(static_cast<double>(state.iterations()) * kConvertCount,
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
  state.counters["peak_MB"] = static_cast<double>(PeakResidentKb() - peakBefore) / 1024.0;
  state.counters["heap_B_per_action"] = heapPerAction;
}
BENCHMARK(BM_ConvertEvents)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_CopyEvents(benchmark::State& state) {
  const TEventList events = MixedEvents(kConvertCount);
  for (auto _ : state) {
    TEventList copy;
    copy.Reserve(events.Count());
    for (size_t i = 0; i < events.Count(); ++i) copy.Add(events.Get(i));
    benchmark::DoNotOptimize(copy);
  }
  state.counters["ns_per_event"] =
      benchmark::Counter(static_cast<double>(state.iterations()) * kConvertCount,
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_CopyEvents)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
}  // namespace zorvel

BENCHMARK_MAIN();
