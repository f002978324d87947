#pragma once

// The picture and colour searches over pixel views, for 3-byte and 4-byte pixels alike. Each
// returns the topmost, then leftmost, match; `tolerance` null means exact.

#include <cstdint>

#include "picture/bitmap_data.h"
#include "picture/pixel_rows.h"

namespace zorvel {

// Where `picture` matches in `screen` (its top-left corner). An empty picture matches at (0, 0)
// of any screen it fits. Throws Error when the two views differ in layout.
TBDFindResult FindPictureIn(const TPixelView& screen, const TPixelView& picture,
                            const TBDColorTolerance* tolerance);

// The first pixel of the colour 0x00RRGGBB.
TBDFindResult FindColorIn(const TPixelView& screen, uint32_t color,
                          const TBDColorTolerance* tolerance);

// Does `picture`, laid with its top-left corner on (x, y), match. Throws Error when the two views
// differ in layout.
bool PictureMatchesAt(const TPixelView& screen, const TPixelView& picture, int32_t x, int32_t y,
                      const TBDColorTolerance* tolerance);

}  // namespace zorvel
