#pragma once

// Single macro actions as the tests and benchmarks build them; fields not named keep the defaults
// of a new action. Header-only: the unit tests and benchmarks use it without the test support
// library.

#include <cstdint>
#include <string>

#include "model/action.h"

namespace zorvel::test {

inline TActionObj Key(int32_t vk, KeyAction what = KeyAction::KeyPress) {
  TActionObj action;
  action.actionType = static_cast<uint8_t>(ActionType::Keyboard);
  action.key = vk;
  action.keyAction = static_cast<uint8_t>(what);
  return action;
}

inline TActionObj Delay(int32_t ms) {
  TActionObj action;
  action.actionType = static_cast<uint8_t>(ActionType::Delay);
  action.delay = ms;
  return action;
}

inline TActionObj Type(const std::string& text) {
  TActionObj action;
  action.actionType = static_cast<uint8_t>(ActionType::TypeText);
  action.typeText = text;
  return action;
}

inline TActionObj Click(MouseButton button, MouseAction what, MousePoint where) {
  TActionObj action;
  action.actionType = static_cast<uint8_t>(ActionType::MouseClick);
  action.mouseButton = static_cast<uint8_t>(button);
  action.mouseAction = static_cast<uint8_t>(what);
  action.mousePoint = static_cast<uint8_t>(where);
  return action;
}

// A click at the fixed screen point (x, y).
inline TActionObj Click(MouseButton button, MouseAction what, int32_t x, int32_t y) {
  TActionObj action = Click(button, what, MousePoint::FixedPoint);
  action.mouseClickPosX = x;
  action.mouseClickPosY = y;
  return action;
}

// A short text of the kind and main fields of an action, for comparing recordings: "key 66/0"
// (key down of B), "click 0/2 10,20" (left button down at 10,20), "move 10,20", and "delay" for
// every other kind.
inline std::string ActionKind(const TActionObj& action) {
  switch (static_cast<ActionType>(action.actionType)) {
    case ActionType::MouseMove:
      return "move " + std::to_string(action.mouseMovePosX) + "," +
             std::to_string(action.mouseMovePosY);
    case ActionType::MouseClick:
      return "click " + std::to_string(action.mouseButton) + "/" +
             std::to_string(action.mouseAction) + " " + std::to_string(action.mouseClickPosX) +
             "," + std::to_string(action.mouseClickPosY);
    case ActionType::Keyboard:
      return "key " + std::to_string(action.key) + "/" + std::to_string(action.keyAction);
    default:
      return "delay";
  }
}

}  // namespace zorvel::test
