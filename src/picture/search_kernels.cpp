#include "picture/search_kernels.h"

#include <algorithm>
#include <atomic>
#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define ZORVEL_SEARCH_X86 1
#endif

namespace zorvel::search {

namespace {

// ---------------------------------------------------------------------------------------------
// Portable kernels

bool ByteNear(uint8_t a, uint8_t b, uint8_t tolerance) {
  const int d = static_cast<int>(a) - static_cast<int>(b);
  return d <= tolerance && -d <= tolerance;
}

bool PixelMatches(const uint8_t* p, const TPixelKey& key) {
  const uint8_t* c = key.Color();
  if (key.Exact()) return p[0] == c[0] && p[1] == c[1] && p[2] == c[2];
  const uint8_t* t = key.Tolerance();
  return ByteNear(p[0], c[0], t[0]) && ByteNear(p[1], c[1], t[1]) && ByteNear(p[2], c[2], t[2]);
}

// One scan of a row: pixels that match `key`, stored in `hits` up to `limit` of them.
struct TScanJob {
  const uint8_t* row = nullptr;
  int32_t count = 0;
  const TPixelKey* key = nullptr;
  int32_t* hits = nullptr;
  int32_t limit = 0;
};

// Scans the pixels of `step` bytes from `from` on one at a time, `n` hits having been found
// before; returns the number of hits.
template <size_t step>
int32_t ScanTail(const TScanJob& job, int32_t from, int32_t n) {
  for (int32_t i = from; i < job.count && n < job.limit; ++i) {
    if (PixelMatches(job.row + step * static_cast<size_t>(i), *job.key)) job.hits[n++] = i;
  }
  return n;
}

// Compares the first three bytes of every `step` bytes.
template <size_t step>
bool BytesSimilarTail(const uint8_t* a, const uint8_t* b, size_t from, size_t bytes,
                      const uint8_t tolerance[3]) {
  for (size_t i = from; i < bytes; i += step) {
    if (!ByteNear(a[i], b[i], tolerance[0]) || !ByteNear(a[i + 1], b[i + 1], tolerance[1]) ||
        !ByteNear(a[i + 2], b[i + 2], tolerance[2])) {
      return false;
    }
  }
  return true;
}

template <size_t step>
int32_t ScanPortable(const TScanJob& job) {
  return ScanTail<step>(job, 0, 0);
}

template <size_t step>
bool BytesSimilarPortable(const uint8_t* a, const uint8_t* b, size_t bytes, const TPixelKey& key) {
  return BytesSimilarTail<step>(a, b, 0, bytes, key.Tolerance());
}

#ifdef ZORVEL_SEARCH_X86

// Bit 3k set for every pixel k of a byte mask over 16 pixels (48 bits).
constexpr uint64_t kPixelBits48 = 0x249249249249ULL;

// Adds the pixels flagged in `pixels` (bit 3k for pixel k) to the hits; false once `limit` is
// reached.
bool AddHits(uint64_t pixels, int32_t base, int32_t* hits, int32_t& n, int32_t limit) {
  while (pixels != 0) {
    hits[n++] = base + __builtin_ctzll(pixels) / 3;
    if (n == limit) return false;
    pixels &= pixels - 1;
  }
  return true;
}

// ----- SSE2: 16 pixels (three 16-byte vectors) per step

template <bool exact>
__m128i PassSse2(__m128i a, __m128i low, __m128i high) {
  if (exact) return _mm_cmpeq_epi8(a, low);
  return _mm_cmpeq_epi8(_mm_min_epu8(_mm_max_epu8(a, low), high), a);
}

// The byte ranges of a key, as three vectors each.
struct TRangeSse2 {
  __m128i low[3];
  __m128i high[3];
  explicit TRangeSse2(const TPixelKey& key) {
    for (int k = 0; k < 3; ++k) {
      low[k] = _mm_load_si128(reinterpret_cast<const __m128i*>(key.Low() + 16 * k));
      high[k] = _mm_load_si128(reinterpret_cast<const __m128i*>(key.High() + 16 * k));
    }
  }
};

// Bit 3k set when pixel k of the three vectors lies in the range.
template <bool exact>
uint64_t PixelMaskSse2(const __m128i (&a)[3], const TRangeSse2& range) {
  uint64_t mask = 0;
  for (int k = 0; k < 3; ++k) {
    const __m128i pass = PassSse2<exact>(a[k], range.low[k], range.high[k]);
    mask |= static_cast<uint64_t>(static_cast<uint32_t>(_mm_movemask_epi8(pass))) << (16 * k);
  }
  return mask & (mask >> 1) & (mask >> 2) & kPixelBits48;
}

// 16 pixels per step.
template <bool exact>
int32_t ScanSse2T(const TScanJob& job) {
  const TRangeSse2 key(*job.key);
  int32_t n = 0;
  int32_t i = 0;
  for (; i + 16 <= job.count; i += 16) {
    const uint8_t* p = job.row + 3 * static_cast<size_t>(i);
    __m128i a[3];
    for (int k = 0; k < 3; ++k)
      a[k] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * k));
    const uint64_t pixels = PixelMaskSse2<exact>(a, key);
    if (pixels != 0 && !AddHits(pixels, i, job.hits, n, job.limit)) return n;
  }
  return ScanTail<3>(job, i, n);
}

int32_t ScanSse2(const TScanJob& job) {
  return job.key->Exact() ? ScanSse2T<true>(job) : ScanSse2T<false>(job);
}

bool BytesSimilarSse2(const uint8_t* a, const uint8_t* b, size_t bytes, const TPixelKey& key) {
  __m128i t[3];
  for (int k = 0; k < 3; ++k) {
    t[k] = _mm_load_si128(reinterpret_cast<const __m128i*>(key.Tolerance() + 16 * k));
  }
  size_t i = 0;
  for (; i + 48 <= bytes; i += 48) {
    __m128i bad = _mm_setzero_si128();
    for (int k = 0; k < 3; ++k) {
      const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a + i + 16 * k));
      const __m128i y = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + i + 16 * k));
      const __m128i d = _mm_or_si128(_mm_subs_epu8(x, y), _mm_subs_epu8(y, x));
      bad = _mm_or_si128(bad, _mm_subs_epu8(d, t[k]));
    }
    if (_mm_movemask_epi8(_mm_cmpeq_epi8(bad, _mm_setzero_si128())) != 0xFFFF) return false;
  }
  return BytesSimilarTail<3>(a, b, i, bytes, key.Tolerance());
}

// ----- SSE2, 4-byte pixels: 16 pixels (four vectors) per step

// Adds the pixels flagged in `pixels` (bit k for pixel k) to the hits; false once `limit` is
// reached.
bool AddHits4(uint32_t pixels, int32_t base, int32_t* hits, int32_t& n, int32_t limit) {
  while (pixels != 0) {
    hits[n++] = base + __builtin_ctz(pixels);
    if (n == limit) return false;
    pixels &= pixels - 1;
  }
  return true;
}

// The fourth byte of every 4-byte pixel.
constexpr int kUnusedBytes = static_cast<int>(0xFF000000u);

// Bit k set when 4-byte pixel k of `a` matches: equal to `color` once the unused byte is set in
// both, or within [low, high] byte by byte (the unused byte's range is 0 ... 255).
template <bool exact>
uint32_t PixelMask4Sse2(__m128i a, __m128i color, __m128i low, __m128i high) {
  __m128i pass;
  if (exact) {
    pass = _mm_cmpeq_epi32(_mm_or_si128(a, _mm_set1_epi32(kUnusedBytes)), color);
  } else {
    pass = _mm_cmpeq_epi32(PassSse2<false>(a, low, high), _mm_set1_epi32(-1));
  }
  return static_cast<uint32_t>(_mm_movemask_ps(_mm_castsi128_ps(pass)));
}

template <bool exact>
int32_t Scan4Sse2T(const TScanJob& job) {
  const __m128i low = _mm_load_si128(reinterpret_cast<const __m128i*>(job.key->Low4()));
  const __m128i high = _mm_load_si128(reinterpret_cast<const __m128i*>(job.key->High4()));
  const __m128i color = _mm_or_si128(low, _mm_set1_epi32(kUnusedBytes));
  int32_t n = 0;
  int32_t i = 0;
  for (; i + 16 <= job.count; i += 16) {
    const uint8_t* p = job.row + 4 * static_cast<size_t>(i);
    uint32_t pixels = 0;
    for (int k = 0; k < 4; ++k) {
      const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * k));
      pixels |= PixelMask4Sse2<exact>(a, color, low, high) << (4 * k);
    }
    if (pixels != 0 && !AddHits4(pixels, i, job.hits, n, job.limit)) return n;
  }
  return ScanTail<4>(job, i, n);
}

int32_t Scan4Sse2(const TScanJob& job) {
  return job.key->Exact() ? Scan4Sse2T<true>(job) : Scan4Sse2T<false>(job);
}

bool BytesSimilar4Sse2(const uint8_t* a, const uint8_t* b, size_t bytes, const TPixelKey& key) {
  const __m128i t = _mm_load_si128(reinterpret_cast<const __m128i*>(key.Tolerance4()));
  size_t i = 0;
  for (; i + 64 <= bytes; i += 64) {
    __m128i bad = _mm_setzero_si128();
    for (int k = 0; k < 4; ++k) {
      const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a + i + 16 * k));
      const __m128i y = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + i + 16 * k));
      const __m128i d = _mm_or_si128(_mm_subs_epu8(x, y), _mm_subs_epu8(y, x));
      bad = _mm_or_si128(bad, _mm_subs_epu8(d, t));
    }
    if (_mm_movemask_epi8(_mm_cmpeq_epi8(bad, _mm_setzero_si128())) != 0xFFFF) return false;
  }
  return BytesSimilarTail<4>(a, b, i, bytes, key.Tolerance());
}

// ----- AVX2: 32 pixels (three 32-byte vectors) per step

template <bool exact>
__attribute__((target("avx2"))) __m256i PassAvx2(__m256i a, __m256i low, __m256i high) {
  if (exact) return _mm256_cmpeq_epi8(a, low);
  return _mm256_cmpeq_epi8(_mm256_min_epu8(_mm256_max_epu8(a, low), high), a);
}

struct TRangeAvx2 {
  __m256i low[3];
  __m256i high[3];
  __attribute__((target("avx2"))) explicit TRangeAvx2(const TPixelKey& key) {
    for (int k = 0; k < 3; ++k) {
      low[k] = _mm256_load_si256(reinterpret_cast<const __m256i*>(key.Low() + 32 * k));
      high[k] = _mm256_load_si256(reinterpret_cast<const __m256i*>(key.High() + 32 * k));
    }
  }
};

// Pixels 0-15 and 16-31 of the three vectors in the range: bit 3k of first / second.
struct TPixelMasks {
  uint64_t first = 0;
  uint64_t second = 0;
};

template <bool exact>
__attribute__((target("avx2"))) TPixelMasks PixelMasksAvx2(const __m256i (&a)[3],
                                                           const TRangeAvx2& range) {
  uint32_t m[3];
  for (int k = 0; k < 3; ++k) {
    m[k] = static_cast<uint32_t>(
        _mm256_movemask_epi8(PassAvx2<exact>(a[k], range.low[k], range.high[k])));
  }
  // Bytes 0-47 hold pixels 0-15, bytes 48-95 pixels 16-31.
  const uint64_t first = static_cast<uint64_t>(m[0]) | (static_cast<uint64_t>(m[1] & 0xFFFF) << 32);
  const uint64_t second = static_cast<uint64_t>(m[1] >> 16) | (static_cast<uint64_t>(m[2]) << 16);
  return {first & (first >> 1) & (first >> 2) & kPixelBits48,
          second & (second >> 1) & (second >> 2) & kPixelBits48};
}

// 32 pixels per step.
template <bool exact>
__attribute__((target("avx2"))) int32_t ScanAvx2T(const TScanJob& job) {
  const TRangeAvx2 key(*job.key);
  int32_t n = 0;
  int32_t i = 0;
  for (; i + 32 <= job.count; i += 32) {
    const uint8_t* p = job.row + 3 * static_cast<size_t>(i);
    __m256i a[3];
    for (int k = 0; k < 3; ++k) {
      a[k] = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 32 * k));
    }
    const TPixelMasks pixels = PixelMasksAvx2<exact>(a, key);
    if ((pixels.first | pixels.second) == 0) continue;
    if (!AddHits(pixels.first, i, job.hits, n, job.limit)) return n;
    if (!AddHits(pixels.second, i + 16, job.hits, n, job.limit)) return n;
  }
  return ScanTail<3>(job, i, n);
}

int32_t ScanAvx2(const TScanJob& job) {
  return job.key->Exact() ? ScanAvx2T<true>(job) : ScanAvx2T<false>(job);
}

__attribute__((target("avx2"))) bool BytesSimilarAvx2(const uint8_t* a, const uint8_t* b,
                                                      size_t bytes, const TPixelKey& key) {
  __m256i t[3];
  for (int k = 0; k < 3; ++k) {
    t[k] = _mm256_load_si256(reinterpret_cast<const __m256i*>(key.Tolerance() + 32 * k));
  }
  size_t i = 0;
  for (; i + 96 <= bytes; i += 96) {
    __m256i bad = _mm256_setzero_si256();
    for (int k = 0; k < 3; ++k) {
      const __m256i x = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(a + i + 32 * k));
      const __m256i y = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(b + i + 32 * k));
      const __m256i d = _mm256_or_si256(_mm256_subs_epu8(x, y), _mm256_subs_epu8(y, x));
      bad = _mm256_or_si256(bad, _mm256_subs_epu8(d, t[k]));
    }
    if (!_mm256_testz_si256(bad, bad)) return false;
  }
  return BytesSimilarTail<3>(a, b, i, bytes, key.Tolerance());
}

// ----- AVX2, 4-byte pixels: 32 pixels (four vectors) per step

template <bool exact>
__attribute__((target("avx2"))) uint32_t PixelMask4Avx2(__m256i a, __m256i color, __m256i low,
                                                        __m256i high) {
  __m256i pass;
  if (exact) {
    pass = _mm256_cmpeq_epi32(_mm256_or_si256(a, _mm256_set1_epi32(kUnusedBytes)), color);
  } else {
    pass = _mm256_cmpeq_epi32(PassAvx2<false>(a, low, high), _mm256_set1_epi32(-1));
  }
  return static_cast<uint32_t>(_mm256_movemask_ps(_mm256_castsi256_ps(pass)));
}

template <bool exact>
__attribute__((target("avx2"))) int32_t Scan4Avx2T(const TScanJob& job) {
  const __m256i low = _mm256_load_si256(reinterpret_cast<const __m256i*>(job.key->Low4()));
  const __m256i high = _mm256_load_si256(reinterpret_cast<const __m256i*>(job.key->High4()));
  const __m256i color = _mm256_or_si256(low, _mm256_set1_epi32(kUnusedBytes));
  int32_t n = 0;
  int32_t i = 0;
  for (; i + 32 <= job.count; i += 32) {
    const uint8_t* p = job.row + 4 * static_cast<size_t>(i);
    uint32_t pixels = 0;
    for (int k = 0; k < 4; ++k) {
      const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 32 * k));
      pixels |= PixelMask4Avx2<exact>(a, color, low, high) << (8 * k);
    }
    if (pixels != 0 && !AddHits4(pixels, i, job.hits, n, job.limit)) return n;
  }
  return ScanTail<4>(job, i, n);
}

int32_t Scan4Avx2(const TScanJob& job) {
  return job.key->Exact() ? Scan4Avx2T<true>(job) : Scan4Avx2T<false>(job);
}

__attribute__((target("avx2"))) bool BytesSimilar4Avx2(const uint8_t* a, const uint8_t* b,
                                                       size_t bytes, const TPixelKey& key) {
  const __m256i t = _mm256_load_si256(reinterpret_cast<const __m256i*>(key.Tolerance4()));
  size_t i = 0;
  for (; i + 128 <= bytes; i += 128) {
    __m256i bad = _mm256_setzero_si256();
    for (int k = 0; k < 4; ++k) {
      const __m256i x = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(a + i + 32 * k));
      const __m256i y = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(b + i + 32 * k));
      const __m256i d = _mm256_or_si256(_mm256_subs_epu8(x, y), _mm256_subs_epu8(y, x));
      bad = _mm256_or_si256(bad, _mm256_subs_epu8(d, t));
    }
    if (!_mm256_testz_si256(bad, bad)) return false;
  }
  return BytesSimilar4Sse2(a + i, b + i, bytes - i, key);
}

#endif  // ZORVEL_SEARCH_X86

// ---------------------------------------------------------------------------------------------
// Dispatch

using TScan = int32_t (*)(const TScanJob&);
using TBytesSimilar = bool (*)(const uint8_t*, const uint8_t*, size_t, const TPixelKey&);

// The kernels of one level: for 3-byte pixels, then for 4-byte pixels.
struct TKernels {
  TScan scan;
  TBytesSimilar bytesSimilar;
  TScan scan4;
  TBytesSimilar bytesSimilar4;
};

TKernelLevel BestLevel() {
#ifdef ZORVEL_SEARCH_X86
  if (__builtin_cpu_supports("avx2")) return TKernelLevel::Avx2;
  return TKernelLevel::Sse2;
#else
  return TKernelLevel::Portable;
#endif
}

TKernels KernelsFor(TKernelLevel level) {
  switch (level) {
#ifdef ZORVEL_SEARCH_X86
    case TKernelLevel::Avx2:
      return {ScanAvx2, BytesSimilarAvx2, Scan4Avx2, BytesSimilar4Avx2};
    case TKernelLevel::Sse2:
      return {ScanSse2, BytesSimilarSse2, Scan4Sse2, BytesSimilar4Sse2};
#endif
    default:
      return {ScanPortable<3>, BytesSimilarPortable<3>, ScanPortable<4>, BytesSimilarPortable<4>};
  }
}

std::atomic<TKernelLevel>& CurrentLevel() {
  static std::atomic<TKernelLevel> level{BestLevel()};
  return level;
}

TScan ScanFor(TPixelLayout layout) {
  const TKernels kernels = KernelsFor(CurrentLevel().load(std::memory_order_relaxed));
  return layout == TPixelLayout::Bgrx ? kernels.scan4 : kernels.scan;
}

void Repeat(uint8_t (&pattern)[TPixelKey::kPatternBytes], const uint8_t pixel[3]) {
  for (size_t i = 0; i < TPixelKey::kPatternBytes; ++i) pattern[i] = pixel[i % 3];
}

uint8_t SaturatedAdd(uint8_t a, uint8_t b) {
  return static_cast<uint8_t>(std::min(a + b, 255));
}
uint8_t SaturatedSubtract(uint8_t a, uint8_t b) {
  return static_cast<uint8_t>(std::max(a - b, 0));
}

}  // namespace

TPixelKey::TPixelKey(uint32_t color, const uint8_t tolerance[3]) : FExact(false) {
  Repeat(FTolerance, tolerance);
  for (size_t i = 0; i < kPattern4Bytes; ++i) FTolerance4[i] = i % 4 == 3 ? 255 : tolerance[i % 4];
  SetColor(color);
}

TPixelKey::TPixelKey(uint32_t color) {
  // Exact: the fourth byte of a 4-byte pixel still lets every value through.
  for (size_t i = 3; i < kPattern4Bytes; i += 4) FTolerance4[i] = 255;
  SetColor(color);
}

void TPixelKey::SetColor(uint32_t color) {
  const uint8_t pixel[3] = {static_cast<uint8_t>(color), static_cast<uint8_t>(color >> 8),
                            static_cast<uint8_t>(color >> 16)};
  uint8_t low[3];
  uint8_t high[3];
  for (int k = 0; k < 3; ++k) {
    low[k] = SaturatedSubtract(pixel[k], FTolerance[k]);
    high[k] = SaturatedAdd(pixel[k], FTolerance[k]);
  }
  Repeat(FColor, pixel);
  Repeat(FLow, low);
  Repeat(FHigh, high);
  for (size_t i = 0; i < kPattern4Bytes; ++i) {
    const size_t k = i % 4;
    FLow4[i] = k == 3 ? 0 : low[k];
    FHigh4[i] = k == 3 ? 255 : high[k];
  }
}

TKernelLevel SelectKernels(TKernelLevel wanted) {
  const TKernelLevel level = wanted > BestLevel() ? BestLevel() : wanted;
  CurrentLevel().store(level);
  return level;
}

int32_t FindPixel(const uint8_t* row, int32_t count, const TPixelKey& key, TPixelLayout layout) {
  if (count <= 0) return -1;
  int32_t hit = -1;
  ScanFor(layout)({row, count, &key, &hit, 1});
  return hit;
}

int32_t FindPixels(const uint8_t* row, int32_t count, const TPixelKey& key, int32_t* hits,
                   TPixelLayout layout) {
  if (count <= 0) return 0;
  return ScanFor(layout)({row, count, &key, hits, count});
}

bool PixelsMatch(const uint8_t* a, const uint8_t* b, size_t bytes, const TPixelKey& key,
                 TPixelLayout layout) {
  const TKernels kernels = KernelsFor(CurrentLevel().load(std::memory_order_relaxed));
  if (layout == TPixelLayout::Bgrx) return kernels.bytesSimilar4(a, b, bytes, key);
  if (key.Exact()) return std::memcmp(a, b, bytes) == 0;
  return kernels.bytesSimilar(a, b, bytes, key);
}

}  // namespace zorvel::search
