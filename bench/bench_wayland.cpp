// The Wayland backend on headless sway (run under scripts/with-sway): typing a 300-character mixed
// text into the Qt line edit, a native Wayland client, against wtype in the same run; and a
// full-output 1920x1080 capture through screen copy, against grim writing the same frame and
// against one memcpy of a frame of that size.

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/wayland/wayland_desktop.h"
#include "typing_bench.h"

namespace {

using zorvel::bench::RunTyping;
using zorvel::bench::ShellQuote;

bool HaveCompositor(benchmark::State& state) {
  if (std::getenv("WAYLAND_DISPLAY")) return true;
  state.SkipWithError("needs a Wayland compositor: run under scripts/with-sway");
  return false;
}

void BM_TypeZorvel(benchmark::State& state) {
  if (!HaveCompositor(state)) return;
  auto input = zorvel::CreateWaylandInput();
  RunTyping(state, [&](const std::string& text) { input->SendTextToFocus(text); });
}

void BM_TypeWtype(benchmark::State& state) {
  if (!HaveCompositor(state)) return;
  RunTyping(state, [&](const std::string& text) {
    const std::string command = "wtype -- " + ShellQuote(text) + " && wtype -k Return";
    if (std::system(command.c_str()) != 0) std::fprintf(stderr, "wtype failed\n");
  });
}

constexpr int kWidth = 1920, kHeight = 1080;

void BM_CaptureScreencopy(benchmark::State& state) {
  if (!HaveCompositor(state)) return;
  auto screen = zorvel::CreateWaylandScreen();
  const int32_t lineSize = (kWidth * 3 + 3) & ~3;
  std::vector<uint8_t> pixels(static_cast<size_t>(lineSize) * kHeight);
  for (auto _ : state) {
    if (!screen->CaptureRect(0, 0, kWidth, kHeight, pixels.data(), lineSize))
      state.SkipWithError("capture failed");
    benchmark::DoNotOptimize(pixels.data());
  }
  state.SetBytesProcessed(state.iterations() * int64_t{kWidth} * kHeight * 4);
}

void BM_CaptureGrim(benchmark::State& state, const std::string& type) {
  if (!HaveCompositor(state)) return;
  const std::string command = "grim -t " + type + " /tmp/zorvel-bench-grim." + type;
  for (auto _ : state)
    if (std::system(command.c_str()) != 0) state.SkipWithError("grim failed");
  std::remove(("/tmp/zorvel-bench-grim." + type).c_str());
}

void BM_MemcpyFrame(benchmark::State& state) {
  std::vector<uint8_t> from(static_cast<size_t>(kWidth) * kHeight * 4, 0x5A);
  std::vector<uint8_t> to(from.size());
  for (auto _ : state) {
    std::memcpy(to.data(), from.data(), from.size());
    benchmark::DoNotOptimize(to.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(from.size()));
}

}  // namespace

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "wayland", 1);
  benchmark::RegisterBenchmark("TypeQtLineEdit/zorvel", BM_TypeZorvel)
      ->Iterations(20)
      ->UseManualTime()
      ->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("TypeQtLineEdit/wtype", BM_TypeWtype)
      ->Iterations(20)
      ->UseManualTime()
      ->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("Capture1920x1080/screencopy", BM_CaptureScreencopy)
      ->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("Capture1920x1080/grim_ppm", BM_CaptureGrim, "ppm")
      ->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("Capture1920x1080/grim_png", BM_CaptureGrim, "png")
      ->Iterations(5)
      ->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("Capture1920x1080/memcpy", BM_MemcpyFrame)
      ->Unit(benchmark::kMillisecond);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
