#pragma once

// Copying a frame the compositor wrote into shared memory into the 24-bit bottom-up buffer of
// IScreen::CaptureRect or the 4-byte frame of IScreen::CaptureFrame.

#include <cstdint>

#include "picture/pixel_rows.h"

namespace zorvel {

// A frame in memory as the compositor wrote it.
struct TShmFrame {
  const uint8_t* data = nullptr;
  uint32_t format = 0;  // wl_shm format
  int32_t width = 0;
  int32_t height = 0;
  int32_t stride = 0;
  bool yInverted = false;  // rows stored bottom row first
};

// True for the formats CopyFrame reads (32 bits per pixel, with or without alpha, RGB or BGR
// order).
bool FrameFormatSupported(uint32_t format);

// Copies `frame` into the pixel rows of `target` (either layout), with the frame's top-left pixel
// at column `destX`, row `destY` counted from the top. The frame must fit. False for an
// unsupported format.
bool CopyFrame(const TShmFrame& frame, const TPixelTarget& target, int32_t destX, int32_t destY);

}  // namespace zorvel
