#include "platform/fake/fake_screen.h"

#include <algorithm>
#include <cstring>

#include "common/error.h"

namespace zorvel {

TFakeScreen::TFakeScreen(int32_t width, int32_t height, uint32_t color) {
  if (!FImage.SetSize(width, height)) throw Error("The fake screen size is not possible.");
  FImage.Fill(color);
}

bool TFakeScreen::Inside(int64_t x, int64_t y) const {
  return x >= 0 && y >= 0 && x < FImage.Width && y < FImage.Height;
}

void TFakeScreen::Fill(uint32_t color) {
  FImage.Fill(color);
}

void TFakeScreen::SetPixel(int32_t x, int32_t y, uint32_t color) {
  if (Inside(x, y)) FImage.SetPixel(x, y, color);
}

void TFakeScreen::FillRect(int32_t x, int32_t y, int32_t width, int32_t height, uint32_t color) {
  for (int64_t row = y; row < int64_t{y} + height; ++row) {
    for (int64_t column = x; column < int64_t{x} + width; ++column) {
      if (Inside(column, row)) {
        FImage.SetPixel(static_cast<int32_t>(column), static_cast<int32_t>(row), color);
      }
    }
  }
}

void TFakeScreen::Blit(const TBDBitmapData& picture, int32_t x, int32_t y) {
  for (int32_t j = 0; j < picture.Height; ++j) {
    for (int32_t i = 0; i < picture.Width; ++i) {
      SetPixel(x + i, y + j, picture.GetPixel(i, j));
    }
  }
}

void TFakeScreen::CopyRect(int32_t x, int32_t y, int32_t width, int32_t height,
                           const TPixelTarget& target) {
  // Columns of the rectangle that lie on the screen.
  const int64_t from = std::clamp<int64_t>(-int64_t{x}, 0, width);
  const int64_t to = std::clamp<int64_t>(int64_t{FImage.Width} - x, from, width);
  if (to <= from) return;
  for (int32_t j = 0; j < height; ++j) {
    const int64_t sy = int64_t{y} + j;
    if (sy < 0 || sy >= FImage.Height) continue;
    CopyBgrRow(FImage.Row(static_cast<int32_t>(sy)) + 3 * (x + from),
               target.At(static_cast<int32_t>(from), j), static_cast<int32_t>(to - from),
               target.layout);
  }
}

bool TFakeScreen::CaptureRect(int32_t x, int32_t y, int32_t width, int32_t height, uint8_t* pixels,
                              int32_t lineSize) {
  ++FCaptureCount;
  if (FCaptureFails) return false;
  if (width <= 0 || height <= 0) return true;
  std::memset(pixels, 0, static_cast<size_t>(lineSize) * static_cast<size_t>(height));
  CopyRect(x, y, width, height, BottomUpBgrTarget(pixels, lineSize, height));
  return true;
}

bool TFakeScreen::CaptureFrame(int32_t x, int32_t y, int32_t width, int32_t height,
                               const FrameUse& use) {
  ++FCaptureCount;
  if (FCaptureFails) return false;
  FFrame.Reset(width, height);
  const TPixelTarget target = FFrame.Target();
  CopyRect(x, y, width, height, target);
  const TScreenFrame frame = FFrame.Frame();
  for (int32_t j = 0; j < frame.height; ++j)
    for (int32_t i = 0; i < frame.width; ++i) target.At(i, j)[3] = kUnusedByte;
  use(frame);
  return true;
}

uint32_t TFakeScreen::PixelColor(int32_t x, int32_t y) {
  if (!Inside(x, y)) return 0;
  return SwapRedBlue(FImage.GetPixel(x, y));
}

}  // namespace zorvel
