#pragma once

// Row kernels of the pixel searches: scanning a run of pixels for one colour, and comparing two
// runs of pixels within a tolerance, for 3-byte and for 4-byte pixels (whose fourth byte is never
// compared). Vector code where the processor has it, a portable loop otherwise; all give the same
// answers.

#include <cstddef>
#include <cstdint>

#include "picture/pixel_rows.h"

namespace zorvel::search {

// Instruction sets the kernels can use, in increasing order.
enum class TKernelLevel { Portable = 0, Sse2 = 1, Avx2 = 2 };

// Uses the kernels of `wanted`, or of the best level below it the processor has; returns the
// level chosen. The best level is chosen at start-up; tests and benchmarks compare the others.
TKernelLevel SelectKernels(TKernelLevel wanted);

// A colour and a per-byte tolerance laid out as the bytes of one pixel (blue, green, red),
// repeated over 96 bytes (32 pixels) for the vector kernels; and the same for 4-byte pixels over
// 32 bytes (8 pixels), whose fourth byte lets every value through. Exact searches use tolerance 0.
class TPixelKey {
 public:
  static constexpr size_t kPatternBytes = 96;
  static constexpr size_t kPattern4Bytes = 32;

  // Exact comparison with the colour 0x00RRGGBB.
  explicit TPixelKey(uint32_t color = 0);
  // Comparison within the tolerances (blue, green, red), each 0 ... 255.
  TPixelKey(uint32_t color, const uint8_t tolerance[3]);

  void SetColor(uint32_t color);
  bool Exact() const { return FExact; }
  // Each 96 bytes: the colour, the tolerance, and the lowest and highest byte values that lie
  // within the tolerance of the colour.
  const uint8_t* Color() const { return FColor; }
  const uint8_t* Tolerance() const { return FTolerance; }
  const uint8_t* Low() const { return FLow; }
  const uint8_t* High() const { return FHigh; }
  // The same for 4-byte pixels.
  const uint8_t* Tolerance4() const { return FTolerance4; }
  const uint8_t* Low4() const { return FLow4; }
  const uint8_t* High4() const { return FHigh4; }

 private:
  alignas(32) uint8_t FColor[kPatternBytes] = {};
  alignas(32) uint8_t FTolerance[kPatternBytes] = {};
  alignas(32) uint8_t FLow[kPatternBytes] = {};
  alignas(32) uint8_t FHigh[kPatternBytes] = {};
  alignas(32) uint8_t FTolerance4[kPattern4Bytes] = {};
  alignas(32) uint8_t FLow4[kPattern4Bytes] = {};
  alignas(32) uint8_t FHigh4[kPattern4Bytes] = {};
  bool FExact = true;
};

// Index of the first pixel among row[0 ... count) that equals the key's colour (or lies within
// its tolerance), or -1. Reads only the bytes of those pixels.
int32_t FindPixel(const uint8_t* row, int32_t count, const TPixelKey& key,
                  TPixelLayout layout = TPixelLayout::Bgr);

// Stores in hits[0 ...], in increasing order, the index of every pixel among row[0 ... count)
// that matches `key`; returns how many. `hits` must have room for `count` entries.
int32_t FindPixels(const uint8_t* row, int32_t count, const TPixelKey& key, int32_t* hits,
                   TPixelLayout layout = TPixelLayout::Bgr);

// Every pixel of a[0 ... bytes) equals (or lies within the key's tolerance of) the pixel of b at
// the same place; the key's colour is not used. bytes must be a multiple of the pixel size.
bool PixelsMatch(const uint8_t* a, const uint8_t* b, size_t bytes, const TPixelKey& key,
                 TPixelLayout layout = TPixelLayout::Bgr);

}  // namespace zorvel::search
