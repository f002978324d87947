#include "platform/wayland/frame_wayland.h"

#include <wayland-client-protocol.h>

#include <cstring>

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

bool CopyFrame(const TShmFrame& frame, uint8_t* pixels, int32_t lineSize, int32_t destHeight,
               int32_t destX, int32_t destY) {
  if (!FrameFormatSupported(frame.format)) return false;
  const bool xrgb = IsXrgb(frame.format);
  for (int32_t row = 0; row < frame.height; ++row) {
    const int32_t sourceRow = frame.yInverted ? frame.height - 1 - row : row;
    const uint8_t* in = frame.data + static_cast<int64_t>(sourceRow) * frame.stride;
    uint8_t* out = pixels + static_cast<int64_t>(destHeight - 1 - (destY + row)) * lineSize +
                   static_cast<int64_t>(destX) * 3;
    if (xrgb) {
      for (int32_t col = 0; col < frame.width; ++col, in += 4, out += 3) {
        out[0] = in[0];
        out[1] = in[1];
        out[2] = in[2];
      }
    } else {
      for (int32_t col = 0; col < frame.width; ++col, in += 4, out += 3) {
        out[0] = in[2];
        out[1] = in[1];
        out[2] = in[0];
      }
    }
  }
  return true;
}

}  // namespace zorvel
