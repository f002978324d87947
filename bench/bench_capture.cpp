// Full-screen captures on the X server named by DISPLAY: through MIT-SHM and through XGetImage,
// into the 24-bit bottom-up buffer, against a plain memcpy of one 32-bit frame of the same size
// (the least any capture must move). Run it under Xvfb, for example
//   XVFB_SCREEN=3840x2160x24 scripts/with-xvfb build-bench/bench/bench-capture

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "picture/bitmap_data.h"
#include "platform/x11/screen_x11.h"
#include "playback/screen_search.h"

namespace zorvel {
namespace {

void Capture(benchmark::State& state, bool shm) {
  const auto screen = CreateX11Screen(TX11ScreenOptions{shm});
  if (screen->UsesShm() != shm) {
    state.SkipWithError("MIT-SHM is not available");
    return;
  }
  const TSize size = screen->ScreenSize();
  TBDBitmapData buffer;
  for (auto _ : state) {
    if (!buffer.CaptureScreen(*screen, 0, 0, 0, 0)) {
      state.SkipWithError("capture failed");
      return;
    }
    benchmark::DoNotOptimize(buffer.Pixels());
  }
  state.SetBytesProcessed(state.iterations() * buffer.DataSize);
  state.counters["width"] = size.width;
  state.counters["height"] = size.height;
}

void CaptureAndFindPicture(benchmark::State& state) {
  const auto screen = CreateX11Screen(TX11ScreenOptions{true});
  TBDBitmapData picture;
  picture.SetSize(64, 64);
  picture.Fill(0x123456);
  picture.SetPixel(63, 63, 0x654321);
  const TSize size = screen->ScreenSize();
  for (auto _ : state) {
    benchmark::DoNotOptimize(
        FindPictureOnScreen(*screen, picture, 0, 0, size.width, size.height, 100));
  }
}

void MemcpyFrame(benchmark::State& state) {
  const auto screen = CreateX11Screen(TX11ScreenOptions{false});
  const TSize size = screen->ScreenSize();
  const size_t bytes = 4 * static_cast<size_t>(size.width) * static_cast<size_t>(size.height);
  std::vector<uint8_t> from(bytes, 1);
  std::vector<uint8_t> to(bytes, 0);
  for (auto _ : state) {
    std::memcpy(to.data(), from.data(), bytes);
    benchmark::DoNotOptimize(to.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
}

BENCHMARK(MemcpyFrame)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Capture, shm, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Capture, getimage, false)->Unit(benchmark::kMillisecond);
BENCHMARK(CaptureAndFindPicture)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace zorvel

int main(int argc, char** argv) {
  if (std::getenv("DISPLAY") == nullptr) {
    std::fprintf(stderr, "bench-capture needs an X server: run it under scripts/with-xvfb\n");
    return 1;
  }
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
