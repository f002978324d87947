#pragma once

// BMP files built by the tests. Header-only: the unit tests use it without the test support
// library.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace zorvel::test {

// A 24-bit bottom-up BMP file whose pixel (x, y), y = 0 the top row, has colour colorAt(x, y)
// (0x00BBGGRR).
template <typename ColorAt>
std::vector<uint8_t> PixelBmp(int width, int height, ColorAt colorAt) {
  const int lineSize = (width * 3 + 3) / 4 * 4;
  const uint32_t dataSize = static_cast<uint32_t>(lineSize * height);
  std::vector<uint8_t> bmp(54 + dataSize, 0);
  auto put32 = [&](size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) bmp[at + i] = static_cast<uint8_t>(v >> (8 * i));
  };
  bmp[0] = 'B';
  bmp[1] = 'M';
  put32(2, 54 + dataSize);
  put32(10, 54);
  put32(14, 40);
  put32(18, static_cast<uint32_t>(width));
  put32(22, static_cast<uint32_t>(height));
  bmp[26] = 1;
  bmp[28] = 24;
  put32(34, dataSize);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const uint32_t color = colorAt(x, y);
      uint8_t* p = &bmp[54 + (height - 1 - y) * lineSize + x * 3];
      p[0] = static_cast<uint8_t>(color >> 16);
      p[1] = static_cast<uint8_t>(color >> 8);
      p[2] = static_cast<uint8_t>(color);
    }
  return bmp;
}

// A 24-bit bottom-up BMP file of one colour (0x00BBGGRR).
inline std::vector<uint8_t> SolidBmp(int width, int height, uint32_t color) {
  return PixelBmp(width, height, [color](int, int) { return color; });
}

}  // namespace zorvel::test
