// Full-screen captures on the X server named by DISPLAY: through MIT-SHM and through XGetImage,
// into the 24-bit bottom-up buffer, against a plain memcpy of one 32-bit frame of the same size
// (the least any capture must move), and a capture with a picture search against the least such
// a search can cost: one XShmGetImage of the frame and one memcmp over it; and the first search of
// a process, with and without the preparation a run makes. Run it under Xvfb,
// for example
//   XVFB_SCREEN=3840x2160x24 scripts/with-xvfb build-bench/bench/bench-capture

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <sys/ipc.h>
#include <sys/shm.h>

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

// A 64x64 picture that is not on the screen: the search goes over the whole frame.
TBDBitmapData AbsentPicture() {
  TBDBitmapData picture;
  picture.SetSize(64, 64);
  picture.Fill(0x123456);
  picture.SetPixel(63, 63, 0x654321);
  return picture;
}

void CaptureAndFindPicture(benchmark::State& state) {
  const auto screen = CreateX11Screen(TX11ScreenOptions{true});
  const TBDBitmapData picture = AbsentPicture();
  const TSize size = screen->ScreenSize();
  for (auto _ : state) {
    benchmark::DoNotOptimize(
        FindPictureOnScreen(*screen, picture, 0, 0, size.width, size.height, 100));
  }
}

// The first picture click of a process: each iteration opens a new screen (untimed), then times
// its first search, with or without the preparation a run makes before its first action; the
// later clicks are CaptureAndFindPicture.
void FirstPictureSearch(benchmark::State& state, bool prepared) {
  const TBDBitmapData picture = AbsentPicture();
  for (auto _ : state) {
    state.PauseTiming();
    auto screen = CreateX11Screen(TX11ScreenOptions{true});
    const TSize size = screen->ScreenSize();
    if (prepared) screen->PrepareCapture();
    state.ResumeTiming();
    benchmark::DoNotOptimize(
        FindPictureOnScreen(*screen, picture, 0, 0, size.width, size.height, 100));
    state.PauseTiming();
    screen.reset();
    state.ResumeTiming();
  }
}

// What the run pays for the preparation, on a new screen.
void PrepareCapture(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    auto screen = CreateX11Screen(TX11ScreenOptions{true});
    state.ResumeTiming();
    screen->PrepareCapture();
    state.PauseTiming();
    screen.reset();
    state.ResumeTiming();
  }
}

// The baseline of CaptureAndFindPicture: the server copies the frame into shared memory once and
// the frame is compared with a copy of itself once.
void ShmGetImageAndMemcmp(benchmark::State& state) {
  Display* display = XOpenDisplay(nullptr);
  if (!display || !XShmQueryExtension(display)) {
    state.SkipWithError("MIT-SHM is not available");
    if (display) XCloseDisplay(display);
    return;
  }
  const int screen = DefaultScreen(display);
  XShmSegmentInfo info{};
  XImage* image = XShmCreateImage(
      display, DefaultVisual(display, screen), static_cast<unsigned>(DefaultDepth(display, screen)),
      ZPixmap, nullptr, &info, static_cast<unsigned>(DisplayWidth(display, screen)),
      static_cast<unsigned>(DisplayHeight(display, screen)));
  const size_t bytes =
      static_cast<size_t>(image->bytes_per_line) * static_cast<size_t>(image->height);
  info.shmid = shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
  info.shmaddr = image->data = static_cast<char*>(shmat(info.shmid, nullptr, 0));
  info.readOnly = False;
  XShmAttach(display, &info);
  XSync(display, False);
  shmctl(info.shmid, IPC_RMID, nullptr);
  // The compare must run over the whole frame: the copy holds the same (still) screen.
  XShmGetImage(display, DefaultRootWindow(display), image, 0, 0, AllPlanes);
  std::vector<char> copy(image->data, image->data + bytes);
  for (auto _ : state) {
    XShmGetImage(display, DefaultRootWindow(display), image, 0, 0, AllPlanes);
    benchmark::DoNotOptimize(std::memcmp(image->data, copy.data(), bytes));
  }
  XShmDetach(display, &info);
  XSync(display, False);
  image->data = nullptr;
  XDestroyImage(image);
  shmdt(info.shmaddr);
  XCloseDisplay(display);
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
BENCHMARK(ShmGetImageAndMemcmp)->Unit(benchmark::kMillisecond);
BENCHMARK(CaptureAndFindPicture)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(FirstPictureSearch, unprepared, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(FirstPictureSearch, prepared, true)->Unit(benchmark::kMillisecond);
BENCHMARK(PrepareCapture)->Unit(benchmark::kMillisecond);

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
