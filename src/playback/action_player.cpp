#include "playback/action_player.h"

#include <algorithm>
#include <utility>

#include "common/error.h"
#include "model/action_text.h"
#include "picture/bitmap_data.h"
#include "picture/pixel_rows.h"
#include "playback/screen_search.h"

namespace zorvel {
namespace {

constexpr int32_t kWheelAmount = -30;

struct ButtonFlags {
  uint32_t down;
  uint32_t up;
};

ButtonFlags FlagsOf(uint8_t button) {
  switch (static_cast<MouseButton>(button)) {
    case MouseButton::Left:
      return {MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP};
    case MouseButton::Right:
      return {MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP};
    default:
      return {MOUSEEVENTF_MIDDLEDOWN, MOUSEEVENTF_MIDDLEUP};
  }
}

// The screen searches answer (-1, -1) for "not found".
std::optional<TPoint> Found(TPoint point) {
  if (point.x == -1) return std::nullopt;
  return point;
}

// "the colour clRed was not found on the screen within 0.5 s"
std::string MissText(const TActionObj& action) {
  std::string what = action.mousePoint == static_cast<uint8_t>(MousePoint::ColorBlock)
                         ? "the colour " + action.fColor
                         : "the picture";
  what += " was not found on the screen";
  if (action.waitTimeout > 0) what += " within " + SecondsText(action.waitTimeout) + " s";
  return what;
}

}  // namespace

bool LooksAtScreen(const TActionObj& action) {
  if (action.actionType != static_cast<uint8_t>(ActionType::MouseClick)) return false;
  const auto point = static_cast<MousePoint>(action.mousePoint);
  return point == MousePoint::ColorBlock || point == MousePoint::Picture;
}

bool LooksAtScreen(const std::vector<TActionObj>& actions) {
  return std::any_of(actions.begin(), actions.end(),
                     [](const TActionObj& action) { return LooksAtScreen(action); });
}

TActionPlayer::TUserModifierPause::TUserModifierPause(TActionPlayer& player)
    : input_(player.input_) {
  if (input_.SuspendUserModifiers()) player.userModifiersPaused_ = true;
}

TActionPlayer::TUserModifierPause::~TUserModifierPause() {
  input_.ResumeUserModifiers();
}

void TActionPlayer::PlayAction(TActionObj& action) {
  // What an action sent goes out when it ends, however it ends.
  struct TFlushAtEnd {
    IInput& input;
    ~TFlushAtEnd() { input.Flush(); }
  } flush{input_};
  switch (static_cast<ActionType>(action.actionType)) {
    case ActionType::MouseClick:
      PlayMouseClick(action);
      break;
    case ActionType::MouseMove:
      PlayMouseMove(action);
      break;
    case ActionType::Keyboard:
      PlayKeystroke(action);
      break;
    case ActionType::TypeText:
      PlayTypeText(action);
      break;
    default:
      break;
  }
}

std::optional<TPoint> TActionPlayer::LookFor(const TActionObj& action,
                                             const std::function<std::optional<TPoint>()>& search,
                                             TLook& look) {
  const int32_t timeout = wait_ ? action.waitTimeout : 0;
  const int64_t deadline = timeout > 0 ? wait_->NowMs() + timeout : 0;
  for (;;) {
    if (std::optional<TPoint> point = search()) {
      look = TLook::Found;
      return point;
    }
    const int64_t left = timeout > 0 ? deadline - wait_->NowMs() : 0;
    if (left <= 0) {
      look = TLook::NotFound;
      return std::nullopt;
    }
    if (!wait_->Pause(static_cast<int32_t>(std::min<int64_t>(left, kTargetRetryMs)))) {
      look = TLook::Stopped;
      return std::nullopt;
    }
  }
}

std::optional<TPoint> TActionPlayer::FindClickPoint(TActionObj& action, TLook& look) {
  look = TLook::Found;
  switch (static_cast<MousePoint>(action.mousePoint)) {
    case MousePoint::CurrentPoint:
      return input_.GetCursorPos();
    case MousePoint::FixedPoint:
      return TPoint{action.mouseClickPosX, action.mouseClickPosY};
    case MousePoint::ColorBlock:
      return LookFor(
          action,
          [&] {
            const TSize size = screen_.ScreenSize();
            return Found(FindColorOnScreen(screen_, action.fColor, 0, 0, size.width, size.height,
                                           action.fColorSimplar));
          },
          look);
    case MousePoint::Picture: {
      const auto picture = action.fBMP.empty() ? nullptr : action.GetBMPData();
      if (!action.fBMPError.empty())
        throw Error("The picture of a click cannot be used: " + action.fBMPError + ".");
      // An empty picture is never on the screen: no use waiting for it.
      if (!picture || picture->Empty()) {
        look = TLook::NotFound;
        return std::nullopt;
      }
      // Converted once into the screen's layout, however often the click looks.
      const TFramePicture framePicture(*picture);
      return LookFor(
          action,
          [&] {
            const TSize size = screen_.ScreenSize();
            return Found(FindPictureOnScreen(screen_, framePicture, 0, 0, size.width, size.height,
                                             action.fBMPSimplar));
          },
          look);
    }
  }
  look = TLook::NotFound;
  return std::nullopt;
}

void TActionPlayer::PlayMouseClick(TActionObj& action) {
  TLook look = TLook::Found;
  const std::optional<TPoint> point = FindClickPoint(action, look);
  if (!point) {
    if (look != TLook::NotFound) return;  // a stop request ended the wait
    if (action.notFound == NotFoundChoice::Stop) throw Error(MissText(action));
    miss_ = MissText(action);
    return;
  }
  const TUserModifierPause pause(*this);
  input_.SetCursorPos(point->x, point->y);
  const ButtonFlags button = FlagsOf(action.mouseButton);
  switch (static_cast<MouseAction>(action.mouseAction)) {
    case MouseAction::SingleClick:
      SendButton(button.down, button.up);
      SendButton(button.up, button.up);
      break;
    case MouseAction::DoubleClick:
      for (int i = 0; i < 2; ++i) {
        SendButton(button.down, button.up);
        SendButton(button.up, button.up);
      }
      break;
    case MouseAction::ButtonDown:
      SendButton(button.down, button.up);
      break;
    case MouseAction::ButtonUp:
      SendButton(button.up, button.up);
      break;
    case MouseAction::Wheel:
      input_.mouse_event(MOUSEEVENTF_WHEEL, 0, 0, kWheelAmount);
      break;
  }
}

void TActionPlayer::PlayMouseMove(const TActionObj& action) {
  input_.SetCursorPos(action.mouseMovePosX, action.mouseMovePosY);
}

void TActionPlayer::PlayKeystroke(const TActionObj& action) {
  const auto vk = static_cast<uint8_t>(action.key & 0xFF);
  const TUserModifierPause pause(*this);
  switch (static_cast<KeyAction>(action.keyAction)) {
    case KeyAction::KeyDown:
      SendKey(vk, false);
      break;
    case KeyAction::KeyUp:
      SendKey(vk, true);
      break;
    case KeyAction::KeyPress:
      SendKey(vk, false);
      SendKey(vk, true);
      break;
  }
}

void TActionPlayer::PlayTypeText(const TActionObj& action) {
  const TUserModifierPause pause(*this);
  if (!input_.SendTextToFocus(action.typeText, action.typeReturn, cancelled_))
    throw Error("No window has the keyboard focus, so the text could not be typed.");
}

void TActionPlayer::SendButton(uint32_t flags, uint32_t upFlags) {
  input_.mouse_event(flags, 0, 0, 0);
  if (flags == upFlags)
    Unhold({false, upFlags});
  else
    Hold({false, upFlags});
}

void TActionPlayer::SendKey(uint8_t vk, bool up) {
  input_.keybd_event(vk, up ? KEYEVENTF_KEYUP : 0);
  if (up)
    Unhold({true, vk});
  else
    Hold({true, vk});
}

void TActionPlayer::Hold(Held held) {
  if (std::find(held_.begin(), held_.end(), held) == held_.end()) held_.push_back(held);
}

void TActionPlayer::Unhold(Held held) {
  std::erase(held_, held);
}

std::optional<std::string> TActionPlayer::TakeMiss() {
  return std::exchange(miss_, std::nullopt);
}

void TActionPlayer::ReleaseHeld() {
  while (!held_.empty()) {
    const Held held = held_.back();
    held_.pop_back();
    if (held.isKey)
      input_.keybd_event(static_cast<uint8_t>(held.code), KEYEVENTF_KEYUP);
    else
      input_.mouse_event(held.code, 0, 0, 0);
  }
  input_.FlushAndWait();
}

}  // namespace zorvel
