// Macros played through the X11 input backend into real client windows.

#include <gtest/gtest.h>

#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "../support/fixed_clock.h"
#include "common/date_time.h"
#include "input_test_tools.h"
#include "model/action_ctrl.h"
#include "model/xml_document.h"
#include "platform/fake/fake_screen.h"
#include "platform/x11/x11_desktop.h"
#include "playback/action_player.h"
#include "playback/run_ctrl.h"
#include "support_process.h"
#include "test_actions.h"

// Last, and without the event names that clash with the key actions.
#include <X11/Xlib.h>
#undef KeyPress
#undef KeyRelease

namespace zorvel {
namespace {

Display* OpenDisplayWaiting() {
  return test::RetryOpen([] { return XOpenDisplay(nullptr); });
}

using test::TToolWindow;

const std::string kText = "héllo wörld ✓ 漢字";

using test::Click;
using test::Delay;
using test::Key;
using test::Type;

// Keycodes the server reports as down.
std::vector<int> KeysDown(Display* display) {
  char keys[32] = {};
  XQueryKeymap(display, keys);
  std::vector<int> down;
  for (int code = 0; code < 256; ++code)
    if (keys[code / 8] & (1 << (code % 8))) down.push_back(code);
  return down;
}

std::vector<KeySym> WholeKeymap(Display* display) {
  int min = 0, max = 0, per = 0;
  XDisplayKeycodes(display, &min, &max);
  KeySym* map = XGetKeyboardMapping(display, static_cast<KeyCode>(min), max - min + 1, &per);
  std::vector<KeySym> out(map, map + (max - min + 1) * per);
  XFree(map);
  return out;
}

// The keysyms of every keycode that has any, without the empty ones at the end of its row.
std::map<int, std::vector<KeySym>> KeysInUse(Display* display) {
  int min = 0, max = 0, per = 0;
  XDisplayKeycodes(display, &min, &max);
  KeySym* map = XGetKeyboardMapping(display, static_cast<KeyCode>(min), max - min + 1, &per);
  std::map<int, std::vector<KeySym>> keys;
  for (int code = min; code <= max; ++code) {
    std::vector<KeySym> row(map + (code - min) * per, map + (code - min + 1) * per);
    while (!row.empty() && row.back() == NoSymbol) row.pop_back();
    if (!row.empty()) keys[code] = row;
  }
  XFree(map);
  return keys;
}

std::string Utf8(char32_t cp) {
  return {static_cast<char>(0xE0 | (cp >> 12)), static_cast<char>(0x80 | ((cp >> 6) & 0x3F)),
          static_cast<char>(0x80 | (cp & 0x3F))};
}

class X11PlayTest : public ::testing::Test {
 protected:
  // One connection for the whole program: the server resets (and refuses connections for a
  // moment) whenever its last client leaves.
  void SetUp() override {
    static Display* held = OpenDisplayWaiting();
    display_ = held;
    if (!getenv("DISPLAY")) GTEST_SKIP() << "no X display";
    ASSERT_NE(display_, nullptr) << "cannot open the X display";
    input = CreateX11Input();
  }
  void Play(std::vector<TActionObj> actions) {
    TActionPlayer player(*input, screen);
    for (TActionObj& action : actions) player.PlayAction(action);
    XSync(display_, False);
  }
  void Focus(unsigned long window) {
    XSetInputFocus(display_, window, RevertToPointerRoot, CurrentTime);
    XSync(display_, False);
  }

  Display* display_ = nullptr;
  std::unique_ptr<IInput> input;
  TFakeScreen screen{1920, 1080};
};

TEST_F(X11PlayTest, ClicksLandAtThePixelWithTheirButtons) {
  TToolWindow window("zorvel-test-xlog-window", {"--geometry", "400x300+200+150"});
  ASSERT_TRUE(window.WaitReady());
  Play({Click(MouseButton::Left, MouseAction::SingleClick, 250, 180),
        Click(MouseButton::Right, MouseAction::DoubleClick, 201, 151),
        Click(MouseButton::Middle, MouseAction::ButtonDown, 599, 449),
        Click(MouseButton::Middle, MouseAction::ButtonUp, 599, 449),
        Click(MouseButton::Left, MouseAction::Wheel, 300, 300)});
  ASSERT_TRUE(window.WaitUntil("10 button lines",
                               [&] { return window.LinesStarting("Button").size() >= 10; }));
  std::vector<std::string> buttons;
  for (const std::string& line : window.LinesStarting("Button"))
    buttons.push_back(line.substr(0, line.find(" state=")));
  EXPECT_EQ(buttons, (std::vector<std::string>{
                         "ButtonPress button=1 x=50 y=30 rx=250 ry=180",
                         "ButtonRelease button=1 x=50 y=30 rx=250 ry=180",
                         "ButtonPress button=3 x=1 y=1 rx=201 ry=151",
                         "ButtonRelease button=3 x=1 y=1 rx=201 ry=151",
                         "ButtonPress button=3 x=1 y=1 rx=201 ry=151",
                         "ButtonRelease button=3 x=1 y=1 rx=201 ry=151",
                         "ButtonPress button=2 x=399 y=299 rx=599 ry=449",
                         "ButtonRelease button=2 x=399 y=299 rx=599 ry=449",
                         "ButtonPress button=5 x=100 y=150 rx=300 ry=300",
                         "ButtonRelease button=5 x=100 y=150 rx=300 ry=300",
                     }));
  EXPECT_EQ(input->GetCursorPos(), (TPoint{300, 300}));
}

TEST_F(X11PlayTest, KeysWithTheMacrosOwnModifiers) {
  TToolWindow window("zorvel-test-xlog-window", {"--geometry", "300x200+50+50"});
  ASSERT_TRUE(window.WaitReady());
  Play({Key(0x10, KeyAction::KeyDown), Key(0x41, KeyAction::KeyPress), Key(0x10, KeyAction::KeyUp),
        Key(0x11, KeyAction::KeyDown), Key(0x43, KeyAction::KeyPress), Key(0x11, KeyAction::KeyUp),
        Key(0x31, KeyAction::KeyPress), Key(0x87, KeyAction::KeyPress),
        Key(0xBA, KeyAction::KeyPress), Key(0x0D, KeyAction::KeyPress)});
  ASSERT_TRUE(window.WaitForLine("Line \"A1;\""));
  std::vector<std::string> presses;
  for (const std::string& line : window.LinesStarting("KeyPress"))
    presses.push_back(line.substr(line.find("keysym=")));
  EXPECT_EQ(presses, (std::vector<std::string>{
                         "keysym=Shift_L state=0x0 text=\"\"",
                         "keysym=A state=0x1 text=\"A\"",
                         "keysym=Control_L state=0x0 text=\"\"",
                         "keysym=c state=0x4 text=\"\x03\"",
                         "keysym=1 state=0x0 text=\"1\"",
                         "keysym=F24 state=0x0 text=\"\"",
                         "keysym=semicolon state=0x0 text=\";\"",
                         "keysym=Return state=0x0 text=\"\r\"",
                     }));
  EXPECT_TRUE(window.WaitUntil("the last key release to be of Return", [&] {
    const auto releases = window.LinesStarting("KeyRelease");
    return !releases.empty() && releases.back().find("keysym=Return") != std::string::npos;
  }));
  EXPECT_EQ(KeysDown(display_), std::vector<int>{});
}

TEST_F(X11PlayTest, TypedTextArrivesExactlyInAnXlibClient) {
  const std::vector<KeySym> keymapBefore = WholeKeymap(display_);
  TToolWindow window("zorvel-test-xlog-window", {"--geometry", "300x200+50+50"});
  ASSERT_TRUE(window.WaitReady());
  // The macro holds Shift while typing: the text still comes out as written.
  Play({Type(kText), Type("Mixed CASE !@# ß"), Key(0x10, KeyAction::KeyDown), Type("ab"),
        Key(0x10, KeyAction::KeyUp), Type("")});
  ASSERT_TRUE(
      window.WaitUntil("4 lines", [&] { return window.LinesStarting("Line ").size() >= 4; }));
  EXPECT_EQ(window.LinesStarting("Line "),
            (std::vector<std::string>{"Line \"" + kText + "\"", "Line \"Mixed CASE !@# ß\"",
                                      "Line \"ab\"", "Line \"\""}))
      << ::testing::PrintToString(window.LinesStarting("KeyPress"));
  EXPECT_EQ(KeysDown(display_), std::vector<int>{});
  // The spare keycodes go back when the input is done with them.
  EXPECT_NE(WholeKeymap(display_), keymapBefore);
  input.reset();
  EXPECT_EQ(WholeKeymap(display_), keymapBefore);
}

// More characters missing from the keyboard than it has spare keycodes (twice over, counting
// both levels): they are lent in turns, three times round, between upper- and lower-case letters
// that need Shift pressed and released around the lent keys.
TEST_F(X11PlayTest, TextWithMoreMissingCharactersThanSpareKeys) {
  std::string text;
  for (int round = 0; round < 3; ++round) {
    for (char32_t cp = 0x4E00; cp < 0x4E00 + 60; ++cp) {  // 60 distinct CJK characters
      text += static_cast<char>(0xE0 | (cp >> 12));
      text += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      text += static_cast<char>(0x80 | (cp & 0x3F));
      if (cp % 7 == 0) text += cp % 2 ? "Q" : "q";
    }
  }
  text += " end";
  TToolWindow window("zorvel-test-xlog-window", {"--geometry", "300x200+50+50"});
  TToolWindow edit("zorvel-test-qt-line-edit", {"--geometry", "400x60+100+400"});
  ASSERT_TRUE(window.WaitReady());
  ASSERT_TRUE(edit.WaitReady());
  EXPECT_TRUE(input->SendTextToFocus(text));
  ASSERT_TRUE(edit.WaitForLine("return \"" + text + "\""));
  Focus(window.Window());
  EXPECT_TRUE(input->SendTextToFocus(text));
  EXPECT_TRUE(window.WaitForLine("Line \"" + text + "\""));
}

// 1,000 characters going round 300 distinct CJK ones, with capitals among them: every batch of
// lent keys is used up before the next. Each text is typed twice into each kind of client, the
// second time over the keys the first left lent. The Qt client is waited for by ping, the Xlib
// one (which does not answer pings) by fixed pauses. The keyboard's own keys stay as they were.
TEST_F(X11PlayTest, LongTextsGoingRoundManyMissingCharacters) {
  std::string text;
  for (char32_t i = 0; i < 1000; ++i) {
    text += Utf8(0x4E00 + 7 * (i % 300));
    if (i % 97 == 0) text += "Z";
  }
  const auto keysBefore = KeysInUse(display_);
  TToolWindow window("zorvel-test-xlog-window", {"--geometry", "300x200+50+50"});
  TToolWindow edit("zorvel-test-qt-line-edit",
                   {"--geometry", "400x60+100+400", "--no-changes", "--clear-on-return"});
  ASSERT_TRUE(window.WaitReady());
  ASSERT_TRUE(edit.WaitReady());
  const struct {
    const char* name;
    const TToolWindow& tool;
    std::string prefix;
  } clients[] = {{"Qt line edit", edit, "return "}, {"Xlib window", window, "Line "}};
  for (const auto& client : clients) {
    Focus(client.tool.Window());
    EXPECT_TRUE(input->SendTextToFocus(text));
    EXPECT_TRUE(input->SendTextToFocus(text));
    const std::string line = client.prefix + "\"" + text + "\"";
    EXPECT_TRUE(client.tool.WaitUntil("two lines", [&] {
      return client.tool.LinesStarting(client.prefix).size() >= 2;
    })) << client.name;
    EXPECT_EQ(client.tool.LinesStarting(client.prefix), (std::vector<std::string>{line, line}))
        << client.name;
  }
  const auto keysAfter = KeysInUse(display_);
  for (const auto& [keycode, row] : keysBefore) {
    const auto it = keysAfter.find(keycode);
    EXPECT_TRUE(it != keysAfter.end() && it->second == row) << "keycode " << keycode;
  }
}

TEST_F(X11PlayTest, NoFocusTypesNothing) {
  TToolWindow window("zorvel-test-xlog-window", {"--geometry", "300x200+50+50"});
  ASSERT_TRUE(window.WaitReady());
  Focus(None);
  EXPECT_FALSE(input->SendTextToFocus("abc"));
  Focus(window.Window());
  EXPECT_TRUE(input->SendTextToFocus("d"));
  ASSERT_TRUE(window.WaitForLine("Line \"d\""));
  EXPECT_EQ(window.LinesStarting("KeyPress").size(), 2u);
}

// A text without Return leaves the line open: the next text continues it.
TEST_F(X11PlayTest, TextWithoutReturnIsContinuedByTheNext) {
  TToolWindow window("zorvel-test-xlog-window", {"--geometry", "300x200+50+50"});
  ASSERT_TRUE(window.WaitReady());
  TActionObj open = Type("ab ");
  open.typeReturn = false;
  Play({open, Type("cd")});
  ASSERT_TRUE(window.WaitForLine("Line \"ab cd\""));
  EXPECT_EQ(window.LinesStarting("Line "), std::vector<std::string>{"Line \"ab cd\""});
}

TEST_F(X11PlayTest, TypedTextArrivesExactlyInAQtLineEdit) {
  TToolWindow edit("zorvel-test-qt-line-edit", {"--geometry", "400x60+100+400"});
  ASSERT_TRUE(edit.WaitReady());
  Play({Type(kText)});
  ASSERT_TRUE(edit.WaitForLine("return \"" + kText + "\""));
  EXPECT_EQ(edit.LinesStarting("return "), std::vector<std::string>{"return \"" + kText + "\""});
  EXPECT_EQ(edit.LinesStarting("changed ").back(), "changed \"" + kText + "\"");
}

TEST_F(X11PlayTest, RunStoppedMidChordLeavesNoKeyDown) {
  TToolWindow window("zorvel-test-xlog-window", {"--geometry", "300x200+50+50"});
  ASSERT_TRUE(window.WaitReady());
  auto screenBackend = std::make_unique<TFakeScreen>(1920, 1080);
  TFixedClock clock;
  std::mutex mutex;
  std::condition_variable ended;
  uint64_t endedRun = 0;
  TXMLDocument document;
  auto macro = std::make_shared<TActionCtrl>(document, ".");
  for (TActionObj action :
       {Key(0x11, KeyAction::KeyDown), Key(0x10, KeyAction::KeyDown), Key(0x41, KeyAction::KeyDown),
        Click(MouseButton::Left, MouseAction::ButtonDown, 60, 60), Delay(60000),
        Key(0x41, KeyAction::KeyUp), Key(0x10, KeyAction::KeyUp), Key(0x11, KeyAction::KeyUp)})
    macro->Actions.Add(std::make_shared<TActionObj>(action));
  TRunCtrl ctrl(*input, *screenBackend, clock, [&](uint64_t id) {
    std::lock_guard lock(mutex);
    endedRun = id;
    ended.notify_all();
  });
  ctrl.Start(macro);
  ASSERT_TRUE(window.WaitUntil("a button press",
                               [&] { return !window.LinesStarting("ButtonPress").empty(); }));
  EXPECT_FALSE(KeysDown(display_).empty());
  ctrl.Stop();
  {
    std::unique_lock lock(mutex);
    ASSERT_TRUE(ended.wait_for(lock, std::chrono::seconds(10), [&] { return endedRun == 1; }));
  }
  ctrl.RunFinished(1);
  // The window has the releases once the server has handled them.
  EXPECT_TRUE(window.WaitUntil("3 key releases and a button release", [&] {
    return window.LinesStarting("KeyRelease").size() == 3 &&
           window.LinesStarting("ButtonRelease").size() == 1;
  }));
  EXPECT_EQ(KeysDown(display_), std::vector<int>{});
  Window root = 0, child = 0;
  int rx = 0, ry = 0, wx = 0, wy = 0;
  unsigned mask = 0;
  XQueryPointer(display_, DefaultRootWindow(display_), &root, &child, &rx, &ry, &wx, &wy, &mask);
  EXPECT_EQ(mask & (Button1Mask | Button2Mask | Button3Mask), 0u);
}

TEST_F(X11PlayTest, CoordinatesBeyondTheScreenLandOnItsEdge) {
  const int right = DisplayWidth(display_, DefaultScreen(display_)) - 1;
  const int bottom = DisplayHeight(display_, DefaultScreen(display_)) - 1;
  const struct {
    int32_t x, y;
    TPoint expected;
  } cases[] = {
      {65541, 65541, {right, bottom}},  // would wrap round to (5, 5)
      {32768, 7, {right, 7}},           // would wrap round to (0, 7)
      {-3, -70000, {0, 0}},
      {INT32_MAX, INT32_MIN, {right, 0}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.x << "," << c.y);
    input->SetCursorPos(10, 10);
    Play({Click(MouseButton::Left, MouseAction::Wheel, c.x, c.y)});
    EXPECT_EQ(input->GetCursorPos(), c.expected);
    input->SetCursorPos(c.x, c.y);
    EXPECT_EQ(input->GetCursorPos(), c.expected);
  }
  // Relative and absolute moves stay on the screen too.
  input->SetCursorPos(right - 5, 5);
  input->mouse_event(MOUSEEVENTF_MOVE, 40000, -40000, 0);
  EXPECT_EQ(input->GetCursorPos(), (TPoint{right, 0}));
  input->mouse_event(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, 65535, 65535, 0);
  EXPECT_EQ(input->GetCursorPos(), (TPoint{right, bottom}));
}

}  // namespace
}  // namespace zorvel
