// The fast searches against the straightforward ones on thousands of random and adversarial
// buffers, with every kernel level the processor has: over 3-byte buffers, and over the same
// pixels as 4-byte screen frames whose unused byte holds noise.

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "picture/bitmap_data.h"
#include "picture/pixel_rows.h"
#include "picture/pixel_search.h"
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

// The pixels of `b` as a screen frame: 4 bytes per pixel, top row first, each row followed by
// two pixels of padding; the unused byte and the padding hold noise.
class TFrameCopy {
 public:
  TFrameCopy(const TBDBitmapData& b, uint32_t seed)
      : FStride(4 * static_cast<size_t>(b.Width) + 8) {
    std::mt19937 noise(seed);
    FBytes.resize(FStride * static_cast<size_t>(b.Height) + 1);
    for (uint8_t& byte : FBytes) byte = static_cast<uint8_t>(noise());
    for (int32_t y = 0; y < b.Height; ++y)
      for (int32_t x = 0; x < b.Width; ++x) {
        const uint32_t c = b.GetPixel(x, y);
        uint8_t* p = FBytes.data() + FStride * static_cast<size_t>(y) + 4 * static_cast<size_t>(x);
        p[0] = static_cast<uint8_t>(c);
        p[1] = static_cast<uint8_t>(c >> 8);
        p[2] = static_cast<uint8_t>(c >> 16);
      }
    FView = {FBytes.data(), static_cast<ptrdiff_t>(FStride), b.Width, b.Height, TPixelLayout::Bgrx};
  }
  const TPixelView& View() const { return FView; }

 private:
  size_t FStride;
  std::vector<uint8_t> FBytes;
  TPixelView FView;
};

void ExpectSameBitmapResults(const TBDBitmapData& screen, const TBDBitmapData& picture,
                             const TBDColorTolerance& tolerance) {
  const std::string what = Describe(screen, picture, tolerance);
  const TBDFindResult exact = reference::FindBitmap(screen, picture, nullptr);
  const TBDFindResult similar = reference::FindBitmap(screen, picture, &tolerance);
  EXPECT_EQ(screen.FindBitmap(picture), exact) << what;
  EXPECT_EQ(screen.FindBitmapSimilar(picture, tolerance), similar) << what;
  // As frames: the picture converted once (unused byte 0) and with noise of its own.
  const TFrameCopy frame(screen, static_cast<uint32_t>(screen.Width * 31 + picture.Width));
  const TFramePicture converted(picture);
  const TFrameCopy noisy(picture, static_cast<uint32_t>(picture.Height * 17 + screen.Height));
  for (const TPixelView& p : {converted.View(), noisy.View()}) {
    EXPECT_EQ(FindPictureIn(frame.View(), p, nullptr), exact) << what << " as frames";
    EXPECT_EQ(FindPictureIn(frame.View(), p, &tolerance), similar) << what << " as frames";
  }
}

void ExpectSameColorResults(const TBDBitmapData& screen, uint32_t color,
                            const TBDColorTolerance& t) {
  const TFrameCopy frame(screen, color);
  const TBDFindResult exact = reference::FindColor(screen, color, nullptr);
  const TBDFindResult similar = reference::FindColor(screen, color, &t);
  EXPECT_EQ(screen.FindColor(color), exact);
  EXPECT_EQ(screen.FindColorSimilar(color, t), similar);
  EXPECT_EQ(FindColorIn(frame.View(), color, nullptr), exact) << "as a frame";
  EXPECT_EQ(FindColorIn(frame.View(), color, &t), similar) << "as a frame";
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
  ExpectSameColorResults(screen, color, g.Tolerance());
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
      ExpectSameColorResults(screen, g.Near(palette[0], 25), {t, t / 2, 255 - t});
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
    const TBDFindResult expected = reference::FindBitmap(screen, picture, nullptr);
    EXPECT_EQ(screen.FindBitmap(picture), expected) << Describe(screen, picture, {});
    EXPECT_EQ(FindPictureIn(TFrameCopy(screen, 5).View(), TFramePicture(picture).View(), nullptr),
              expected)
        << Describe(screen, picture, {}) << " as frames";
  }
}

// The row kernels themselves: on rows of every length up to a few vector steps, the 4-byte
// kernels (unused byte noise) answer what the 3-byte ones answer, hit for hit.
TEST_P(SearchEquivalence, FourByteKernelsAnswerAsThreeByteOnes) {
  Generator g(31);
  for (int i = 0; i < 1500 && !HasFailure(); ++i) {
    const int32_t count = g.Int(0, 140);
    const auto palette = g.Palette(g.Int(1, 4), g.Int(0, 12));
    std::vector<uint8_t> row3(3 * static_cast<size_t>(count) + 1),
        row4(4 * static_cast<size_t>(count) + 1);
    std::vector<uint8_t> other3(row3.size()), other4(row4.size());
    for (int32_t k = 0; k < count; ++k) {
      const uint32_t a =
          palette[static_cast<size_t>(g.Int(0, static_cast<int32_t>(palette.size()) - 1))];
      const uint32_t b = g.Int(0, 3) == 0 ? g.Near(a, g.Int(0, 20)) : a;
      for (int c = 0; c < 3; ++c) {
        row3[3 * k + c] = row4[4 * k + c] = static_cast<uint8_t>(a >> (8 * c));
        other3[3 * k + c] = other4[4 * k + c] = static_cast<uint8_t>(b >> (8 * c));
      }
      row4[4 * k + 3] = static_cast<uint8_t>(g.Int(0, 255));
      other4[4 * k + 3] = static_cast<uint8_t>(g.Int(0, 255));
    }
    const uint8_t t = static_cast<uint8_t>(g.Int(0, 3) == 0 ? 0 : g.Int(0, 30));
    const uint8_t tolerance[3] = {t, static_cast<uint8_t>(g.Int(0, 30)),
                                  static_cast<uint8_t>(t / 2)};
    const uint32_t color = g.Int(0, 1) == 0 ? palette[0] : g.Near(palette[0], 15);
    for (const search::TPixelKey& key :
         {search::TPixelKey(color), search::TPixelKey(color, tolerance)}) {
      const std::string what =
          "count " + std::to_string(count) + (key.Exact() ? " exact" : " tolerance");
      std::vector<int32_t> hits3(static_cast<size_t>(count) + 1), hits4(hits3.size());
      const int32_t n3 = search::FindPixels(row3.data(), count, key, hits3.data());
      const int32_t n4 =
          search::FindPixels(row4.data(), count, key, hits4.data(), TPixelLayout::Bgrx);
      hits3.resize(static_cast<size_t>(n3));
      hits4.resize(static_cast<size_t>(std::max(n4, 0)));
      EXPECT_EQ(hits4, hits3) << what;
      EXPECT_EQ(search::FindPixel(row4.data(), count, key, TPixelLayout::Bgrx),
                search::FindPixel(row3.data(), count, key))
          << what;
      EXPECT_EQ(
          search::PixelsMatch(row4.data(), other4.data(), 4 * static_cast<size_t>(count), key,
                              TPixelLayout::Bgrx),
          search::PixelsMatch(row3.data(), other3.data(), 3 * static_cast<size_t>(count), key))
          << what;
    }
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
