// How zorvel-cli play ends on a real X server. A picture saved by ImageMagick (124-byte header,
// 32-bit pixels) is found and clicked at its centre; one that cannot be decoded ends the run with
// the reason and exit code 1; one that is not on the screen is a quiet miss. Typing with no
// focused window ends the run with exit code 1 too.

#include <gtest/gtest.h>

#include <fstream>
#include <mutex>
#include <string>
#include <vector>

#include "input_test_tools.h"
#include "model/base64.h"
#include "paint_window_scene.h"
#include "platform/desktop.h"
#include "support_process.h"
#include "temp_folder.h"

#include <X11/Xlib.h>

namespace zorvel {
namespace {

namespace scene = test::paint_scene;

// The scene's picture as a binary PPM, with `recolour` xor-ed into every pixel.
std::string PicturePpm(uint32_t recolour) {
  std::string ppm = "P6\n" + std::to_string(scene::kPictureWidth) + " " +
                    std::to_string(scene::kPictureHeight) + "\n255\n";
  for (int j = 0; j < scene::kPictureHeight; ++j)
    for (int i = 0; i < scene::kPictureWidth; ++i) {
      const uint32_t rgb = scene::PicturePixel(i, j) ^ recolour;
      ppm += {static_cast<char>(rgb >> 16), static_cast<char>(rgb >> 8), static_cast<char>(rgb)};
    }
  return ppm;
}

// Converts the PPM with ImageMagick's `convert` and the given options; the BMP file's bytes.
std::vector<uint8_t> ConvertToBmp(const test::TempFolder& folder, const std::string& ppm,
                                  const std::string& options) {
  folder.Write("picture.ppm", ppm);
  const auto result = test::RunCommand("convert '" + folder.File("picture.ppm") + "' " + options +
                                       " '" + folder.File("picture.bmp") + "'");
  EXPECT_EQ(result.status, test::Exited(0)) << result.output;
  const std::string bytes = folder.Read("picture.bmp");
  return std::vector<uint8_t>(bytes.begin(), bytes.end());
}

uint32_t U32At(const std::vector<uint8_t>& b, size_t at) {
  return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<uint32_t>(b[at + 3]) << 24);
}

// A macro of one left click on the picture, written to the folder.
std::string WritePictureMacro(const test::TempFolder& folder, const std::vector<uint8_t>& bmp) {
  return folder.Write(
      "picture.xml",
      "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<zorvel Zorvel=\"1.1\" FName=\"picture\" "
      "FCreateTime=\"12/08/26\"><Config StartHotkey=\"1\" StopHotkey=\"2\" RepeatType=\"0\" "
      "RepeatTimes=\"1\" RepeatSpeed=\"0\" Interval=\"0\"/><ActionList><item actionType=\"0\" "
      "mousePoint=\"3\" mouseButton=\"0\" mouseAction=\"0\" fBMP=\"" +
          EncodeBase64Stream(bmp.data(), bmp.size()) + "\"/></ActionList></zorvel>\n");
}

// The left-button presses the desktop saw while `play` ran.
struct TPlayed {
  test::CommandResult result;
  std::vector<TPoint> presses;
};

TPlayed PlayWatchingClicks(const std::string& macroPath) {
  TPlayed played;
  std::unique_ptr<IInputSource> source = OpenInputSource();
  std::mutex mutex;
  EXPECT_TRUE(source->Start([&](const EVENTMSG& event) {
    std::lock_guard lock(mutex);
    if (event.message == WM_LBUTTONDOWN)
      played.presses.push_back(
          {static_cast<int32_t>(event.paramL), static_cast<int32_t>(event.paramH)});
  }));
  played.result =
      test::RunCommand("'" + test::BuiltProgram("zorvel-cli") + "' play '" + macroPath + "'");
  test::PumpFor(*source, std::chrono::milliseconds(500), 50);
  source->Stop();
  return played;
}

class CliPlayOutcome : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!getenv("DISPLAY")) GTEST_SKIP() << "no X display";
    static test::TToolWindow window("zorvel-test-paint-window", {});
    static const ::testing::AssertionResult ready = window.WaitReady();
    ASSERT_TRUE(ready);
  }
  test::TempFolder folder;
};

TEST_F(CliPlayOutcome, A32BitV5PictureIsClickedAtItsCentre) {
  const auto bmp = ConvertToBmp(folder, PicturePpm(0), "-alpha on");
  ASSERT_GT(bmp.size(), 138u);
  ASSERT_EQ(U32At(bmp, 14), 124u) << "convert wrote no V5 header";
  ASSERT_EQ(bmp[28], 32) << "convert wrote no 32-bit pixels";

  const TPlayed played = PlayWatchingClicks(WritePictureMacro(folder, bmp));
  EXPECT_EQ(played.result.status, test::Exited(0)) << played.result.output;
  EXPECT_NE(played.result.output.find("\"picture\" finished"), std::string::npos)
      << played.result.output;
  const TPoint centre{scene::kPictureX + scene::kPictureWidth / 2,
                      scene::kPictureY + scene::kPictureHeight / 2};
  ASSERT_EQ(played.presses.size(), 1u);
  EXPECT_EQ(played.presses[0], centre);
}

TEST_F(CliPlayOutcome, AnUndecodablePictureEndsTheRunWithTheReason) {
  const auto bmp = ConvertToBmp(folder, PicturePpm(0), "-type Palette -colors 16");
  ASSERT_GT(bmp.size(), 54u);
  ASSERT_LE(bmp[28], 8) << "convert wrote no palette picture";

  const TPlayed played = PlayWatchingClicks(WritePictureMacro(folder, bmp));
  EXPECT_EQ(played.result.status, test::Exited(1)) << played.result.output;
  EXPECT_NE(played.result.output.find("ended on an error"), std::string::npos)
      << played.result.output;
  EXPECT_NE(played.result.output.find("bits per pixel"), std::string::npos) << played.result.output;
  EXPECT_TRUE(played.presses.empty());
}

TEST_F(CliPlayOutcome, APictureNotOnTheScreenIsAQuietMiss) {
  const auto bmp = ConvertToBmp(folder, PicturePpm(0x010101), "-alpha on");
  const TPlayed played = PlayWatchingClicks(WritePictureMacro(folder, bmp));
  EXPECT_EQ(played.result.status, test::Exited(0)) << played.result.output;
  EXPECT_NE(played.result.output.find("\"picture\" finished"), std::string::npos)
      << played.result.output;
  EXPECT_TRUE(played.presses.empty());
}

TEST_F(CliPlayOutcome, TypingWithNoFocusedWindowIsAFailure) {
  Display* display = XOpenDisplay(nullptr);
  ASSERT_NE(display, nullptr);
  XSetInputFocus(display, None, RevertToNone, CurrentTime);
  XSync(display, False);
  const std::string path =
      folder.Write("type.xml",
                   "<zorvel Zorvel=\"1.1\" FName=\"type\"><ActionList><item actionType=\"3\" "
                   "typeText=\"abc\"/></ActionList></zorvel>");
  const auto result =
      test::RunCommand("'" + test::BuiltProgram("zorvel-cli") + "' play '" + path + "'");
  XSetInputFocus(display, PointerRoot, RevertToPointerRoot, CurrentTime);
  XCloseDisplay(display);
  EXPECT_EQ(result.status, test::Exited(1)) << result.output;
  EXPECT_NE(result.output.find("No window has the keyboard focus"), std::string::npos)
      << result.output;
}

}  // namespace
}  // namespace zorvel
