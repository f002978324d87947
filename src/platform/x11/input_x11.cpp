// Synthetic input through XTest on a connection of its own.
//
// Keys are played by keysym: the virtual-key code's keysym (keymap_x11.h), or, for typed text,
// each character's keysym. A keysym that no key carries is put on a spare keycode for as long as
// it is needed. Toolkit clients read the keyboard mapping again when it changes, some of them
// only after they have handled the events before the change, so a mapping change is made once
// for a whole batch of keysyms, given time to settle before the keys are pressed, and undone only
// well after the whole text (when the connection has been idle a while, or closes): a client
// may read the mapping long after the keys were sent.

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <algorithm>
#include <chrono>
#include <map>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

#include "common/error.h"
#include "common/typed_text.h"
#include "platform/x11/connection_x11.h"
#include "platform/x11/keymap_x11.h"
#include "platform/x11/x11_desktop.h"

namespace zorvel {
namespace {

// Time given to clients to pick up a changed mapping before keys use it, and to handle the keys
// before the mapping is put back.
constexpr std::chrono::milliseconds kMapSettle{15};
constexpr std::chrono::milliseconds kRestoreSettle{40};
// Lent spare keycodes go back to the keyboard after this long without use.
constexpr std::chrono::seconds kSpareIdle{5};

constexpr unsigned kButtonLeft = 1;
constexpr unsigned kButtonMiddle = 2;
constexpr unsigned kButtonRight = 3;
constexpr unsigned kWheelUp = 4;
constexpr unsigned kWheelDown = 5;
constexpr int32_t kWheelDelta = 120;
// A long text is typed in pieces of this many keys; between them the stop request is asked.
constexpr size_t kTextPiece = 256;

// The keyboard state as XQueryKeymap gives it: one bit per keycode.
class TKeyBits {
 public:
  explicit TKeyBits(Display* display) { XQueryKeymap(display, bits_); }
  bool Down(KeyCode keycode) const { return (bits_[keycode / 8] >> (keycode % 8)) & 1; }

 private:
  char bits_[32] = {};
};

// The base modifiers (those of keys held down) as the server last announced them, so that an
// action learns without a round trip that no modifier key is held. Without XKB it cannot tell.
class TModifierWatch {
 public:
  explicit TModifierWatch(Display* display) {
    int opcode = 0, error = 0, major = XkbMajorVersion, minor = XkbMinorVersion;
    if (!XkbQueryExtension(display, &opcode, &eventBase_, &error, &major, &minor)) {
      eventBase_ = -1;
      return;
    }
    XkbSelectEventDetails(display, XkbUseCoreKbd, XkbStateNotify, XkbModifierBaseMask,
                          XkbModifierBaseMask);
    XkbStateRec state;
    if (XkbGetState(display, XkbUseCoreKbd, &state) != Success) return;
    baseMods_ = state.base_mods;
    known_ = true;
  }
  void HandleEvent(const XEvent& event) {
    if (eventBase_ < 0 || event.type != eventBase_) return;
    const auto& xkb = reinterpret_cast<const XkbEvent&>(event);
    if (xkb.any.xkb_type == XkbStateNotify) baseMods_ = xkb.state.base_mods;
  }
  // False only when, as far as the server has told, no modifier key is held.
  bool MaybeHeld() const { return !known_ || baseMods_ != 0; }

 private:
  int eventBase_ = -1;
  unsigned baseMods_ = 0;
  bool known_ = false;
};

// The keycodes of the modifiers that change what a key or a click means (Shift, Control and
// Mod1 ... Mod5, which hold Alt, Super and AltGr); the lock keys are left out, since pressing
// one again would switch its lock.
std::vector<KeyCode> ModifierKeycodes(Display* display, const TX11Keymap& keymap) {
  std::vector<KeyCode> keycodes;
  XModifierKeymap* map = XGetModifierMapping(display);
  if (!map) return keycodes;
  for (int row = 0; row < 8; ++row) {
    if (row == LockMapIndex) continue;
    for (int i = 0; i < map->max_keypermod; ++i) {
      const KeyCode keycode = map->modifiermap[row * map->max_keypermod + i];
      const KeySym keysym = keymap.KeysymAt(keycode, 0);
      const bool lock = keysym == XK_Num_Lock || keysym == XK_Caps_Lock ||
                        keysym == XK_Shift_Lock || keysym == XK_Scroll_Lock;
      if (keycode != 0 && !lock) keycodes.push_back(keycode);
    }
  }
  XFreeModifiermap(map);
  return keycodes;
}

// The keysyms that type a text: Latin-1 characters are their own keysyms, the others Unicode
// keysyms.
std::vector<KeySym> KeysymsOfText(const std::string& text) {
  std::vector<KeySym> keysyms;
  for (const char32_t cp : TypedCharacters(text)) {
    if (cp == kTypedReturn)
      keysyms.push_back(XK_Return);
    else if (cp == kTypedTab)
      keysyms.push_back(XK_Tab);
    else if (cp < 0x100)
      keysyms.push_back(cp);
    else
      keysyms.push_back(0x01000000 | cp);
  }
  return keysyms;
}

// Puts keysyms on (or takes them off) keycodes through the core request, all of them before the
// connection is flushed.
class TKeyWriter {
 public:
  explicit TKeyWriter(Display* display) : display_(display) {}
  // Each keycode gets its keysym on both levels, or no keysym at all for NoSymbol.
  void Write(const std::map<KeyCode, KeySym>& keys, int keysymsPerKeycode) {
    for (const auto& [keycode, keysym] : keys) {
      std::vector<KeySym> row(std::max(keysymsPerKeycode, 2), NoSymbol);
      if (keysym != NoSymbol) row[0] = row[1] = keysym;
      XChangeKeyboardMapping(display_, keycode, static_cast<int>(row.size()), row.data(), 1);
    }
  }

 private:
  Display* display_;
};

// Spare keycodes lent to keysyms that no key carries.
//
// A lent keycode keeps its keysym after the text that needed it: a client that reads the mapping
// late (it reads it when it gets round to the change notice, which may be after the keys) still
// finds the keysym there. Lent keycodes are reused by the same keysym later, taken back least
// recently used first when all are lent, and emptied again when the connection has been idle for
// a while or closes.
class TSpareKeys {
 public:
  TSpareKeys(Display* display, TX11Keymap& keymap)
      : display_(display), keymap_(keymap), writer_(display) {}

  // Gives every keysym of `keysyms` a keycode of its own, keeping those of `keep` too, and waits
  // for the change to settle. Afterwards the keymap finds them (as many as there was room for).
  void Provide(const std::vector<KeySym>& keysyms, const std::set<KeySym>& keep) {
    FillFree();
    std::map<KeyCode, KeySym> writes;
    bool settled = false;
    for (KeySym keysym : keysyms) {
      if (lent_.count(keysym)) continue;
      KeyCode keycode = 0;
      if (!free_.empty()) {
        keycode = free_.back();
        free_.pop_back();
      } else {
        keycode = TakeBack(keysyms, keep);
        // The keys typed through a keycode taken back must be handled first.
        if (keycode != 0 && !settled) Settle(kRestoreSettle);
        settled = settled || keycode != 0;
      }
      if (keycode == 0) break;
      writes[keycode] = keysym;
      lent_[keysym] = {keycode, ++clock_};
    }
    if (writes.empty()) return;
    writer_.Write(writes, keymap_.KeysymsPerKeycode());
    XSync(display_, False);
    keymap_.Refresh();
    std::this_thread::sleep_for(kMapSettle);
  }
  // Number of keycodes that can be lent at once.
  size_t Capacity() {
    FillFree();
    return free_.size() + lent_.size();
  }
  bool IsLent(KeyCode keycode) const {
    for (const auto& [keysym, entry] : lent_)
      if (entry.keycode == keycode) return true;
    return false;
  }
  void Touch(KeySym keysym) {
    if (auto it = lent_.find(keysym); it != lent_.end()) it->second.lastUse = ++clock_;
    lastActivity_ = std::chrono::steady_clock::now();
  }
  // Empties every lent keycode when nothing was typed through one for `idle`.
  void RestoreIfIdle(std::chrono::steady_clock::duration idle, const std::set<KeySym>& keep) {
    if (!lent_.empty() && keep.empty() && std::chrono::steady_clock::now() - lastActivity_ > idle)
      RestoreAll();
  }
  void RestoreAll() {
    if (lent_.empty()) return;
    Settle(kRestoreSettle);
    std::map<KeyCode, KeySym> writes;
    for (const auto& [keysym, entry] : lent_) writes[entry.keycode] = NoSymbol;
    writer_.Write(writes, keymap_.KeysymsPerKeycode());
    XSync(display_, False);
    lent_.clear();
    free_.clear();
    filled_ = false;
    keymap_.Refresh();
  }

 private:
  struct Entry {
    KeyCode keycode = 0;
    uint64_t lastUse = 0;
  };

  void FillFree() {
    if (filled_) return;
    free_ = keymap_.SpareKeycodes();
    std::reverse(free_.begin(), free_.end());  // the highest keycodes go first
    filled_ = true;
  }
  // The least recently used lent keycode whose keysym is in neither list; 0 when none.
  KeyCode TakeBack(const std::vector<KeySym>& wanted, const std::set<KeySym>& keep) {
    auto oldest = lent_.end();
    for (auto it = lent_.begin(); it != lent_.end(); ++it) {
      if (keep.count(it->first) ||
          std::find(wanted.begin(), wanted.end(), it->first) != wanted.end())
        continue;
      if (oldest == lent_.end() || it->second.lastUse < oldest->second.lastUse) oldest = it;
    }
    if (oldest == lent_.end()) return 0;
    const KeyCode keycode = oldest->second.keycode;
    lent_.erase(oldest);
    return keycode;
  }
  void Settle(std::chrono::milliseconds time) {
    XSync(display_, False);
    std::this_thread::sleep_for(time);
  }

  Display* display_;
  TX11Keymap& keymap_;
  TKeyWriter writer_;
  bool filled_ = false;
  std::vector<KeyCode> free_;
  std::map<KeySym, Entry> lent_;
  uint64_t clock_ = 0;
  std::chrono::steady_clock::time_point lastActivity_ = std::chrono::steady_clock::now();
};

class TX11Input : public IInput {
 public:
  TX11Input() : display_(OpenX11Display()), keymap_(display_.get()) {
    int event = 0, error = 0, major = 0, minor = 0;
    if (!XTestQueryExtension(display_.get(), &event, &error, &major, &minor))
      throw Error("The X server has no XTEST extension: input cannot be played.");
    root_ = DefaultRootWindow(display_.get());
    modifierKeys_ = ModifierKeycodes(display_.get(), keymap_);
  }
  ~TX11Input() override {
    std::lock_guard lock(mutex_);
    for (KeySym keysym : pinned_)
      if (const auto place = keymap_.Find(keysym)) Fake(place->keycode, false);
    ResumeLocked();
    spare_.RestoreAll();
  }

  TPoint GetCursorPos() override {
    std::lock_guard lock(mutex_);
    Window rootReturn = 0, child = 0;
    int rootX = 0, rootY = 0, winX = 0, winY = 0;
    unsigned mask = 0;
    XQueryPointer(display_.get(), root_, &rootReturn, &child, &rootX, &rootY, &winX, &winY, &mask);
    return {rootX, rootY};
  }

  void SetCursorPos(int32_t x, int32_t y) override {
    std::lock_guard lock(mutex_);
    MoveTo(x, y);
    XFlush(display_.get());
  }

  void mouse_event(uint32_t flags, int32_t dx, int32_t dy, int32_t data) override {
    std::lock_guard lock(mutex_);
    Display* d = display_.get();
    if (flags & MOUSEEVENTF_MOVE) Move(flags, dx, dy);
    static constexpr struct {
      uint32_t flag;
      unsigned button;
      bool press;
    } kButtons[] = {
        {MOUSEEVENTF_LEFTDOWN, kButtonLeft, true},     {MOUSEEVENTF_LEFTUP, kButtonLeft, false},
        {MOUSEEVENTF_RIGHTDOWN, kButtonRight, true},   {MOUSEEVENTF_RIGHTUP, kButtonRight, false},
        {MOUSEEVENTF_MIDDLEDOWN, kButtonMiddle, true}, {MOUSEEVENTF_MIDDLEUP, kButtonMiddle, false},
    };
    for (const auto& b : kButtons)
      if (flags & b.flag) XTestFakeButtonEvent(d, b.button, b.press, CurrentTime);
    if ((flags & MOUSEEVENTF_WHEEL) && data != 0) {
      const unsigned button = data < 0 ? kWheelDown : kWheelUp;
      // Whole notches, and one for any smaller amount.
      const int64_t amount = data < 0 ? -static_cast<int64_t>(data) : data;
      const int64_t notches = std::max<int64_t>(1, amount / kWheelDelta);
      for (int64_t i = 0; i < notches; ++i) {
        XTestFakeButtonEvent(d, button, True, CurrentTime);
        XTestFakeButtonEvent(d, button, False, CurrentTime);
      }
    }
    XFlush(d);
  }

  void keybd_event(uint8_t vk, uint32_t flags) override {
    std::lock_guard lock(mutex_);
    TakeEvents();
    const KeySym keysym = KeysymForVk(vk);
    if (keysym == NoSymbol) return;
    const bool press = (flags & KEYEVENTF_KEYUP) == 0;
    auto place = keymap_.Find(keysym);
    if (!place) {
      spare_.Provide({keysym}, pinned_);
      place = keymap_.Find(keysym);
    }
    if (!place) return;
    if (press)
      ownDown_.insert(place->keycode);
    else
      ownDown_.erase(place->keycode);
    if (spare_.IsLent(place->keycode)) {
      // Kept on its keycode from key down to key up.
      spare_.Touch(keysym);
      if (press)
        pinned_.insert(keysym);
      else
        pinned_.erase(keysym);
    }
    Fake(place->keycode, press);
    XFlush(display_.get());
  }

  using IInput::SendTextToFocus;
  bool SendTextToFocus(const std::string& text, const CancelCheck& cancelled) override {
    std::unique_lock lock(mutex_);
    TakeEvents();
    Window focus = None;
    int revert = 0;
    XGetInputFocus(display_.get(), &focus, &revert);
    if (focus == None) return false;
    if (TypeKeysyms(KeysymsOfText(text), lock, cancelled)) TypeKeysyms({XK_Return}, lock, {});
    XSync(display_.get(), False);
    return true;
  }

  std::vector<uint8_t> UserHeldKeys() override {
    std::lock_guard lock(mutex_);
    TakeEvents();
    const TKeyBits keys(display_.get());
    std::vector<uint8_t> held;
    for (int code = keymap_.MinKeycode(); code <= keymap_.MaxKeycode(); ++code) {
      const auto keycode = static_cast<KeyCode>(code);
      const bool users = keys.Down(keycode) ? !ownDown_.count(keycode) : Suspended(keycode);
      const uint8_t vk = users ? keymap_.HandedVkForKeycode(keycode) : 0;
      if (vk != 0 && std::find(held.begin(), held.end(), vk) == held.end()) held.push_back(vk);
    }
    return held;
  }

  bool SuspendUserModifiers() override {
    std::lock_guard lock(mutex_);
    suspending_ = true;
    return SuspendLocked();
  }

  void ResumeUserModifiers() override {
    std::lock_guard lock(mutex_);
    ResumeLocked();
  }

 private:
  TSize ScreenSize() {
    Display* d = display_.get();
    return {DisplayWidth(d, DefaultScreen(d)), DisplayHeight(d, DefaultScreen(d))};
  }

  // The protocol carries 16-bit coordinates: anything beyond the screen is put on its edge
  // first, or it would wrap round to the other side.
  void MoveTo(int64_t x, int64_t y) {
    const TPoint point = ClampToScreen(x, y, ScreenSize());
    XTestFakeMotionEvent(display_.get(), -1, point.x, point.y, CurrentTime);
  }

  void Move(uint32_t flags, int32_t dx, int32_t dy) {
    if (flags & MOUSEEVENTF_ABSOLUTE) {
      const TSize size = ScreenSize();
      MoveTo(int64_t{dx} * size.width / 65536, int64_t{dy} * size.height / 65536);
      return;
    }
    Window rootReturn = 0, child = 0;
    int rootX = 0, rootY = 0, winX = 0, winY = 0;
    unsigned mask = 0;
    XQueryPointer(display_.get(), root_, &rootReturn, &child, &rootX, &rootY, &winX, &winY, &mask);
    MoveTo(int64_t{rootX} + dx, int64_t{rootY} + dy);
  }

  bool Suspended(KeyCode keycode) const {
    return std::find(suspended_.begin(), suspended_.end(), keycode) != suspended_.end();
  }

  // Lets go of the modifiers held by someone else. A key held through another keyboard may stay
  // down (the server ignores the release of a key that this device did not press): such a key
  // is not counted as let go of, so that it is never pressed again here.
  bool SuspendLocked() {
    ReadEvents();
    if (!modifiers_.MaybeHeld()) return false;
    const TKeyBits before(display_.get());
    std::vector<KeyCode> released;
    for (KeyCode keycode : modifierKeys_) {
      if (!before.Down(keycode) || ownDown_.count(keycode) || Suspended(keycode)) continue;
      if (std::find(released.begin(), released.end(), keycode) != released.end()) continue;
      Fake(keycode, false);
      released.push_back(keycode);
    }
    if (released.empty()) return false;
    XSync(display_.get(), False);
    const TKeyBits after(display_.get());
    bool any = false;
    for (KeyCode keycode : released) {
      if (after.Down(keycode)) continue;
      suspended_.push_back(keycode);
      any = true;
    }
    return any;
  }

  void ResumeLocked() {
    suspending_ = false;
    if (suspended_.empty()) return;
    const TKeyBits keys(display_.get());
    for (KeyCode keycode : suspended_)
      if (!keys.Down(keycode)) Fake(keycode, true);
    suspended_.clear();
    XSync(display_.get(), False);
  }

  void Fake(KeyCode keycode, bool press) {
    XTestFakeKeyEvent(display_.get(), keycode, press ? True : False, CurrentTime);
  }

  // Handles the events the server sent this connection: only mapping changes matter.
  // Puts idle spare keycodes back.
  void TakeEvents() {
    ReadEvents();
    spare_.RestoreIfIdle(kSpareIdle, pinned_);
  }
  // Mapping changes and modifier state changes.
  void ReadEvents() {
    Display* d = display_.get();
    bool changed = false;
    while (XPending(d) > 0) {
      XEvent event;
      XNextEvent(d, &event);
      modifiers_.HandleEvent(event);
      changed = keymap_.HandleEvent(event) || changed;
    }
    if (changed) modifierKeys_ = ModifierKeycodes(d, keymap_);
  }

  // Shift keys held when typing starts, and Shift as the typing needs it.
  struct ShiftState {
    std::vector<KeyCode> held;  // held by someone else when typing began
    bool heldReleased = false;  // we let go of them for an unshifted character
    bool ourShift = false;      // we hold our own Shift
  };

  ShiftState ReadShift() {
    ShiftState state;
    const TKeyBits keys(display_.get());
    XModifierKeymap* map = XGetModifierMapping(display_.get());
    if (!map) return state;
    for (int i = 0; i < map->max_keypermod; ++i) {
      const KeyCode keycode = map->modifiermap[ShiftMapIndex * map->max_keypermod + i];
      if (keycode != 0 && keys.Down(keycode)) state.held.push_back(keycode);
    }
    XFreeModifiermap(map);
    return state;
  }

  void SetShift(ShiftState& state, bool wanted) {
    const bool down = state.ourShift || (!state.held.empty() && !state.heldReleased);
    if (down == wanted) return;
    if (wanted) {
      if (state.heldReleased) {
        for (KeyCode keycode : state.held) Fake(keycode, true);
        state.heldReleased = false;
      } else if (const auto shift = keymap_.Find(XK_Shift_L)) {
        Fake(shift->keycode, true);
        ownDown_.insert(shift->keycode);
        state.ourShift = true;
      }
    } else if (state.ourShift) {
      if (const auto shift = keymap_.Find(XK_Shift_L)) {
        Fake(shift->keycode, false);
        ownDown_.erase(shift->keycode);
      }
      state.ourShift = false;
    } else {
      for (KeyCode keycode : state.held) Fake(keycode, false);
      state.heldReleased = true;
    }
  }

  // The keysyms from `from` on that no key carries, distinct, at most `limit` of them.
  std::vector<KeySym> MissingFrom(const std::vector<KeySym>& keysyms, size_t from, size_t limit) {
    std::vector<KeySym> missing;
    for (size_t i = from; i < keysyms.size() && missing.size() < limit; ++i) {
      if (keymap_.Find(keysyms[i])) continue;
      if (std::find(missing.begin(), missing.end(), keysyms[i]) == missing.end())
        missing.push_back(keysyms[i]);
    }
    return missing;
  }

  // Lends spare keycodes to the keysyms from `from` on that no key carries, in one change.
  void ProvideMissing(const std::vector<KeySym>& keysyms, size_t from) {
    const size_t room = std::max<size_t>(1, spare_.Capacity() - pinned_.size());
    spare_.Provide(MissingFrom(keysyms, from, room), pinned_);
  }

  // Between two pieces of a text: asks `cancelled` with the connection free for other threads
  // (the question may look at the keyboard), and lets go of modifiers the user pressed meanwhile.
  // False when the typing is to end.
  bool BetweenPieces(std::unique_lock<std::mutex>& lock, const CancelCheck& cancelled) {
    XFlush(display_.get());
    if (cancelled) {
      lock.unlock();
      const bool cancel = cancelled();
      lock.lock();
      if (cancel) return false;
    }
    if (suspending_)
      SuspendLocked();
    else
      ReadEvents();  // the modifier notices of a long text must not pile up
    return true;
  }

  // Types the keysyms; false when `cancelled` ended the typing before the last of them.
  bool TypeKeysyms(const std::vector<KeySym>& keysyms, std::unique_lock<std::mutex>& lock,
                   const CancelCheck& cancelled) {
    // Every keysym the text lacks is lent before its first key: a client that reads the mapping
    // for the first time while it changes may miss the change.
    ProvideMissing(keysyms, 0);
    ShiftState shift = ReadShift();
    const bool shiftAtStart = !shift.held.empty();
    bool complete = true;
    for (size_t i = 0; i < keysyms.size(); ++i) {
      if (i > 0 && i % kTextPiece == 0 && !BetweenPieces(lock, cancelled)) {
        complete = false;
        break;
      }
      const KeySym keysym = keysyms[i];
      auto place = keymap_.Find(keysym);
      if (!place) {
        // More missing keysyms than spare keycodes: the next batch.
        ProvideMissing(keysyms, i);
        place = keymap_.Find(keysym);
      }
      if (!place) continue;
      if (spare_.IsLent(place->keycode))
        spare_.Touch(keysym);  // the same keysym on both levels: Shift does not matter
      else
        SetShift(shift, place->shifted);
      Fake(place->keycode, true);
      Fake(place->keycode, false);
    }
    SetShift(shift, shiftAtStart);
    XFlush(display_.get());
    return complete;
  }

  std::mutex mutex_;
  TDisplayPtr display_;
  TX11Keymap keymap_;
  TModifierWatch modifiers_{display_.get()};
  Window root_ = 0;
  TSpareKeys spare_{display_.get(), keymap_};
  std::set<KeySym> pinned_;            // keysyms of keys held down on a lent keycode
  std::set<KeyCode> ownDown_;          // keys pressed through keybd_event and not released
  std::vector<KeyCode> modifierKeys_;  // see ModifierKeycodes
  std::vector<KeyCode> suspended_;     // the user's modifiers let go of, pressed again on resume
  bool suspending_ = false;            // between SuspendUserModifiers and ResumeUserModifiers
};

}  // namespace

std::unique_ptr<IInput> CreateX11Input() {
  return std::make_unique<TX11Input>();
}

}  // namespace zorvel
