// Loads arbitrary bytes as a BMP picture; whatever loads is searched for in a screen made of its
// own colours, and the fast searches must agree with the plain sliding search.

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "../tests/unit/picture_search_reference.h"
#include "picture/bitmap_data.h"

namespace {

using zorvel::TBDBitmapData;

// A screen filled with the picture's first colour, the picture drawn once near its bottom-right.
TBDBitmapData ScreenAround(const TBDBitmapData& picture, size_t seed) {
  TBDBitmapData screen;
  if (!screen.SetSize(picture.Width + 1 + static_cast<int32_t>(seed % 23),
                      picture.Height + 1 + static_cast<int32_t>(seed % 7))) {
    std::abort();
  }
  screen.Fill(picture.Empty() ? 0 : picture.GetPixel(0, 0));
  const int32_t x0 = screen.Width - picture.Width - static_cast<int32_t>(seed % 2);
  const int32_t y0 = screen.Height - picture.Height - 1;
  for (int32_t j = 0; j < picture.Height; ++j)
    for (int32_t i = 0; i < picture.Width; ++i)
      screen.SetPixel(x0 + i, y0 + j, picture.GetPixel(i, j));
  // One altered pixel so that near-misses exist.
  if (!picture.Empty())
    screen.SetPixel(x0, y0, picture.GetPixel(0, 0) ^ static_cast<uint32_t>(seed));
  return screen;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TBDBitmapData picture;
  if (!picture.LoadFromStream(data, size)) return 0;
  if (picture.DataSize > static_cast<int32_t>(size)) std::abort();  // never more than was given
  if (picture.Empty() && (picture.Width != 0 || picture.Height != 0)) std::abort();
  if (picture.Width > 64 || picture.Height > 64) return 0;  // keeps the plain search quick

  const TBDBitmapData screen = ScreenAround(picture, size);
  const int32_t t = static_cast<int32_t>(size % 300) - 20;
  const zorvel::TBDColorTolerance tolerance{t, t, t};
  if (screen.FindBitmap(picture) != zorvel::reference::FindBitmap(screen, picture, nullptr)) {
    std::abort();
  }
  if (screen.FindBitmapSimilar(picture, tolerance) !=
      zorvel::reference::FindBitmap(screen, picture, &tolerance)) {
    std::abort();
  }
  const uint32_t color =
      picture.Empty() ? 0 : picture.GetPixel(picture.Width - 1, picture.Height - 1);
  if (screen.FindColorSimilar(color, tolerance) !=
      zorvel::reference::FindColor(screen, color, &tolerance)) {
    std::abort();
  }
  return 0;
}
