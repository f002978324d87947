// BMP reading of every header kind and pixel layout we accept, the refusals and their reasons,
// and the 24-bit writer.

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "picture/bitmap_data.h"
#include "picture/bmp_file.h"

namespace zorvel {
namespace {

constexpr uint32_t kBiRgb = 0;
constexpr uint32_t kBiBitfields = 3;

// The test picture: 3 x 2, a different colour (0x00RRGGBB) per pixel, top row first.
constexpr uint32_t kColors[2][3] = {{0x112233, 0x445566, 0x778899}, {0xAABBCC, 0xDDEEFF, 0x010203}};

struct TBmpShape {
  uint32_t headerSize = 40;
  uint16_t bitCount = 24;
  uint32_t compression = kBiRgb;
  bool topDown = false;
  uint32_t gap = 0;  // bytes between the headers and the pixel data
  uint32_t masks[4] = {0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000};  // red, green, blue, alpha
  int32_t width = 3;
  int32_t height = 2;
};

void Put(std::vector<uint8_t>& b, size_t at, uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) b.at(at + i) = static_cast<uint8_t>(v >> (8 * i));
}

// One pixel stored under `masks` (each mask one whole byte).
void PutPixel(std::vector<uint8_t>& b, size_t at, uint32_t color, const TBmpShape& s) {
  if (s.bitCount == 24) {
    Put(b, at, color, 3);
    return;
  }
  const uint32_t channels[4] = {(color >> 16) & 0xFF, (color >> 8) & 0xFF, color & 0xFF, 0x7F};
  uint32_t value = 0;
  for (int c = 0; c < 4; ++c)
    if (s.masks[c] != 0) value |= channels[c] << __builtin_ctz(s.masks[c]);
  Put(b, at, value, 4);
}

std::vector<uint8_t> Bmp(const TBmpShape& s) {
  const bool masksAfterHeader = s.headerSize == 40 && s.compression == kBiBitfields;
  const size_t offset = 14 + s.headerSize + (masksAfterHeader ? 12 : 0) + s.gap;
  const size_t line = (static_cast<size_t>(s.width) * s.bitCount + 31) / 32 * 4;
  std::vector<uint8_t> b(offset + line * 2, 0xEE);  // the gap and row padding hold junk
  std::fill(b.begin(), b.begin() + 14 + s.headerSize, 0);
  b[0] = 'B';
  b[1] = 'M';
  Put(b, 2, static_cast<uint32_t>(b.size()), 4);
  Put(b, 10, static_cast<uint32_t>(offset), 4);
  Put(b, 14, s.headerSize, 4);
  Put(b, 18, static_cast<uint32_t>(s.width), 4);
  Put(b, 22, static_cast<uint32_t>(s.topDown ? -s.height : s.height), 4);
  Put(b, 26, 1, 2);
  Put(b, 28, s.bitCount, 2);
  Put(b, 30, s.compression, 4);
  for (int m = 0; m < (s.headerSize > 40 ? 4 : masksAfterHeader ? 3 : 0); ++m)
    Put(b, 54 + 4 * m, s.masks[m], 4);
  for (int row = 0; row < 2 && s.width == 3 && s.height == 2; ++row) {
    const int y = s.topDown ? row : 1 - row;
    for (int x = 0; x < 3; ++x)
      PutPixel(b, offset + row * line + static_cast<size_t>(x) * s.bitCount / 8, kColors[y][x], s);
  }
  return b;
}

void ExpectTestPicture(const TBDBitmapData& b, const std::string& what) {
  ASSERT_EQ(b.Width, 3) << what;
  ASSERT_EQ(b.Height, 2) << what;
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x) EXPECT_EQ(b.GetPixel(x, y), kColors[y][x]) << what;
}

TEST(BmpRead, EveryHeaderKindDepthAndOrientation) {
  struct Layout {
    const char* name;
    uint16_t bitCount;
    uint32_t compression;
    uint32_t masks[4];
  };
  const Layout layouts[] = {
      {"24-bit", 24, kBiRgb, {}},
      {"32-bit", 32, kBiRgb, {}},
      {"32-bit BGRA masks", 32, kBiBitfields, {0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000}},
      {"32-bit RGBA masks", 32, kBiBitfields, {0x000000FF, 0x0000FF00, 0x00FF0000, 0xFF000000}},
      {"32-bit no alpha", 32, kBiBitfields, {0xFF000000, 0x00FF0000, 0x0000FF00, 0}},
  };
  for (const uint32_t header : {40u, 108u, 124u})
    for (const Layout& layout : layouts)
      for (const bool topDown : {false, true})
        for (const uint32_t gap : {0u, 37u}) {
          TBmpShape shape{.headerSize = header,
                          .bitCount = layout.bitCount,
                          .compression = layout.compression,
                          .topDown = topDown,
                          .gap = gap};
          if (layout.compression == kBiBitfields)
            std::copy(std::begin(layout.masks), std::end(layout.masks), shape.masks);
          const std::string what = std::string(layout.name) + ", header " + std::to_string(header) +
                                   (topDown ? ", top-down" : "") + ", gap " + std::to_string(gap);
          const auto file = Bmp(shape);
          TBDBitmapData b;
          std::string reason = "unset";
          ASSERT_TRUE(b.LoadFromStream(file.data(), file.size(), &reason))
              << what << ": " << reason;
          EXPECT_EQ(reason, "") << what;
          ExpectTestPicture(b, what);
        }
}

TEST(BmpRead, ZeroWidthOrHeightIsTheEmptyPictureWithoutARowLoop) {
  // The 58-byte picture: width 0, height -2147483647, four bytes after the header.
  for (const auto& [width, height] :
       std::vector<std::pair<int32_t, int32_t>>{{0, -INT_MAX}, {0, INT_MAX}, {5, 0}, {0, 0}}) {
    auto file = Bmp({.width = 3, .height = 2});
    file.resize(58);
    Put(file, 18, static_cast<uint32_t>(width), 4);
    Put(file, 22, static_cast<uint32_t>(height), 4);
    TBDBitmapData b;
    ASSERT_TRUE(b.SetSize(2, 2));
    ASSERT_TRUE(b.LoadFromStream(file.data(), file.size())) << width << " x " << height;
    EXPECT_TRUE(b.Empty());
    EXPECT_EQ(b.Width, 0);
    EXPECT_EQ(b.Height, 0);
    EXPECT_EQ(b.DataSize, 0);
  }
}

TEST(BmpRead, RefusalsSayWhyAndChangeNothing) {
  struct Case {
    const char* what;
    std::vector<uint8_t> bytes;
    const char* reasonPart;
  };
  auto with = [](std::vector<uint8_t> b, size_t at, uint32_t v, int n) {
    Put(b, at, v, n);
    return b;
  };
  auto cut = [](std::vector<uint8_t> b, size_t n) {
    b.resize(n);
    return b;
  };
  const auto good = Bmp({});
  const auto v5 = Bmp({.headerSize = 124, .bitCount = 32, .compression = kBiBitfields});
  const std::vector<Case> cases = {
      {"empty", {}, "not a BMP"},
      {"magic", with(good, 0, 'B' | ('N' << 8), 2), "not a BMP"},
      {"header 12 (OS/2)", with(good, 14, 12, 4), "12 bytes"},
      {"header 56", with(good, 14, 56, 4), "56 bytes"},
      {"V5 header cut", cut(v5, 100), "cut short in its header"},
      {"8-bit", with(good, 28, 8, 2), "8 bits per pixel"},
      {"16-bit", with(good, 28, 16, 2), "16 bits per pixel"},
      {"RLE", with(good, 30, 1, 4), "compression (1)"},
      {"bitfields on 24-bit", with(good, 30, kBiBitfields, 4), "compression (3)"},
      {"PNG inside", with(good, 30, 5, 4), "compression (5)"},
      {"planes", with(good, 26, 2, 2), "planes"},
      {"mask of 12 bits", with(v5, 54, 0x00FFF000, 4), "masks"},
      {"two masks on one byte", with(v5, 58, 0x00FF0000, 4), "masks"},
      {"no blue mask", with(v5, 62, 0, 4), "masks"},
      {"negative width", with(good, 18, static_cast<uint32_t>(-3), 4), "negative"},
      {"height -2^31", with(good, 22, 0x80000000u, 4), "out of range"},
      {"offset inside the header", with(good, 10, 40, 4), "inside its header"},
      {"offset past the end", with(good, 10, 0xFFFFFFF0u, 4), "cut short"},
      {"pixels one byte short", cut(good, good.size() - 1), "cut short"},
      {"width 2^31-1", with(good, 18, INT_MAX, 4), "too large"},
      {"over the cap", with(with(good, 18, 20000, 4), 22, 20000, 4), "too large"},
  };
  for (const Case& c : cases) {
    TBDBitmapData b;
    ASSERT_TRUE(b.SetSize(2, 2));
    b.Fill(0xABCDEF);
    std::string reason;
    EXPECT_FALSE(b.LoadFromStream(c.bytes.data(), c.bytes.size(), &reason)) << c.what;
    EXPECT_NE(reason.find(c.reasonPart), std::string::npos) << c.what << ": " << reason;
    EXPECT_EQ(b.Width, 2) << c.what;
    EXPECT_EQ(b.GetPixel(1, 1), 0xABCDEFu) << c.what;
  }
}

TEST(BmpWrite, TheWrittenFileIsThePlainKindAndReadsBackAlike) {
  const auto v5 = Bmp({.headerSize = 124, .bitCount = 32, .compression = kBiBitfields, .gap = 9});
  TBDBitmapData b;
  ASSERT_TRUE(b.LoadFromStream(v5.data(), v5.size()));
  const std::vector<uint8_t> file = EncodeBmp24(b);
  ASSERT_EQ(file.size(), 54u + 2 * 12);
  EXPECT_EQ(file[0], 'B');
  EXPECT_EQ(file[10], 54);  // pixel data right after the headers
  EXPECT_EQ(file[14], 40);  // BITMAPINFOHEADER
  EXPECT_EQ(file[28], 24);  // 24 bits per pixel
  EXPECT_EQ(file[30], 0);   // BI_RGB
  TBDBitmapData again;
  ASSERT_TRUE(again.LoadFromStream(file.data(), file.size()));
  ExpectTestPicture(again, "written");

  const std::vector<uint8_t> empty = EncodeBmp24(TBDBitmapData());
  ASSERT_TRUE(again.LoadFromStream(empty.data(), empty.size()));
  EXPECT_TRUE(again.Empty());
}

}  // namespace
}  // namespace zorvel
