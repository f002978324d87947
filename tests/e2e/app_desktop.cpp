// The real program under Xvfb, driven by xdotool: macro hotkeys, the Run and Stop buttons and the
// schedule, observed through a logging window that receives the macros' clicks and through the
// pixels of the macro list's Status cell.

#include <gtest/gtest.h>

#include <cstdio>
#include <ctime>
#include <filesystem>
#include <sstream>
#include <thread>

#include "app_e2e_support.h"
#include "common/date_time.h"
#include "platform/x11/x11_desktop.h"

namespace zorvel::test {
namespace {

using namespace std::chrono_literals;

// The logging window and the points the macros click in it (screen coordinates).
constexpr const char* kLogGeometry = "300x200+1500+50";
constexpr int kLeftX = 1560, kLeftY = 100;
constexpr int kRightX = 1700, kRightY = 200;

// Offsets inside the main window (no window manager: no frame).
constexpr int kRunButtonX = 244, kStopButtonX = 314, kButtonY = 52;
constexpr int kFirstRowY = 128;
constexpr int kStatusCellX = 263, kStatusCellWidth = 54, kCellHeight = 14;

std::string ClickLine(int x, int y) {
  return "rx=" + std::to_string(x) + " ry=" + std::to_string(y);
}

class AppDesktop : public TAppTest {
 protected:
  void SetUp() override {
    TAppTest::SetUp();
    log_ = folder_.File("clicks.log");
  }

  void Start() {
    logWindow_ = std::make_unique<TChildProcess>(std::vector<std::string>{
        BuiltProgram("zorvel-test-xlog-window"), "--geometry", kLogGeometry, "--out", log_,
        "--title", "zorvel e2e log", "--no-focus"});
    std::string windowId;
    ASSERT_TRUE(WaitLogReady("clicks.log", windowId));
    ASSERT_TRUE(LaunchApp(window_)) << "the main window did not finish its start-up";
    std::this_thread::sleep_for(500ms);  // let the first paint settle
  }

  void TearDown() override {
    TAppTest::TearDown();
    logWindow_.reset();
  }

  std::vector<std::string> Lines(const std::string& prefix) const {
    std::vector<std::string> found;
    for (const std::string& line : folder_.Lines("clicks.log"))
      if (line.rfind(prefix, 0) == 0) found.push_back(line);
    return found;
  }
  int Clicks(int x, int y) const {
    int count = 0;
    for (const std::string& line : Lines("ButtonPress button=1 "))
      if (line.find(ClickLine(x, y)) != std::string::npos) ++count;
    return count;
  }
  ::testing::AssertionResult WaitClicks(int x, int y, int atLeast) const {
    return WaitUntil(std::to_string(atLeast) + " left clicks at " + ClickLine(x, y),
                     [&] { return Clicks(x, y) >= atLeast; }, LogTail(), {10s});
  }
  // What the logging window wrote last, for a failed wait.
  std::function<std::string()> LogTail() const {
    return [this] { return "the window's log: " + LastLines(folder_.Lines("clicks.log")); };
  }
  // Clicks stop: the count holds still for a second (within ten).
  ::testing::AssertionResult ClicksSettle(int x, int y) const {
    int before = Clicks(x, y);
    return WaitUntil(
        "the clicks at " + ClickLine(x, y) + " to stop",
        [&] {
          std::this_thread::sleep_for(1s);
          const int now = Clicks(x, y);
          return std::exchange(before, now) == now;
        },
        [&] { return std::to_string(before) + " clicks and counting"; }, {10s});
  }

  static void Keys(const std::string& combination) {
    RunCommand("xdotool key --clearmodifiers " + combination);
  }
  void ClickInWindow(int x, int y) const {
    RunCommand("xdotool mousemove " + std::to_string(window_.x + x) + " " +
               std::to_string(window_.y + y) + " click 1");
  }

  // The pixels of the first row's Status cell.
  std::vector<uint8_t> StatusCell() const {
    auto screen = CreateX11Screen();
    const int lineSize = (kStatusCellWidth * 3 + 3) & ~3;
    std::vector<uint8_t> pixels(static_cast<size_t>(lineSize) * kCellHeight);
    screen->CaptureRect(window_.x + kStatusCellX, window_.y + kFirstRowY - kCellHeight / 2,
                        kStatusCellWidth, kCellHeight, pixels.data(), lineSize);
    return pixels;
  }

  static void LoopMacro(TActionCtrl& macro, int x, int y) {
    macro.Actions.Add(ClickAt(x, y));
    macro.Actions.Add(Pause(250));
    macro.Config.RepeatType = 2;
  }

  std::string log_;
  std::unique_ptr<TChildProcess> logWindow_;
  TWindowBox window_;
};

TEST_F(AppDesktop, CtrlFKeyPlaysTheMacroWithThatStartKey) {
  WriteMacro(folder_.path(), "Left", [](TActionCtrl& m) {
    m.Actions.Add(ClickAt(kLeftX, kLeftY));
    m.Config.StartHotkey = 1;
  });
  WriteMacro(folder_.path(), "Right", [](TActionCtrl& m) {
    m.Actions.Add(ClickAt(kRightX, kRightY));
    m.Config.StartHotkey = 3;
  });
  Start();
  Keys("ctrl+F2");
  ASSERT_TRUE(WaitClicks(kLeftX, kLeftY, 1)) << "Ctrl+F2 did not play the macro";
  std::this_thread::sleep_for(1s);
  EXPECT_EQ(Clicks(kLeftX, kLeftY), 1);
  EXPECT_EQ(Clicks(kRightX, kRightY), 0);
  Keys("ctrl+F4");
  EXPECT_TRUE(WaitClicks(kRightX, kRightY, 1)) << "Ctrl+F4 did not play the second macro";
  Keys("shift+F2");  // no Ctrl: not a macro hotkey
  std::this_thread::sleep_for(1s);
  EXPECT_EQ(Clicks(kLeftX, kLeftY), 1);
}

TEST_F(AppDesktop, AChordPressedLikeAPersonReachesNoneOfTheMacrosInput) {
  WriteMacro(folder_.path(), "Greet", [](TActionCtrl& m) {
    m.Actions.Add(std::make_shared<TActionObj>(Type("greetings")));
    m.Actions.Add(ClickAt(kLeftX, kLeftY));
    m.Config.StartHotkey = 1;
  });
  Start();
  const std::string ready = Lines("ready window=").at(0);
  Xdo("windowfocus --sync " + ready.substr(ready.find('=') + 1));
  // Ctrl down, F2 down, F2 up after 150 ms, Ctrl up 200 ms later: the run begins while both
  // are still down.
  Xdo("keydown ctrl keydown F2 sleep 0.15 keyup F2 sleep 0.2 keyup ctrl");
  ASSERT_TRUE(WaitClicks(kLeftX, kLeftY, 1)) << "Ctrl+F2 did not play the macro";
  EXPECT_EQ(Lines("Line "), std::vector<std::string>{"Line \"greetings\""});
  std::vector<std::string> events = Lines("ButtonPress ");
  for (const std::string& line : Lines("KeyPress "))
    if (line.find("keysym=Control") == std::string::npos) events.push_back(line);
  EXPECT_EQ(events.size(), 11u);  // the click, 9 characters and Return
  for (const std::string& line : events)
    EXPECT_EQ(std::stoul(line.substr(line.find("state=0x") + 8), nullptr, 16), 0u) << line;
}

TEST_F(AppDesktop, StopKeyStopsAMacroThatRepeatsUntilStopped) {
  WriteMacro(folder_.path(), "Loop", [](TActionCtrl& m) {
    LoopMacro(m, kLeftX, kLeftY);
    m.Config.StartHotkey = 4;
    m.Config.StopHotkey = 5;
  });
  Start();
  Keys("ctrl+F5");
  ASSERT_TRUE(WaitClicks(kLeftX, kLeftY, 3)) << "the macro did not repeat";
  Keys("ctrl+F6");
  EXPECT_TRUE(ClicksSettle(kLeftX, kLeftY)) << "Ctrl+F6 did not stop the macro";
}

TEST_F(AppDesktop, RunAndStopButtonsAndTheStatusCell) {
  WriteMacro(folder_.path(), "Loop", [](TActionCtrl& m) { LoopMacro(m, kRightX, kRightY); });
  Start();
  ClickInWindow(100, kFirstRowY);  // focus the row
  std::this_thread::sleep_for(300ms);
  const std::vector<uint8_t> stopped = StatusCell();
  ClickInWindow(kRunButtonX, kButtonY);
  ASSERT_TRUE(WaitClicks(kRightX, kRightY, 2)) << "Run did not start the macro";
  std::this_thread::sleep_for(300ms);
  EXPECT_NE(StatusCell(), stopped) << "the Status cell still shows Stopped";
  Screenshot(window_, "e2e-zorvel-running.png");
  ClickInWindow(kStopButtonX, kButtonY);
  EXPECT_TRUE(ClicksSettle(kRightX, kRightY)) << "Stop did not end the run";
  EXPECT_TRUE(WaitUntil("the Status cell to show Stopped again",
                        [&] { return StatusCell() == stopped; }, {}, {5s}));
  Screenshot(window_, "e2e-zorvel-main.png");
}

// Starts zorvel on `folder` with its stderr captured; killed at the end if still running.
TChildProcess StartAppWithErrors(const std::string& folder) {
  return TChildProcess({BuiltProgram("zorvel"), "--folder", folder},
                       TChildOptions().WithErrors(TStream::Capture).WithEndSignal(SIGKILL));
}

TDateTime SecondsFromNow(int seconds) {
  const std::time_t when = std::time(nullptr) + seconds;
  std::tm local{};
  localtime_r(&when, &local);
  return TDateTime{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                   local.tm_hour,        local.tm_min,     local.tm_sec};
}

// A daily macro whose one click takes a few milliseconds starts once in its second, however many
// schedule checks that second holds.
TEST_F(AppDesktop, AMacroScheduledAheadStartsByItselfOnce) {
  Start();  // first, so the start-up time does not eat the lead
  app_->Stop();
  const TDateTime due = SecondsFromNow(3);
  WriteMacro(folder_.path(), "Soon", [&](TActionCtrl& m) {
    m.Actions.Add(ClickAt(kLeftX, kLeftY));
    m.Schedule.ScheduleType = 1;
    m.Schedule.SelectedTime = FormatLongTime(due);
  });
  const auto launched = std::chrono::steady_clock::now();
  TWindowBox restarted;
  ASSERT_TRUE(LaunchApp(restarted));
  EXPECT_EQ(Clicks(kLeftX, kLeftY), 0) << "started before its time";
  std::this_thread::sleep_until(launched + 6s);
  EXPECT_EQ(Clicks(kLeftX, kLeftY), 1);
}

// A second program on the same folder says so and ends without touching the folder; the first
// goes on working.
TEST_F(AppDesktop, ASecondZorvelOnTheSameFolderSaysItIsInUseAndExits) {
  WriteMacro(folder_.path(), "Left", [](TActionCtrl& m) {
    m.Actions.Add(ClickAt(kLeftX, kLeftY));
    m.Config.StartHotkey = 1;
  });
  Start();
  const std::string before = folder_.Listing() + folder_.Read("zorvelconfig.xml");
  TChildProcess second = StartAppWithErrors(folder_.path());
  ASSERT_TRUE(second.Started());
  const std::string message = "The folder " + folder_.path() + " is in use by another Zorvel.";
  EXPECT_TRUE(WaitUntil(
      "the message on stderr", [&] { return second.Errors().find(message) != std::string::npos; },
      [&] { return "stderr: " + ::testing::PrintToString(second.Errors()); }, {10s}));
  // The message box (Qt's hidden leader window carries the same title).
  std::string box;
  EXPECT_TRUE(WaitUntil(
      "a visible window titled \"Zorvel\"",
      [&] {
        return !(box = Shell("xdotool search --onlyvisible --name '^Zorvel$' | head -1")).empty();
      },
      [] { return "windows: " + WindowTitles(); }, {10s}));
  std::this_thread::sleep_for(500ms);
  RunCommand("import -window " + box + " '" + ZORVEL_BINARY_DIR + "/e2e-zorvel-folder-in-use.png'");
  Xdo("windowfocus " + box);
  Xdo("key Return");
  EXPECT_EQ(second.Wait(10s), Exited(1));
  EXPECT_EQ(folder_.Listing() + folder_.Read("zorvelconfig.xml"), before);
  Keys("ctrl+F2");
  EXPECT_TRUE(WaitClicks(kLeftX, kLeftY, 1)) << "the first program stopped working";
}

// A quit signal never waits for a click: a settings file that cannot be saved is reported on
// stderr and the program ends at once.
TEST_F(AppDesktop, AQuitSignalWithUnsavableSettingsEndsWithoutWaiting) {
  TChildProcess app = StartAppWithErrors(folder_.path());
  ASSERT_TRUE(app.Started());
  TWindowBox main;
  EXPECT_TRUE(WaitForWindow("Zorvel 2.5.1", main, 20s));
  std::filesystem::remove(folder_.File("zorvelconfig.xml"));
  std::filesystem::create_directory(folder_.File("zorvelconfig.xml"));  // cannot be replaced
  app.Signal(SIGTERM);
  const TExitStatus status = app.Wait(5s);
  EXPECT_NE(status, TExitStatus::TimedOut()) << "the program waits for something after SIGTERM";
  EXPECT_EQ(status, Exited(0));
  EXPECT_NE(app.Errors().find("the settings could not be saved"), std::string::npos)
      << app.Errors();
}

// The tray icon's place on the screen, from the window tree: the "Zorvel" window of more than
// one pixel that the tray host holds. Width 0 while there is none.
struct TTrayPlace {
  int x = 0, y = 0, width = 0, height = 0;
};
TTrayPlace FindTrayIcon() {
  std::istringstream tree(Shell("xwininfo -root -tree"));
  std::string line;
  while (std::getline(tree, line)) {
    if (line.find("\"Zorvel\": (\"zorvel\" \"Zorvel\")") == std::string::npos) continue;
    TTrayPlace place;
    int relX = 0, relY = 0;
    const size_t size = line.find(")  ") + 3;
    if (std::sscanf(line.c_str() + size, "%dx%d+%d+%d  +%d+%d", &place.width, &place.height, &relX,
                    &relY, &place.x, &place.y) == 6 &&
        place.width > 1 && place.width < 100)
      return place;
  }
  return {};
}

std::vector<uint8_t> TrayPixels(const TTrayPlace& place) {
  auto screen = CreateX11Screen();
  const int lineSize = (place.width * 3 + 3) & ~3;
  std::vector<uint8_t> pixels(static_cast<size_t>(lineSize) * place.height);
  screen->CaptureRect(place.x, place.y, place.width, place.height, pixels.data(), lineSize);
  return pixels;
}

// With a tray host on the desktop: the icon is there, shows a playing macro, and its menu's
// "Stop" ends the run.
TEST_F(AppDesktop, TheTrayIconShowsARunAndItsStopEndsIt) {
  TChildProcess tray({"/usr/bin/trayer", "--edge", "top", "--align", "right", "--widthtype",
                      "pixel", "--width", "120", "--heighttype", "pixel", "--height", "32"});
  ASSERT_TRUE(tray.Started()) << "trayer is missing: scripts/deps installs it";
  std::this_thread::sleep_for(1s);
  WriteMacro(folder_.path(), "Waits", [](TActionCtrl& m) {
    m.Actions.Add(Pause(60000));
    m.Config.RepeatType = 2;
    m.Config.StartHotkey = 4;
  });
  Start();
  TTrayPlace icon;
  ASSERT_TRUE(WaitUntil(
      "the tray icon", [&] { return (icon = FindTrayIcon()).width != 0; },
      [] { return "the window tree:\n" + Shell("xwininfo -root -tree"); }, {10s}));
  std::this_thread::sleep_for(500ms);
  const std::vector<uint8_t> idle = TrayPixels(icon);
  Keys("ctrl+F5");
  ASSERT_TRUE(WaitUntil("the tray icon to show the run", [&] { return TrayPixels(icon) != idle; },
                        {}, {5s}));
  RunCommand("import -window root -crop 200x60+1720+0 '" + std::string(ZORVEL_BINARY_DIR) +
             "/e2e-zorvel-tray-playing.png'");
  RunCommand("xdotool mousemove " + std::to_string(icon.x + icon.width / 2) + " " +
             std::to_string(icon.y + icon.height / 2) + " click 3");
  std::this_thread::sleep_for(700ms);
  RunCommand("import -window root '" + std::string(ZORVEL_BINARY_DIR) +
             "/e2e-zorvel-tray-menu.png'");
  RunCommand("xdotool key Down Down Return");  // "Run", then "Stop"
  EXPECT_TRUE(WaitUntil("the tray icon to show no run after the menu's Stop",
                        [&] { return TrayPixels(icon) == idle; }, {}, {5s}));
}

}  // namespace
}  // namespace zorvel::test
