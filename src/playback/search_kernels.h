#pragma once

// Row kernels of the pixel searches: scanning a run of 3-byte pixels for one colour, and
// comparing two runs of pixels within a tolerance. Vector code where the processor has it, a
// portable loop otherwise; both give the same answers.

#include <cstddef>
#include <cstdint>

namespace zorvel::search {

// Instruction sets the kernels can use, in increasing order.
enum class TKernelLevel { Portable = 0, Sse2 = 1, Avx2 = 2 };

// Uses the kernels of `wanted`, or of the best level below it the processor has; returns the
// level chosen. The best level is chosen at start-up; tests and benchmarks compare the others.
TKernelLevel SelectKernels(TKernelLevel wanted);

// A colour and a per-byte tolerance laid out as the bytes of one pixel (blue, green, red).
// Exact searches use tolerance 0. Every tolerance is within 0 ... 255.
struct TPixelKey {
  uint8_t color[3] = {0, 0, 0};
  uint8_t tolerance[3] = {0, 0, 0};
  bool exact = true;
};

// Index of the first pixel among row[0 ... count) that equals the key's colour (or lies within
// its tolerance), or -1. Reads only the bytes row[0 ... 3 * count).
int32_t FindPixel(const uint8_t* row, int32_t count, const TPixelKey& key);

// Every byte of a[0 ... bytes) is within the tolerance of b at the same place (tolerance of byte
// i is tolerance[i % 3]); bytes must be a multiple of 3.
bool BytesSimilar(const uint8_t* a, const uint8_t* b, size_t bytes, const uint8_t tolerance[3]);

}  // namespace zorvel::search
