// The keys the user holds during a run: the start chord the run waits out, the user's modifiers
// let go of around each action, the stop hotkey seen while they are, and long texts cut short.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "../support/test_actions.h"
#include "playback/action_player.h"
#include "playback/key_chord.h"
#include "playback/run_thread.h"
#include "playback_test_support.h"

namespace zorvel {
namespace {

using Lines = std::vector<std::string>;
using Keys = std::vector<uint8_t>;
using test::Click;
using test::Delay;
using test::Key;
using test::Type;

constexpr uint8_t VK_F2 = 0x71, VK_F3 = 0x72;

struct ChordCase {
  const char* name;
  TKeyChord chord;
  Keys held;
  bool any;
  bool all;
};

TEST(KeyChord, MatchesHeldKeysOfEitherHand) {
  const TKeyChord ctrlF2 = TKeyChord::Hotkey(MOD_CONTROL, VK_F2);
  const std::vector<ChordCase> cases = {
      {"nothing held", ctrlF2, {}, false, false},
      {"left Ctrl only", ctrlF2, {VK_LCONTROL}, true, false},
      {"right Ctrl and the key", ctrlF2, {VK_RCONTROL, VK_F2}, true, true},
      {"the key with Shift instead", ctrlF2, {VK_LSHIFT, VK_F2}, true, false},
      {"other keys", ctrlF2, {VK_LSHIFT, VK_F3, 0x41}, false, false},
      {"every modifier",
       TKeyChord::Hotkey(MOD_CONTROL | MOD_SHIFT | MOD_ALT | MOD_WIN, VK_F3),
       {VK_RMENU, VK_RWIN, VK_LSHIFT, VK_LCONTROL, VK_F3},
       true,
       true},
      {"any key: one held", TKeyChord::AnyKey(), {0x41}, true, false},
      {"any key: none held", TKeyChord::AnyKey(), {}, false, false},
      {"empty chord", TKeyChord(), {VK_LCONTROL, VK_F2}, false, false},
  };
  for (const ChordCase& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(c.chord.AnyHeld(c.held), c.any);
    EXPECT_EQ(c.chord.AllHeld(c.held), c.all);
  }
}

TEST(ClampToScreen, CoordinatesLandOnTheNearestEdge) {
  const TSize screen{1280, 1024};
  const struct {
    int64_t x, y;
    TPoint expected;
  } cases[] = {
      {10, 20, {10, 20}},
      {65541, 65541, {1279, 1023}},
      {32768, 5, {1279, 5}},
      {-1, -70000, {0, 0}},
      {1279, 1023, {1279, 1023}},
      {1280, 1024, {1279, 1023}},
      {INT64_MIN, INT64_MAX, {0, 1023}},
  };
  for (const auto& c : cases) EXPECT_EQ(ClampToScreen(c.x, c.y, screen), c.expected);
  EXPECT_EQ(ClampToScreen(5, 5, TSize{0, 0}), (TPoint{0, 0}));
}

class UserKeysTest : public ::testing::Test {
 protected:
  UserKeysTest() : screen(16, 16, 0xFFFFFF), timer(input) {}

  Lines Run(std::vector<TActionObj> actions, TKeyChord startKeys, int32_t stopHotkey = -1) {
    TRunThread run(7, std::move(actions), TRunSettings{0, 1, 0, 0}, input, screen, timer, {});
    run.SetStartKeys(std::move(startKeys));
    run.SetStopHotkey(stopHotkey);
    current = &run;
    run.Execute();
    current = nullptr;
    stopped = run.StopRequested();
    return input.Transcript();
  }

  TFakeInput input;
  TFakeScreen screen;
  test::TNoteTimer timer;
  TRunThread* current = nullptr;
  bool stopped = false;
};

TEST_F(UserKeysTest, HotkeyStartWaitsUntilTheChordIsUp) {
  // Ctrl+F2 as a person presses it: F2 goes up after three polls, Ctrl after five.
  input.SetUserKey(VK_LCONTROL, true);
  input.SetUserKey(VK_F2, true);
  int polls = 0;
  timer.onWait = [&](int32_t) {
    ++polls;
    if (polls == 3) input.SetUserKey(VK_F2, false);
    if (polls == 5) input.SetUserKey(VK_LCONTROL, false);
  };
  const Lines lines = Run({Key(0x41)}, TKeyChord::Hotkey(MOD_CONTROL, VK_F2));
  EXPECT_EQ(lines, (Lines{"Sleep 5", "Sleep 5", "Sleep 5", "Sleep 5", "Sleep 5",
                          "keybd_event 0x41 down", "keybd_event 0x41 up"}));
}

TEST_F(UserKeysTest, KeysOutsideTheChordDoNotHoldTheStartBack) {
  input.SetUserKey(VK_LSHIFT, true);
  EXPECT_EQ(
      Run({Key(0x41)}, TKeyChord::Hotkey(MOD_CONTROL, VK_F2)),
      (Lines{"user 0xA0 up", "keybd_event 0x41 down", "keybd_event 0x41 up", "user 0xA0 down"}));
  // Without start keys the run does not look at the keyboard before it begins.
  input.ClearTranscript();
  const int queries = input.UserHeldQueries();
  Run({Delay(10)}, TKeyChord());
  EXPECT_EQ(input.UserHeldQueries(), queries);
}

TEST_F(UserKeysTest, AKeyThatStaysDownDelaysTheStartByTwoSecondsAtMost) {
  input.SetUserKey(0x41, true);
  const Lines lines = Run({Key(0x42)}, TKeyChord::AnyKey());
  ASSERT_EQ(lines.size(), 402u);
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "Sleep 5"), 400);
  EXPECT_EQ(lines.back(), "keybd_event 0x42 up");
}

TEST_F(UserKeysTest, AStopWhileWaitingEndsTheRunBeforeItsFirstAction) {
  input.SetUserKey(VK_F2, true);
  timer.onWait = [&](int32_t) { current->RequestStop(); };
  EXPECT_EQ(Run({Key(0x41)}, TKeyChord::Hotkey(MOD_CONTROL, VK_F2)), (Lines{"Sleep 5"}));
}

TEST_F(UserKeysTest, UsersModifiersAreLetGoOfAroundKeysClicksAndTexts) {
  input.SetUserKey(VK_RCONTROL, true);
  input.SetUserKey(VK_LSHIFT, true);
  input.SetUserKey(0x90, true);  // Num Lock: not a modifier, left alone
  const Lines around = {"user 0xA0 up", "user 0xA3 up"};
  const Lines after = {"user 0xA0 down", "user 0xA3 down"};
  auto wrapped = [&](Lines inner) {
    Lines lines = around;
    lines.insert(lines.end(), inner.begin(), inner.end());
    lines.insert(lines.end(), after.begin(), after.end());
    return lines;
  };
  const struct {
    const char* name;
    TActionObj action;
    Lines expected;
  } cases[] = {
      {"key press", Key(0x47), wrapped({"keybd_event 0x47 down", "keybd_event 0x47 up"})},
      {"click", Click(MouseButton::Left, MouseAction::SingleClick, 3, 4),
       wrapped({"SetCursorPos 3 4", "mouse_event 0x0002", "mouse_event 0x0004"})},
      {"text", Type("abc"), wrapped({"SendTextToFocus \"abc\""})},
      {"a move is not changed by modifiers",
       [] {
         TActionObj move;
         move.actionType = static_cast<uint8_t>(ActionType::MouseMove);
         move.mouseMovePosX = 1;
         move.mouseMovePosY = 2;
         return move;
       }(),
       Lines{"SetCursorPos 1 2"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    input.ClearTranscript();
    TActionPlayer player(input, screen);
    TActionObj action = c.action;
    player.PlayAction(action);
    EXPECT_EQ(input.Transcript(), c.expected);
    EXPECT_EQ(player.TakeUserModifiersPaused(), c.expected.size() > 1);
    EXPECT_FALSE(player.TakeUserModifiersPaused());
  }
}

TEST_F(UserKeysTest, TheStopHotkeyHeldWhileModifiersAreLetGoOfStopsTheRun) {
  // The user holds Ctrl; the action lets go of it, so the grab of Ctrl+F3 cannot see the F3.
  input.SetUserKey(VK_LCONTROL, true);
  input.SetOnCall([&](const std::string& line) {
    if (line == "keybd_event 0x41 down") input.SetUserKey(VK_F3, true);
  });
  Run({Key(0x41), Key(0x42)}, TKeyChord(), 2);
  EXPECT_TRUE(stopped);
  EXPECT_EQ(input.Transcript(), (Lines{"user 0xA2 up", "keybd_event 0x41 down",
                                       "keybd_event 0x41 up", "user 0xA2 down"}));
  // Another F-key, or the stop key without Ctrl, does not stop it.
  input.ClearTranscript();
  input.SetOnCall({});
  input.SetUserKey(VK_F3, false);
  input.SetUserKey(VK_F2, true);
  Run({Key(0x41), Key(0x42)}, TKeyChord(), 2);
  EXPECT_FALSE(stopped);
}

TEST_F(UserKeysTest, TheStopHotkeyHeldDuringALongWaitStopsTheRun) {
  timer.onWait = [&](int32_t) {
    if (input.Transcript().size() == 4) {
      input.SetUserKey(VK_LCONTROL, true);
      input.SetUserKey(VK_F3, true);
    }
  };
  EXPECT_EQ(Run({Delay(1000), Key(0x41)}, TKeyChord(), 2),
            (Lines{"Wait 25", "Wait 25", "Wait 25", "Wait 25"}));
  EXPECT_TRUE(stopped);
  // Without a stop hotkey the wait is one piece; the last piece is what is left.
  input.ClearTranscript();
  timer.onWait = {};
  EXPECT_EQ(Run({Delay(1000)}, TKeyChord()), (Lines{"Wait 1000"}));
  input.ClearTranscript();
  EXPECT_EQ(Run({Delay(110)}, TKeyChord(), 0),
            (Lines{"Wait 25", "Wait 25", "Wait 25", "Wait 25", "Wait 10"}));
}

TEST_F(UserKeysTest, ALongTextEndsAtThePieceWhereTheStopComes) {
  const std::string text(10 * TFakeInput::kTextPiece, 'x');
  input.SetOnCall([&](const std::string& line) {
    if (line == "SendTextToFocus piece 768") current->RequestStop();
  });
  const Lines lines = Run({Key(0x10, KeyAction::KeyDown), Type(text), Key(0x41)}, TKeyChord());
  EXPECT_EQ(lines,
            (Lines{"keybd_event 0x10 down", "SendTextToFocus piece 0", "SendTextToFocus piece 256",
                   "SendTextToFocus piece 512", "SendTextToFocus piece 768",
                   "SendTextToFocus cancelled at 1024", "keybd_event 0x10 up"}));
}

TEST_F(UserKeysTest, ALongTextEndsWhenTheUserHoldsTheStopHotkey) {
  const std::string text(4 * TFakeInput::kTextPiece, 'x');
  input.SetOnCall([&](const std::string& line) {
    if (line == "SendTextToFocus piece 256") {
      input.SetUserKey(VK_LCONTROL, true);
      input.SetUserKey(0x7B, true);  // F12
    }
  });
  const Lines lines = Run({Type(text)}, TKeyChord(), 11);
  EXPECT_TRUE(stopped);
  EXPECT_EQ(lines.back(), "SendTextToFocus cancelled at 512");
}

}  // namespace
}  // namespace zorvel
