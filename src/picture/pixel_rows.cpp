#include "picture/pixel_rows.h"

#include <algorithm>
#include <cstring>

#include "picture/bitmap_data.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define ZORVEL_ROWS_X86 1
#endif

namespace zorvel {

namespace {

// Blue, green, red, unused -> blue, green, red.
void PackBgrxPortable(const uint8_t* in, uint8_t* out, int32_t pixels) {
  for (int32_t i = 0; i < pixels; ++i) {
    out[3 * i] = in[4 * i];
    out[3 * i + 1] = in[4 * i + 1];
    out[3 * i + 2] = in[4 * i + 2];
  }
}

#ifdef ZORVEL_ROWS_X86
__attribute__((target("ssse3"))) void PackBgrxSsse3(const uint8_t* in, uint8_t* out,
                                                    int32_t pixels) {
  const __m128i pack = _mm_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1);
  int32_t i = 0;
  // Each step stores 16 bytes of which 12 are pixels; the last 4 are overwritten by the next
  // step, so stop while a whole 16 bytes still belong to this row.
  for (; i + 6 <= pixels; i += 4) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + 4 * i));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 3 * i), _mm_shuffle_epi8(v, pack));
  }
  PackBgrxPortable(in + 4 * i, out + 3 * i, pixels - i);
}
#endif

using TPackBgrx = void (*)(const uint8_t*, uint8_t*, int32_t);

TPackBgrx BgrxPacker() {
#ifdef ZORVEL_ROWS_X86
  if (__builtin_cpu_supports("ssse3")) return PackBgrxSsse3;
#endif
  return PackBgrxPortable;
}

}  // namespace

TPixelView ViewOf(const TBDBitmapData& bitmap) {
  if (bitmap.Empty()) return {nullptr, 0, bitmap.Width, bitmap.Height, TPixelLayout::Bgr};
  return {bitmap.Row(0), -static_cast<ptrdiff_t>(bitmap.LineSize), bitmap.Width, bitmap.Height,
          TPixelLayout::Bgr};
}

TPixelView ViewOf(const TScreenFrame& frame) {
  return {frame.pixels, frame.stride, frame.width, frame.height, TPixelLayout::Bgrx};
}

TPixelTarget BottomUpBgrTarget(uint8_t* pixels, int32_t lineSize, int32_t height) {
  return {pixels + static_cast<ptrdiff_t>(height - 1) * lineSize, -static_cast<ptrdiff_t>(lineSize),
          TPixelLayout::Bgr};
}

void CopyBgrxRow(const uint8_t* in, uint8_t* out, int32_t pixels, TPixelLayout layout) {
  static const TPackBgrx pack = BgrxPacker();
  if (layout == TPixelLayout::Bgrx) {
    std::memcpy(out, in, 4 * static_cast<size_t>(pixels));
  } else {
    pack(in, out, pixels);
  }
}

void CopyRgbxRow(const uint8_t* in, uint8_t* out, int32_t pixels, TPixelLayout layout) {
  const int32_t step = BytesPerPixel(layout);
  for (int32_t i = 0; i < pixels; ++i, in += 4, out += step) {
    out[0] = in[2];
    out[1] = in[1];
    out[2] = in[0];
    if (step == 4) out[3] = in[3];
  }
}

void CopyBgrRow(const uint8_t* in, uint8_t* out, int32_t pixels, TPixelLayout layout) {
  if (layout == TPixelLayout::Bgr) {
    std::memcpy(out, in, 3 * static_cast<size_t>(pixels));
    return;
  }
  for (int32_t i = 0; i < pixels; ++i, in += 3, out += 4) {
    out[0] = in[0];
    out[1] = in[1];
    out[2] = in[2];
    out[3] = 0;
  }
}

void TFrameBuffer::Reset(int32_t width, int32_t height) {
  FWidth = std::max(width, 0);
  FHeight = std::max(height, 0);
  FPixels.assign(4 * static_cast<size_t>(FWidth) * static_cast<size_t>(FHeight), 0);
}

TFramePicture::TFramePicture(const TBDBitmapData& picture)
    : FPixels(4 * static_cast<size_t>(std::max(picture.Width, 0)) *
              static_cast<size_t>(std::max(picture.Height, 0))),
      FWidth(picture.Width),
      FHeight(picture.Height) {
  for (int32_t y = 0; y < FHeight; ++y)
    CopyBgrRow(picture.Row(y), FPixels.data() + 4 * static_cast<size_t>(FWidth) * y, FWidth,
               TPixelLayout::Bgrx);
}

}  // namespace zorvel
