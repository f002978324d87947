// One tick of the action editor's capture timer on the X server named by DISPLAY: the pointer
// position, and for a colour capture the pixel under it, against capturing the whole screen for
// that one pixel (what a tick would cost without the single-pixel read). A tick must stay far
// below the timer's 10 ms period. Run it under Xvfb: scripts/with-xvfb
// build-f/bench/bench-editor-capture

#include <benchmark/benchmark.h>

#include "picture/bitmap_data.h"
#include "platform/x11/x11_desktop.h"
#include "playback/screen_search.h"

namespace zorvel {
namespace {

void PointTick(benchmark::State& state) {
  const auto input = CreateX11Input();
  for (auto _ : state) benchmark::DoNotOptimize(input->GetCursorPos());
}

void ColourTick(benchmark::State& state) {
  const auto input = CreateX11Input();
  const auto screen = CreateX11Screen();
  for (auto _ : state) {
    const TPoint point = input->GetCursorPos();
    benchmark::DoNotOptimize(GetScreenPixelColor(*screen, point.x, point.y));
  }
}

void BaselineFullCaptureTick(benchmark::State& state) {
  const auto input = CreateX11Input();
  const auto screen = CreateX11Screen();
  TBDBitmapData buffer;
  for (auto _ : state) {
    const TPoint point = input->GetCursorPos();
    buffer.CaptureScreen(*screen, 0, 0, 0, 0);
    benchmark::DoNotOptimize(buffer.GetPixel(point.x, point.y));
  }
}

BENCHMARK(PointTick)->Unit(benchmark::kMicrosecond);
BENCHMARK(ColourTick)->Unit(benchmark::kMicrosecond);
BENCHMARK(BaselineFullCaptureTick)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace zorvel

BENCHMARK_MAIN();
