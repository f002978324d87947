#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "../support/test_actions.h"
#include "../support/test_bmp.h"
#include "common/error.h"
#include "model/base64.h"
#include "playback/action_player.h"
#include "playback_test_support.h"

namespace zorvel {
namespace {

using Lines = std::vector<std::string>;

using test::Click;
using test::SolidBmp;

class ActionPlayerTest : public ::testing::Test {
 protected:
  ActionPlayerTest() : screen(100, 50, 0xFFFFFF) {
    input.SetCursor({7, 9});
    for (int y = 20; y < 23; ++y)
      for (int x = 10; x < 13; ++x) screen.SetPixel(x, y, 0xFF0000);  // a red 3x3 block
    screen.SetPixel(60, 5, 0x123456);
  }
  Lines Play(TActionObj action) {
    TActionPlayer player(input, screen);
    player.PlayAction(action);
    return input.Transcript();
  }

  TFakeInput input;
  TFakeScreen screen;
};

struct ClickCase {
  const char* name;
  TActionObj action;
  Lines expected;
};

TActionObj Fixed(MouseButton button, MouseAction what) {
  TActionObj action = Click(button, what, MousePoint::FixedPoint);
  action.mouseClickPosX = 640;
  action.mouseClickPosY = 480;
  return action;
}

TActionObj WithColor(std::string color) {
  TActionObj action = Click(MouseButton::Left, MouseAction::SingleClick, MousePoint::ColorBlock);
  action.fColor = std::move(color);
  return action;
}

TActionObj WithPicture(std::string base64) {
  TActionObj action = Click(MouseButton::Left, MouseAction::SingleClick, MousePoint::Picture);
  action.fBMP = std::move(base64);
  return action;
}

TEST_F(ActionPlayerTest, MouseClicksSendTheirEventsInOrder) {
  const std::string redBlock = EncodeBase64Stream(SolidBmp(3, 3, 0x0000FF));
  const std::string greenBlock = EncodeBase64Stream(SolidBmp(3, 3, 0x00FF00));
  TActionObj oddButton = Fixed(MouseButton::Left, MouseAction::SingleClick);
  oddButton.mouseButton = 9;
  TActionObj oddAction = Fixed(MouseButton::Left, MouseAction::SingleClick);
  oddAction.mouseAction = 9;
  TActionObj oddPoint = Fixed(MouseButton::Left, MouseAction::SingleClick);
  oddPoint.mousePoint = 9;
  const std::vector<ClickCase> cases = {
      {"single at the pointer",
       Click(MouseButton::Left, MouseAction::SingleClick, MousePoint::CurrentPoint),
       {"SetCursorPos 7 9", "mouse_event 0x0002", "mouse_event 0x0004"}},
      {"single left fixed",
       Fixed(MouseButton::Left, MouseAction::SingleClick),
       {"SetCursorPos 640 480", "mouse_event 0x0002", "mouse_event 0x0004"}},
      {"double right",
       Fixed(MouseButton::Right, MouseAction::DoubleClick),
       {"SetCursorPos 640 480", "mouse_event 0x0008", "mouse_event 0x0010", "mouse_event 0x0008",
        "mouse_event 0x0010"}},
      {"middle down",
       Fixed(MouseButton::Middle, MouseAction::ButtonDown),
       {"SetCursorPos 640 480", "mouse_event 0x0020"}},
      {"middle up",
       Fixed(MouseButton::Middle, MouseAction::ButtonUp),
       {"SetCursorPos 640 480", "mouse_event 0x0040"}},
      {"any other button is the middle one",
       oddButton,
       {"SetCursorPos 640 480", "mouse_event 0x0020", "mouse_event 0x0040"}},
      {"wheel with the right button",
       Fixed(MouseButton::Right, MouseAction::Wheel),
       {"SetCursorPos 640 480", "mouse_event 0x0800 0 0 -30"}},
      {"unknown mouse action moves only", oddAction, {"SetCursorPos 640 480"}},
      {"unknown point does nothing", oddPoint, {}},
      {"colour found",
       WithColor("clRed"),
       {"SetCursorPos 10 20", "mouse_event 0x0002", "mouse_event 0x0004"}},
      {"colour in dollar form",
       WithColor("$00563412"),
       {"SetCursorPos 60 5", "mouse_event 0x0002", "mouse_event 0x0004"}},
      {"colour not on the screen", WithColor("clLime"), {}},
      {"picture found at its centre",
       WithPicture(redBlock),
       {"SetCursorPos 11 21", "mouse_event 0x0002", "mouse_event 0x0004"}},
      {"picture not on the screen", WithPicture(greenBlock), {}},
      {"no picture", WithPicture(""), {}},
  };
  for (const ClickCase& c : cases) {
    SCOPED_TRACE(c.name);
    input.ClearTranscript();
    EXPECT_EQ(Play(c.action), c.expected);
  }
}

TEST_F(ActionPlayerTest, SearchesReadTheScreenAtEachClick) {
  TActionObj action = WithColor("clRed");
  Play(action);
  Play(action);
  EXPECT_EQ(screen.CaptureCount(), 2);
}

TEST_F(ActionPlayerTest, PictureIsDecodedOnceAndKeptWithTheAction) {
  TActionObj action = WithPicture(EncodeBase64Stream(SolidBmp(3, 3, 0x0000FF)));
  TActionPlayer player(input, screen);
  player.PlayAction(action);
  const auto first = action.fBMPData;
  ASSERT_TRUE(first);
  player.PlayAction(action);
  EXPECT_EQ(action.fBMPData, first);
}

TEST_F(ActionPlayerTest, BadColourAndBadPictureAreErrors) {
  TActionPlayer player(input, screen);
  TActionObj badColor = WithColor("notAColour");
  EXPECT_THROW(player.PlayAction(badColor), Error);
  TActionObj badPicture = WithPicture("abc");
  EXPECT_THROW(player.PlayAction(badPicture), Error);
  std::vector<uint8_t> eightBit = SolidBmp(3, 3, 0x0000FF);
  eightBit[28] = 8;
  TActionObj undecodable = WithPicture(EncodeBase64Stream(eightBit));
  try {
    player.PlayAction(undecodable);
    ADD_FAILURE() << "an 8-bit picture was played";
  } catch (const Error& error) {
    EXPECT_NE(std::string(error.what()).find("8 bits per pixel"), std::string::npos)
        << error.what();
  }
  EXPECT_THROW(player.PlayAction(undecodable), Error);  // the cached failure is an error again
  TActionObj noBmp = WithPicture("AAAAAAAA");
  EXPECT_THROW(player.PlayAction(noBmp), Error);
  EXPECT_EQ(input.Transcript(), Lines{});
}

TEST_F(ActionPlayerTest, AMissIsQuietAFailedCaptureIsNot) {
  TActionPlayer player(input, screen);
  TActionObj notThere = WithPicture(EncodeBase64Stream(SolidBmp(2, 2, 0x00FF00)));
  TActionObj emptyPicture = WithPicture(EncodeBase64Stream(SolidBmp(0, 0, 0)));
  TActionObj noColour = WithColor("clLime");
  for (TActionObj* action : {&notThere, &emptyPicture, &noColour})
    EXPECT_NO_THROW(player.PlayAction(*action));
  EXPECT_EQ(input.Transcript(), Lines{});

  screen.SetCaptureFails(true);
  TActionObj red = WithPicture(EncodeBase64Stream(SolidBmp(3, 3, 0x0000FF)));
  TActionObj redColour = WithColor("clRed");
  EXPECT_THROW(player.PlayAction(red), Error);
  EXPECT_THROW(player.PlayAction(redColour), Error);
  EXPECT_EQ(input.Transcript(), Lines{});
}

struct KeyCase {
  const char* name;
  int32_t key;
  uint8_t keyAction;
  Lines expected;
};

TEST_F(ActionPlayerTest, KeystrokesSendTheLowByteOfTheKey) {
  const std::vector<KeyCase> cases = {
      {"press", 0x41, 2, {"keybd_event 0x41 down", "keybd_event 0x41 up"}},
      {"only the low 8 bits", 0x141, 2, {"keybd_event 0x41 down", "keybd_event 0x41 up"}},
      {"down", 0x10, 0, {"keybd_event 0x10 down"}},
      {"up", 0x10, 1, {"keybd_event 0x10 up"}},
      {"unknown key action", 0x41, 3, {}},
  };
  for (const KeyCase& c : cases) {
    SCOPED_TRACE(c.name);
    input.ClearTranscript();
    TActionObj action;
    action.actionType = static_cast<uint8_t>(ActionType::Keyboard);
    action.key = c.key;
    action.keyAction = c.keyAction;
    EXPECT_EQ(Play(action), c.expected);
  }
}

TEST_F(ActionPlayerTest, MoveTypeDelayAndUnknownKinds) {
  TActionObj move;
  move.actionType = static_cast<uint8_t>(ActionType::MouseMove);
  move.mouseMovePosX = 10;
  move.mouseMovePosY = -5;
  EXPECT_EQ(Play(move), (Lines{"SetCursorPos 10 -5"}));

  input.ClearTranscript();
  const TActionObj type = test::Type("ab");
  EXPECT_EQ(Play(type), (Lines{"SendTextToFocus \"ab\""}));

  input.ClearTranscript();
  input.SetFocus(false);
  TActionPlayer player(input, screen);
  TActionObj typeNowhere = type;
  EXPECT_THROW(player.PlayAction(typeNowhere), Error);
  EXPECT_EQ(input.Transcript(), (Lines{"SendTextToFocus \"ab\" (no focus)"}));

  input.ClearTranscript();
  input.SetFocus(true);
  TActionObj typeOnly = type;
  typeOnly.typeReturn = false;
  EXPECT_EQ(Play(typeOnly), (Lines{"SendTextToFocus \"ab\" (no Return)"}));

  for (uint8_t kind : {uint8_t{4}, uint8_t{7}, uint8_t{255}}) {
    input.ClearTranscript();
    TActionObj other;
    other.actionType = kind;
    EXPECT_EQ(Play(other), Lines{}) << int{kind};
  }
}

TEST_F(ActionPlayerTest, ReleasesWhatItHoldsLastPressedFirst) {
  TActionPlayer player(input, screen);
  std::vector<TActionObj> actions = {
      test::Key(0x11, KeyAction::KeyDown),
      test::Key(0x10, KeyAction::KeyDown),
      test::Key(0x41, KeyAction::KeyDown),
      test::Key(0x41, KeyAction::KeyDown),   // held once
      test::Key(0x42, KeyAction::KeyPress),  // released already
      Fixed(MouseButton::Right, MouseAction::ButtonDown),
      test::Key(0x10, KeyAction::KeyUp),  // no longer held
  };
  for (TActionObj& action : actions) player.PlayAction(action);
  EXPECT_TRUE(player.HoldsInput());
  input.ClearTranscript();
  player.ReleaseHeld();
  EXPECT_EQ(input.Transcript(),
            (Lines{"mouse_event 0x0010", "keybd_event 0x41 up", "keybd_event 0x11 up"}));
  EXPECT_FALSE(player.HoldsInput());
  input.ClearTranscript();
  player.ReleaseHeld();
  EXPECT_EQ(input.Transcript(), Lines{});
}

// Events may wait in the input's buffer until a flush: each action sends all of its own events
// with one flush before the run goes on (or waits), and the releases at the end go out too.
TEST_F(ActionPlayerTest, EachActionIsSentWithOneFlush) {
  TActionPlayer player(input, screen);
  std::vector<TActionObj> actions = {
      Fixed(MouseButton::Left, MouseAction::DoubleClick),
      WithColor("clRed"),
      test::Key(0x41, KeyAction::KeyPress),
      test::Type("ab"),
      Fixed(MouseButton::Left, MouseAction::ButtonDown),
      test::Key(0x10, KeyAction::KeyDown),
  };
  for (size_t i = 0; i < actions.size(); ++i) {
    player.PlayAction(actions[i]);
    EXPECT_EQ(input.Unflushed(), 0u) << "action " << i;
    EXPECT_EQ(input.Flushes(), i + 1) << "action " << i;
  }
  player.ReleaseHeld();
  EXPECT_EQ(input.Unflushed(), 0u);
  EXPECT_EQ(input.Transcript().back(), "mouse_event 0x0004");
}

}  // namespace
}  // namespace zorvel
