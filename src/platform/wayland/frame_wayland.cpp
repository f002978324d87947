#include "platform/wayland/frame_wayland.h"

#include <wayland-client-protocol.h>

namespace zorvel {
namespace {

// Little-endian 32-bit pixels: XRGB keeps blue, green, red in bytes 0, 1, 2; XBGR keeps them in
// bytes 2, 1, 0.
bool IsXrgb(uint32_t format) {
  return format == WL_SHM_FORMAT_XRGB8888 || format == WL_SHM_FORMAT_ARGB8888;
}
bool IsXbgr(uint32_t format) {
  return format == WL_SHM_FORMAT_XBGR8888 || format == WL_SHM_FORMAT_ABGR8888;
}

}  // namespace

bool FrameFormatSupported(uint32_t format) {
  return IsXrgb(format) || IsXbgr(format);
}

bool CopyFrame(const TShmFrame& frame, const TPixelTarget& target, int32_t destX, int32_t destY) {
  if (!FrameFormatSupported(frame.format)) return false;
  const auto copyRow = IsXrgb(frame.format) ? CopyBgrxRow : CopyRgbxRow;
  for (int32_t row = 0; row < frame.height; ++row) {
    const int32_t sourceRow = frame.yInverted ? frame.height - 1 - row : row;
    const uint8_t* in = frame.data + static_cast<int64_t>(sourceRow) * frame.stride;
    copyRow(in, target.At(destX, destY + row), frame.width, target.layout);
  }
  return true;
}

}  // namespace zorvel
