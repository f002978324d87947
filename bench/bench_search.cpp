// Colour and picture searches on synthetic 1920x1080 and 3840x2160 screens, each against the
// straightforward sliding search in the same run, against one memcmp pass over the screen
// buffer, and (when built with OpenCV) against cv::matchTemplate(TM_SQDIFF) + minMaxLoc.
//
// Screens:
//   typical      random pixels, the picture cut from the bottom-right corner (found there)
//   adversarial  one colour, the picture of that colour but its last pixel in memory order (the
//                right end of its top row), so the sliding search compares every pixel of the
//                picture at every position (not found)
//   banded       bands of two colours 8 rows high; the picture is cut from them but the last
//                pixel in memory order has the other colour, so any one picture pixel matches at
//                half of all positions (not found)
// The straightforward search takes seconds to minutes on the adversarial and banded screens; it
// runs there on a strip of the screen (all columns, 8 rows of positions) and the counter
// "est_full_ms" scales its time to the whole screen by the number of positions.
// The "frame-" variants search the same scenes as 4-byte screen frames (what a capture hands the
// searches), against one memcmp pass over such a frame.

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstring>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "../tests/unit/picture_search_reference.h"
#include "picture/bitmap_data.h"
#include "picture/pixel_rows.h"
#include "picture/pixel_search.h"
#include "picture/search_kernels.h"

#ifdef ZORVEL_HAVE_OPENCV
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#endif

namespace zorvel {
namespace {

enum class Kind { Typical, Adversarial, Banded };

const char* KindName(Kind kind) {
  return kind == Kind::Typical ? "typical" : kind == Kind::Adversarial ? "adversarial" : "banded";
}

constexpr uint32_t kUniform = 0x336699;
constexpr uint32_t kBandA = 0x2080C0;
constexpr uint32_t kBandB = 0xC08020;
constexpr int32_t kStripRows = 8;  // rows of positions the slow reference runs on

struct TScene {
  TBDBitmapData screen;
  TBDBitmapData picture;
};

TBDBitmapData RandomScreen(int32_t w, int32_t h, uint32_t seed) {
  TBDBitmapData b;
  b.SetSize(w, h);
  std::mt19937 random(seed);
  for (int32_t i = 0; i < b.DataSize; i += 4) {
    const uint32_t v = random();
    std::memcpy(b.Pixels() + i, &v, 4);
  }
  return b;
}

TBDBitmapData Cut(const TBDBitmapData& from, int32_t x, int32_t y, int32_t w, int32_t h) {
  TBDBitmapData b;
  b.SetSize(w, h);
  for (int32_t j = 0; j < h; ++j) std::memcpy(b.Row(j), from.Row(y + j) + 3 * x, 3 * size_t(w));
  return b;
}

TBDBitmapData Bands(int32_t w, int32_t h, int32_t band) {
  TBDBitmapData b;
  b.SetSize(w, h);
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x) b.SetPixel(x, y, (y / band) % 2 == 0 ? kBandA : kBandB);
  return b;
}

TScene MakeScene(Kind kind, int32_t w, int32_t h, int32_t pw, int32_t ph) {
  TScene scene;
  switch (kind) {
    case Kind::Typical:
      scene.screen = RandomScreen(w, h, 42);
      scene.picture = Cut(scene.screen, w - pw, h - ph, pw, ph);
      break;
    case Kind::Adversarial:
      scene.screen.SetSize(w, h);
      scene.screen.Fill(kUniform);
      scene.picture.SetSize(pw, ph);
      scene.picture.Fill(kUniform);
      scene.picture.SetPixel(pw - 1, 0, 0x996633);
      break;
    case Kind::Banded:
      scene.screen = Bands(w, h, 8);
      scene.picture = Bands(pw, ph, 8);
      scene.picture.SetPixel(pw - 1, 0, kBandB);
      break;
  }
  return scene;
}

// Scenes are built once per shape.
const TScene& Scene(Kind kind, int32_t w, int32_t h, int32_t pw, int32_t ph) {
  static std::map<std::vector<int32_t>, TScene> scenes;
  const std::vector<int32_t> key{static_cast<int32_t>(kind), w, h, pw, ph};
  auto it = scenes.find(key);
  if (it == scenes.end()) it = scenes.emplace(key, MakeScene(kind, w, h, pw, ph)).first;
  return it->second;
}

const TBDColorTolerance kTolerance25{25, 25, 25};

void MemcmpPass(benchmark::State& state, int32_t w, int32_t h) {
  const TBDBitmapData& screen = Scene(Kind::Typical, w, h, 1, 1).screen;
  const TBDBitmapData copy = screen;
  for (auto _ : state) {
    benchmark::DoNotOptimize(std::memcmp(screen.Pixels(), copy.Pixels(), screen.DataSize));
  }
  state.SetBytesProcessed(state.iterations() * screen.DataSize);
}

void FastBitmap(benchmark::State& state, Kind kind, bool similar, int32_t w, int32_t h, int32_t pw,
                int32_t ph, search::TKernelLevel level) {
  if (search::SelectKernels(level) != level) {
    state.SkipWithError("kernel level not available");
    return;
  }
  const TScene& scene = Scene(kind, w, h, pw, ph);
  TBDFindResult found;
  for (auto _ : state) {
    found = similar ? scene.screen.FindBitmapSimilar(scene.picture, kTolerance25)
                    : scene.screen.FindBitmap(scene.picture);
    benchmark::DoNotOptimize(found);
  }
  state.counters["found"] = found.has_value();
  search::SelectKernels(search::TKernelLevel::Avx2);
}

// The pixels of a buffer as a screen frame: 4 bytes per pixel, top row first.
class TFrame {
 public:
  explicit TFrame(const TBDBitmapData& b) : FBytes(4 * static_cast<size_t>(b.Width) * b.Height) {
    for (int32_t y = 0; y < b.Height; ++y)
      CopyBgrRow(b.Row(y), FBytes.data() + 4 * static_cast<size_t>(b.Width) * y, b.Width,
                 TPixelLayout::Bgrx);
    FView = {FBytes.data(), 4 * static_cast<ptrdiff_t>(b.Width), b.Width, b.Height,
             TPixelLayout::Bgrx};
  }
  const TPixelView& View() const { return FView; }
  const std::vector<uint8_t>& Bytes() const { return FBytes; }

 private:
  std::vector<uint8_t> FBytes;
  TPixelView FView;
};

void FrameMemcmpPass(benchmark::State& state, int32_t w, int32_t h) {
  const TFrame frame(Scene(Kind::Typical, w, h, 1, 1).screen);
  const std::vector<uint8_t> copy = frame.Bytes();
  for (auto _ : state) {
    benchmark::DoNotOptimize(std::memcmp(frame.Bytes().data(), copy.data(), copy.size()));
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * copy.size()));
}

void FrameBitmap(benchmark::State& state, Kind kind, bool similar, int32_t w, int32_t h, int32_t pw,
                 int32_t ph, search::TKernelLevel level) {
  if (search::SelectKernels(level) != level) {
    state.SkipWithError("kernel level not available");
    return;
  }
  const TScene& scene = Scene(kind, w, h, pw, ph);
  const TFrame frame(scene.screen);
  const TFramePicture picture(scene.picture);
  TBDFindResult found;
  for (auto _ : state) {
    found = FindPictureIn(frame.View(), picture.View(), similar ? &kTolerance25 : nullptr);
    benchmark::DoNotOptimize(found);
  }
  state.counters["found"] = found.has_value();
  search::SelectKernels(search::TKernelLevel::Avx2);
}

void ReferenceBitmap(benchmark::State& state, Kind kind, bool similar, int32_t w, int32_t h,
                     int32_t pw, int32_t ph) {
  // The whole screen for the typical case; a strip of kStripRows rows of positions otherwise.
  const bool strip = kind != Kind::Typical;
  const TScene& scene = Scene(kind, w, strip ? ph + kStripRows - 1 : h, pw, ph);
  TBDFindResult found;
  const auto start = std::chrono::steady_clock::now();
  for (auto _ : state) {
    found = reference::FindBitmap(scene.screen, scene.picture, similar ? &kTolerance25 : nullptr);
    benchmark::DoNotOptimize(found);
  }
  const std::chrono::duration<double, std::milli> elapsed =
      std::chrono::steady_clock::now() - start;
  state.counters["found"] = found.has_value();
  if (strip) {
    state.counters["est_full_ms"] =
        elapsed.count() / static_cast<double>(state.iterations()) * (h - ph + 1) / kStripRows;
  }
}

#ifdef ZORVEL_HAVE_OPENCV
void OpenCvBitmap(benchmark::State& state, Kind kind, int32_t w, int32_t h, int32_t pw,
                  int32_t ph) {
  const TScene& scene = Scene(kind, w, h, pw, ph);
  const cv::Mat screen(scene.screen.Height, scene.screen.Width, CV_8UC3,
                       const_cast<uint8_t*>(scene.screen.Pixels()), scene.screen.LineSize);
  const cv::Mat picture(scene.picture.Height, scene.picture.Width, CV_8UC3,
                        const_cast<uint8_t*>(scene.picture.Pixels()), scene.picture.LineSize);
  cv::Mat result;
  for (auto _ : state) {
    cv::matchTemplate(screen, picture, result, cv::TM_SQDIFF);
    double minValue = 0;
    cv::Point at;
    cv::minMaxLoc(result, &minValue, nullptr, &at, nullptr);
    benchmark::DoNotOptimize(at);
  }
}
#endif

// Colour searches for a colour that is not on the screen.
TBDBitmapData LowHalfScreen(int32_t w, int32_t h) {
  TBDBitmapData b = RandomScreen(w, h, 7);
  for (int32_t i = 0; i < b.DataSize; ++i) b.Pixels()[i] &= 0x7F;
  return b;
}

void FastColor(benchmark::State& state, bool similar, int32_t w, int32_t h,
               search::TKernelLevel level) {
  if (search::SelectKernels(level) != level) {
    state.SkipWithError("kernel level not available");
    return;
  }
  static std::map<std::pair<int32_t, int32_t>, TBDBitmapData> screens;
  auto it = screens.find({w, h});
  if (it == screens.end()) it = screens.emplace(std::make_pair(w, h), LowHalfScreen(w, h)).first;
  const TBDBitmapData& screen = it->second;
  TBDFindResult found;
  for (auto _ : state) {
    found = similar ? screen.FindColorSimilar(0xFFFFFF, kTolerance25) : screen.FindColor(0xFFFFFF);
    benchmark::DoNotOptimize(found);
  }
  state.counters["found"] = found.has_value();
  state.SetBytesProcessed(state.iterations() * screen.DataSize);
  search::SelectKernels(search::TKernelLevel::Avx2);
}

void ReferenceColor(benchmark::State& state, bool similar, int32_t w, int32_t h) {
  const TBDBitmapData screen = LowHalfScreen(w, h);
  for (auto _ : state) {
    benchmark::DoNotOptimize(
        reference::FindColor(screen, 0xFFFFFF, similar ? &kTolerance25 : nullptr));
  }
}

std::string Size(int32_t w, int32_t h) {
  return std::to_string(w) + "x" + std::to_string(h);
}

const char* LevelName(search::TKernelLevel level) {
  return level == search::TKernelLevel::Avx2   ? "avx2"
         : level == search::TKernelLevel::Sse2 ? "sse2"
                                               : "portable";
}

void RegisterAll() {
  using search::TKernelLevel;
  const std::vector<std::pair<int32_t, int32_t>> screens{{1920, 1080}, {3840, 2160}};
  const std::vector<std::pair<int32_t, int32_t>> pictures{{64, 64}, {200, 120}};
  for (const auto& [w, h] : screens) {
    const std::string screen = Size(w, h);
    benchmark::RegisterBenchmark(("MemcmpPass/" + screen).c_str(), MemcmpPass, w, h)
        ->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark(("MemcmpPass/" + screen + "/frame").c_str(), FrameMemcmpPass, w, h)
        ->Unit(benchmark::kMicrosecond);
    for (bool similar : {false, true}) {
      const std::string op = similar ? "FindColorSimilar" : "FindColor";
      for (TKernelLevel level : {TKernelLevel::Avx2, TKernelLevel::Sse2, TKernelLevel::Portable}) {
        benchmark::RegisterBenchmark((op + "/absent/" + screen + "/" + LevelName(level)).c_str(),
                                     FastColor, similar, w, h, level)
            ->Unit(benchmark::kMicrosecond);
      }
      benchmark::RegisterBenchmark((op + "/absent/" + screen + "/reference").c_str(),
                                   ReferenceColor, similar, w, h)
          ->Unit(benchmark::kMicrosecond);
    }
    for (const auto& [pw, ph] : pictures) {
      for (Kind kind : {Kind::Typical, Kind::Adversarial, Kind::Banded}) {
        for (bool similar : {false, true}) {
          const std::string name = std::string(similar ? "FindBitmapSimilar25/" : "FindBitmap/") +
                                   KindName(kind) + "/" + screen + "/" + Size(pw, ph);
          for (TKernelLevel level : {TKernelLevel::Avx2, TKernelLevel::Sse2}) {
            benchmark::RegisterBenchmark((name + "/" + LevelName(level)).c_str(), FastBitmap, kind,
                                         similar, w, h, pw, ph, level)
                ->Unit(benchmark::kMicrosecond);
            benchmark::RegisterBenchmark((name + "/frame-" + LevelName(level)).c_str(), FrameBitmap,
                                         kind, similar, w, h, pw, ph, level)
                ->Unit(benchmark::kMicrosecond);
          }
          auto* reference =
              benchmark::RegisterBenchmark((name + "/reference").c_str(), ReferenceBitmap, kind,
                                           similar, w, h, pw, ph)
                  ->Unit(benchmark::kMillisecond);
          if (kind != Kind::Typical) reference->Iterations(1);
        }
#ifdef ZORVEL_HAVE_OPENCV
        if (kind != Kind::Banded) {
          benchmark::RegisterBenchmark(
              ("OpenCvSqdiff/" + std::string(KindName(kind)) + "/" + screen + "/" + Size(pw, ph))
                  .c_str(),
              OpenCvBitmap, kind, w, h, pw, ph)
              ->Unit(benchmark::kMillisecond)
              ->Iterations(3);
        }
#endif
      }
    }
  }
}

}  // namespace
}  // namespace zorvel

int main(int argc, char** argv) {
  zorvel::RegisterAll();
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
