#include "model/action_text.h"

#include <array>

#include "platform/platform.h"

namespace zorvel {
namespace {

std::string KindText(uint8_t actionType) {
  static const std::array<const char*, 5> kKinds{"Mouse Click", "Mouse Move", "Keyboard",
                                                 "Type Text", "Delay"};
  return actionType < kKinds.size() ? kKinds[actionType] : "unknown";
}

std::string ButtonPart(uint8_t button) {
  static const std::array<const char*, 3> kButtons{"Left Button", "Right Button", "Middle Button"};
  return button < kButtons.size() ? kButtons[button] : "unknown";
}

std::string ClickPart(uint8_t mouseAction) {
  static const std::array<const char*, 5> kClicks{" Single Click", " Double Click", " Button Down",
                                                  " Button Up", " Button Wheel"};
  return mouseAction < kClicks.size() ? kClicks[mouseAction] : "";
}

std::string PointPart(const TActionObj& a) {
  switch (static_cast<MousePoint>(a.mousePoint)) {
    case MousePoint::CurrentPoint:
      return " on mouse current point";
    case MousePoint::FixedPoint:
      return " on fixed point:(" + std::to_string(a.mouseClickPosX) + " : " +
             std::to_string(a.mouseClickPosY) + ")";
    case MousePoint::ColorBlock:
      return " on the Color: " + a.fColor;
    case MousePoint::Picture:
      return " on the Picture";
  }
  return "";
}

// ", wait 5 s, else stop" for a click that waits for its target or stops the run without it.
std::string WaitPart(const TActionObj& a) {
  const auto point = static_cast<MousePoint>(a.mousePoint);
  if (point != MousePoint::ColorBlock && point != MousePoint::Picture) return "";
  std::string text;
  if (a.waitTimeout > 0) text += ", wait " + SecondsText(a.waitTimeout) + " s";
  if (a.notFound == NotFoundChoice::Stop) text += ", else stop";
  return text;
}

std::string KeyPart(uint8_t keyAction) {
  static const std::array<const char*, 3> kKeyActions{" Down", " Up", " Press"};
  return keyAction < kKeyActions.size() ? kKeyActions[keyAction] : "";
}

std::string Description(const TActionObj& a) {
  switch (static_cast<ActionType>(a.actionType)) {
    case ActionType::MouseClick:
      return ButtonPart(a.mouseButton) + ClickPart(a.mouseAction) + PointPart(a) + WaitPart(a);
    case ActionType::MouseMove:
      return "Mouse Move to (" + std::to_string(a.mouseMovePosX) + " : " +
             std::to_string(a.mouseMovePosY) + ")";
    case ActionType::Keyboard:
      return "Key :(" + KeyName(a.key) + ")" + KeyPart(a.keyAction);
    case ActionType::TypeText:
      return (a.typeReturn ? "TypeText:" : "TypeText (no Return):") + a.typeText;
    case ActionType::Delay:
      return "Delay " + std::to_string(a.delay) + " ms";
  }
  return "unknown";
}

// Names of the codes that are neither digits, letters, keypad digits nor function keys.
const char* NamedKey(int code) {
  switch (code) {
    case 0x01:
      return "[LButton]";
    case 0x02:
      return "[RButton]";
    case 0x03:
      return "[Cancel]";
    case 0x04:
      return "[MButton]";
    case 0x08:
      return "[BackSpace]";
    case 0x09:
      return "[Tab]";
    case 0x0C:
      return "[Clear]";
    case 0x0D:
      return "[Enter]";
    case 0x10:
      return "[Shift]";
    case 0x11:
      return "[Ctrl]";
    case 0x12:
      return "[Alt]";
    case 0x13:
      return "[Pause]";
    case 0x14:
      return "[Capital]";
    case 0x1B:
      return "[Escape]";
    case 0x20:
      return "[Space]";
    case 0x21:
      return "[Page Up]";
    case 0x22:
      return "[Page Down]";
    case 0x23:
      return "[End]";
    case 0x24:
      return "[Home]";
    case 0x25:
      return "[Left]";
    case 0x26:
      return "[Up]";
    case 0x27:
      return "[Right]";
    case 0x28:
      return "[Down]";
    case 0x29:
      return "[Select]";
    case 0x2B:
      return "[Execute]";
    case 0x2C:
      return "[Print Screen]";
    case 0x2D:
      return "[Insert]";
    case 0x2E:
      return "[Delete]";
    case 0x6A:
      return "Num[*]";
    case 0x6B:
      return "Num[+]";
    case 0x6D:
      return "Num[-]";
    case 0x6E:
      return "Num[.]";
    case 0x6F:
      return "Num[/]";
    case 0x90:
      return "[Num Lock]";
    case 0x91:
      return "[Scroll Lock]";
    case 0xBA:
      return ";";
    case 0xBB:
      return "=";
    case 0xBC:
      return ",";
    case 0xBD:
      return "-";
    case 0xBE:
      return ".";
    case 0xBF:
      return "/";
    case 0xC0:
      return "`";
    case 0xDB:
      return "[";
    case 0xDC:
      return "\\";
    case 0xDD:
      return "]";
    case 0xDE:
      return "'";
    default:
      return "";
  }
}

}  // namespace

std::string ActionText(const TActionObj& action, const std::string& columnCaption) {
  if (columnCaption == "Type") return KindText(action.actionType);
  if (columnCaption == "Action") return Description(action);
  return "unknown";
}

std::string SecondsText(int32_t ms) {
  const int64_t value = ms;
  std::string text = std::to_string(value / 1000);
  int64_t fraction = (value < 0 ? -value : value) % 1000;
  if (value < 0 && value > -1000) text = "-" + text;
  if (fraction == 0) return text;
  std::string decimals = std::to_string(fraction + 1000).substr(1);
  while (decimals.back() == '0') decimals.pop_back();
  return text + "." + decimals;
}

std::string KeyName(int code) {
  if (code >= '0' && code <= '9') return std::string(1, static_cast<char>(code));
  if (code >= 'A' && code <= 'Z') return std::string(1, static_cast<char>(code));
  if (code >= 0x60 && code <= 0x69)
    return std::string("Num[").append(std::to_string(code - 0x60)) + "]";
  if (IsFKeyVk(static_cast<uint32_t>(code)))
    return std::string("F").append(std::to_string(FKeyIndex(code) + 1));
  return NamedKey(code);
}

}  // namespace zorvel
