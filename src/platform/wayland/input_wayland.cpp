// Synthetic input through a virtual pointer and a virtual keyboard.
//
// The virtual keyboard sends key codes and a modifier state; nothing derives the modifiers from
// the keys, so this side keeps an xkb state of the keys it holds and sends its modifiers after
// every key. Text is typed through a keymap made for it: each character on a key of its own, so
// any character arrives whatever the desktop's layout; the US keymap comes back afterwards.
//
// The pointer position comes from a probe (pointer_wayland.h); where the compositor offers none,
// it is the position this side last moved the pointer to.

#include <linux/input-event-codes.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <mutex>

#include <virtual-keyboard-unstable-v1-client-protocol.h>
#include <wlr-virtual-pointer-unstable-v1-client-protocol.h>
#include "common/error.h"
#include "common/typed_text.h"
#include "platform/wayland/connection_wayland.h"
#include "platform/wayland/focus_wayland.h"
#include "platform/wayland/keymap_wayland.h"
#include "platform/wayland/pointer_wayland.h"
#include "platform/wayland/wayland_desktop.h"

namespace zorvel {
namespace {

constexpr int32_t kWheelDelta = 120;
// Characters typed between two questions whether the typing should end.
constexpr size_t kTextPiece = 256;
// Scroll distance of one wheel notch, as wheel mice report it.
constexpr double kNotchDistance = 15.0;

uint32_t NowMs() {
  using namespace std::chrono;
  return static_cast<uint32_t>(
      duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

// A keymap in a sealed memory file, as the virtual keyboard takes it.
void SendKeymap(zwp_virtual_keyboard_v1* keyboard, const std::string& text) {
  const int fd = memfd_create("zorvel-keymap", MFD_CLOEXEC);
  if (fd < 0) throw Error("Cannot hand a keyboard layout to the compositor (memfd_create).");
  const size_t size = text.size() + 1;
  size_t written = 0;
  while (written < size) {
    const ssize_t n = write(fd, text.c_str() + written, size - written);
    if (n <= 0) {
      close(fd);
      throw Error("Cannot hand a keyboard layout to the compositor (write).");
    }
    written += static_cast<size_t>(n);
  }
  zwp_virtual_keyboard_v1_keymap(keyboard, WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1, fd,
                                 static_cast<uint32_t>(size));
  close(fd);
}

class TWaylandInput final : public IInput {
 public:
  TWaylandInput() : context_(NewXkbContext()), focus_(connection_) {
    auto* pointers = static_cast<zwlr_virtual_pointer_manager_v1*>(
        connection_.Bind(&zwlr_virtual_pointer_manager_v1_interface, 1));
    auto* keyboards = static_cast<zwp_virtual_keyboard_manager_v1*>(
        connection_.Bind(&zwp_virtual_keyboard_manager_v1_interface, 1));
    if (!pointers || !keyboards || !connection_.Seat())
      throw Error("The Wayland compositor offers no virtual pointer or keyboard.");
    pointer_ = zwlr_virtual_pointer_manager_v1_create_virtual_pointer(pointers, connection_.Seat());
    keyboard_ =
        zwp_virtual_keyboard_manager_v1_create_virtual_keyboard(keyboards, connection_.Seat());
    zwlr_virtual_pointer_manager_v1_destroy(pointers);
    zwp_virtual_keyboard_manager_v1_destroy(keyboards);
    baseKeymap_ = BaseKeymap(context_.get());
    baseKeymapText_ = KeymapText(baseKeymap_.get());
    state_.reset(xkb_state_new(baseKeymap_.get()));
    SendKeymap(keyboard_, baseKeymapText_);
    connection_.Roundtrip();
    const TLayoutBox box = connection_.Layout();
    cursor_ = {box.x + box.width / 2, box.y + box.height / 2};
  }

  ~TWaylandInput() override {
    std::lock_guard lock(mutex_);
    try {
      ReleaseHeldKeys();
      connection_.Flush();
    } catch (const Error&) {
      // The compositor is gone: it has dropped the keys along with the keyboard.
    }
    zwp_virtual_keyboard_v1_destroy(keyboard_);
    zwlr_virtual_pointer_v1_destroy(pointer_);
    wl_display_flush(connection_.Display());
  }

  TPoint GetCursorPos() override {
    std::lock_guard lock(mutex_);
    if (!probe_) probe_ = std::make_unique<TPointerProbe>(connection_);
    const auto found = probe_->Read([this] {
      zwlr_virtual_pointer_v1_motion(pointer_, NowMs(), 0, 0);
      zwlr_virtual_pointer_v1_frame(pointer_);
      connection_.Flush();
    });
    if (found) cursor_ = *found;
    return cursor_;
  }

  void SetCursorPos(int32_t x, int32_t y) override {
    std::lock_guard lock(mutex_);
    MoveTo(x, y);
    zwlr_virtual_pointer_v1_frame(pointer_);
    connection_.Flush();
  }

  void mouse_event(uint32_t flags, int32_t dx, int32_t dy, int32_t data) override {
    std::lock_guard lock(mutex_);
    if (flags & MOUSEEVENTF_MOVE) Move(flags, dx, dy);
    static constexpr struct {
      uint32_t flag;
      uint32_t button;
      bool press;
    } kButtons[] = {
        {MOUSEEVENTF_LEFTDOWN, BTN_LEFT, true},     {MOUSEEVENTF_LEFTUP, BTN_LEFT, false},
        {MOUSEEVENTF_RIGHTDOWN, BTN_RIGHT, true},   {MOUSEEVENTF_RIGHTUP, BTN_RIGHT, false},
        {MOUSEEVENTF_MIDDLEDOWN, BTN_MIDDLE, true}, {MOUSEEVENTF_MIDDLEUP, BTN_MIDDLE, false},
    };
    for (const auto& b : kButtons) {
      if (!(flags & b.flag)) continue;
      zwlr_virtual_pointer_v1_button(
          pointer_, NowMs(), b.button,
          b.press ? WL_POINTER_BUTTON_STATE_PRESSED : WL_POINTER_BUTTON_STATE_RELEASED);
      zwlr_virtual_pointer_v1_frame(pointer_);
    }
    if ((flags & MOUSEEVENTF_WHEEL) && data != 0) Wheel(data);
    connection_.Flush();
  }

  void keybd_event(uint8_t vk, uint32_t flags) override {
    std::lock_guard lock(mutex_);
    const uint32_t code = EvdevCodeForVk(vk);
    if (code == 0) return;
    Key(code, (flags & KEYEVENTF_KEYUP) == 0);
    connection_.Flush();
  }

  // The user's keyboards are other devices of the seat, which no client can read. On wlroots
  // compositors they do not mix with this one either: a window gets the modifiers of the keyboard
  // that sent the key, so the user's held modifiers do not reach what is typed here.
  std::vector<uint8_t> UserHeldKeys() override { return {}; }
  bool SuspendUserModifiers() override { return false; }
  void ResumeUserModifiers() override {}
  // Every event is flushed as it is sent.
  void Flush() override {
    std::lock_guard lock(mutex_);
    connection_.Flush();
  }
  void FlushAndWait() override {
    std::lock_guard lock(mutex_);
    connection_.Roundtrip();
  }

  using IInput::SendTextToFocus;
  bool SendTextToFocus(const std::string& text, bool pressReturn,
                       const CancelCheck& cancelled) override {
    std::unique_lock lock(mutex_);
    if (focus_.Known() && !focus_.AnyActive()) return false;
    std::vector<char32_t> characters = TypedCharacters(text);
    // Left out with the rest when the typing is cancelled.
    if (pressReturn) characters.push_back(kTypedReturn);
    const size_t room = kTextKeymapKeys - std::min(held_.size(), kTextKeymapKeys - 1);
    size_t typed = 0;
    for (const auto& run : SplitForKeymaps(characters, room))
      if (!TypeRun(run, typed, lock, cancelled)) break;
    // Back to the US keymap, with the modifiers of the keys still held. The compositor derives
    // them from the held keys when the keymap changes and then sends nothing for an unchanged
    // state, though the client has just started afresh: a change to none and back makes it send.
    SendKeymap(keyboard_, baseKeymapText_);
    zwp_virtual_keyboard_v1_modifiers(keyboard_, 0, 0, 0, 0);
    SendModifiers();
    connection_.Roundtrip();
    return true;
  }

 private:
  void MoveTo(int32_t x, int32_t y) {
    const TLayoutBox box = connection_.Layout();
    if (box.width <= 0 || box.height <= 0) return;
    x = std::clamp(x, box.x, box.x + box.width - 1);
    y = std::clamp(y, box.y, box.y + box.height - 1);
    zwlr_virtual_pointer_v1_motion_absolute(
        pointer_, NowMs(), static_cast<uint32_t>(x - box.x), static_cast<uint32_t>(y - box.y),
        static_cast<uint32_t>(box.width), static_cast<uint32_t>(box.height));
    cursor_ = {x, y};
  }

  void Move(uint32_t flags, int32_t dx, int32_t dy) {
    if (flags & MOUSEEVENTF_ABSOLUTE) {
      const TLayoutBox box = connection_.Layout();
      MoveTo(box.x + static_cast<int32_t>(int64_t{dx} * box.width / 65536),
             box.y + static_cast<int32_t>(int64_t{dy} * box.height / 65536));
    } else {
      MoveTo(cursor_.x + dx, cursor_.y + dy);
    }
    zwlr_virtual_pointer_v1_frame(pointer_);
  }

  void Wheel(int32_t data) {
    // Whole notches, and one for any smaller amount; away from the user scrolls up (negative).
    const int64_t amount = data < 0 ? -int64_t{data} : data;
    const auto notches = static_cast<int32_t>(std::max<int64_t>(1, amount / kWheelDelta));
    const int32_t steps = data > 0 ? -notches : notches;
    const uint32_t time = NowMs();
    zwlr_virtual_pointer_v1_axis_source(pointer_, WL_POINTER_AXIS_SOURCE_WHEEL);
    zwlr_virtual_pointer_v1_axis_discrete(pointer_, time, WL_POINTER_AXIS_VERTICAL_SCROLL,
                                          wl_fixed_from_double(steps * kNotchDistance), steps);
    zwlr_virtual_pointer_v1_frame(pointer_);
  }

  // A key of the US keymap, and the modifiers it changes.
  void Key(uint32_t code, bool press) {
    const uint32_t xkbCode = code + kEvdevToXkb;
    const bool held = std::find(held_.begin(), held_.end(), code) != held_.end();
    if (press == held && press) return;  // a second press of a held key is a repeat: none sent
    if (!press && !held) return;
    zwp_virtual_keyboard_v1_key(
        keyboard_, NowMs(), code,
        press ? WL_KEYBOARD_KEY_STATE_PRESSED : WL_KEYBOARD_KEY_STATE_RELEASED);
    if (press)
      held_.push_back(code);
    else
      std::erase(held_, code);
    xkb_state_update_key(state_.get(), xkbCode, press ? XKB_KEY_DOWN : XKB_KEY_UP);
    SendModifiers();
  }

  void SendModifiers() {
    zwp_virtual_keyboard_v1_modifiers(
        keyboard_, xkb_state_serialize_mods(state_.get(), XKB_STATE_MODS_DEPRESSED),
        xkb_state_serialize_mods(state_.get(), XKB_STATE_MODS_LATCHED),
        xkb_state_serialize_mods(state_.get(), XKB_STATE_MODS_LOCKED),
        xkb_state_serialize_layout(state_.get(), XKB_STATE_LAYOUT_EFFECTIVE));
  }

  // Asks `cancelled`, without holding the lock, whether the typing should end.
  bool Cancelled(std::unique_lock<std::mutex>& lock, const CancelCheck& cancelled) {
    if (!cancelled) return false;
    connection_.Flush();
    lock.unlock();
    const bool cancel = cancelled();
    lock.lock();
    return cancel;
  }

  // Types characters through a keymap of their own, with no modifier in effect. `typed` counts
  // the characters of the whole text so far; every kTextPiece of them `cancelled` may end the
  // typing, and then this returns false.
  bool TypeRun(const std::vector<char32_t>& run, size_t& typed, std::unique_lock<std::mutex>& lock,
               const CancelCheck& cancelled) {
    const TTextKeymap keymap = BuildTextKeymap(context_.get(), run, held_);
    SendKeymap(keyboard_, keymap.text);
    zwp_virtual_keyboard_v1_modifiers(keyboard_, 0, 0, 0, 0);
    for (const char32_t cp : run) {
      if (typed > 0 && typed % kTextPiece == 0 && Cancelled(lock, cancelled)) return false;
      ++typed;
      const auto found = keymap.evdevCode.find(cp);
      if (found == keymap.evdevCode.end()) continue;
      const uint32_t time = NowMs();
      zwp_virtual_keyboard_v1_key(keyboard_, time, found->second, WL_KEYBOARD_KEY_STATE_PRESSED);
      zwp_virtual_keyboard_v1_key(keyboard_, time, found->second, WL_KEYBOARD_KEY_STATE_RELEASED);
    }
    connection_.Flush();
    return true;
  }

  void ReleaseHeldKeys() {
    while (!held_.empty()) Key(held_.back(), false);
  }

  std::mutex mutex_;
  TWaylandConnection connection_;
  TXkbContextPtr context_;
  TFocusWatch focus_;
  zwlr_virtual_pointer_v1* pointer_ = nullptr;
  zwp_virtual_keyboard_v1* keyboard_ = nullptr;
  TXkbKeymapPtr baseKeymap_;
  std::string baseKeymapText_;
  TXkbStatePtr state_;
  std::vector<uint32_t> held_;  // evdev codes of the keys held down, in the order pressed
  TPoint cursor_;
  std::unique_ptr<TPointerProbe> probe_;  // made at the first use, when the seat has a pointer
};

}  // namespace

std::unique_ptr<IInput> CreateWaylandInput() {
  return std::make_unique<TWaylandInput>();
}

}  // namespace zorvel
