// zorvel-cli play against a real X server: the end line, Ctrl+C, the stop hotkey and failures.

#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <fstream>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "../support/test_bmp.h"
#include "input_test_tools.h"
#include "model/base64.h"
#include "paint_window_scene.h"
#include "platform/platform.h"
#include "support_process.h"
#include "temp_folder.h"

#include <X11/Xlib.h>

namespace zorvel {
namespace {

Display* OpenDisplayWaiting() {
  return test::RetryOpen([] { return XOpenDisplay(nullptr); });
}

using test::TToolWindow;

// An action element; attributes left out keep the defaults of a new action.
std::string Item(const std::string& fields) {
  return "<item " + fields + "/>";
}
std::string KeyItem(int vk, int keyAction) {
  return Item("actionType=\"2\" key=\"" + std::to_string(vk) + "\" keyAction=\"" +
              std::to_string(keyAction) + "\"");
}
std::string DelayItem(int ms) {
  return Item("actionType=\"4\" delay=\"" + std::to_string(ms) + "\"");
}
std::string TypeItem(const std::string& text) {
  return Item("actionType=\"3\" typeText=\"" + text + "\"");
}

// A macro document in a folder of its own.
class TMacroFile {
 public:
  TMacroFile(const std::string& name, const std::vector<std::string>& items, int stopHotkey = 2)
      : path_(folder_.File(name + ".xml")) {
    std::ofstream out(path_);
    out << "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
        << "<zorvel Zorvel=\"1.1\" FName=\"" << name << "\" FCreateTime=\"12/08/26\">\n"
        << "<Config StartHotkey=\"1\" StopHotkey=\"" << stopHotkey
        << "\" RepeatType=\"0\" RepeatTimes=\"1\" RepeatSpeed=\"0\" Interval=\"0\"/>\n"
        << "<Schedule ScheduleType=\"0\" SelectedIndex=\"0\" SelectedTime=\"\" "
           "SelectedDate=\"\"/>\n"
        << "<ActionList>\n";
    for (const std::string& item : items) out << item << "\n";
    out << "</ActionList>\n</zorvel>\n";
  }
  const std::string& Path() const { return path_; }
  const std::string& Folder() const { return folder_.path(); }

 private:
  test::TempFolder folder_;
  std::string path_;
};

// zorvel-cli started in the background with `args`, its stdout and stderr together captured.
test::TChildProcess StartCli(std::vector<std::string> args) {
  args.insert(args.begin(), test::BuiltProgram("zorvel-cli"));
  return test::TChildProcess(std::move(args), test::TChildOptions()
                                                  .WithOutput(test::TStream::Capture)
                                                  .WithErrors(test::TStream::IntoOutput)
                                                  .WithEndSignal(SIGKILL));
}

std::string ButtonDownItem(int x, int y) {
  return Item(
      "actionType=\"0\" mouseButton=\"0\" mouseAction=\"2\" mousePoint=\"1\" "
      "mouseClickPosX=\"" +
      std::to_string(x) + "\" mouseClickPosY=\"" + std::to_string(y) + "\"");
}

bool AnyKeyDown() {
  Display* display = XOpenDisplay(nullptr);
  char keys[32] = {};
  XQueryKeymap(display, keys);
  XCloseDisplay(display);
  for (char byte : keys)
    if (byte != 0) return true;
  return false;
}

// The pointer's button bits (Button1Mask ...).
unsigned ButtonsDown() {
  Display* display = XOpenDisplay(nullptr);
  Window root = 0, child = 0;
  int rootX = 0, rootY = 0, x = 0, y = 0;
  unsigned mask = 0;
  XQueryPointer(display, DefaultRootWindow(display), &root, &child, &rootX, &rootY, &x, &y, &mask);
  XCloseDisplay(display);
  return mask & (Button1Mask | Button2Mask | Button3Mask | Button4Mask | Button5Mask);
}

// Whether the logging window saw a press of `keysym`.
bool SawPress(const TToolWindow& window, const std::string& keysym) {
  for (const auto& line : window.LinesStarting("KeyPress"))
    if (line.find("keysym=" + keysym + " ") != std::string::npos) return true;
  return false;
}

// A connection held for the whole program: the server resets (and refuses connections for a
// moment) whenever its last client leaves.
Display* HeldDisplay() {
  static Display* display = OpenDisplayWaiting();
  return display;
}

class CliPlayTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!getenv("DISPLAY")) GTEST_SKIP() << "no X display";
    ASSERT_NE(HeldDisplay(), nullptr) << "cannot open the X display";
  }
};

TEST_F(CliPlayTest, PlaysAndSaysSoWhenItEnds) {
  TToolWindow window("zorvel-test-xlog-window", {"--geometry", "300x200+50+50"});
  ASSERT_TRUE(window.WaitReady());
  TMacroFile macro("greet", {TypeItem("héllo ✓"), KeyItem(0x41, 2)});
  auto play = StartCli({"play", macro.Path()});
  EXPECT_EQ(play.Wait(), test::Exited(0));
  EXPECT_EQ(play.Output(), "\"greet\" finished\n");
  EXPECT_TRUE(window.WaitForLine("Line \"héllo ✓\""));
  EXPECT_TRUE(window.WaitUntil("the last key press to be of a", [&] {
    const auto presses = window.LinesStarting("KeyPress");
    return !presses.empty() && presses.back().find("keysym=a ") != std::string::npos;
  }));
}

TEST_F(CliPlayTest, EverySignalStopsTheRunAndReleasesItsKeysAndButtons) {
  for (int signal : {SIGHUP, SIGINT, SIGQUIT, SIGUSR1, SIGUSR2, SIGALRM, SIGPIPE, SIGTERM,
                     SIGVTALRM, SIGRTMIN + 1}) {
    SCOPED_TRACE(strsignal(signal));
    TToolWindow window("zorvel-test-xlog-window", {"--geometry", "300x200+50+50"});
    ASSERT_TRUE(window.WaitReady());
    TMacroFile macro("chord", {KeyItem(0x11, 0), KeyItem(0x10, 0), ButtonDownItem(100, 100),
                               DelayItem(60000), KeyItem(0x10, 1), KeyItem(0x11, 1)});
    auto play = StartCli({"play", macro.Path()});
    ASSERT_TRUE(window.WaitUntil("a button press",
                                 [&] { return !window.LinesStarting("ButtonPress").empty(); }));
    ASSERT_TRUE(AnyKeyDown());
    play.Signal(signal);
    EXPECT_EQ(play.Wait(), test::Exited(128 + signal));
    EXPECT_EQ(play.Output(), "\"chord\" stopped\n");
    EXPECT_FALSE(AnyKeyDown());
    EXPECT_EQ(ButtonsDown(), 0u);
  }
}

TEST_F(CliPlayTest, TheStopHotkeyWorksWhileTheMacroHoldsModifiers) {
  const struct {
    int vk;
    const char* keysym;
  } cases[] = {{0x10, "Shift_L"}, {0x12, "Alt_L"}, {0x11, "Control_L"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.keysym);
    TToolWindow window("zorvel-test-xlog-window", {"--geometry", "300x200+50+50"});
    ASSERT_TRUE(window.WaitReady());
    TMacroFile macro("holds", {KeyItem(c.vk, 0), DelayItem(60000), KeyItem(c.vk, 1)}, 2);
    auto play = StartCli({"play", macro.Path()});
    ASSERT_TRUE(window.WaitUntil(std::string("a press of ") + c.keysym,
                                 [&] { return SawPress(window, c.keysym); }));
    // One press of Ctrl+F3, as the user makes it.
    test::Xdotool("keydown ctrl keydown F3 sleep 0.15 keyup F3 keyup ctrl");
    EXPECT_EQ(play.Wait(), test::Exited(0));
    EXPECT_EQ(play.Output(), "\"holds\" stopped\n");
    EXPECT_FALSE(AnyKeyDown());
  }
}

TEST_F(CliPlayTest, AUserHoldingShiftDoesNotChangeTheTypedText) {
  TToolWindow window("zorvel-test-xlog-window", {"--geometry", "300x200+50+50"});
  ASSERT_TRUE(window.WaitReady());
  TMacroFile macro("lower", {TypeItem("abc"), KeyItem(0x44, 2)});
  test::Xdotool("keydown shift");
  auto play = StartCli({"play", macro.Path()});
  const test::TExitStatus status = play.Wait();
  test::Xdotool("keyup shift");
  EXPECT_EQ(status, test::Exited(0));
  EXPECT_TRUE(window.WaitForLine("Line \"abc\""));
  ASSERT_TRUE(window.WaitUntil("a press of d", [&] { return SawPress(window, "d"); }));
  for (const auto& line : window.LinesStarting("KeyPress")) {
    if (line.find("keysym=Shift") != std::string::npos) continue;
    EXPECT_NE(line.find("state=0x0 "), std::string::npos) << line;
  }
  EXPECT_FALSE(AnyKeyDown());
}

TEST_F(CliPlayTest, ALongTextStopsAtOnce) {
  // A million characters take several seconds to type; the stop must not wait for them.
  TMacroFile macro("long", {KeyItem(0x10, 0), TypeItem(std::string(1000000, 'a'))});
  auto play = StartCli({"play", macro.Path()});
  usleep(700000);
  const auto signalled = std::chrono::steady_clock::now();
  play.Signal(SIGINT);
  EXPECT_EQ(play.Wait(), test::Exited(128 + SIGINT));
  EXPECT_LT(std::chrono::steady_clock::now() - signalled, std::chrono::milliseconds(500));
  EXPECT_EQ(play.Output(), "\"long\" stopped\n");
  EXPECT_FALSE(AnyKeyDown());
}

TEST_F(CliPlayTest, TheMacrosStopHotkeyStopsIt) {
  TToolWindow window("zorvel-test-xlog-window", {"--geometry", "300x200+50+50"});
  ASSERT_TRUE(window.WaitReady());
  // Stop hotkey index 4: Ctrl+F5. The typed line shows that the run (and the grab) has begun.
  TMacroFile macro("waits", {TypeItem("go"), DelayItem(60000)}, 4);
  auto play = StartCli({"play", macro.Path()});
  ASSERT_TRUE(window.WaitForLine("Line \"go\""));
  EXPECT_EQ(test::RunCommand("xdotool key ctrl+F4").status, test::Exited(0));
  EXPECT_EQ(test::RunCommand("xdotool key ctrl+F5").status, test::Exited(0));
  EXPECT_EQ(play.Wait(), test::Exited(0));
  EXPECT_EQ(play.Output(), "\"waits\" stopped\n");
}

namespace scene = test::paint_scene;

// A click on the paint window's picture that waits for it as `wait` says.
std::string ScenePictureClick(const std::string& wait) {
  const std::vector<uint8_t> bmp =
      test::PixelBmp(scene::kPictureWidth, scene::kPictureHeight, [](int x, int y) {
        const uint32_t rgb = scene::PicturePixel(x, y);
        return ((rgb & 0xFF) << 16) | (rgb & 0xFF00) | (rgb >> 16);
      });
  return Item("actionType=\"0\" mousePoint=\"3\" fBMP=\"" + EncodeBase64Stream(bmp) + "\" " + wait);
}

TPoint PointerPosition() {
  Display* display = HeldDisplay();
  Window root = 0, child = 0;
  int x = 0, y = 0, wx = 0, wy = 0;
  unsigned mask = 0;
  XQueryPointer(display, DefaultRootWindow(display), &root, &child, &x, &y, &wx, &wy, &mask);
  return {x, y};
}

// The connections to the X server that `zorvel-cli play` opens for `macro`, as strace sees them.
int XConnectionsOfPlay(const TMacroFile& macro) {
  const std::string trace = macro.Folder() + "/connect.trace";
  test::TChildProcess play({"/usr/bin/strace", "-f", "-qq", "-e", "trace=connect", "-o", trace,
                            test::BuiltProgram("zorvel-cli"), "play", macro.Path()},
                           test::TChildOptions()
                               .WithOutput(test::TStream::Capture)
                               .WithErrors(test::TStream::IntoOutput)
                               .WithEndSignal(SIGKILL));
  EXPECT_EQ(play.Wait(), test::Exited(0)) << play.Output();
  std::ifstream in(trace);
  int connections = 0;
  for (std::string line; std::getline(in, line);)
    connections += line.find(".X11-unix/") != std::string::npos;
  return connections;
}

// Keys and fixed clicks need the input's one connection; a colour click adds the screen's. (No
// stop hotkey, so no hotkey connection; no text, so no connection to wait for its window.)
TEST_F(CliPlayTest, OnlyAMacroThatLooksAtTheScreenOpensTheScreen) {
  if (access("/usr/bin/strace", X_OK) != 0) GTEST_SKIP() << "strace is not installed";
  const std::string fixedClick =
      Item("actionType=\"0\" mousePoint=\"1\" mouseClickPosX=\"5\" mouseClickPosY=\"5\"");
  const TMacroFile keys("keys", {KeyItem(0x10, 2), fixedClick}, -1);
  const TMacroFile colour(
      "colour", {KeyItem(0x10, 2), Item("actionType=\"0\" mousePoint=\"2\" fColor=\"$00010203\"")},
      -1);
  const int forKeys = XConnectionsOfPlay(keys);
  EXPECT_EQ(forKeys, 1);
  EXPECT_EQ(XConnectionsOfPlay(colour), forKeys + 1);
}

TEST_F(CliPlayTest, APictureClickWaitsForThePictureToShow) {
  XWarpPointer(HeldDisplay(), None, DefaultRootWindow(HeldDisplay()), 0, 0, 0, 0, 5, 5);
  XSync(HeldDisplay(), False);
  TMacroFile macro("late", {ScenePictureClick("waitTimeout=\"15000\"")});
  auto play = StartCli({"play", macro.Path()});
  std::this_thread::sleep_for(std::chrono::milliseconds(1500));
  TToolWindow window("zorvel-test-paint-window", {});
  ASSERT_TRUE(window.WaitReady());
  EXPECT_EQ(play.Wait(), test::Exited(0));
  EXPECT_EQ(play.Output(), "\"late\" finished\n");
  EXPECT_EQ(PointerPosition(), (TPoint{scene::kPictureX + scene::kPictureWidth / 2,
                                       scene::kPictureY + scene::kPictureHeight / 2}));
}

TEST_F(CliPlayTest, APictureThatDoesNotShowInTimeEndsTheRunWhenAskedTo) {
  XWarpPointer(HeldDisplay(), None, DefaultRootWindow(HeldDisplay()), 0, 0, 0, 0, 5, 5);
  XSync(HeldDisplay(), False);
  TMacroFile macro("missing",
                   {KeyItem(0x41, 2), ScenePictureClick("waitTimeout=\"500\" notFound=\"stop\""),
                    TypeItem("never")});
  const auto start = std::chrono::steady_clock::now();
  auto play = StartCli({"play", macro.Path()});
  EXPECT_EQ(play.Wait(), test::Exited(1));
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(500));
  EXPECT_EQ(play.Output(),
            "zorvel-cli play: \"missing\" ended on an error: action 2: the picture was not found "
            "on the screen within 0.5 s\n");
  EXPECT_EQ(PointerPosition(), (TPoint{5, 5}));
}

TEST_F(CliPlayTest, VerboseTellsEachActionWithItsTimeAndWhatWasMissed) {
  TMacroFile macro(
      "told", {DelayItem(300), Item("actionType=\"0\" mousePoint=\"2\" fColor=\"$00010203\"")});
  auto play = StartCli({"play", macro.Path(), "--verbose"});
  EXPECT_EQ(play.Wait(), test::Exited(0));
  const std::string out = play.Output();
  // "0.012 s  told: pass 1 of 1, action 1 of 2: Delay 300 ms"
  const std::regex lines(
      "([0-9]+\\.[0-9]{3}) s  told: pass 1 of 1, action 1 of 2: Delay 300 ms\n"
      "([0-9]+\\.[0-9]{3}) s  told: pass 1 of 1, action 2 of 2: Left Button Single Click on the "
      "Color: \\$00010203\n"
      "([0-9]+\\.[0-9]{3}) s  action 2: the colour \\$00010203 was not found on the screen\n"
      "\"told\" finished\n");
  std::smatch times;
  ASSERT_TRUE(std::regex_match(out, times, lines)) << out;
  // The second action comes after the delay, and its miss after it.
  EXPECT_GE(std::stod(times[2]) - std::stod(times[1]), 0.299) << out;
  EXPECT_GE(std::stod(times[3]), std::stod(times[2])) << out;
}

TEST_F(CliPlayTest, FailuresAreReportedWithExitCodeOne) {
  TMacroFile bad("bad", {Item("actionType=\"0\" mousePoint=\"2\" fColor=\"no colour\"")});
  auto failing = StartCli({"play", bad.Path()});
  EXPECT_EQ(failing.Wait(), test::Exited(1));
  EXPECT_NE(failing.Output().find("\"bad\" ended on an error"), std::string::npos)
      << failing.Output();

  auto missing = StartCli({"play", "no such macro", "--folder", bad.Folder()});
  EXPECT_EQ(missing.Wait(), test::Exited(1));
  EXPECT_NE(missing.Output().find("zorvel-cli play: "), std::string::npos) << missing.Output();

  const auto noDisplay = test::RunCommand("env -u DISPLAY '" + test::BuiltProgram("zorvel-cli") +
                                          "' play '" + bad.Path() + "'");
  EXPECT_EQ(noDisplay.status, test::Exited(1));
  EXPECT_NE(noDisplay.output.find("display"), std::string::npos) << noDisplay.output;

  auto usage = StartCli({"play"});
  EXPECT_EQ(usage.Wait(), test::Exited(2));
}

}  // namespace
}  // namespace zorvel
