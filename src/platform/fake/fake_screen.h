#pragma once

// A scripted screen for unit tests: a picture the test paints (fill, single pixels, blitted
// pictures), served through IScreen. It counts captures and preparations and can be told to fail
// captures. Its frames carry a non-zero unused byte in every pixel, as real screens may.

#include <cstdint>

#include "picture/bitmap_data.h"
#include "picture/pixel_rows.h"
#include "platform/platform.h"

namespace zorvel {

class TFakeScreen : public IScreen {
 public:
  // A width x height screen filled with the colour 0x00RRGGBB (black by default).
  TFakeScreen(int32_t width, int32_t height, uint32_t color = 0);

  // Painting, colours 0x00RRGGBB, positions from the top-left. Parts outside the screen are
  // left out.
  void Fill(uint32_t color);
  void SetPixel(int32_t x, int32_t y, uint32_t color);
  void FillRect(int32_t x, int32_t y, int32_t width, int32_t height, uint32_t color);
  void Blit(const TBDBitmapData& picture, int32_t x, int32_t y);
  uint32_t Pixel(int32_t x, int32_t y) const { return FImage.GetPixel(x, y); }
  const TBDBitmapData& Image() const { return FImage; }

  // Makes every later capture fail (returning false) until set back.
  void SetCaptureFails(bool fails) { FCaptureFails = fails; }
  int CaptureCount() const { return FCaptureCount; }
  int PrepareCount() const { return FPrepareCount; }

  // IScreen
  TSize ScreenSize() override { return {FImage.Width, FImage.Height}; }
  bool CaptureRect(int32_t x, int32_t y, int32_t width, int32_t height, uint8_t* pixels,
                   int32_t lineSize) override;
  bool CaptureFrame(int32_t x, int32_t y, int32_t width, int32_t height,
                    const FrameUse& use) override;
  void PrepareCapture() override { ++FPrepareCount; }
  uint32_t PixelColor(int32_t x, int32_t y) override;

  // The unused byte of every frame pixel.
  static constexpr uint8_t kUnusedByte = 0x5A;

 private:
  bool Inside(int64_t x, int64_t y) const;
  // Copies the rectangle's pixels that lie on the screen into `target` (the rest is left alone).
  void CopyRect(int32_t x, int32_t y, int32_t width, int32_t height, const TPixelTarget& target);

  TBDBitmapData FImage;
  bool FCaptureFails = false;
  int FCaptureCount = 0;
  int FPrepareCount = 0;
  TFrameBuffer FFrame;
};

}  // namespace zorvel
