// The searches of TBDBitmapData. They return exactly what the plain sliding comparison returns
// (topmost, then leftmost match) but look only at positions where one chosen "anchor" pixel of
// the picture matches, found with vector row scans; a few probe pixels reject most of those
// before whole rows are compared. When the anchor matches almost everywhere (a screen made of
// few colours), the exact search goes over to a two-dimensional rolling hash of the remaining
// rows, whose hits are confirmed by comparing the rows.

#include <algorithm>
#include <cstring>
#include <optional>
#include <utility>
#include <vector>

#include "playback/bitmap_data.h"
#include "playback/search_kernels.h"

namespace zorvel {

namespace {

using search::TPixelKey;

// A tolerance as bytes in pixel order (blue, green, red); nullopt when a channel is negative,
// so that no pixel can match.
std::optional<TPixelKey> KeyFor(uint32_t color, const TBDColorTolerance& tolerance, bool exact) {
  TPixelKey key;
  key.exact = exact;
  key.color[0] = static_cast<uint8_t>(color);
  key.color[1] = static_cast<uint8_t>(color >> 8);
  key.color[2] = static_cast<uint8_t>(color >> 16);
  if (exact) return key;
  const int32_t limits[3] = {tolerance.Blue, tolerance.Green, tolerance.Red};
  for (int channel = 0; channel < 3; ++channel) {
    if (limits[channel] < 0) return std::nullopt;
    key.tolerance[channel] = static_cast<uint8_t>(std::min(limits[channel], 255));
  }
  return key;
}

bool Fits(const TBDBitmapData& screen, const TBDBitmapData& picture, int64_t x, int64_t y) {
  return x >= 0 && y >= 0 && x + picture.Width <= screen.Width &&
         y + picture.Height <= screen.Height;
}

uint32_t ReadPixel(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16);
}

// One way of comparing pixels: exactly, or within a per-byte tolerance.
struct TComparer {
  TPixelKey key;  // the tolerance; the colour is set per anchor

  bool Pixel(const uint8_t* a, const uint8_t* b) const {
    if (key.exact) return a[0] == b[0] && a[1] == b[1] && a[2] == b[2];
    for (int k = 0; k < 3; ++k) {
      const int d = static_cast<int>(a[k]) - static_cast<int>(b[k]);
      if (d > key.tolerance[k] || -d > key.tolerance[k]) return false;
    }
    return true;
  }

  bool Run(const uint8_t* a, const uint8_t* b, size_t bytes) const {
    if (key.exact) return std::memcmp(a, b, bytes) == 0;
    return search::BytesSimilar(a, b, bytes, key.tolerance);
  }
};

bool RowsMatch(const TBDBitmapData& screen, const TBDBitmapData& picture, int32_t x, int32_t y,
               const TComparer& compare) {
  const size_t offset = 3 * static_cast<size_t>(x);
  const size_t bytes = 3 * static_cast<size_t>(picture.Width);
  for (int32_t j = 0; j < picture.Height; ++j) {
    if (!compare.Run(screen.Row(y + j) + offset, picture.Row(j), bytes)) return false;
  }
  return true;
}

struct TPicturePoint {
  int32_t x = 0;
  int32_t y = 0;
};

// The pixel whose colour is rarest in the picture (on a sample for large pictures) becomes the
// anchor; the probes are the next rarest colours and a few spread positions.
struct TPlan {
  TPicturePoint anchor;
  std::vector<TPicturePoint> probes;
};

TPlan PlanSearch(const TBDBitmapData& picture) {
  constexpr int64_t kSample = 16384;
  const int64_t count = int64_t{picture.Width} * picture.Height;
  const int64_t step = std::max<int64_t>(1, count / kSample);
  std::vector<std::pair<uint32_t, uint32_t>> samples;  // (colour, pixel index)
  samples.reserve(static_cast<size_t>(count / step + 1));
  for (int64_t i = 0; i < count; i += step) {
    const auto x = static_cast<int32_t>(i % picture.Width);
    const auto y = static_cast<int32_t>(i / picture.Width);
    samples.emplace_back(picture.GetPixel(x, y), static_cast<uint32_t>(i));
  }
  std::sort(samples.begin(), samples.end());
  // Runs of one colour, rarest first (ties: the earlier pixel).
  std::vector<std::pair<size_t, uint32_t>> runs;  // (length, first pixel index)
  for (size_t begin = 0; begin < samples.size();) {
    size_t end = begin;
    while (end < samples.size() && samples[end].first == samples[begin].first) ++end;
    runs.emplace_back(end - begin, samples[begin].second);
    begin = end;
  }
  std::sort(runs.begin(), runs.end());

  auto point = [&](int64_t index) {
    return TPicturePoint{static_cast<int32_t>(index % picture.Width),
                         static_cast<int32_t>(index / picture.Width)};
  };
  TPlan plan;
  plan.anchor = point(runs.front().second);
  for (size_t r = 1; r < runs.size() && r <= 3; ++r) plan.probes.push_back(point(runs[r].second));
  const int32_t w = picture.Width - 1;
  const int32_t h = picture.Height - 1;
  for (TPicturePoint p : {TPicturePoint{w, h}, TPicturePoint{0, 0}, TPicturePoint{w / 2, h / 2},
                          TPicturePoint{w, 0}, TPicturePoint{0, h}}) {
    plan.probes.push_back(p);
  }
  return plan;
}

bool ProbesMatch(const TBDBitmapData& screen, const TBDBitmapData& picture, const TPlan& plan,
                 int32_t x, int32_t y, const TComparer& compare) {
  for (const TPicturePoint& p : plan.probes) {
    const uint8_t* a = screen.Row(y + p.y) + 3 * static_cast<size_t>(x + p.x);
    const uint8_t* b = picture.Row(p.y) + 3 * static_cast<size_t>(p.x);
    if (!compare.Pixel(a, b)) return false;
  }
  return true;
}

// ---------------------------------------------------------------------------------------------
// Two-dimensional rolling hash (exact search only). Each screen row gets the polynomial hash of
// every run of picture-width pixels; each column of those gets the polynomial hash of every run
// of picture-height values. Equal hashes are confirmed by comparing the rows, so a collision
// costs time, never a wrong answer.

constexpr uint64_t kRowBase = 0x9E3779B97F4A7C15ULL;
constexpr uint64_t kColumnBase = 0xC2B2AE3D27D4EB4FULL;
constexpr int64_t kMaxHashEntries = int64_t{8} * 1024 * 1024;  // 64 MiB of row hashes

uint64_t Power(uint64_t base, int32_t exponent) {
  uint64_t result = 1;
  for (int32_t i = 0; i < exponent; ++i) result *= base;
  return result;
}

uint64_t HashRun(const uint8_t* p, int32_t pixels) {
  uint64_t h = 0;
  for (int32_t i = 0; i < pixels; ++i) h = h * kRowBase + ReadPixel(p + 3 * static_cast<size_t>(i));
  return h;
}

bool HashSearchFits(const TBDBitmapData& screen, const TBDBitmapData& picture) {
  const int64_t columns = int64_t{screen.Width} - picture.Width + 1;
  return columns * picture.Height <= kMaxHashEntries;
}

// First exact match with its top row at or below `firstTop`.
TBDFindResult HashSearch(const TBDBitmapData& screen, const TBDBitmapData& picture,
                         int32_t firstTop) {
  const int32_t pw = picture.Width;
  const int32_t ph = picture.Height;
  const int32_t columns = screen.Width - pw + 1;
  uint64_t target = 0;
  for (int32_t j = 0; j < ph; ++j) target = target * kColumnBase + HashRun(picture.Row(j), pw);

  const uint64_t rowPower = Power(kRowBase, pw);
  const uint64_t columnPower = Power(kColumnBase, ph);
  std::vector<uint64_t> ring(static_cast<size_t>(columns) * ph, 0);  // row hashes of the window
  std::vector<uint64_t> column(static_cast<size_t>(columns), 0);
  const TComparer exact{};

  for (int32_t r = firstTop; r < screen.Height; ++r) {
    const uint8_t* row = screen.Row(r);
    uint64_t* slot = ring.data() + static_cast<size_t>(r % ph) * columns;
    const bool full = r - firstTop + 1 >= ph;
    const int32_t top = r - ph + 1;
    uint64_t h = HashRun(row, pw);
    for (int32_t x = 0; x < columns; ++x) {
      if (x > 0) {
        h = h * kRowBase - ReadPixel(row + 3 * static_cast<size_t>(x - 1)) * rowPower +
            ReadPixel(row + 3 * static_cast<size_t>(x + pw - 1));
      }
      const uint64_t leaving = slot[x];  // hash of row r - ph, or 0 before the window is full
      slot[x] = h;
      column[x] = column[x] * kColumnBase + h - leaving * columnPower;
      if (full && column[x] == target && RowsMatch(screen, picture, x, top, exact)) {
        return {true, x, top};
      }
    }
  }
  return {};
}

// ---------------------------------------------------------------------------------------------
// Anchor search

TBDFindResult AnchorSearch(const TBDBitmapData& screen, const TBDBitmapData& picture,
                           const TComparer& compare) {
  const TPlan plan = PlanSearch(picture);
  TPixelKey key = compare.key;
  const uint32_t anchorColor = picture.GetPixel(plan.anchor.x, plan.anchor.y);
  key.color[0] = static_cast<uint8_t>(anchorColor);
  key.color[1] = static_cast<uint8_t>(anchorColor >> 8);
  key.color[2] = static_cast<uint8_t>(anchorColor >> 16);

  const int32_t columns = screen.Width - picture.Width + 1;
  const int32_t lastTop = screen.Height - picture.Height;
  // Work spent on candidates, in bytes compared; past the budget the hash search takes over.
  const int64_t budget = 4 * int64_t{screen.DataSize} + 4096;
  const int64_t rowBytes = 3 * int64_t{picture.Width};
  const bool canHash = compare.key.exact && HashSearchFits(screen, picture);
  int64_t work = 0;

  for (int32_t y = 0; y <= lastTop; ++y) {
    const uint8_t* anchorRow =
        screen.Row(y + plan.anchor.y) + 3 * static_cast<size_t>(plan.anchor.x);
    for (int32_t x = 0; x < columns; ++x) {
      const int32_t hit =
          search::FindPixel(anchorRow + 3 * static_cast<size_t>(x), columns - x, key);
      if (hit < 0) break;
      x += hit;
      work += 32;
      if (ProbesMatch(screen, picture, plan, x, y, compare)) {
        work += rowBytes * picture.Height;
        if (RowsMatch(screen, picture, x, y, compare)) return {true, x, y};
      }
      if (canHash && work > budget) return HashSearch(screen, picture, y);
    }
  }
  return {};
}

TBDFindResult FindPicture(const TBDBitmapData& screen, const TBDBitmapData& picture,
                          const std::optional<TPixelKey>& tolerance) {
  if (picture.Width > screen.Width || picture.Height > screen.Height) return {};
  if (picture.Empty()) return {true, 0, 0};
  if (!tolerance) return {};
  return AnchorSearch(screen, picture, TComparer{*tolerance});
}

TBDFindResult FindFirstPixel(const TBDBitmapData& screen, const std::optional<TPixelKey>& key) {
  if (!key || screen.Empty()) return {};
  for (int32_t y = 0; y < screen.Height; ++y) {
    const int32_t x = search::FindPixel(screen.Row(y), screen.Width, *key);
    if (x >= 0) return {true, x, y};
  }
  return {};
}

}  // namespace

bool TBDBitmapData::MatchAtSimilar(const TBDBitmapData& picture, const TBDColorTolerance& tolerance,
                                   int32_t x, int32_t y) const {
  if (!Fits(*this, picture, x, y)) return false;
  if (picture.Empty()) return true;
  const std::optional<TPixelKey> key = KeyFor(0, tolerance, false);
  if (!key) return false;
  return RowsMatch(*this, picture, x, y, TComparer{*key});
}

bool TBDBitmapData::MatchAt(const TBDBitmapData& picture, int32_t x, int32_t y) const {
  if (!Fits(*this, picture, x, y)) return false;
  return picture.Empty() || RowsMatch(*this, picture, x, y, TComparer{});
}

TBDFindResult TBDBitmapData::FindBitmap(const TBDBitmapData& picture) const {
  return FindPicture(*this, picture, KeyFor(0, {}, true));
}

TBDFindResult TBDBitmapData::FindBitmapSimilar(const TBDBitmapData& picture,
                                               const TBDColorTolerance& tolerance) const {
  return FindPicture(*this, picture, KeyFor(0, tolerance, false));
}

TBDFindResult TBDBitmapData::FindColor(uint32_t color) const {
  return FindFirstPixel(*this, KeyFor(color, {}, true));
}

TBDFindResult TBDBitmapData::FindColorSimilar(uint32_t color,
                                              const TBDColorTolerance& tolerance) const {
  return FindFirstPixel(*this, KeyFor(color, tolerance, false));
}

}  // namespace zorvel
