// The Wayland screen backend against headless sway: captures equal the scene a native client
// painted, and colour and picture clicks find their targets on it.

#include <linux/input-event-codes.h>

#include <algorithm>
#include <cstring>

#include "model/action.h"
#include "paint_window_scene.h"
#include "picture/bitmap_data.h"
#include "platform/wayland/wayland_desktop.h"
#include "playback/action_player.h"
#include "playback/screen_search.h"
#include "wayland_test_tools.h"

namespace zorvel {
namespace {

namespace scene = test::paint_scene;

class ScreenWayland : public ::testing::Test {
 protected:
  void SetUp() override {
    ZORVEL_REQUIRE_SWAY();
    window_ = test::StartPaintWindow();
    screen_ = CreateWaylandScreen();
    test::WaitForThePointerToHide();
  }
  std::unique_ptr<test::TToolWindow> window_;
  std::unique_ptr<IScreen> screen_;
};

TEST_F(ScreenWayland, SizeIsTheOutputLayout) {
  EXPECT_EQ(screen_->ScreenSize(), (TSize{1920, 1080}));
}

TEST_F(ScreenWayland, WholeScreenEqualsThePaintedScene) {
  TBDBitmapData capture;
  ASSERT_TRUE(capture.CaptureScreen(*screen_, 0, 0, 0, 0));
  ASSERT_EQ(capture.Width, 1920);
  ASSERT_EQ(capture.Height, 1080);
  int wrong = 0;
  std::string first;
  for (int y = 0; y < capture.Height; ++y) {
    for (int x = 0; x < capture.Width; ++x) {
      if (capture.GetPixel(x, y) == scene::ScenePixel(x, y)) continue;
      if (wrong++ == 0) first = std::to_string(x) + "," + std::to_string(y);
    }
  }
  EXPECT_EQ(wrong, 0) << "first at " << first << " of " << wrong << " pixels";
  // Memory row 0 is the bottom row, blue first.
  EXPECT_EQ(capture.Pixels()[0], scene::kBackground & 0xFF);
  EXPECT_EQ(capture.Pixels()[2], scene::kBackground >> 16);
}

TEST_F(ScreenWayland, RectanglesInsideAndPastTheEdge) {
  struct Case {
    int32_t x, y, width, height;
  };
  const Case cases[] = {
      {scene::kPictureX - 3, scene::kPictureY - 2, 45, 30},  // inside, around the picture
      {1915, 1075, 10, 8},                                   // past the bottom-right corner
      {-4, -3, 12, 9},                                       // past the top-left corner
      {1930, 10, 5, 5},                                      // wholly outside
  };
  for (const Case& c : cases) {
    TBDBitmapData capture;
    ASSERT_TRUE(capture.SetSize(c.width, c.height));
    std::fill(capture.Pixels(), capture.Pixels() + capture.DataSize, uint8_t{0x77});
    ASSERT_TRUE(
        screen_->CaptureRect(c.x, c.y, c.width, c.height, capture.Pixels(), capture.LineSize));
    int wrong = 0;
    for (int y = 0; y < c.height; ++y) {
      for (int x = 0; x < c.width; ++x) {
        const int sx = c.x + x, sy = c.y + y;
        const bool on = sx >= 0 && sy >= 0 && sx < 1920 && sy < 1080;
        wrong += capture.GetPixel(x, y) != (on ? scene::ScenePixel(sx, sy) : 0u);
      }
    }
    EXPECT_EQ(wrong, 0) << c.x << "," << c.y << " " << c.width << "x" << c.height;
  }
}

TEST_F(ScreenWayland, PixelColorIsBgr) {
  EXPECT_EQ(screen_->PixelColor(scene::kBlockX, scene::kBlockY), 0x006432C8u);
  EXPECT_EQ(screen_->PixelColor(scene::kPictureX + 5, scene::kPictureY + 7),
            SwapRedBlue(scene::PicturePixel(5, 7)));
  EXPECT_EQ(screen_->PixelColor(-1, 5), 0u);
}

TEST_F(ScreenWayland, ColourAndPictureClicksFindTheirTargets) {
  auto input = CreateWaylandInput();
  TActionPlayer player(*input, *screen_);
  TActionObj colour;
  colour.mousePoint = static_cast<uint8_t>(MousePoint::ColorBlock);
  colour.fColor = "$006432C8";
  player.PlayAction(colour);

  auto picture = std::make_shared<TBDBitmapData>();
  ASSERT_TRUE(picture->SetSize(scene::kPictureWidth, scene::kPictureHeight));
  for (int j = 0; j < scene::kPictureHeight; ++j)
    for (int i = 0; i < scene::kPictureWidth; ++i)
      picture->SetPixel(i, j, scene::PicturePixel(i, j));
  TActionObj pictureClick;
  pictureClick.mousePoint = static_cast<uint8_t>(MousePoint::Picture);
  pictureClick.fBMP = "cached";
  pictureClick.fBMPData = picture;
  player.PlayAction(pictureClick);

  const std::string block = std::to_string(scene::kBlockX) + " " + std::to_string(scene::kBlockY);
  const std::string centre = std::to_string(scene::kPictureX + scene::kPictureWidth / 2) + " " +
                             std::to_string(scene::kPictureY + scene::kPictureHeight / 2);
  ASSERT_TRUE(window_->WaitUntil("4 button lines",
                                 [&] { return window_->LinesStarting("button ").size() >= 4; }));
  EXPECT_EQ(
      window_->LinesStarting("button "),
      (std::vector<std::string>{"button 272 pressed " + block, "button 272 released " + block,
                                "button 272 pressed " + centre, "button 272 released " + centre}));
}

}  // namespace
}  // namespace zorvel
