// The fast searches against the straightforward ones on thousands of random and adversarial
// buffers, with every kernel level the processor has.

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "picture/bitmap_data.h"
#include "picture/search_kernels.h"
#include "picture_search_reference.h"

namespace zorvel {
namespace {

using search::TKernelLevel;

TBDBitmapData Sized(int32_t w, int32_t h) {
  TBDBitmapData b;
  EXPECT_TRUE(b.SetSize(w, h));
  if (b.DataSize > 0) std::fill(b.Pixels(), b.Pixels() + b.DataSize, uint8_t{0xA5});  // padding
  return b;
}

TBDBitmapData Cut(const TBDBitmapData& from, int32_t x, int32_t y, int32_t w, int32_t h) {
  TBDBitmapData b = Sized(w, h);
  for (int32_t j = 0; j < h; ++j)
    for (int32_t i = 0; i < w; ++i) b.SetPixel(i, j, from.GetPixel(x + i, y + j));
  return b;
}

class Generator {
 public:
  explicit Generator(uint32_t seed) : FRandom(seed) {}

  int32_t Int(int32_t lo, int32_t hi) {
    return std::uniform_int_distribution<int32_t>(lo, hi)(FRandom);
  }
  uint32_t Color() { return static_cast<uint32_t>(Int(0, 0xFFFFFF)); }
  // A colour whose channels lie within `spread` of `base`.
  uint32_t Near(uint32_t base, int32_t spread) {
    uint32_t c = 0;
    for (int k = 0; k < 3; ++k) {
      const int32_t v =
          std::clamp<int32_t>(((base >> (8 * k)) & 0xFF) + Int(-spread, spread), 0, 255);
      c |= static_cast<uint32_t>(v) << (8 * k);
    }
    return c;
  }
  std::vector<uint32_t> Palette(int32_t n, int32_t spread) {
    std::vector<uint32_t> palette{Color()};
    while (static_cast<int32_t>(palette.size()) < n) palette.push_back(Near(palette[0], spread));
    return palette;
  }
  TBDBitmapData Paint(int32_t w, int32_t h, const std::vector<uint32_t>& palette) {
    TBDBitmapData b = Sized(w, h);
    for (int32_t y = 0; y < h; ++y)
      for (int32_t x = 0; x < w; ++x)
        b.SetPixel(x, y, palette[Int(0, static_cast<int32_t>(palette.size()) - 1)]);
    return b;
  }
  TBDColorTolerance Tolerance() {
    switch (Int(0, 5)) {
      case 0:
        return {0, 0, 0};
      case 1:
        return {255, 255, 255};
      case 2:
        return {-1, -1, -1};
      case 3:
        return {Int(0, 40), Int(0, 40), Int(0, 40)};
      default: {
        const int32_t t = Int(0, 255);
        return {t, t, t};
      }
    }
  }

 private:
  std::mt19937 FRandom;
};

std::string Describe(const TBDBitmapData& s, const TBDBitmapData& p, const TBDColorTolerance& t) {
  return "screen " + std::to_string(s.Width) + "x" + std::to_string(s.Height) + " picture " +
         std::to_string(p.Width) + "x" + std::to_string(p.Height) + " tolerance " +
         std::to_string(t.Red) + "/" + std::to_string(t.Green) + "/" + std::to_string(t.Blue);
}

void ExpectSameBitmapResults(const TBDBitmapData& screen, const TBDBitmapData& picture,
                             const TBDColorTolerance& tolerance) {
  const std::string what = Describe(screen, picture, tolerance);
  EXPECT_EQ(screen.FindBitmap(picture), reference::FindBitmap(screen, picture, nullptr)) << what;
  EXPECT_EQ(screen.FindBitmapSimilar(picture, tolerance),
            reference::FindBitmap(screen, picture, &tolerance))
      << what;
}

// A case of the kind `kind`, built from the generator.
void RandomCase(Generator& g, int kind) {
  const int32_t w = g.Int(1, 90);
  const int32_t h = g.Int(1, 24);
  const auto palette = g.Palette(g.Int(1, 3), g.Int(0, 60));
  TBDBitmapData screen = g.Paint(w, h, palette);
  const int32_t pw = g.Int(0, std::min(w + 1, 14));
  const int32_t ph = g.Int(0, std::min(h + 1, 8));
  TBDBitmapData picture;
  switch (kind) {
    case 0:  // cut from the screen, often touching the last row and column, maybe altered
      if (pw <= w && ph <= h) {
        const bool corner = g.Int(0, 2) == 0;
        picture = Cut(screen, corner ? w - pw : g.Int(0, w - pw),
                      corner ? h - ph : g.Int(0, h - ph), pw, ph);
        if (!picture.Empty() && g.Int(0, 1) == 0) {
          const int32_t x = g.Int(0, pw - 1);
          const int32_t y = g.Int(0, ph - 1);
          picture.SetPixel(x, y, g.Near(picture.GetPixel(x, y), g.Int(1, 80)));
        }
        break;
      }
      [[fallthrough]];
    case 1:  // same palette, random
      picture = g.Paint(pw, ph, palette);
      break;
    default: {  // near-uniform screen, picture of its colour but one pixel or its last row
      screen.Fill(palette[0]);
      const uint32_t odd = g.Near(palette[0], g.Int(1, 120));
      for (int n = g.Int(0, 4); n > 0; --n) screen.SetPixel(g.Int(0, w - 1), g.Int(0, h - 1), odd);
      picture = Sized(pw, ph);
      picture.Fill(palette[0]);
      if (!picture.Empty()) {
        if (g.Int(0, 1) == 0) {
          picture.SetPixel(pw - 1, ph - 1, odd);
        } else {
          for (int32_t x = 0; x < pw; ++x) picture.SetPixel(x, ph - 1, odd);
        }
      }
    }
  }
  ExpectSameBitmapResults(screen, picture, g.Tolerance());

  const uint32_t color = g.Int(0, 1) == 0 ? g.Near(palette[0], g.Int(0, 30)) : g.Color();
  const TBDColorTolerance t = g.Tolerance();
  EXPECT_EQ(screen.FindColor(color), reference::FindColor(screen, color, nullptr));
  EXPECT_EQ(screen.FindColorSimilar(color, t), reference::FindColor(screen, color, &t));
}

class SearchEquivalence : public ::testing::TestWithParam<TKernelLevel> {
 protected:
  void SetUp() override {
    if (search::SelectKernels(GetParam()) != GetParam()) GTEST_SKIP() << "not on this processor";
  }
  void TearDown() override { search::SelectKernels(TKernelLevel::Avx2); }
};

TEST_P(SearchEquivalence, RandomAndNearUniformBuffers) {
  Generator g(1234 + static_cast<uint32_t>(GetParam()));
  for (int i = 0; i < 3000 && !HasFailure(); ++i) RandomCase(g, i % 3);
}

// Wide buffers: the vector kernels' full steps and tails, odd widths with row padding.
TEST_P(SearchEquivalence, WideBuffersEveryTolerance) {
  Generator g(99);
  for (int32_t w : {31, 32, 33, 47, 48, 49, 95, 96, 97, 161}) {
    const auto palette = g.Palette(3, 20);
    const TBDBitmapData screen = g.Paint(w, 6, palette);
    const TBDBitmapData picture = Cut(screen, w - 3, 4, 3, 2);
    for (int32_t t = 0; t <= 255 && !HasFailure(); t += 17) {
      ExpectSameBitmapResults(screen, picture, {t, t, t});
      const uint32_t color = g.Near(palette[0], 25);
      const TBDColorTolerance tolerance{t, t / 2, 255 - t};
      EXPECT_EQ(screen.FindColorSimilar(color, tolerance),
                reference::FindColor(screen, color, &tolerance));
    }
    // The only match is the last pixel of the buffer.
    TBDBitmapData uniform = Sized(w, 5);
    uniform.Fill(0x102030);
    uniform.SetPixel(w - 1, 4, 0x102031);
    EXPECT_EQ(uniform.FindColor(0x102031), (TBDFindResult{TPoint{w - 1, 4}}));
    EXPECT_EQ(uniform.FindColorSimilar(0x102032, {0, 0, 1}), (TBDFindResult{TPoint{w - 1, 4}}));
    EXPECT_EQ(uniform.FindColorSimilar(0x102032, {1, 1, 0}), (TBDFindResult{std::nullopt}));
  }
}

// Screens of few colours where the anchor pixel matches almost everywhere, so the exact search
// goes over to the rolling hash part-way down.
TEST_P(SearchEquivalence, DenseCandidatesSwitchToHashing) {
  Generator g(7);
  for (int i = 0; i < 120 && !HasFailure(); ++i) {
    const int32_t w = g.Int(40, 200);
    const int32_t h = g.Int(20, 60);
    const uint32_t a = g.Color();
    const uint32_t b = g.Color();
    TBDBitmapData screen = Sized(w, h);
    const int32_t band = g.Int(1, 5);
    for (int32_t y = 0; y < h; ++y)
      for (int32_t x = 0; x < w; ++x) screen.SetPixel(x, y, (y / band) % 2 == 0 ? a : b);
    const int32_t pw = g.Int(1, 20);
    const int32_t ph = g.Int(1, 16);
    TBDBitmapData picture = Sized(pw, ph);
    const int32_t pictureBand = g.Int(1, 5);
    for (int32_t y = 0; y < ph; ++y)
      for (int32_t x = 0; x < pw; ++x) picture.SetPixel(x, y, (y / pictureBand) % 2 == 0 ? a : b);
    if (i % 3 == 0) {
      // A genuine match low in the screen, touching the right edge.
      const int32_t y0 = g.Int(std::min(h / 2, h - ph), h - ph);
      for (int32_t y = 0; y < ph; ++y)
        for (int32_t x = 0; x < pw; ++x)
          screen.SetPixel(w - pw + x, y0 + y, picture.GetPixel(x, y));
    }
    EXPECT_EQ(screen.FindBitmap(picture), reference::FindBitmap(screen, picture, nullptr))
        << Describe(screen, picture, {});
  }
}

INSTANTIATE_TEST_SUITE_P(Kernels, SearchEquivalence,
                         ::testing::Values(TKernelLevel::Portable, TKernelLevel::Sse2,
                                           TKernelLevel::Avx2),
                         [](const auto& info) {
                           return std::string(info.param == TKernelLevel::Portable ? "Portable"
                                              : info.param == TKernelLevel::Sse2   ? "Sse2"
                                                                                   : "Avx2");
                         });

}  // namespace
}  // namespace zorvel
