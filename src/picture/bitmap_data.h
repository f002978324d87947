#pragma once

// A 24-bit pixel buffer in the layout of a bottom-up DIB and of the pixel part of a 24-bit BMP:
// the first row in memory is the bottom row of the image, each pixel is 3 bytes (blue, green,
// red), each row is padded to a multiple of 4 bytes. Positions (x, y) count y from the top row.
//
// Colours in this file are 0x00RRGGBB (a pixel's three bytes read as a little-endian number);
// the top byte is never compared.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "platform/platform.h"

namespace zorvel {

// Largest pixel block a buffer will hold (a 4K screen needs about 24 MiB).
inline constexpr int64_t kMaxBitmapBytes = int64_t{256} * 1024 * 1024;

// Per-channel tolerance of the similar searches. A negative value lets nothing match.
struct TBDColorTolerance {
  int32_t Red = 0;
  int32_t Green = 0;
  int32_t Blue = 0;
};

// Result of a search: (found, x, y); (false, -1, -1) when nothing was found.
// Where a search found the colour or picture (top-left corner), if it did.
using TBDFindResult = std::optional<TPoint>;

// Exchanges bits 0-7 with bits 16-23, keeps bits 8-15, clears bits 24-31: 0x00BBGGRR <->
// 0x00RRGGBB.
uint32_t SwapRedBlue(uint32_t color);

// Every channel of a and b differs by no more than that channel's tolerance.
bool ColorsSimilar(uint32_t a, uint32_t b, const TBDColorTolerance& tolerance);

// The screen rectangle CaptureScreen copies for a request (x, y, width, height) on a screen of
// the given size: x or y outside the screen becomes 0; a width or height below 1 reaches to the
// screen's right or bottom edge. A rectangle reaching past the screen is kept as it is.
struct TCaptureRect {
  int32_t x = 0;
  int32_t y = 0;
  int32_t width = 0;
  int32_t height = 0;
};
TCaptureRect CaptureRectFor(TSize screen, int32_t x, int32_t y, int32_t width, int32_t height);

class TBDBitmapData {
 public:
  TBDBitmapData() = default;
  TBDBitmapData(const TBDBitmapData& other);
  TBDBitmapData& operator=(const TBDBitmapData& other);
  TBDBitmapData(TBDBitmapData&& other) noexcept;
  TBDBitmapData& operator=(TBDBitmapData&& other) noexcept;
  ~TBDBitmapData() = default;

  // Geometry. Read them; change them only through SetSize, LoadFromStream, CaptureScreen, Clear.
  int32_t Width = 0;     // pixels per row
  int32_t Height = 0;    // rows
  int32_t LineSize = 0;  // bytes per row: 3 * Width rounded up to a multiple of 4
  int32_t LinePad = 0;   // LineSize - 3 * Width
  int32_t DataSize = 0;  // LineSize * Height
  int32_t Capacity = 0;  // bytes allocated, never less than DataSize

  // The pixel block (DataSize bytes, bottom row first); null when nothing is allocated.
  uint8_t* Pixels() { return FPixels.get(); }
  const uint8_t* Pixels() const { return FPixels.get(); }
  // First byte of image row y (0 = top row). y must be in 0 ... Height - 1.
  uint8_t* Row(int32_t y) { return FPixels.get() + RowOffset(y); }
  const uint8_t* Row(int32_t y) const { return FPixels.get() + RowOffset(y); }
  // Pixel (x, y) as 0x00RRGGBB; the position must lie inside the buffer.
  uint32_t GetPixel(int32_t x, int32_t y) const;
  void SetPixel(int32_t x, int32_t y, uint32_t color);
  // Sets every pixel (padding bytes are zeroed).
  void Fill(uint32_t color);
  bool Empty() const { return Width == 0 || Height == 0; }

  // Gives the buffer a size; pixel contents are undefined afterwards. The memory is kept when it
  // is large enough. Width and height may be 0 (an empty picture). Returns false, leaving the
  // buffer as it was, for a negative size, a block over kMaxBitmapBytes or a failed allocation.
  bool SetSize(int32_t width, int32_t height);
  // Back to 0 x 0, memory released.
  void Clear();
  // Loads a BMP file image from the start of `data` (the kinds bmp_file.h lists). Never reads
  // past data + size. Returns false, leaving the buffer as it was and putting the reason in
  // `reason` when given, for any other kind, truncated data or a size over the cap.
  bool LoadFromStream(const uint8_t* data, size_t size, std::string* reason = nullptr);
  // Copies the screen rectangle CaptureRectFor(screen size, x, y, width, height) into the buffer.
  // Parts of it past the screen are black. False when the size is refused or the capture failed.
  bool CaptureScreen(IScreen& screen, int32_t x, int32_t y, int32_t width, int32_t height);

  // Does `picture`, laid with its top-left corner on (x, y), match exactly / within tolerance.
  bool MatchAt(const TBDBitmapData& picture, int32_t x, int32_t y) const;
  bool MatchAtSimilar(const TBDBitmapData& picture, const TBDColorTolerance& tolerance, int32_t x,
                      int32_t y) const;
  // First position, topmost then leftmost, where `picture` matches.
  TBDFindResult FindBitmap(const TBDBitmapData& picture) const;
  TBDFindResult FindBitmapSimilar(const TBDBitmapData& picture,
                                  const TBDColorTolerance& tolerance) const;
  // First pixel, topmost then leftmost, of the colour 0x00RRGGBB.
  TBDFindResult FindColor(uint32_t color) const;
  TBDFindResult FindColorSimilar(uint32_t color, const TBDColorTolerance& tolerance) const;

  static bool ColorsSimilar(uint32_t a, uint32_t b, const TBDColorTolerance& tolerance) {
    return zorvel::ColorsSimilar(a, b, tolerance);
  }

 private:
  size_t RowOffset(int32_t y) const {
    return static_cast<size_t>(Height - 1 - y) * static_cast<size_t>(LineSize);
  }

  std::unique_ptr<uint8_t[]> FPixels;
};

}  // namespace zorvel
