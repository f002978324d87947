// The Wayland input backend against headless sway and native clients: text, clicks, wheel,
// modifiers, and the focus rule.

#include <linux/input-event-codes.h>

#include <string>
#include <thread>

#include "platform/wayland/wayland_desktop.h"
#include "wayland_test_tools.h"

namespace zorvel {
namespace {

using namespace std::chrono_literals;
using test::StartPaintWindow;
using test::StartQtLineEdit;

TEST(WaylandInput, TextArrivesExactlyInQtLineEditTwentyTimes) {
  ZORVEL_REQUIRE_SWAY();
  auto edit = StartQtLineEdit({"--no-changes", "--clear-on-return"});
  auto input = CreateWaylandInput();
  const std::string texts[] = {"héllo wörld ✓ 漢字", "ASCII & <symbols> {[()]} ~`!@#$%^*_+=|\\",
                               "Ελληνικά Русский עברית", "emoji 😀🎉 and é̂", "tab\there"};
  std::vector<std::string> expected;
  for (int run = 0; run < 20; ++run) {
    const std::string& text = texts[run % std::size(texts)];
    ASSERT_TRUE(input->SendTextToFocus(text));
    expected.push_back("return \"" + (text == "tab\there" ? std::string("tabhere") : text) + "\"");
  }
  ASSERT_TRUE(edit->WaitUntil(
      "20 return lines", [&] { return edit->LinesStarting("return ").size() >= 20; }, 10s));
  EXPECT_EQ(edit->LinesStarting("return "), expected);
}

TEST(WaylandInput, TextArrivesAsCharactersInNativeWindow) {
  ZORVEL_REQUIRE_SWAY();
  auto window = StartPaintWindow();
  auto input = CreateWaylandInput();
  ASSERT_TRUE(input->SendTextToFocus("aÄ€𝄞"));
  ASSERT_TRUE(window->WaitForLine("key Return released mods=none"));
  EXPECT_EQ(window->LinesStarting("text "),
            (std::vector<std::string>{"text \"a\"", "text \"Ä\"", "text \"€\"", "text \"𝄞\""}));
}

TEST(WaylandInput, CancelledTextStopsAtAPieceAndLeavesOutReturn) {
  ZORVEL_REQUIRE_SWAY();
  auto window = StartPaintWindow();
  auto input = CreateWaylandInput();
  int asked = 0;
  ASSERT_TRUE(input->SendTextToFocus(std::string(600, 'q'), true, [&] { return ++asked == 2; }));
  ASSERT_TRUE(input->SendTextToFocus("z"));  // a mark after the cancelled text
  ASSERT_TRUE(window->WaitForLine("text \"z\""));
  EXPECT_EQ(asked, 2);
  EXPECT_EQ(window->LinesStarting("text \"q\"").size(), 512u);
  EXPECT_EQ(window->LinesStarting("key Return pressed").size(), 1u);  // the mark's only
}

TEST(WaylandInput, ClicksLandWhereSent) {
  ZORVEL_REQUIRE_SWAY();
  auto window = StartPaintWindow();
  auto input = CreateWaylandInput();
  const struct {
    int32_t x, y;
    uint32_t down, up;
    int button;
  } clicks[] = {{10, 20, MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP, BTN_LEFT},
                {1919, 1079, MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP, BTN_RIGHT},
                {960, 540, MOUSEEVENTF_MIDDLEDOWN, MOUSEEVENTF_MIDDLEUP, BTN_MIDDLE}};
  std::vector<std::string> expected;
  for (const auto& c : clicks) {
    input->SetCursorPos(c.x, c.y);
    input->mouse_event(c.down, 0, 0, 0);
    input->mouse_event(c.up, 0, 0, 0);
    const std::string at = " " + std::to_string(c.x) + " " + std::to_string(c.y);
    expected.push_back("button " + std::to_string(c.button) + " pressed" + at);
    expected.push_back("button " + std::to_string(c.button) + " released" + at);
    EXPECT_EQ(input->GetCursorPos(), (TPoint{c.x, c.y}));
  }
  // Absolute moves in 0..65535 and relative moves from there.
  input->mouse_event(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, 32768, 16384, 0);
  input->mouse_event(MOUSEEVENTF_MOVE, 5, -7, 0);
  input->mouse_event(MOUSEEVENTF_LEFTDOWN | MOUSEEVENTF_LEFTUP, 0, 0, 0);
  expected.push_back("button 272 pressed 965 263");
  expected.push_back("button 272 released 965 263");
  ASSERT_TRUE(window->WaitUntil("8 button lines",
                                [&] { return window->LinesStarting("button ").size() >= 8; }));
  EXPECT_EQ(window->LinesStarting("button "), expected);
  EXPECT_EQ(input->GetCursorPos(), (TPoint{965, 263}));
}

TEST(WaylandInput, CursorPositionIsWherePointerIsMovedByOthers) {
  ZORVEL_REQUIRE_SWAY();
  auto window = StartPaintWindow();
  auto input = CreateWaylandInput();
  auto other = CreateWaylandInput();  // another program moving the pointer
  for (const TPoint at : {TPoint{123, 456}, TPoint{1900, 20}, TPoint{0, 1079}}) {
    other->SetCursorPos(at.x, at.y);
    EXPECT_EQ(input->GetCursorPos(), at);
  }
  // Reading the position leaves the keyboard focus where it was and moves nothing.
  input->mouse_event(MOUSEEVENTF_LEFTDOWN | MOUSEEVENTF_LEFTUP, 0, 0, 0);
  ASSERT_TRUE(input->SendTextToFocus("k"));
  ASSERT_TRUE(window->WaitForLine("key Return released mods=none"));
  EXPECT_EQ(window->LinesStarting("button "),
            (std::vector<std::string>{"button 272 pressed 0 1079", "button 272 released 0 1079"}));
  EXPECT_EQ(window->LinesStarting("text "), (std::vector<std::string>{"text \"k\""}));
}

TEST(WaylandInput, WheelNotchesLandInBothDirections) {
  ZORVEL_REQUIRE_SWAY();
  auto window = StartPaintWindow();
  auto input = CreateWaylandInput();
  input->SetCursorPos(500, 500);
  input->mouse_event(MOUSEEVENTF_WHEEL, 0, 0, 240);   // two notches away from the user
  input->mouse_event(MOUSEEVENTF_WHEEL, 0, 0, -120);  // one towards
  input->mouse_event(MOUSEEVENTF_WHEEL, 0, 0, 30);    // less than a notch is one
  ASSERT_TRUE(window->WaitUntil("4 wheel lines",
                                [&] { return window->LinesStarting("wheel ").size() >= 4; }));
  EXPECT_EQ(window->LinesStarting("wheel "),
            (std::vector<std::string>{"wheel -1", "wheel -1", "wheel 1", "wheel -1"}));
}

TEST(WaylandInput, CtrlAArrivesWithControlAndShiftIsNotLeaked) {
  ZORVEL_REQUIRE_SWAY();
  auto window = StartPaintWindow();
  {
    auto input = CreateWaylandInput();
    input->keybd_event(VK_CONTROL, 0);
    input->keybd_event('A', 0);
    input->keybd_event('A', KEYEVENTF_KEYUP);
    input->keybd_event(VK_CONTROL, KEYEVENTF_KEYUP);
    // A macro holds Shift, types, and ends without letting go: the backend lets go when it ends.
    input->keybd_event(VK_SHIFT, 0);
    input->keybd_event('B', 0);
    input->keybd_event('B', KEYEVENTF_KEYUP);
    ASSERT_TRUE(input->SendTextToFocus("x"));
  }
  auto input = CreateWaylandInput();
  input->keybd_event('C', 0);
  input->keybd_event('C', KEYEVENTF_KEYUP);
  ASSERT_TRUE(window->WaitForLine("key c released mods=none"));
  const auto keys = window->LinesStarting("key ");
  const std::vector<std::string> expected = {
      "key Control_L pressed mods=none", "key a pressed mods=Control",
      "key a released mods=Control",     "key Control_L released mods=Control",
      "key Shift_L pressed mods=none",   "key B pressed mods=Shift",
      "key B released mods=Shift",       "key x pressed mods=none",
      "key x released mods=none",        "key Return pressed mods=none",
      "key Return released mods=none",   "key Shift_L released mods=Shift",
      "key c pressed mods=none",         "key c released mods=none"};
  EXPECT_EQ(keys, expected);
}

TEST(WaylandInput, NothingIsTypedWithoutAnActiveWindow) {
  ZORVEL_REQUIRE_SWAY();
  auto window = StartPaintWindow();
  auto input = CreateWaylandInput();
  test::Swaymsg("workspace zorvel-empty");
  ASSERT_TRUE(window->WaitForLine("leave"));
  EXPECT_FALSE(input->SendTextToFocus("nothing"));
  test::Swaymsg("workspace 1");
  ASSERT_TRUE(input->SendTextToFocus("z"));
  ASSERT_TRUE(window->WaitForLine("key Return released mods=none"));
  EXPECT_EQ(window->LinesStarting("text "), (std::vector<std::string>{"text \"z\""}));
}

}  // namespace
}  // namespace zorvel
