#pragma once

// Rows of pixels in the two layouts the searches read: 3 bytes per pixel (blue, green, red: the
// 24-bit buffer and BMP pictures) and 4 bytes per pixel (blue, green, red and a byte that means
// nothing: the screen frames of IScreen::CaptureFrame). Views for reading, targets for writing,
// the row conversions between the layouts, and the owned buffers a screen or a search keeps.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/platform.h"

namespace zorvel {

class TBDBitmapData;

// Where a pixel's bytes lie: 3 (blue, green, red) or 4 (blue, green, red, unused).
enum class TPixelLayout : int32_t { Bgr = 3, Bgrx = 4 };

inline constexpr int32_t BytesPerPixel(TPixelLayout layout) {
  return static_cast<int32_t>(layout);
}

// Pixel rows to read. Row(0) is the top row; `stride` leads from a row to the one below it
// (negative when the rows lie bottom row first).
struct TPixelView {
  const uint8_t* top = nullptr;
  ptrdiff_t stride = 0;
  int32_t width = 0;
  int32_t height = 0;
  TPixelLayout layout = TPixelLayout::Bgr;

  int32_t PixelBytes() const { return BytesPerPixel(layout); }
  const uint8_t* Row(int32_t y) const { return top + static_cast<ptrdiff_t>(y) * stride; }
  const uint8_t* At(int32_t x, int32_t y) const {
    return Row(y) + static_cast<ptrdiff_t>(x) * PixelBytes();
  }
  // Pixel (x, y) as 0x00RRGGBB.
  uint32_t Pixel(int32_t x, int32_t y) const {
    const uint8_t* p = At(x, y);
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16);
  }
  bool Empty() const { return width <= 0 || height <= 0; }
};

TPixelView ViewOf(const TBDBitmapData& bitmap);
TPixelView ViewOf(const TScreenFrame& frame);

// Pixel rows to write, laid out as TPixelView describes.
struct TPixelTarget {
  uint8_t* top = nullptr;
  ptrdiff_t stride = 0;
  TPixelLayout layout = TPixelLayout::Bgr;

  uint8_t* At(int32_t x, int32_t y) const {
    return top + static_cast<ptrdiff_t>(y) * stride +
           static_cast<ptrdiff_t>(x) * BytesPerPixel(layout);
  }
};

// The 24-bit bottom-up rows of IScreen::CaptureRect: `height` rows of `lineSize` bytes.
TPixelTarget BottomUpBgrTarget(uint8_t* pixels, int32_t lineSize, int32_t height);

// Row conversions; `out` is written in `layout`. The unused byte of a 4-byte pixel is left as it
// comes (or 0 when there is none to take).
void CopyBgrxRow(const uint8_t* in, uint8_t* out, int32_t pixels, TPixelLayout layout);
void CopyRgbxRow(const uint8_t* in, uint8_t* out, int32_t pixels, TPixelLayout layout);
void CopyBgrRow(const uint8_t* in, uint8_t* out, int32_t pixels, TPixelLayout layout);

// An owned 4-byte frame, top row first, rows packed: for a rectangle that the screen does not
// hold as it is (partly off the screen, another pixel format, several outputs). The memory is kept
// from one capture to the next.
class TFrameBuffer {
 public:
  // width x height pixels, all black. Sizes below 0 count as 0.
  void Reset(int32_t width, int32_t height);
  TPixelTarget Target() {
    return {FPixels.data(), 4 * static_cast<ptrdiff_t>(FWidth), TPixelLayout::Bgrx};
  }
  TScreenFrame Frame() const { return {FPixels.data(), 4 * FWidth, FWidth, FHeight}; }

 private:
  std::vector<uint8_t> FPixels;
  int32_t FWidth = 0;
  int32_t FHeight = 0;
};

// A picture converted once into the 4-byte layout of screen frames, to be searched for in many.
class TFramePicture {
 public:
  explicit TFramePicture(const TBDBitmapData& picture);
  TPixelView View() const {
    return {FPixels.data(), 4 * static_cast<ptrdiff_t>(FWidth), FWidth, FHeight,
            TPixelLayout::Bgrx};
  }
  int32_t Width() const { return FWidth; }
  int32_t Height() const { return FHeight; }

 private:
  std::vector<uint8_t> FPixels;
  int32_t FWidth = 0;
  int32_t FHeight = 0;
};

}  // namespace zorvel
