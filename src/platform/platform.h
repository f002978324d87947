#pragma once

// The desktop as the core sees it. The vocabulary is that of the desktop the program was first
// written for (virtual-key codes, mouse_event flags, input message codes, 0x00BBGGRR colours,
// pixels from the top-left of the primary screen); each backend translates it to its own system.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace zorvel {

struct TPoint {
  int32_t x = 0;
  int32_t y = 0;
  bool operator==(const TPoint&) const = default;
};

struct TSize {
  int32_t width = 0;
  int32_t height = 0;
  bool operator==(const TSize&) const = default;
};

// The screen pixel nearest to (x, y): coordinates beyond an edge land on it.
constexpr TPoint ClampToScreen(int64_t x, int64_t y, TSize screen) {
  auto clamp = [](int64_t value, int32_t size) {
    const int64_t last = size > 0 ? size - 1 : 0;
    return static_cast<int32_t>(value < 0 ? 0 : value > last ? last : value);
  };
  return {clamp(x, screen.width), clamp(y, screen.height)};
}

// mouse_event flags
inline constexpr uint32_t MOUSEEVENTF_MOVE = 0x0001;
inline constexpr uint32_t MOUSEEVENTF_LEFTDOWN = 0x0002;
inline constexpr uint32_t MOUSEEVENTF_LEFTUP = 0x0004;
inline constexpr uint32_t MOUSEEVENTF_RIGHTDOWN = 0x0008;
inline constexpr uint32_t MOUSEEVENTF_RIGHTUP = 0x0010;
inline constexpr uint32_t MOUSEEVENTF_MIDDLEDOWN = 0x0020;
inline constexpr uint32_t MOUSEEVENTF_MIDDLEUP = 0x0040;
inline constexpr uint32_t MOUSEEVENTF_WHEEL = 0x0800;
inline constexpr uint32_t MOUSEEVENTF_ABSOLUTE = 0x8000;

// keybd_event flags
inline constexpr uint32_t KEYEVENTF_KEYUP = 0x0002;

// Input message codes of a recorded event
inline constexpr uint32_t WM_KEYDOWN = 0x0100;
inline constexpr uint32_t WM_KEYUP = 0x0101;
inline constexpr uint32_t WM_SYSKEYDOWN = 0x0104;
inline constexpr uint32_t WM_SYSKEYUP = 0x0105;
inline constexpr uint32_t WM_MOUSEMOVE = 0x0200;
inline constexpr uint32_t WM_LBUTTONDOWN = 0x0201;
inline constexpr uint32_t WM_LBUTTONUP = 0x0202;
inline constexpr uint32_t WM_RBUTTONDOWN = 0x0204;
inline constexpr uint32_t WM_RBUTTONUP = 0x0205;
inline constexpr uint32_t WM_MBUTTONDOWN = 0x0207;
inline constexpr uint32_t WM_MBUTTONUP = 0x0208;
inline constexpr uint32_t WM_MOUSEWHEEL = 0x020A;

// Hotkey modifiers
inline constexpr uint32_t MOD_ALT = 0x0001;
inline constexpr uint32_t MOD_CONTROL = 0x0002;
inline constexpr uint32_t MOD_SHIFT = 0x0004;
inline constexpr uint32_t MOD_WIN = 0x0008;
// The hotkey also counts when further modifiers (Shift, Alt, Ctrl, Win) are held with it.
inline constexpr uint32_t MOD_ANYEXTRA = 0x8000;

// A few virtual-key codes the program names itself
inline constexpr uint8_t VK_RETURN = 0x0D;
inline constexpr uint8_t VK_SHIFT = 0x10;
inline constexpr uint8_t VK_CONTROL = 0x11;
inline constexpr uint8_t VK_MENU = 0x12;
inline constexpr uint8_t VK_F1 = 0x70;
inline constexpr uint8_t VK_LWIN = 0x5B;
inline constexpr uint8_t VK_RWIN = 0x5C;
inline constexpr uint8_t VK_LSHIFT = 0xA0;
inline constexpr uint8_t VK_RSHIFT = 0xA1;
inline constexpr uint8_t VK_LCONTROL = 0xA2;
inline constexpr uint8_t VK_RCONTROL = 0xA3;
inline constexpr uint8_t VK_LMENU = 0xA4;
inline constexpr uint8_t VK_RMENU = 0xA5;

// The code that stands for both hands of a modifier (VK_LSHIFT and VK_RSHIFT give VK_SHIFT);
// other codes are returned as they are.
constexpr uint8_t GenericVk(uint8_t vk) {
  switch (vk) {
    case VK_LSHIFT:
    case VK_RSHIFT:
      return VK_SHIFT;
    case VK_LCONTROL:
    case VK_RCONTROL:
      return VK_CONTROL;
    case VK_LMENU:
    case VK_RMENU:
      return VK_MENU;
    case VK_RWIN:
      return VK_LWIN;
    default:
      return vk;
  }
}
// Whether two codes are the same key, a modifier of either hand being the same as the generic one.
constexpr bool SameKey(uint8_t a, uint8_t b) {
  return GenericVk(a) == GenericVk(b);
}
// Shift, Ctrl, Alt or Win, of either hand.
constexpr bool IsModifierVk(uint8_t vk) {
  const uint8_t generic = GenericVk(vk);
  return generic == VK_SHIFT || generic == VK_CONTROL || generic == VK_MENU || generic == VK_LWIN;
}

// Hotkeys are stored as an F-key index: 0 ... 11 for F1 ... F12.
inline constexpr int kFKeyCount = 12;
constexpr bool IsFKeyIndex(int32_t index) {
  return index >= 0 && index < kFKeyCount;
}
constexpr bool IsFKeyVk(uint32_t vk) {
  return vk >= VK_F1 && vk < VK_F1 + static_cast<uint32_t>(kFKeyCount);
}
constexpr uint32_t FKeyVk(int32_t index) {
  return VK_F1 + static_cast<uint32_t>(index);
}
constexpr int32_t FKeyIndex(uint32_t vk) {
  return static_cast<int32_t>(vk - VK_F1);
}

// One recorded input event: 20 bytes, five unsigned 32-bit fields.
struct EVENTMSG {
  uint32_t message = 0;  // WM_* code
  uint32_t paramL = 0;   // mouse: x; keys: virtual-key code in the low 8 bits
  uint32_t paramH = 0;   // mouse: y
  uint32_t time = 0;     // milliseconds
  uint32_t hwnd = 0;     // kept, never used
};
static_assert(sizeof(EVENTMSG) == 20);

// A captured rectangle as the screen holds it: `height` rows of `stride` bytes, top row first,
// 4 bytes per pixel: blue, green, red and a byte that means nothing (any value).
struct TScreenFrame {
  const uint8_t* pixels = nullptr;
  int32_t stride = 0;
  int32_t width = 0;
  int32_t height = 0;
};

// Screen size, capture and single pixels.
class IScreen {
 public:
  virtual ~IScreen() = default;
  virtual TSize ScreenSize() = 0;
  // Copies the rectangle (x, y, width, height) of the screen into `pixels`: `height` rows of
  // `lineSize` bytes, bottom row first, 3 bytes per pixel in the order blue, green, red. Parts of
  // the rectangle outside the screen are black. Returns false when the capture failed.
  virtual bool CaptureRect(int32_t x, int32_t y, int32_t width, int32_t height, uint8_t* pixels,
                           int32_t lineSize) = 0;
  // Captures the rectangle as CaptureRect does and hands it to `use` as a frame, in the screen's
  // own layout where it is the frame's (then nothing is converted). The frame lives only during
  // the call, and other captures wait for its end. Returns false, without calling `use`, when the
  // capture failed. An empty rectangle gives an empty frame.
  using FrameUse = std::function<void(const TScreenFrame&)>;
  virtual bool CaptureFrame(int32_t x, int32_t y, int32_t width, int32_t height,
                            const FrameUse& use) = 0;
  // Gets ready for captures of the whole screen, so that the first costs what later ones do
  // (memory sized, shared and touched). Captures work without it. Throws Error only when the
  // screen cannot be reached at all.
  virtual void PrepareCapture() = 0;
  // Colour of one screen pixel as 0x00BBGGRR.
  virtual uint32_t PixelColor(int32_t x, int32_t y) = 0;
};

// Synthetic input. Pointer and key events may wait in a buffer until Flush() sends them, in the
// order they were given; typing a text sends everything before it returns.
class IInput {
 public:
  virtual ~IInput() = default;
  virtual TPoint GetCursorPos() = 0;
  virtual void SetCursorPos(int32_t x, int32_t y) = 0;
  // MOUSEEVENTF_* flags; `data` is the wheel amount for MOUSEEVENTF_WHEEL (120 per notch, negative
  // towards the user).
  virtual void mouse_event(uint32_t flags, int32_t dx, int32_t dy, int32_t data) = 0;
  // Virtual-key code; flags 0 (down) or KEYEVENTF_KEYUP.
  virtual void keybd_event(uint8_t vk, uint32_t flags) = 0;
  // Asked between pieces of a long text (every few hundred characters): true ends the typing.
  using CancelCheck = std::function<bool()>;
  // Types a UTF-8 text into the window that has the keyboard focus, then, when `pressReturn`,
  // presses and releases Return. Returns false, having typed nothing, when no window has the
  // focus. When `cancelled` says so, the rest of the text and the Return are left out (and true
  // is returned).
  virtual bool SendTextToFocus(const std::string& text, bool pressReturn,
                               const CancelCheck& cancelled) = 0;
  bool SendTextToFocus(const std::string& text) { return SendTextToFocus(text, true, {}); }

  // The keys held down now that this input did not press: the user's. Virtual-key codes, the
  // modifiers by hand (VK_LSHIFT, VK_RCONTROL ...). Modifiers let go of by SuspendUserModifiers
  // count as held until ResumeUserModifiers.
  virtual std::vector<uint8_t> UserHeldKeys() = 0;
  // Lets go of the modifier keys the user holds (Shift, Ctrl, Alt, Win, AltGr; not the locks), so
  // that the input that follows carries only the modifiers this input pressed itself. Until
  // ResumeUserModifiers, a typed text lets go of those the user presses meanwhile as well.
  // Returns true when it let go of any.
  virtual bool SuspendUserModifiers() = 0;
  // Presses again the modifiers SuspendUserModifiers let go of (those still up).
  virtual void ResumeUserModifiers() = 0;
  // Sends the events given so far.
  virtual void Flush() = 0;
  // Sends the events given so far and returns once the desktop has taken them in: whatever
  // happens on the desktop next (a recording's end, another program's input) comes after them.
  virtual void FlushAndWait() = 0;
};

// A connection whose events are handled by whoever watches its file descriptor: the GUI through a
// socket notifier, the command line through poll(). Callbacks run inside Dispatch().
class IEventPump {
 public:
  virtual ~IEventPump() = default;
  virtual int FileDescriptor() const = 0;
  virtual void Dispatch() = 0;
};

// System-wide input recording: every input event of the desktop, in time order.
class IInputSource : public IEventPump {
 public:
  using Callback = std::function<void(const EVENTMSG&)>;
  // Starts delivering events to `callback`; false when recording cannot start.
  virtual bool Start(Callback callback) = 0;
  virtual void Stop() = 0;
  virtual bool Recording() const = 0;
  // Why Start() returns false, for the user; empty when it can start or the reason is unknown.
  virtual std::string StartFailure() const { return {}; }
};

// Global hotkeys: a modifier (MOD_*) with a virtual-key code, registered under an id.
class IHotkeys : public IEventPump {
 public:
  using Callback = std::function<void(int id, uint32_t modifiers, uint32_t vk)>;
  virtual void SetCallback(Callback callback) = 0;
  // False when the combination cannot be had (for example another program holds it).
  virtual bool Register(int id, uint32_t modifiers, uint32_t vk) = 0;
  virtual void Unregister(int id) = 0;
};

}  // namespace zorvel
