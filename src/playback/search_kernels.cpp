#include "playback/search_kernels.h"

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

int32_t FindPixelTail(const uint8_t* row, int32_t from, int32_t count, const TPixelKey& key) {
  for (int32_t i = from; i < count; ++i) {
    if (PixelMatches(row + 3 * static_cast<size_t>(i), key)) return i;
  }
  return -1;
}

bool BytesSimilarTail(const uint8_t* a, const uint8_t* b, size_t from, size_t bytes,
                      const uint8_t tolerance[3]) {
  for (size_t i = from; i < bytes; i += 3) {
    if (!ByteNear(a[i], b[i], tolerance[0]) || !ByteNear(a[i + 1], b[i + 1], tolerance[1]) ||
        !ByteNear(a[i + 2], b[i + 2], tolerance[2])) {
      return false;
    }
  }
  return true;
}

int32_t FindPixelPortable(const uint8_t* row, int32_t count, const TPixelKey& key) {
  return FindPixelTail(row, 0, count, key);
}

bool BytesSimilarPortable(const uint8_t* a, const uint8_t* b, size_t bytes, const TPixelKey& key) {
  return BytesSimilarTail(a, b, 0, bytes, key.Tolerance());
}

#ifdef ZORVEL_SEARCH_X86

// Bit 3i set for every pixel i of a byte mask over 16 pixels (48 bits) or 32 pixels (96 bits).
constexpr uint64_t kPixelBits48 = 0x249249249249ULL;

// ----- SSE2: 16 pixels (three 16-byte vectors) per step

__m128i NearSse2(__m128i a, __m128i c, __m128i t) {
  const __m128i d = _mm_or_si128(_mm_subs_epu8(a, c), _mm_subs_epu8(c, a));
  return _mm_cmpeq_epi8(_mm_subs_epu8(d, t), _mm_setzero_si128());
}

template <bool exact>
int32_t FindPixelSse2T(const uint8_t* row, int32_t count, const TPixelKey& key) {
  __m128i c[3];
  __m128i t[3];
  for (int k = 0; k < 3; ++k) {
    c[k] = _mm_load_si128(reinterpret_cast<const __m128i*>(key.Color() + 16 * k));
    t[k] = _mm_load_si128(reinterpret_cast<const __m128i*>(key.Tolerance() + 16 * k));
  }
  int32_t i = 0;
  for (; i + 16 <= count; i += 16) {
    const uint8_t* p = row + 3 * static_cast<size_t>(i);
    uint64_t mask = 0;
    for (int k = 0; k < 3; ++k) {
      const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * k));
      const __m128i pass = exact ? _mm_cmpeq_epi8(a, c[k]) : NearSse2(a, c[k], t[k]);
      mask |= static_cast<uint64_t>(static_cast<uint32_t>(_mm_movemask_epi8(pass))) << (16 * k);
    }
    const uint64_t pixels = mask & (mask >> 1) & (mask >> 2) & kPixelBits48;
    if (pixels != 0) return i + __builtin_ctzll(pixels) / 3;
  }
  return FindPixelTail(row, i, count, key);
}

int32_t FindPixelSse2(const uint8_t* row, int32_t count, const TPixelKey& key) {
  return key.Exact() ? FindPixelSse2T<true>(row, count, key)
                     : FindPixelSse2T<false>(row, count, key);
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
  return BytesSimilarTail(a, b, i, bytes, key.Tolerance());
}

// ----- AVX2: 32 pixels (three 32-byte vectors) per step

__attribute__((target("avx2"))) __m256i NearAvx2(__m256i a, __m256i c, __m256i t) {
  const __m256i d = _mm256_or_si256(_mm256_subs_epu8(a, c), _mm256_subs_epu8(c, a));
  return _mm256_cmpeq_epi8(_mm256_subs_epu8(d, t), _mm256_setzero_si256());
}

template <bool exact>
__attribute__((target("avx2"))) int32_t FindPixelAvx2T(const uint8_t* row, int32_t count,
                                                       const TPixelKey& key) {
  __m256i c[3];
  __m256i t[3];
  for (int k = 0; k < 3; ++k) {
    c[k] = _mm256_load_si256(reinterpret_cast<const __m256i*>(key.Color() + 32 * k));
    t[k] = _mm256_load_si256(reinterpret_cast<const __m256i*>(key.Tolerance() + 32 * k));
  }
  int32_t i = 0;
  for (; i + 32 <= count; i += 32) {
    const uint8_t* p = row + 3 * static_cast<size_t>(i);
    uint32_t m[3];
    for (int k = 0; k < 3; ++k) {
      const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 32 * k));
      const __m256i pass = exact ? _mm256_cmpeq_epi8(a, c[k]) : NearAvx2(a, c[k], t[k]);
      m[k] = static_cast<uint32_t>(_mm256_movemask_epi8(pass));
    }
    if ((m[0] | m[1] | m[2]) == 0) continue;
    // Bytes 0-47 hold pixels 0-15, bytes 48-95 pixels 16-31.
    const uint64_t low = static_cast<uint64_t>(m[0]) | (static_cast<uint64_t>(m[1] & 0xFFFF) << 32);
    const uint64_t high = static_cast<uint64_t>(m[1] >> 16) | (static_cast<uint64_t>(m[2]) << 16);
    const uint64_t lowPixels = low & (low >> 1) & (low >> 2) & kPixelBits48;
    if (lowPixels != 0) return i + __builtin_ctzll(lowPixels) / 3;
    const uint64_t highPixels = high & (high >> 1) & (high >> 2) & kPixelBits48;
    if (highPixels != 0) return i + 16 + __builtin_ctzll(highPixels) / 3;
  }
  return FindPixelTail(row, i, count, key);
}

int32_t FindPixelAvx2(const uint8_t* row, int32_t count, const TPixelKey& key) {
  return key.Exact() ? FindPixelAvx2T<true>(row, count, key)
                     : FindPixelAvx2T<false>(row, count, key);
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
  return BytesSimilarTail(a, b, i, bytes, key.Tolerance());
}

#endif  // ZORVEL_SEARCH_X86

// ---------------------------------------------------------------------------------------------
// Dispatch

using TFindPixel = int32_t (*)(const uint8_t*, int32_t, const TPixelKey&);
using TBytesSimilar = bool (*)(const uint8_t*, const uint8_t*, size_t, const TPixelKey&);

struct TKernels {
  TFindPixel findPixel;
  TBytesSimilar bytesSimilar;
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
      return {FindPixelAvx2, BytesSimilarAvx2};
    case TKernelLevel::Sse2:
      return {FindPixelSse2, BytesSimilarSse2};
#endif
    default:
      return {FindPixelPortable, BytesSimilarPortable};
  }
}

std::atomic<TKernelLevel>& CurrentLevel() {
  static std::atomic<TKernelLevel> level{BestLevel()};
  return level;
}

void Repeat(uint8_t (&pattern)[TPixelKey::kPatternBytes], const uint8_t pixel[3]) {
  for (size_t i = 0; i < TPixelKey::kPatternBytes; ++i) pattern[i] = pixel[i % 3];
}

}  // namespace

TPixelKey::TPixelKey(uint32_t color, const uint8_t tolerance[3]) : FExact(false) {
  SetColor(color);
  Repeat(FTolerance, tolerance);
}

void TPixelKey::SetColor(uint32_t color) {
  const uint8_t pixel[3] = {static_cast<uint8_t>(color), static_cast<uint8_t>(color >> 8),
                            static_cast<uint8_t>(color >> 16)};
  Repeat(FColor, pixel);
}

TKernelLevel SelectKernels(TKernelLevel wanted) {
  const TKernelLevel level = wanted > BestLevel() ? BestLevel() : wanted;
  CurrentLevel().store(level);
  return level;
}

int32_t FindPixel(const uint8_t* row, int32_t count, const TPixelKey& key) {
  if (count <= 0) return -1;
  return KernelsFor(CurrentLevel().load(std::memory_order_relaxed)).findPixel(row, count, key);
}

bool PixelsMatch(const uint8_t* a, const uint8_t* b, size_t bytes, const TPixelKey& key) {
  if (key.Exact()) return std::memcmp(a, b, bytes) == 0;
  return KernelsFor(CurrentLevel().load(std::memory_order_relaxed)).bytesSimilar(a, b, bytes, key);
}

}  // namespace zorvel::search
