// The screen functions on the scripted screen: one capture per call, positions in screen
// coordinates, the similarity rule, captures that fail or reach past the screen.

#include <gtest/gtest.h>

#include <vector>

#include "common/error.h"
#include "picture/bitmap_data.h"
#include "platform/fake/fake_screen.h"
#include "playback/screen_search.h"

namespace zorvel {
namespace {

TBDBitmapData Pattern(int32_t w, int32_t h, uint32_t seed) {
  TBDBitmapData b;
  EXPECT_TRUE(b.SetSize(w, h));
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x)
      b.SetPixel(x, y, (seed * 2654435761u + x * 977 + y * 131) & 0xFFFFFF);
  return b;
}

class ScreenSearch : public ::testing::Test {
 protected:
  TFakeScreen screen_{200, 100, 0x000000};
};

TEST_F(ScreenSearch, PictureGivesTheCentreOfTheFirstBlock) {
  const TBDBitmapData picture = Pattern(5, 3, 1);
  screen_.Blit(picture, 10, 20);
  screen_.Blit(picture, 150, 60);
  struct Case {
    int32_t left, top, right, bottom, similarity;
    TPoint expected;
  };
  for (const Case& c : std::vector<Case>{
           {0, 0, 200, 100, 100, {12, 21}},
           {0, 0, 200, 100, 90, {12, 21}},
           {11, 0, 200, 100, 100, {152, 61}},  // the first block is cut off
           {140, 50, 160, 70, 100, {152, 61}},
           {0, 0, 15, 23, 100, {12, 21}},  // the block touches the rectangle's corner
           {0, 0, 15, 22, 100, {-1, -1}},
           {0, 0, 200, 100, 101, {-1, -1}},     // negative tolerance
           {-30, -7, 200, 100, 100, {12, 21}},  // capture from (0, 0) of the screen
       }) {
    const int before = screen_.CaptureCount();
    EXPECT_EQ(FindPictureOnScreen(screen_, picture, c.left, c.top, c.right, c.bottom, c.similarity),
              c.expected)
        << c.left << "," << c.top << " " << c.right << "," << c.bottom << " " << c.similarity;
    EXPECT_EQ(screen_.CaptureCount(), before + 1);
  }
}

TEST_F(ScreenSearch, EmptyPictureGivesTheTopLeftCorner) {
  EXPECT_EQ(FindPictureOnScreen(screen_, TBDBitmapData(), 30, 40, 200, 100, 100), (TPoint{30, 40}));
  EXPECT_EQ(FindPictureOnScreen(screen_, TBDBitmapData(), 30, 40, 200, 100, 101), (TPoint{30, 40}));
}

TEST_F(ScreenSearch, ColourTextIsBgrAndSimilarityIsPerChannel) {
  screen_.SetPixel(50, 30, 0x997959);  // every channel 25 above 0x806040
  screen_.SetPixel(20, 30, 0x80605A);  // blue 26 above
  screen_.SetPixel(70, 90, 0xFF0000);
  struct Case {
    const char* text;
    int32_t similarity;
    TPoint expected;
  };
  for (const Case& c : std::vector<Case>{
           {"$00406080", 90, {50, 30}},
           {"$00406080", 89, {20, 30}},  // tolerance 28
           {"$00406080", 100, {-1, -1}},
           {"$00597999", 100, {50, 30}},
           {"$000000FF", 100, {70, 90}},  // pure red as 0x00BBGGRR
           {"clRed", 100, {70, 90}},
           {"clBlack", 100, {0, 0}},
           {"$00406080", 101, {-1, -1}},
       }) {
    EXPECT_EQ(FindColorOnScreen(screen_, c.text, 0, 0, 200, 100, c.similarity), c.expected)
        << c.text << " " << c.similarity;
  }
  EXPECT_EQ(FindColorOnScreen(screen_, "$000000FF", 60, 80, 0, 0, 100), (TPoint{70, 90}));
  EXPECT_THROW(FindColorOnScreen(screen_, "no colour", 0, 0, 200, 100, 100), Error);
}

TEST_F(ScreenSearch, FailedCaptureIsAnErrorNotAMiss) {
  screen_.SetCaptureFails(true);
  EXPECT_THROW(FindColorOnScreen(screen_, "clBlack", 0, 0, 200, 100, 100), Error);
  EXPECT_THROW(FindPictureOnScreen(screen_, TBDBitmapData(), 0, 0, 200, 100, 100), Error);
  TBDBitmapData buffer;
  EXPECT_FALSE(buffer.CaptureScreen(screen_, 0, 0, 10, 10));
}

TEST_F(ScreenSearch, CaptureRectangleRules) {
  screen_.FillRect(0, 0, 200, 100, 0x0A0B0C);
  struct Case {
    int32_t x, y, w, h;
    TCaptureRect expected;
  };
  for (const Case& c : std::vector<Case>{
           {10, 20, 30, 40, {10, 20, 30, 40}},
           {-5, -1, 30, 40, {0, 0, 30, 40}},
           {200, 100, 30, 40, {0, 0, 30, 40}},
           {199, 99, 0, -3, {199, 99, 1, 1}},
           {150, 20, 100, 0, {150, 20, 100, 80}},  // reaches past the right edge
       }) {
    const TCaptureRect r = CaptureRectFor({200, 100}, c.x, c.y, c.w, c.h);
    EXPECT_EQ(r.x, c.expected.x);
    EXPECT_EQ(r.y, c.expected.y);
    EXPECT_EQ(r.width, c.expected.width);
    EXPECT_EQ(r.height, c.expected.height);
  }
  TBDBitmapData buffer;
  ASSERT_TRUE(buffer.CaptureScreen(screen_, 190, 95, 20, 10));
  EXPECT_EQ(buffer.GetPixel(9, 4), 0x0A0B0Cu);
  EXPECT_EQ(buffer.GetPixel(10, 4), 0u);                              // past the right edge: black
  EXPECT_EQ(buffer.GetPixel(9, 5), 0u);                               // below the bottom
  EXPECT_FALSE(buffer.CaptureScreen(screen_, 0, 0, 100000, 100000));  // over the size cap
}

TEST_F(ScreenSearch, PixelColourIsBgr) {
  screen_.SetPixel(3, 4, 0x112233);
  EXPECT_EQ(GetScreenPixelColor(screen_, 3, 4), 0x00332211u);
}

}  // namespace
}  // namespace zorvel
