// The pixel buffer: sizes, memory reuse, BMP loading (good and hostile), pixel comparisons and
// the search rules at their edges.

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <vector>

#include "picture/bitmap_data.h"
#include "playback/screen_search.h"

namespace zorvel {
namespace {

// A BMP file image: 14-byte file header, 40-byte info header, then `pixelBytes`.
struct TBmpLayout {
  uint16_t magic = 0x4D42;
  uint32_t infoSize = 40;
  int32_t width = 0;
  int32_t height = 0;
  uint16_t bitCount = 24;
  uint32_t compression = 0;
  uint32_t dataOffset = 54;
};

void Put16(std::vector<uint8_t>& b, size_t at, uint32_t v) {
  b[at] = static_cast<uint8_t>(v);
  b[at + 1] = static_cast<uint8_t>(v >> 8);
}
void Put32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
  Put16(b, at, v & 0xFFFF);
  Put16(b, at + 2, v >> 16);
}

std::vector<uint8_t> Bmp(const TBmpLayout& s, const std::vector<uint8_t>& pixelBytes) {
  std::vector<uint8_t> b(54, 0);
  Put16(b, 0, s.magic);
  Put32(b, 2, static_cast<uint32_t>(54 + pixelBytes.size()));
  Put32(b, 10, s.dataOffset);
  Put32(b, 14, s.infoSize);
  Put32(b, 18, static_cast<uint32_t>(s.width));
  Put32(b, 22, static_cast<uint32_t>(s.height));
  Put16(b, 26, 1);
  Put16(b, 28, s.bitCount);
  Put32(b, 30, s.compression);
  b.insert(b.end(), pixelBytes.begin(), pixelBytes.end());
  return b;
}

// 3 x 2 picture, rows of 12 bytes (9 + 3 padding), bottom row first as stored.
const std::vector<uint8_t> kBottomUp3x2 = {
    0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0, 0, 0,  // bottom row (y = 1)
    0x11, 0x12, 0x13, 0x14, 0x15, 0x16, 0x17, 0x18, 0x19, 0, 0, 0,  // top row (y = 0)
};

TBDBitmapData Solid(int32_t w, int32_t h, uint32_t color) {
  TBDBitmapData b;
  EXPECT_TRUE(b.SetSize(w, h));
  b.Fill(color);
  return b;
}

TEST(BitmapGeometry, RowsArePaddedToFourBytes) {
  struct Case {
    int32_t w, h, lineSize, linePad, dataSize;
  };
  for (const Case& c : std::vector<Case>{{1, 1, 4, 1, 4},
                                         {3, 2, 12, 3, 24},
                                         {4, 1, 12, 0, 12},
                                         {5, 3, 16, 1, 48},
                                         {1920, 1080, 5760, 0, 6220800},
                                         {0, 0, 0, 0, 0},
                                         {0, 5, 0, 0, 0},
                                         {7, 0, 24, 3, 0}}) {
    TBDBitmapData b;
    ASSERT_TRUE(b.SetSize(c.w, c.h)) << c.w << "x" << c.h;
    EXPECT_EQ(b.Width, c.w);
    EXPECT_EQ(b.Height, c.h);
    EXPECT_EQ(b.LineSize, c.lineSize) << c.w;
    EXPECT_EQ(b.LinePad, c.linePad) << c.w;
    EXPECT_EQ(b.DataSize, c.dataSize) << c.w << "x" << c.h;
    EXPECT_GE(b.Capacity, b.DataSize);
  }
}

TEST(BitmapGeometry, ImpossibleSizesAreRefusedAndChangeNothing) {
  struct Case {
    int32_t w, h;
  };
  for (const Case& c : std::vector<Case>{{-1, 1},
                                         {1, -1},
                                         {INT_MIN, INT_MIN},
                                         {INT_MAX, 1},
                                         {1, INT_MAX},
                                         {INT_MAX, INT_MAX},
                                         {16384, 16384},         // 768 MiB
                                         {9363, 9363 + 200}}) {  // just over 256 MiB
    TBDBitmapData b = Solid(2, 2, 0x123456);
    const uint8_t* before = b.Pixels();
    EXPECT_FALSE(b.SetSize(c.w, c.h)) << c.w << "x" << c.h;
    EXPECT_EQ(b.Width, 2);
    EXPECT_EQ(b.Height, 2);
    EXPECT_EQ(b.DataSize, 16);
    EXPECT_EQ(b.Pixels(), before);
    EXPECT_EQ(b.GetPixel(1, 1), 0x123456u);
  }
}

TEST(BitmapGeometry, MemoryIsKeptWhileItIsLargeEnough) {
  TBDBitmapData b;
  EXPECT_EQ(b.Pixels(), nullptr);
  ASSERT_TRUE(b.SetSize(10, 10));  // 32 x 10
  const uint8_t* block = b.Pixels();
  EXPECT_EQ(b.Capacity, 320);
  ASSERT_TRUE(b.SetSize(5, 5));
  EXPECT_EQ(b.Pixels(), block);
  EXPECT_EQ(b.DataSize, 80);
  EXPECT_EQ(b.Capacity, 320);
  ASSERT_TRUE(b.SetSize(8, 13));  // 24 x 13 = 312
  EXPECT_EQ(b.Pixels(), block);
  ASSERT_TRUE(b.SetSize(20, 20));
  EXPECT_EQ(b.Capacity, 1200);
  b.Clear();
  EXPECT_EQ(b.Pixels(), nullptr);
  EXPECT_EQ(b.Width + b.Height + b.LineSize + b.DataSize + b.Capacity, 0);
}

TEST(BitmapGeometry, CopiesOwnTheirPixels) {
  TBDBitmapData a = Solid(3, 3, 0x010203);
  TBDBitmapData b = a;
  b.SetPixel(0, 0, 0xFFFFFF);
  EXPECT_EQ(a.GetPixel(0, 0), 0x010203u);
  EXPECT_EQ(b.GetPixel(1, 1), 0x010203u);
  TBDBitmapData moved = std::move(b);
  EXPECT_EQ(moved.GetPixel(0, 0), 0xFFFFFFu);
  EXPECT_EQ(b.Pixels(), nullptr);
}

TEST(BitmapLoad, BottomUpAndTopDownGiveTheSamePicture) {
  TBDBitmapData bottomUp;
  const auto file = Bmp({.width = 3, .height = 2}, kBottomUp3x2);
  ASSERT_TRUE(bottomUp.LoadFromStream(file.data(), file.size()));
  EXPECT_EQ(bottomUp.GetPixel(0, 0), 0x131211u);  // top-left
  EXPECT_EQ(bottomUp.GetPixel(2, 1), 0x090807u);  // bottom-right
  EXPECT_EQ(std::memcmp(bottomUp.Pixels(), kBottomUp3x2.data(), 24), 0);

  std::vector<uint8_t> topDownRows(kBottomUp3x2.begin() + 12, kBottomUp3x2.end());
  topDownRows.insert(topDownRows.end(), kBottomUp3x2.begin(), kBottomUp3x2.begin() + 12);
  TBDBitmapData topDown;
  const auto flipped = Bmp({.width = 3, .height = -2}, topDownRows);
  ASSERT_TRUE(topDown.LoadFromStream(flipped.data(), flipped.size()));
  EXPECT_EQ(topDown.Height, 2);
  EXPECT_EQ(std::memcmp(topDown.Pixels(), bottomUp.Pixels(), 24), 0);
}

TEST(BitmapLoad, BytesAfterThePixelsAreNotLookedAt) {
  std::vector<uint8_t> pixels = kBottomUp3x2;
  pixels.insert(pixels.end(), 100, 0xEE);
  TBDBitmapData b;
  const auto file = Bmp({.width = 3, .height = 2}, pixels);
  ASSERT_TRUE(b.LoadFromStream(file.data(), file.size()));
  EXPECT_EQ(b.GetPixel(0, 1), 0x030201u);
  const auto empty = Bmp({.width = 0, .height = 0}, {});
  ASSERT_TRUE(b.LoadFromStream(empty.data(), empty.size()));
  EXPECT_TRUE(b.Empty());
}

TEST(BitmapLoad, BadStreamsAreRefusedAndChangeNothing) {
  struct Case {
    const char* what;
    std::vector<uint8_t> bytes;
  };
  auto truncated = [](std::vector<uint8_t> b, size_t n) {
    b.resize(n);
    return b;
  };
  const auto good = Bmp({.width = 3, .height = 2}, kBottomUp3x2);
  const std::vector<Case> cases = {
      {"empty", {}},
      {"header cut short", truncated(good, 53)},
      {"pixels one byte short", truncated(good, good.size() - 1)},
      {"magic", Bmp({.magic = 0x4D43, .width = 3, .height = 2}, kBottomUp3x2)},
      {"32-bit, pixels short", Bmp({.width = 4, .height = 2, .bitCount = 32}, kBottomUp3x2)},
      {"data offset past the end", Bmp({.width = 3, .height = 2, .dataOffset = 999}, kBottomUp3x2)},
      {"compression 3", Bmp({.width = 3, .height = 2, .compression = 3}, kBottomUp3x2)},
      {"info header 124", Bmp({.infoSize = 124, .width = 3, .height = 2}, kBottomUp3x2)},
      {"negative width", Bmp({.width = -3, .height = 2}, kBottomUp3x2)},
      {"width 0x7FFFFFFF", Bmp({.width = INT_MAX, .height = 1}, kBottomUp3x2)},
      {"height -2^31", Bmp({.width = 1, .height = INT_MIN}, kBottomUp3x2)},
      {"height 0x7FFFFFFF", Bmp({.width = 1, .height = INT_MAX}, kBottomUp3x2)},
      {"over the cap", Bmp({.width = 20000, .height = 20000}, kBottomUp3x2)},
  };
  for (const Case& c : cases) {
    TBDBitmapData b = Solid(2, 2, 0xABCDEF);
    EXPECT_FALSE(b.LoadFromStream(c.bytes.data(), c.bytes.size())) << c.what;
    EXPECT_EQ(b.Width, 2) << c.what;
    EXPECT_EQ(b.GetPixel(1, 1), 0xABCDEFu) << c.what;
  }
  TBDBitmapData b;
  EXPECT_FALSE(b.LoadFromStream(nullptr, 100));
}

TEST(BitmapColors, SwapAndSimilarity) {
  EXPECT_EQ(SwapRedBlue(0xAABBCCDD), 0x00DDCCBBu);
  EXPECT_EQ(SwapRedBlue(0x00806040), 0x00406080u);
  struct Case {
    int32_t similarity, tolerance;
  };
  for (const Case& c : std::vector<Case>{{100, 0},
                                         {99, 2},
                                         {95, 12},
                                         {90, 25},
                                         {80, 51},
                                         {60, 102},
                                         {0, 255},
                                         {101, -2},
                                         {200, -255},
                                         {INT_MIN, INT_MAX},
                                         {INT_MAX, INT_MIN}}) {
    EXPECT_EQ(ToleranceFromSimilarity(c.similarity), c.tolerance) << c.similarity;
  }
  const TBDColorTolerance t25{25, 25, 25};
  EXPECT_TRUE(ColorsSimilar(0x997959, 0x806040, t25));
  EXPECT_FALSE(ColorsSimilar(0x80605A, 0x806040, t25));  // blue 26 higher
  EXPECT_TRUE(ColorsSimilar(0x674727, 0x806040, t25));   // every channel 25 lower
  EXPECT_FALSE(ColorsSimilar(0x806040, 0x806040, {-1, -1, -1}));
  EXPECT_TRUE(ColorsSimilar(0x00FF00, 0x000000, {0, 255, 0}));
  EXPECT_FALSE(ColorsSimilar(0x00FF00, 0x000000, {255, 254, 255}));
  EXPECT_TRUE(ColorsSimilar(0xFF806040, 0x00806040, {}));  // the top byte is not a channel
}

TEST(BitmapSearch, EdgesOfThePictureSearch) {
  TBDBitmapData screen = Solid(6, 4, 0x101010);
  const TBDBitmapData whole = screen;
  EXPECT_EQ(screen.FindBitmap(whole), (TBDFindResult{TPoint{0, 0}}));
  EXPECT_EQ(screen.FindBitmap(Solid(7, 1, 0x101010)), TBDFindResult{std::nullopt});
  EXPECT_EQ(screen.FindBitmap(Solid(1, 5, 0x101010)), TBDFindResult{std::nullopt});

  TBDBitmapData empty;
  EXPECT_EQ(screen.FindBitmap(empty), (TBDFindResult{TPoint{0, 0}}));
  EXPECT_EQ(screen.FindBitmapSimilar(empty, {-2, -2, -2}), (TBDFindResult{TPoint{0, 0}}));
  EXPECT_TRUE(screen.MatchAt(empty, 6, 4));
  EXPECT_FALSE(screen.MatchAt(empty, 7, 0));
  EXPECT_EQ(screen.FindBitmapSimilar(Solid(1, 1, 0x101010), {-2, -2, -2}),
            TBDFindResult{std::nullopt});

  // Two matches on different rows, and two on one row.
  screen.SetPixel(4, 1, 0xFF0000);
  screen.SetPixel(1, 2, 0xFF0000);
  screen.SetPixel(5, 3, 0xFF0000);
  EXPECT_EQ(screen.FindBitmap(Solid(1, 1, 0xFF0000)), (TBDFindResult{TPoint{4, 1}}));
  screen.SetPixel(0, 1, 0xFF0000);
  EXPECT_EQ(screen.FindBitmap(Solid(1, 1, 0xFF0000)), (TBDFindResult{TPoint{0, 1}}));
  EXPECT_EQ(screen.FindColor(0xFF0000), (TBDFindResult{TPoint{0, 1}}));
  EXPECT_EQ(screen.FindColorSimilar(0xF00A0A, {15, 10, 10}), (TBDFindResult{TPoint{0, 1}}));
  EXPECT_EQ(screen.FindColorSimilar(0xF00A0A, {14, 10, 10}), TBDFindResult{std::nullopt});
  EXPECT_EQ(screen.FindColor(0x123456), TBDFindResult{std::nullopt});
  // The last pixel of the buffer is a candidate.
  EXPECT_EQ(screen.FindBitmap(Solid(1, 1, 0x101010)), (TBDFindResult{TPoint{0, 0}}));
  screen.Fill(0x101010);
  screen.SetPixel(5, 3, 0x202020);
  EXPECT_EQ(screen.FindColor(0x202020), (TBDFindResult{TPoint{5, 3}}));

  EXPECT_FALSE(screen.MatchAt(Solid(1, 1, 0x101010), -1, 0));
  EXPECT_FALSE(screen.MatchAtSimilar(Solid(1, 1, 0x101010), {255, 255, 255}, 0, -1));
  EXPECT_FALSE(screen.MatchAt(Solid(2, 2, 0x101010), INT_MAX, 0));
  EXPECT_TRUE(TBDBitmapData().FindColor(0) == std::nullopt);
}

}  // namespace
}  // namespace zorvel
