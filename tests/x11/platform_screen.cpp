// The X11 screen against a window that paints a known scene, through MIT-SHM and XGetImage, and
// once more on a server started without MIT-SHM.

#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "input_test_tools.h"
#include "paint_window_scene.h"
#include "picture/bitmap_data.h"
#include "platform/x11/screen_x11.h"
#include "platform/x11/x11_desktop.h"
#include "playback/screen_search.h"
#include "wait_until.h"

namespace zorvel {
namespace {

namespace scene = test::paint_scene;

TBDBitmapData ScenePicture() {
  TBDBitmapData picture;
  EXPECT_TRUE(picture.SetSize(scene::kPictureWidth, scene::kPictureHeight));
  for (int j = 0; j < scene::kPictureHeight; ++j)
    for (int i = 0; i < scene::kPictureWidth; ++i)
      picture.SetPixel(i, j, scene::PicturePixel(i, j));
  return picture;
}

// One painted window shared by the tests of a process.
class PaintedWindow {
 public:
  static ::testing::AssertionResult Ready() {
    static test::TToolWindow window("zorvel-test-paint-window", {});
    static const ::testing::AssertionResult ready = window.WaitReady();
    return ready;
  }
};

// Every case runs with and without the shared-memory path.
class ScreenX11 : public ::testing::TestWithParam<bool> {
 protected:
  void SetUp() override {
    ASSERT_NE(std::getenv("DISPLAY"), nullptr) << "run under scripts/with-xvfb";
    ASSERT_TRUE(PaintedWindow::Ready());
    screen_ = CreateX11Screen(TX11ScreenOptions{GetParam()});
  }
  std::unique_ptr<IX11Screen> screen_;
};

TEST_P(ScreenX11, PathFollowsTheOption) {
  if (GetParam() && !screen_->UsesShm()) GTEST_SKIP() << "the server offers no MIT-SHM";
  EXPECT_EQ(screen_->UsesShm(), GetParam());
}

TEST_P(ScreenX11, CaptureMatchesTheSceneBottomRowFirst) {
  TBDBitmapData capture;
  ASSERT_TRUE(capture.CaptureScreen(*screen_, scene::kWindowX, scene::kWindowY, scene::kWindowWidth,
                                    scene::kWindowHeight));
  ASSERT_EQ(capture.Width, scene::kWindowWidth);
  ASSERT_EQ(capture.Height, scene::kWindowHeight);
  int wrong = 0;
  for (int y = 0; y < capture.Height; ++y)
    for (int x = 0; x < capture.Width; ++x)
      wrong +=
          capture.GetPixel(x, y) != scene::ScenePixel(scene::kWindowX + x, scene::kWindowY + y);
  EXPECT_EQ(wrong, 0);
  // Memory row 0 is the bottom row of the capture.
  const uint8_t* bottom = capture.Pixels();
  const uint32_t background = scene::kBackground;
  EXPECT_EQ(bottom[0], background & 0xFF);
  EXPECT_EQ(bottom[2], background >> 16);
}

// A whole-screen capture through the shared segment equals the capture of the plain path.
TEST_P(ScreenX11, WholeScreenEqualsThePlainPath) {
  TBDBitmapData capture;
  ASSERT_TRUE(capture.CaptureScreen(*screen_, 0, 0, 0, 0));
  const auto plain = CreateX11Screen(TX11ScreenOptions{false});
  TBDBitmapData expected;
  ASSERT_TRUE(expected.CaptureScreen(*plain, 0, 0, 0, 0));
  ASSERT_EQ(capture.DataSize, expected.DataSize);
  EXPECT_EQ(std::memcmp(capture.Pixels(), expected.Pixels(), capture.DataSize), 0);
  EXPECT_EQ(capture.GetPixel(scene::kBlockX, scene::kBlockY), scene::kBlockColor);
  EXPECT_EQ(capture.GetPixel(scene::kPictureX + 36, scene::kPictureY + 22),
            scene::PicturePixel(36, 22));
}

TEST_P(ScreenX11, RectanglePastTheScreenIsBlackThere) {
  const TSize size = screen_->ScreenSize();
  ASSERT_GT(size.width, 0);
  // Left part on the screen (the last 4 columns), right part past the edge.
  TBDBitmapData capture;
  ASSERT_TRUE(capture.SetSize(10, 3));
  std::fill(capture.Pixels(), capture.Pixels() + capture.DataSize, uint8_t{0x77});
  ASSERT_TRUE(screen_->CaptureRect(size.width - 4, size.height - 2, 10, 3, capture.Pixels(),
                                   capture.LineSize));
  for (int x = 4; x < 10; ++x) EXPECT_EQ(capture.GetPixel(x, 0), 0u) << x;
  for (int x = 0; x < 10; ++x) EXPECT_EQ(capture.GetPixel(x, 2), 0u) << x;  // below the screen
  // Wholly off the screen: all black, still a success.
  ASSERT_TRUE(screen_->CaptureRect(-50, -50, 10, 3, capture.Pixels(), capture.LineSize));
  for (int x = 0; x < 10; ++x) EXPECT_EQ(capture.GetPixel(x, 1), 0u);
  // Straddling the top-left corner of the window.
  ASSERT_TRUE(screen_->CaptureRect(scene::kWindowX - 2, scene::kWindowY - 1, 10, 3,
                                   capture.Pixels(), capture.LineSize));
  EXPECT_EQ(capture.GetPixel(2, 1), scene::kBackground);
  EXPECT_EQ(capture.GetPixel(9, 2), scene::kBackground);
}

// The frame the searches read holds the pixels of the 24-bit capture, for the whole screen (the
// server's own image), for a rectangle inside it and for ones past its edges (black there); also
// after PrepareCapture.
TEST_P(ScreenX11, FrameHoldsThePixelsOfTheCapture) {
  const TSize size = screen_->ScreenSize();
  struct Rect {
    int32_t x, y, width, height;
  };
  const std::vector<Rect> rects = {{0, 0, size.width, size.height},
                                   {scene::kWindowX - 3, scene::kWindowY + 5, 77, 41},
                                   {size.width - 4, size.height - 2, 10, 3},
                                   {-5, -7, 40, 30},
                                   {-50, -50, 10, 3}};
  for (bool prepared : {false, true}) {
    if (prepared) screen_->PrepareCapture();
    for (const Rect& r : rects) {
      const std::string what = std::to_string(r.x) + "," + std::to_string(r.y) + " " +
                               std::to_string(r.width) + "x" + std::to_string(r.height) +
                               (prepared ? " prepared" : "");
      TBDBitmapData expected;
      ASSERT_TRUE(expected.SetSize(r.width, r.height));
      ASSERT_TRUE(
          screen_->CaptureRect(r.x, r.y, r.width, r.height, expected.Pixels(), expected.LineSize));
      int wrong = 0;
      bool used = false;
      ASSERT_TRUE(screen_->CaptureFrame(r.x, r.y, r.width, r.height, [&](const TScreenFrame& f) {
        used = true;
        ASSERT_EQ(f.width, r.width);
        ASSERT_EQ(f.height, r.height);
        ASSERT_GE(f.stride, 4 * f.width);
        for (int y = 0; y < f.height; ++y)
          for (int x = 0; x < f.width; ++x) {
            const uint8_t* p = f.pixels + static_cast<size_t>(y) * f.stride + 4 * x;
            const uint32_t color = p[0] | (p[1] << 8) | (p[2] << 16);
            wrong += color != expected.GetPixel(x, y);
          }
      })) << what;
      EXPECT_TRUE(used) << what;
      EXPECT_EQ(wrong, 0) << what;
    }
  }
}

TEST_P(ScreenX11, ScreenSizeIsTheRootWindow) {
  const char* geometry = std::getenv("XVFB_SCREEN");
  const TSize size = screen_->ScreenSize();
  if (geometry == nullptr) {
    EXPECT_EQ(size, (TSize{1920, 1080}));  // the default of scripts/with-xvfb
  } else {
    EXPECT_EQ(std::to_string(size.width) + "x" + std::to_string(size.height),
              std::string(geometry).substr(0, std::string(geometry).rfind('x')));
  }
}

TEST_P(ScreenX11, PixelColorIsBgr) {
  EXPECT_EQ(GetScreenPixelColor(*screen_, scene::kBlockX, scene::kBlockY), 0x006432C8u);
  EXPECT_EQ(GetScreenPixelColor(*screen_, scene::kPictureX + 5, scene::kPictureY + 7),
            SwapRedBlue(scene::PicturePixel(5, 7)));
  EXPECT_EQ(GetScreenPixelColor(*screen_, -1, 5), 0u);
}

TEST_P(ScreenX11, FindColorGivesTheFirstPixel) {
  const TSize size = screen_->ScreenSize();
  struct Case {
    std::string text;
    int similarity;
    TPoint expected;
  };
  const std::vector<Case> cases = {
      {"$006432C8", 100, {scene::kBlockX, scene::kBlockY}},
      {"$006432C0", 95, {scene::kBlockX, scene::kBlockY}},  // red 8 lower, tolerance 12
      {"$006432C0", 100, {-1, -1}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FindColorOnScreen(*screen_, c.text, 0, 0, size.width, size.height, c.similarity),
              c.expected)
        << c.text << " " << c.similarity;
  }
  // A rectangle that starts inside the block: its own top-left corner.
  EXPECT_EQ(FindColorOnScreen(*screen_, "$006432C8", scene::kBlockX + 3, scene::kBlockY + 4,
                              scene::kBlockX + 50, scene::kBlockY + 50, 100),
            (TPoint{scene::kBlockX + 3, scene::kBlockY + 4}));
}

TEST_P(ScreenX11, FindPictureGivesItsCentre) {
  const TSize size = screen_->ScreenSize();
  const TPoint centre{scene::kPictureX + scene::kPictureWidth / 2,
                      scene::kPictureY + scene::kPictureHeight / 2};
  const TBDBitmapData picture = ScenePicture();
  EXPECT_EQ(FindPictureOnScreen(*screen_, picture, 0, 0, size.width, size.height, 100), centre);

  // Every channel 20 off: found with similarity 90 (tolerance 25), not with 95 (12).
  TBDBitmapData shifted = picture;
  for (int j = 0; j < shifted.Height; ++j)
    for (int i = 0; i < shifted.Width; ++i) {
      const uint32_t c = shifted.GetPixel(i, j);
      uint32_t out = 0;
      for (int k = 0; k < 3; ++k) {
        const int v = static_cast<int>((c >> (8 * k)) & 0xFF);
        out |= static_cast<uint32_t>(v >= 128 ? v - 20 : v + 20) << (8 * k);
      }
      shifted.SetPixel(i, j, out);
    }
  EXPECT_EQ(FindPictureOnScreen(*screen_, shifted, 0, 0, size.width, size.height, 90), centre);
  EXPECT_EQ(FindPictureOnScreen(*screen_, shifted, 0, 0, size.width, size.height, 95),
            (TPoint{-1, -1}));
  // A rectangle that cuts the picture off finds nothing.
  EXPECT_EQ(FindPictureOnScreen(*screen_, picture, 0, 0, scene::kPictureX + 30, size.height, 100),
            (TPoint{-1, -1}));
}

INSTANTIATE_TEST_SUITE_P(Paths, ScreenX11, ::testing::Values(true, false),
                         [](const auto& info) { return info.param ? "Shm" : "GetImage"; });

// Runs the tests in `filter` of this program again, on an Xvfb of its own that `serverEnv` sets
// up (with-xvfb reads XVFB_ARGS and XVFB_SCREEN).
test::CommandResult RunOnOwnServer(const std::string& serverEnv, const std::string& filter) {
  const std::string self = "/proc/" + std::to_string(getpid()) + "/exe";
  return test::RunCommand(serverEnv + " " + ZORVEL_SOURCE_DIR + "/scripts/with-xvfb " + self +
                          " --gtest_filter='" + filter + "'");
}

// The same cases on a server started without MIT-SHM: the screen must find out by itself.
TEST(ScreenX11NoShmServer, EveryCasePasses) {
  if (std::getenv("ZORVEL_SCREEN_TEST_NO_SHM") != nullptr) {
    GTEST_SKIP() << "already on the server without MIT-SHM";
  }
  const test::CommandResult result =
      RunOnOwnServer("ZORVEL_SCREEN_TEST_NO_SHM=1 XVFB_ARGS='-extension MIT-SHM'",
                     "Paths/ScreenX11.*:ScreenX11NoShm.*");
  EXPECT_EQ(result.status, test::Exited(0)) << result.output;
  EXPECT_NE(result.output.find("[  PASSED  ]"), std::string::npos) << result.output;
}

TEST(ScreenX11NoShm, ServerWithoutShmUsesGetImage) {
  if (std::getenv("ZORVEL_SCREEN_TEST_NO_SHM") == nullptr) {
    GTEST_SKIP() << "runs inside ScreenX11NoShmServer.EveryCasePasses, on a server of its own";
  }
  const auto screen = CreateX11Screen(TX11ScreenOptions{true});
  EXPECT_FALSE(screen->UsesShm());
  TBDBitmapData capture;
  EXPECT_TRUE(capture.CaptureScreen(*screen, 0, 0, 0, 0));
  EXPECT_EQ(capture.Width, 1920);
}

// A 16-bit server: pixels are 5-6-5 bits, converted through the channel masks.
TEST(ScreenX11Depth16Server, EveryCasePasses) {
  if (std::getenv("ZORVEL_SCREEN_TEST_DEPTH16") != nullptr)
    GTEST_SKIP() << "already on the 16-bit server";
  const test::CommandResult result =
      RunOnOwnServer("ZORVEL_SCREEN_TEST_DEPTH16=1 XVFB_SCREEN=640x480x16", "ScreenX11Depth16.*");
  EXPECT_EQ(result.status, test::Exited(0)) << result.output;
  EXPECT_NE(result.output.find("[  PASSED  ] 1 test"), std::string::npos) << result.output;
}

TEST(ScreenX11Depth16, FullChannelsStayFull) {
  if (std::getenv("ZORVEL_SCREEN_TEST_DEPTH16") == nullptr) {
    GTEST_SKIP() << "runs inside ScreenX11Depth16Server.EveryCasePasses, on a server of its own";
  }
  Display* display = XOpenDisplay(nullptr);
  ASSERT_NE(display, nullptr);
  ASSERT_EQ(DefaultDepth(display, DefaultScreen(display)), 16);
  // Two windows side by side: magenta and green, each channel either full or off.
  struct Patch {
    unsigned short red, green, blue;
    int x;
    uint32_t expected;  // 0x00RRGGBB
  };
  const std::vector<Patch> patches = {{0xFFFF, 0, 0xFFFF, 10, 0xFF00FF},
                                      {0, 0xFFFF, 0, 60, 0x00FF00}};
  const Colormap colormap = DefaultColormap(display, DefaultScreen(display));
  for (const Patch& patch : patches) {
    XColor color{};
    color.red = patch.red;
    color.green = patch.green;
    color.blue = patch.blue;
    ASSERT_TRUE(XAllocColor(display, colormap, &color));
    XSetWindowAttributes attributes{};
    attributes.override_redirect = True;
    attributes.background_pixel = color.pixel;
    const Window window =
        XCreateWindow(display, DefaultRootWindow(display), patch.x, 20, 50, 40, 0, CopyFromParent,
                      InputOutput, CopyFromParent, CWOverrideRedirect | CWBackPixel, &attributes);
    XMapWindow(display, window);
  }
  XSync(display, False);
  for (const bool shm : {true, false}) {
    const auto screen = CreateX11Screen(TX11ScreenOptions{shm});
    EXPECT_EQ(screen->ScreenSize(), (TSize{640, 480}));
    EXPECT_TRUE(test::WaitForValue(
        "the colour at (30, 40)", [&] { return GetScreenPixelColor(*screen, 30, 40); },
        SwapRedBlue(patches[0].expected)));
    TBDBitmapData capture;
    ASSERT_TRUE(capture.CaptureScreen(*screen, 0, 0, 120, 70));
    for (const Patch& patch : patches) {
      EXPECT_EQ(capture.GetPixel(patch.x + 5, 25), patch.expected) << shm;
      EXPECT_EQ(capture.GetPixel(patch.x + 49, 59), patch.expected) << shm;
    }
    // The searches read the same colours from the converted frame.
    EXPECT_EQ(FindColorOnScreen(*screen, "$00FF00FF", 0, 0, 640, 480, 100), (TPoint{10, 20}));
    EXPECT_EQ(FindColorOnScreen(*screen, "$0000FF00", 0, 0, 640, 480, 100), (TPoint{60, 20}));
  }
  XCloseDisplay(display);
}

}  // namespace
}  // namespace zorvel
