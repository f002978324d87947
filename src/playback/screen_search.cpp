#include "playback/screen_search.h"

#include <algorithm>
#include <functional>
#include <limits>

#include "common/error.h"
#include "model/colour_text.h"
#include "picture/pixel_search.h"

namespace zorvel {

namespace {

constexpr TPoint kNotFound{-1, -1};

TBDColorTolerance ToleranceFor(int32_t similarity) {
  const int32_t t = ToleranceFromSimilarity(similarity);
  return TBDColorTolerance{t, t, t};
}

// The rectangle's width or height, kept within 32 bits (a value below 1 reaches the screen edge).
int32_t Extent(int32_t from, int32_t to) {
  const int64_t extent = int64_t{to} - from;
  return static_cast<int32_t>(std::clamp<int64_t>(extent, std::numeric_limits<int32_t>::min(),
                                                  std::numeric_limits<int32_t>::max()));
}

// A found position in the capture moved to screen coordinates, kept within 32 bits.
TPoint ToScreen(int64_t x, int64_t y) {
  constexpr int64_t kMin = std::numeric_limits<int32_t>::min();
  constexpr int64_t kMax = std::numeric_limits<int32_t>::max();
  return TPoint{static_cast<int32_t>(std::clamp(x, kMin, kMax)),
                static_cast<int32_t>(std::clamp(y, kMin, kMax))};
}

// Captures the rectangle and runs `search` on its frame; returns what the search found moved by
// `shift`, in screen coordinates, or kNotFound. A failed capture is an error, never a miss:
// nothing was searched.
TPoint SearchCapture(IScreen& screen, int32_t left, int32_t top, int32_t right, int32_t bottom,
                     TPoint shift, const std::function<TBDFindResult(const TPixelView&)>& search) {
  const TCaptureRect rect =
      CaptureRectFor(screen.ScreenSize(), left, top, Extent(left, right), Extent(top, bottom));
  TBDFindResult found;
  const bool captured =
      screen.CaptureFrame(rect.x, rect.y, rect.width, rect.height,
                          [&](const TScreenFrame& frame) { found = search(ViewOf(frame)); });
  if (!captured) throw Error("The screen could not be captured for the search.");
  if (!found) return kNotFound;
  return ToScreen(int64_t{found->x} + shift.x + rect.x, int64_t{found->y} + shift.y + rect.y);
}

}  // namespace

int32_t ToleranceFromSimilarity(int32_t similarity) {
  const int64_t tolerance = (int64_t{100} - similarity) * 255 / 100;
  return static_cast<int32_t>(std::clamp<int64_t>(tolerance, std::numeric_limits<int32_t>::min(),
                                                  std::numeric_limits<int32_t>::max()));
}

uint32_t GetScreenPixelColor(IScreen& screen, int32_t x, int32_t y) {
  return screen.PixelColor(x, y);
}

TPoint FindColorOnScreen(IScreen& screen, const std::string& colourText, int32_t left, int32_t top,
                         int32_t right, int32_t bottom, int32_t similarity) {
  const uint32_t color = SwapRedBlue(StringToColor(colourText));
  const TBDColorTolerance tolerance = ToleranceFor(similarity);
  return SearchCapture(screen, left, top, right, bottom, TPoint{0, 0},
                       [&](const TPixelView& frame) {
                         return FindColorIn(frame, color, similarity == 100 ? nullptr : &tolerance);
                       });
}

TPoint FindPictureOnScreen(IScreen& screen, const TFramePicture& picture, int32_t left, int32_t top,
                           int32_t right, int32_t bottom, int32_t similarity) {
  const TBDColorTolerance tolerance = ToleranceFor(similarity);
  // The click goes to the middle of the picture.
  const TPoint middle{picture.Width() / 2, picture.Height() / 2};
  return SearchCapture(screen, left, top, right, bottom, middle, [&](const TPixelView& frame) {
    return FindPictureIn(frame, picture.View(), similarity == 100 ? nullptr : &tolerance);
  });
}

TPoint FindPictureOnScreen(IScreen& screen, const TBDBitmapData& picture, int32_t left, int32_t top,
                           int32_t right, int32_t bottom, int32_t similarity) {
  return FindPictureOnScreen(screen, TFramePicture(picture), left, top, right, bottom, similarity);
}

}  // namespace zorvel
