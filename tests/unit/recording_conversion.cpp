#include <gtest/gtest.h>

#include <vector>

#include "recording/recorder.h"

namespace zorvel {
namespace {

uint8_t Code(auto value) {
  return static_cast<uint8_t>(value);
}

EVENTMSG Event(uint32_t message, uint32_t paramL, uint32_t paramH, uint32_t time = 0) {
  return EVENTMSG{message, paramL, paramH, time, 0};
}

// The fields a conversion sets; everything else must keep the defaults of a new action.
struct Expected {
  ActionType type;
  MouseButton button = MouseButton::Left;
  MouseAction mouseAction = MouseAction::SingleClick;
  MousePoint point = MousePoint::CurrentPoint;
  KeyAction keyAction = KeyAction::KeyPress;
  int32_t key = 0;
  int32_t clickX = 0, clickY = 0, moveX = 0, moveY = 0;
};

void ExpectAction(const TActionObj& action, const Expected& expected) {
  EXPECT_EQ(action.actionType, Code(expected.type));
  EXPECT_EQ(action.mouseButton, Code(expected.button));
  EXPECT_EQ(action.mouseAction, Code(expected.mouseAction));
  EXPECT_EQ(action.mousePoint, Code(expected.point));
  EXPECT_EQ(action.keyAction, Code(expected.keyAction));
  EXPECT_EQ(action.key, expected.key);
  EXPECT_EQ(action.mouseClickPosX, expected.clickX);
  EXPECT_EQ(action.mouseClickPosY, expected.clickY);
  EXPECT_EQ(action.mouseMovePosX, expected.moveX);
  EXPECT_EQ(action.mouseMovePosY, expected.moveY);
  EXPECT_EQ(action.delay, 1000);
  EXPECT_EQ(action.fColor, "clBlack");
  EXPECT_EQ(action.typeText, "");
}

TEST(RecorderConversion, EveryMessageCodeGivesItsAction) {
  using A = ActionType;
  using B = MouseButton;
  using M = MouseAction;
  const auto fixed = MousePoint::FixedPoint;
  const auto current = MousePoint::CurrentPoint;
  const auto press = KeyAction::KeyPress;
  struct Case {
    uint32_t message;
    uint32_t paramL, paramH;
    Expected expected;
  };
  const std::vector<Case> cases = {
      {WM_KEYDOWN,
       0x41,
       7,
       {A::Keyboard, B::Left, M::SingleClick, current, KeyAction::KeyDown, 0x41}},
      {WM_KEYUP, 0x41, 7, {A::Keyboard, B::Left, M::SingleClick, current, KeyAction::KeyUp, 0x41}},
      {WM_SYSKEYDOWN,
       0x09,
       0,
       {A::Keyboard, B::Left, M::SingleClick, current, KeyAction::KeyDown, 9}},
      {WM_SYSKEYUP,
       0x12,
       0,
       {A::Keyboard, B::Left, M::SingleClick, current, KeyAction::KeyUp, 0x12}},
      // scan code 0x1E in bits 8..15 is ignored
      {WM_KEYDOWN,
       0x1E41,
       0,
       {A::Keyboard, B::Left, M::SingleClick, current, KeyAction::KeyDown, 65}},
      {WM_MOUSEMOVE,
       640,
       480,
       {A::MouseMove, B::Left, M::SingleClick, current, press, 0, 0, 0, 640, 480}},
      {WM_LBUTTONDOWN,
       100,
       200,
       {A::MouseClick, B::Left, M::ButtonDown, fixed, press, 0, 100, 200}},
      {WM_LBUTTONUP, 101, 201, {A::MouseClick, B::Left, M::ButtonUp, fixed, press, 0, 101, 201}},
      {WM_RBUTTONDOWN, 5, 6, {A::MouseClick, B::Right, M::ButtonDown, fixed, press, 0, 5, 6}},
      {WM_RBUTTONUP, 5, 6, {A::MouseClick, B::Right, M::ButtonUp, fixed, press, 0, 5, 6}},
      {WM_MBUTTONDOWN, 0, 0, {A::MouseClick, B::Middle, M::ButtonDown, fixed, press, 0, 0, 0}},
      {WM_MBUTTONUP,
       1919,
       1079,
       {A::MouseClick, B::Middle, M::ButtonUp, fixed, press, 0, 1919, 1079}},
      {WM_MOUSEWHEEL, 30, 40, {A::MouseClick, B::Middle, M::Wheel, fixed, press, 0, 30, 40}},
      // not in the table (side button, horizontal wheel, zero): a left click where the pointer is
      {0x020B, 30, 40, {A::MouseClick}},
      {0x020E, 30, 40, {A::MouseClick}},
      {0, 30, 40, {A::MouseClick}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message()
                 << "message 0x" << std::hex << c.message << " paramL 0x" << c.paramL);
    ExpectAction(*EventToAction(Event(c.message, c.paramL, c.paramH)), c.expected);
  }
}

TEST(RecorderConversion, MakeDelayActionKeepsTheOtherDefaults) {
  auto action = MakeDelayAction(-5);
  EXPECT_EQ(action->actionType, Code(ActionType::Delay));
  EXPECT_EQ(action->delay, -5);
  EXPECT_EQ(action->mousePoint, Code(MousePoint::CurrentPoint));
  EXPECT_EQ(action->keyAction, Code(KeyAction::KeyPress));
}

// Summary of a converted list: "L"/"K"/"M" etc. for inputs, the delay for Delay actions.
std::vector<std::string> Shape(const TActionList& actions) {
  std::vector<std::string> shape;
  for (const auto& action : actions) {
    if (action->actionType == Code(ActionType::Delay))
      shape.push_back("D" + std::to_string(action->delay));
    else if (action->actionType == Code(ActionType::MouseMove))
      shape.push_back("M" + std::to_string(action->mouseMovePosX));
    else if (action->actionType == Code(ActionType::Keyboard))
      shape.push_back("K" + std::to_string(action->key));
    else
      shape.push_back("C" + std::to_string(action->mouseClickPosX));
  }
  return shape;
}

TEST(RecorderConversion, EventsBecomeActionsWithDelaysBetween) {
  struct Case {
    const char* name;
    std::vector<EVENTMSG> events;
    std::vector<std::string> shape;
  };
  const uint32_t wrap = 0xFFFFFF00u;  // 256 ms before the tick counter wraps
  const std::vector<Case> cases = {
      {"none", {}, {}},
      {"one", {Event(WM_MOUSEMOVE, 3, 4, 77)}, {"M3"}},
      {"equal and later times",
       {Event(WM_MOUSEMOVE, 1, 0, 1000), Event(WM_KEYDOWN, 65, 0, 1000),
        Event(WM_LBUTTONDOWN, 9, 0, 1250)},
       {"M1", "D0", "K65", "D250", "C9"}},
      {"wrap of the counter",
       {Event(WM_KEYDOWN, 65, 0, wrap), Event(WM_KEYUP, 65, 0, 16)},
       {"K65", "D272", "K65"}},
      {"time running back",
       {Event(WM_KEYDOWN, 65, 0, 500), Event(WM_KEYUP, 65, 0, 400)},
       {"K65", "D-100", "K65"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TEventList events;
    for (const EVENTMSG& event : c.events) events.Add(event);
    TActionList actions;
    EventsToActions(events, actions);
    EXPECT_EQ(Shape(actions), c.shape);
    if (!c.events.empty()) {
      EXPECT_EQ(actions.Count(), 2 * c.events.size() - 1);
    }
  }
}

TEST(RecorderConversion, AppendsAfterWhatTheListHolds) {
  TActionList actions;
  auto existing = MakeDelayAction(42);
  actions.Add(existing);
  TEventList events;
  events.Add(Event(WM_KEYDOWN, 0x70, 0, 10));
  events.Add(Event(WM_KEYUP, 0x70, 0, 30));
  EventsToActions(events, actions);
  ASSERT_EQ(actions.Count(), 4u);
  EXPECT_EQ(actions.Get(0), existing);
  EXPECT_EQ(Shape(actions), (std::vector<std::string>{"D42", "K112", "D20", "K112"}));
}

TEST(RecorderConversion, TimeDifferenceIsTakenModulo2To32) {
  EXPECT_EQ(EventTimeDifference(0xFFFFFF00u, 16), 272);
  EXPECT_EQ(EventTimeDifference(0, 0xFFFFFFFFu), -1);
  EXPECT_EQ(EventTimeDifference(5, 0x80000004u), INT32_MAX);
}

}  // namespace
}  // namespace zorvel
