#pragma once

// The straightforward searches: every position, pixel by pixel, stopping at the first mismatch.
// The fast searches must give exactly their answers; tests and benchmarks compare the two.

#include <cstdint>

#include "picture/bitmap_data.h"

namespace zorvel::reference {

inline bool ColorsSimilar(uint32_t a, uint32_t b, const TBDColorTolerance& t) {
  const int32_t limits[3] = {t.Blue, t.Green, t.Red};
  for (int channel = 0; channel < 3; ++channel) {
    const int32_t d = static_cast<int32_t>((a >> (8 * channel)) & 0xFF) -
                      static_cast<int32_t>((b >> (8 * channel)) & 0xFF);
    if (d < -limits[channel] || d > limits[channel]) return false;
  }
  return true;
}

inline uint32_t Pixel24(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16);
}

// `tolerance` null: exact comparison. Rows are walked in memory order (bottom row first).
inline bool MatchAt(const TBDBitmapData& screen, const TBDBitmapData& picture, int32_t x, int32_t y,
                    const TBDColorTolerance* tolerance) {
  if (x + picture.Width > screen.Width || y + picture.Height > screen.Height) return false;
  if (picture.Width == 0 || picture.Height == 0) return true;
  const uint8_t* s = screen.Pixels() +
                     static_cast<size_t>(screen.Height - y - picture.Height) * screen.LineSize +
                     3 * static_cast<size_t>(x);
  const uint8_t* p = picture.Pixels();
  for (int32_t j = 0; j < picture.Height; ++j) {
    for (int32_t i = 0; i < picture.Width; ++i) {
      const uint32_t a = Pixel24(s + 3 * i);
      const uint32_t b = Pixel24(p + 3 * i);
      if (tolerance == nullptr ? a != b : !reference::ColorsSimilar(a, b, *tolerance)) {
        return false;
      }
    }
    s += screen.LineSize;
    p += picture.LineSize;
  }
  return true;
}

inline TBDFindResult FindBitmap(const TBDBitmapData& screen, const TBDBitmapData& picture,
                                const TBDColorTolerance* tolerance) {
  for (int32_t y = 0; y <= screen.Height - picture.Height; ++y) {
    for (int32_t x = 0; x <= screen.Width - picture.Width; ++x) {
      if (MatchAt(screen, picture, x, y, tolerance)) return TPoint{x, y};
    }
  }
  return std::nullopt;
}

inline TBDFindResult FindColor(const TBDBitmapData& screen, uint32_t color,
                               const TBDColorTolerance* tolerance) {
  for (int32_t y = 0; y < screen.Height; ++y) {
    for (int32_t x = 0; x < screen.Width; ++x) {
      const uint32_t a = screen.GetPixel(x, y);
      if (tolerance == nullptr ? a == (color & 0xFFFFFF)
                               : reference::ColorsSimilar(a, color, *tolerance)) {
        return TPoint{x, y};
      }
    }
  }
  return std::nullopt;
}

}  // namespace zorvel::reference
