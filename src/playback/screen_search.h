#pragma once

// Searches on a fresh copy of the screen. Each call captures the screen once and searches the
// frame as the screen holds it; nothing is kept from one call to the next.

#include <cstdint>
#include <string>

#include "picture/bitmap_data.h"
#include "picture/pixel_rows.h"
#include "platform/platform.h"

namespace zorvel {

// Per-channel tolerance for a similarity percentage (100 = exact): (100 - s) * 255 / 100,
// truncated toward zero. 90 gives 25; above 100 it is negative and nothing matches.
int32_t ToleranceFromSimilarity(int32_t similarity);

// Colour of one screen pixel as 0x00BBGGRR.
uint32_t GetScreenPixelColor(IScreen& screen, int32_t x, int32_t y);

// First pixel, topmost then leftmost, of the colour inside the rectangle, in screen
// coordinates; (-1, -1) when there is none. Throws Error when the colour text is not a colour or
// the screen cannot be captured.
TPoint FindColorOnScreen(IScreen& screen, const std::string& colourText, int32_t left, int32_t top,
                         int32_t right, int32_t bottom, int32_t similarity);

// Centre of the first block, topmost then leftmost, of the rectangle that matches the picture,
// in screen coordinates; (-1, -1) when there is none. Throws Error when the screen cannot be
// captured.
TPoint FindPictureOnScreen(IScreen& screen, const TBDBitmapData& picture, int32_t left, int32_t top,
                           int32_t right, int32_t bottom, int32_t similarity);
// The same with the picture already in the layout of screen frames: a click that looks again
// and again converts it once.
TPoint FindPictureOnScreen(IScreen& screen, const TFramePicture& picture, int32_t left, int32_t top,
                           int32_t right, int32_t bottom, int32_t similarity);

}  // namespace zorvel
