// The searches of TBDBitmapData. They return exactly what the plain sliding comparison returns
// (topmost, then leftmost match) but look only at positions where one chosen "anchor" pixel of
// the picture matches, found with vector row scans; a few probe pixels reject most of those
// before whole rows are compared. When the anchor matches almost everywhere (a screen made of
// few colours), the exact search goes over to a two-dimensional rolling hash of the remaining
// rows, whose hits are confirmed by comparing the rows. They read 3-byte and 4-byte pixels alike,
// through views; the picture and the screen must share the layout.

#include <algorithm>
#include <cstring>
#include <limits>
#include <optional>
#include <utility>
#include <vector>

#include "common/error.h"
#include "picture/bitmap_data.h"
#include "picture/pixel_search.h"
#include "picture/search_kernels.h"

namespace zorvel {

namespace {

using search::TPixelKey;

// The comparison for a tolerance; nullopt when a channel is negative, so that no pixel can
// match.
std::optional<TPixelKey> KeyFor(uint32_t color, const TBDColorTolerance& tolerance) {
  const int32_t limits[3] = {tolerance.Blue, tolerance.Green, tolerance.Red};
  uint8_t bytes[3];
  for (int channel = 0; channel < 3; ++channel) {
    if (limits[channel] < 0) return std::nullopt;
    bytes[channel] = static_cast<uint8_t>(std::min(limits[channel], 255));
  }
  return TPixelKey(color, bytes);
}

std::optional<TPixelKey> KeyFor(const TBDColorTolerance* tolerance, uint32_t color = 0) {
  if (!tolerance) return TPixelKey(color);
  return KeyFor(color, *tolerance);
}

bool Fits(const TPixelView& screen, const TPixelView& picture, int64_t x, int64_t y) {
  return x >= 0 && y >= 0 && x + picture.width <= screen.width &&
         y + picture.height <= screen.height;
}

uint32_t ReadPixel(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16);
}

bool PixelMatches(const uint8_t* a, const uint8_t* b, const TPixelKey& key) {
  if (key.Exact()) return a[0] == b[0] && a[1] == b[1] && a[2] == b[2];
  const uint8_t* t = key.Tolerance();
  for (int k = 0; k < 3; ++k) {
    const int d = static_cast<int>(a[k]) - static_cast<int>(b[k]);
    if (d > t[k] || -d > t[k]) return false;
  }
  return true;
}

// Compares the picture's rows with the screen at (x, y); returns how many rows were compared
// (the picture's height when all match, which the caller tells apart by `matched`).
int32_t CompareRows(const TPixelView& screen, const TPixelView& picture, int32_t x, int32_t y,
                    const TPixelKey& key, bool& matched) {
  const size_t offset = static_cast<size_t>(screen.PixelBytes()) * static_cast<size_t>(x);
  const size_t bytes =
      static_cast<size_t>(picture.PixelBytes()) * static_cast<size_t>(picture.width);
  for (int32_t j = 0; j < picture.height; ++j) {
    if (!search::PixelsMatch(screen.Row(y + j) + offset, picture.Row(j), bytes, key,
                             screen.layout)) {
      matched = false;
      return j + 1;
    }
  }
  matched = true;
  return picture.height;
}

bool RowsMatch(const TPixelView& screen, const TPixelView& picture, int32_t x, int32_t y,
               const TPixelKey& key) {
  bool matched = false;
  CompareRows(screen, picture, x, y, key, matched);
  return matched;
}

struct TPicturePoint {
  int32_t x = 0;
  int32_t y = 0;
};

// Where to look first. The anchor is the pixel the rows are scanned for: in a picture with one
// dominant colour the pixel farthest from it, otherwise a pixel of a rare colour. The probes are
// checked at each anchor hit before whole rows are compared.
struct TPlan {
  TPicturePoint anchor;
  std::vector<TPicturePoint> probes;
};

// Largest channel difference of two colours.
int ChannelDistance(uint32_t a, uint32_t b) {
  int distance = 0;
  for (int shift = 0; shift < 24; shift += 8) {
    const int d = static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF);
    distance = std::max(distance, d < 0 ? -d : d);
  }
  return distance;
}

TPicturePoint PointOf(const TPixelView& picture, int64_t index) {
  return TPicturePoint{static_cast<int32_t>(index % picture.width),
                       static_cast<int32_t>(index / picture.width)};
}

// The pixel farthest from `color`, on every pixel of small pictures and a sample of large ones.
TPicturePoint FarthestFrom(const TPixelView& picture, uint32_t color) {
  constexpr int64_t kScan = 65536;
  const int64_t count = int64_t{picture.width} * picture.height;
  const int64_t step = std::max<int64_t>(1, count / kScan);
  int64_t best = count - 1;
  int bestDistance = -1;
  for (int64_t i = count - 1; i >= 0; i -= step) {
    const TPicturePoint p = PointOf(picture, i);
    const int distance = ChannelDistance(picture.Pixel(p.x, p.y), color);
    if (distance > bestDistance) {
      bestDistance = distance;
      best = i;
    }
  }
  return PointOf(picture, best);
}

// How many colours lie within the key's tolerance of `color` (channel values clip at 0 and
// 255): the fewer, the less often a pixel of that colour matches by chance.
int64_t RangeVolume(uint32_t color, const TPixelKey& key) {
  int64_t volume = 1;
  for (int k = 0; k < 3; ++k) {
    const int c = static_cast<int>((color >> (8 * k)) & 0xFF);
    const int t = key.Tolerance()[k];
    volume *= std::min(c + t, 255) - std::max(c - t, 0) + 1;
  }
  return volume;
}

TPlan PlanSearch(const TPixelView& picture, const TPixelKey& key) {
  constexpr int64_t kSample = 1024;
  const int64_t count = int64_t{picture.width} * picture.height;
  const int64_t step = std::max<int64_t>(1, count / kSample);
  std::vector<uint64_t> samples;  // colour << 32 | pixel index
  samples.reserve(static_cast<size_t>(count / step + 1));
  for (int64_t i = 0; i < count; i += step) {
    const TPicturePoint p = PointOf(picture, i);
    samples.push_back(uint64_t{picture.Pixel(p.x, p.y)} << 32 | static_cast<uint64_t>(i));
  }
  std::sort(samples.begin(), samples.end());
  // Runs of one colour: (length, first pixel index), rarest first.
  std::vector<std::pair<size_t, uint32_t>> runs;
  for (size_t begin = 0; begin < samples.size();) {
    size_t end = begin;
    while (end < samples.size() && samples[end] >> 32 == samples[begin] >> 32) ++end;
    runs.emplace_back(end - begin, static_cast<uint32_t>(samples[begin]));
    begin = end;
  }
  std::sort(runs.begin(), runs.end());

  TPlan plan;
  const auto& [modeCount, modeIndex] = runs.back();
  if (modeCount * 8 > samples.size()) {
    const TPicturePoint mode = PointOf(picture, modeIndex);
    plan.anchor = FarthestFrom(picture, picture.Pixel(mode.x, mode.y));
  } else {
    // Among the rarest colours, the one that the tolerance lets match the fewest colours.
    size_t best = 0;
    int64_t bestVolume = std::numeric_limits<int64_t>::max();
    for (size_t r = 0; r < runs.size() && runs[r].first == runs.front().first; ++r) {
      const TPicturePoint p = PointOf(picture, runs[r].second);
      const int64_t volume = RangeVolume(picture.Pixel(p.x, p.y), key);
      if (volume < bestVolume) {
        bestVolume = volume;
        best = r;
      }
    }
    plan.anchor = PointOf(picture, runs[best].second);
  }
  for (size_t r = 0; r < runs.size() && r < 3; ++r) {
    plan.probes.push_back(PointOf(picture, runs[r].second));
  }
  const int32_t w = picture.width - 1;
  const int32_t h = picture.height - 1;
  for (TPicturePoint p : {TPicturePoint{w, h}, TPicturePoint{0, 0}, TPicturePoint{w / 2, h / 2},
                          TPicturePoint{w, 0}, TPicturePoint{0, h}}) {
    plan.probes.push_back(p);
  }
  return plan;
}

// The probes as byte offsets from the anchor's pixel on the screen, with their picture pixels.
struct TProbe {
  ptrdiff_t offset = 0;
  const uint8_t* pixel = nullptr;
};

std::vector<TProbe> ProbesOn(const TPixelView& screen, const TPixelView& picture,
                             const TPlan& plan) {
  std::vector<TProbe> probes;
  for (const TPicturePoint& p : plan.probes) {
    if (p.x == plan.anchor.x && p.y == plan.anchor.y) continue;
    const ptrdiff_t offset = screen.PixelBytes() * static_cast<ptrdiff_t>(p.x - plan.anchor.x) +
                             static_cast<ptrdiff_t>(p.y - plan.anchor.y) * screen.stride;
    probes.push_back({offset, picture.At(p.x, p.y)});
  }
  return probes;
}

bool ProbesMatch(const uint8_t* anchor, const std::vector<TProbe>& probes, const TPixelKey& key) {
  for (const TProbe& probe : probes) {
    if (!PixelMatches(anchor + probe.offset, probe.pixel, key)) return false;
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

uint64_t HashRun(const uint8_t* p, int32_t pixels, size_t step) {
  uint64_t h = 0;
  for (int32_t i = 0; i < pixels; ++i)
    h = h * kRowBase + ReadPixel(p + step * static_cast<size_t>(i));
  return h;
}

bool HashSearchFits(const TPixelView& screen, const TPixelView& picture) {
  const int64_t columns = int64_t{screen.width} - picture.width + 1;
  return columns * picture.height <= kMaxHashEntries;
}

// First exact match with its top row at or below `firstTop`.
TBDFindResult HashSearch(const TPixelView& screen, const TPixelView& picture, int32_t firstTop) {
  const int32_t pw = picture.width;
  const int32_t ph = picture.height;
  const int32_t columns = screen.width - pw + 1;
  const auto step = static_cast<size_t>(screen.PixelBytes());
  uint64_t target = 0;
  for (int32_t j = 0; j < ph; ++j)
    target = target * kColumnBase + HashRun(picture.Row(j), pw, step);

  const uint64_t rowPower = Power(kRowBase, pw);
  const uint64_t columnPower = Power(kColumnBase, ph);
  std::vector<uint64_t> ring(static_cast<size_t>(columns) * ph, 0);  // row hashes of the window
  std::vector<uint64_t> column(static_cast<size_t>(columns), 0);
  const TPixelKey exact;

  for (int32_t r = firstTop; r < screen.height; ++r) {
    const uint8_t* row = screen.Row(r);
    uint64_t* slot = ring.data() + static_cast<size_t>(r % ph) * columns;
    const bool full = r - firstTop + 1 >= ph;
    const int32_t top = r - ph + 1;
    uint64_t h = HashRun(row, pw, step);
    for (int32_t x = 0; x < columns; ++x) {
      if (x > 0) {
        h = h * kRowBase - ReadPixel(row + step * static_cast<size_t>(x - 1)) * rowPower +
            ReadPixel(row + step * static_cast<size_t>(x + pw - 1));
      }
      const uint64_t leaving = slot[x];  // hash of row r - ph, or 0 before the window is full
      slot[x] = h;
      column[x] = column[x] * kColumnBase + h - leaving * columnPower;
      if (full && column[x] == target && RowsMatch(screen, picture, x, top, exact)) {
        return TPoint{x, top};
      }
    }
  }
  return std::nullopt;
}

// ---------------------------------------------------------------------------------------------
// Anchor search

TBDFindResult AnchorSearch(const TPixelView& screen, const TPixelView& picture, TPixelKey key) {
  const TPlan plan = PlanSearch(picture, key);
  key.SetColor(picture.Pixel(plan.anchor.x, plan.anchor.y));

  const int32_t columns = screen.width - picture.width + 1;
  const int32_t lastTop = screen.height - picture.height;
  // Work spent on candidates, in bytes compared (an anchor hit with its probes counts as
  // kHitCost); past the budget the exact search goes over to the hash search. The budget is one
  // pass over the 3-byte pixels, whatever the layout.
  constexpr int64_t kHitCost = 256;
  const int64_t budget = 3 * int64_t{screen.width} * screen.height + 4096;
  const int64_t rowBytes = 3 * int64_t{picture.width};
  const auto step = static_cast<size_t>(screen.PixelBytes());
  const bool canHash = key.Exact() && HashSearchFits(screen, picture);
  int64_t work = 0;
  std::vector<int32_t> hits(static_cast<size_t>(columns));
  const std::vector<TProbe> probes = ProbesOn(screen, picture, plan);

  for (int32_t y = 0; y <= lastTop; ++y) {
    const uint8_t* anchorRow = screen.At(plan.anchor.x, y + plan.anchor.y);
    const int32_t count = search::FindPixels(anchorRow, columns, key, hits.data(), screen.layout);
    for (int32_t h = 0; h < count; ++h) {
      const int32_t x = hits[static_cast<size_t>(h)];
      work += kHitCost;
      if (ProbesMatch(anchorRow + step * static_cast<size_t>(x), probes, key)) {
        bool matched = false;
        work += rowBytes * CompareRows(screen, picture, x, y, key, matched);
        if (matched) return TPoint{x, y};
      }
      if (canHash && work > budget) return HashSearch(screen, picture, y);
    }
  }
  return std::nullopt;
}

void RequireSameLayout(const TPixelView& screen, const TPixelView& picture) {
  if (screen.layout != picture.layout)
    throw Error("A picture can only be searched for in pixels of its own layout.");
}

}  // namespace

TBDFindResult FindPictureIn(const TPixelView& screen, const TPixelView& picture,
                            const TBDColorTolerance* tolerance) {
  RequireSameLayout(screen, picture);
  if (picture.width > screen.width || picture.height > screen.height) return std::nullopt;
  if (picture.Empty()) return TPoint{0, 0};
  const std::optional<TPixelKey> key = KeyFor(tolerance);
  if (!key) return std::nullopt;
  return AnchorSearch(screen, picture, *key);
}

TBDFindResult FindColorIn(const TPixelView& screen, uint32_t color,
                          const TBDColorTolerance* tolerance) {
  const std::optional<TPixelKey> key = KeyFor(tolerance, color);
  if (!key || screen.Empty()) return std::nullopt;
  for (int32_t y = 0; y < screen.height; ++y) {
    const int32_t x = search::FindPixel(screen.Row(y), screen.width, *key, screen.layout);
    if (x >= 0) return TPoint{x, y};
  }
  return std::nullopt;
}

bool PictureMatchesAt(const TPixelView& screen, const TPixelView& picture, int32_t x, int32_t y,
                      const TBDColorTolerance* tolerance) {
  RequireSameLayout(screen, picture);
  if (!Fits(screen, picture, x, y)) return false;
  if (picture.Empty()) return true;
  const std::optional<TPixelKey> key = KeyFor(tolerance);
  return key && RowsMatch(screen, picture, x, y, *key);
}

bool TBDBitmapData::MatchAtSimilar(const TBDBitmapData& picture, const TBDColorTolerance& tolerance,
                                   int32_t x, int32_t y) const {
  return PictureMatchesAt(ViewOf(*this), ViewOf(picture), x, y, &tolerance);
}

bool TBDBitmapData::MatchAt(const TBDBitmapData& picture, int32_t x, int32_t y) const {
  return PictureMatchesAt(ViewOf(*this), ViewOf(picture), x, y, nullptr);
}

TBDFindResult TBDBitmapData::FindBitmap(const TBDBitmapData& picture) const {
  return FindPictureIn(ViewOf(*this), ViewOf(picture), nullptr);
}

TBDFindResult TBDBitmapData::FindBitmapSimilar(const TBDBitmapData& picture,
                                               const TBDColorTolerance& tolerance) const {
  return FindPictureIn(ViewOf(*this), ViewOf(picture), &tolerance);
}

TBDFindResult TBDBitmapData::FindColor(uint32_t color) const {
  return FindColorIn(ViewOf(*this), color, nullptr);
}

TBDFindResult TBDBitmapData::FindColorSimilar(uint32_t color,
                                              const TBDColorTolerance& tolerance) const {
  return FindColorIn(ViewOf(*this), color, &tolerance);
}

}  // namespace zorvel
