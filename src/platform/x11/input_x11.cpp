// Synthetic input through XTest on a connection of its own.
//
// Keys are played by keysym: the virtual-key code's keysym (keymap_x11.h), or, for typed text,
// each character's keysym. A keysym that no key carries is put on a spare keycode for as long as
// it is needed. Clients read the keyboard mapping again when it changes, when they get round to
// the change's notice, which may be long after the keys before it were sent. So a mapping change
// is made once for a whole batch of keysyms, and the keycodes a text was typed through change
// again only once the focused client has handled the keys typed through them (client_sync_x11.h),
// or, for a client that cannot be asked, after fixed pauses.
// Lent keycodes are emptied only well after the whole text (when the connection has been idle a
// while, or closes).

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <algorithm>
#include <chrono>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

#include "common/error.h"
#include "common/typed_text.h"
#include "platform/lend_plan.h"
#include "platform/x11/client_sync_x11.h"
#include "platform/x11/connection_x11.h"
#include "platform/x11/keymap_x11.h"
#include "platform/x11/x11_desktop.h"

namespace zorvel {
namespace {

// For a client that cannot be asked whether it has handled the keys: time given to it to pick up a
// changed mapping before keys use it, and to handle the keys before the mapping is put back.
constexpr std::chrono::milliseconds kMapSettle{15};
constexpr std::chrono::milliseconds kRestoreSettle{40};
// How long the focused client may take to handle the keys typed before it is no longer waited for.
constexpr std::chrono::seconds kCatchUpTimeout{1};
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

// Spare keycodes lent to keysyms that no key carries, each on both levels: the places of a
// lending plan (lend_plan.h) are the spare keycodes' unshifted levels, then their Shift levels.
//
// A lent keycode keeps its keysyms after the text that needed them: a client that reads the
// mapping late (it reads it when it gets round to the change notice, which may be after the keys)
// still finds them there. The places are reused by the same keysyms later, and emptied again when
// the connection has been idle for a while or closes.
class TSpareKeys {
 public:
  TSpareKeys(Display* display, TX11Keymap& keymap, TX11ClientSync& sync)
      : display_(display), keymap_(keymap), sync_(sync) {}

  // While it lives, changes wait for the client of the focused window `focus` (for a window
  // that cannot be asked, fixed pauses instead); afterwards, and when typing ends on an error,
  // for nobody.
  class TFollowing {
   public:
    TFollowing(TSpareKeys& keys, Window focus) : keys_(keys) {
      keys_.followed_ = keys_.sync_.PingWindow(focus);
    }
    ~TFollowing() { keys_.followed_ = None; }
    TFollowing(const TFollowing&) = delete;
    TFollowing& operator=(const TFollowing&) = delete;

   private:
    TSpareKeys& keys_;
  };

  // The plan for typing `keysyms` through the first `levels` levels (1 or 2): keysyms that a key
  // of the keyboard carries need no place, those of `pinned` keep theirs.
  TLendPlan Plan(const std::vector<KeySym>& keysyms, const std::set<KeySym>& pinned, int levels) {
    Fill();
    std::vector<TLendSymbol> text;
    for (KeySym keysym : keysyms) {
      const auto place = keymap_.Find(keysym);
      text.push_back(place && !IsLent(place->keycode) ? 0 : keysym);
    }
    std::vector<TLendPlace> places;
    for (size_t i = 0; i < keycodes_.size() * levels; ++i)
      places.push_back({symbols_[i], symbols_[i] != NoSymbol && pinned.count(symbols_[i]) > 0});
    return PlanLending(text, places);
  }
  // Makes the changes of a batch in one go, once the keys typed through the places it takes back
  // have been decoded.
  void Apply(const TLendBatch& batch) {
    if (batch.writes.empty()) return;
    XSync(display_, False);
    AwaitDecoded(batch);
    std::set<size_t> keys;
    for (const auto& write : batch.writes) {
      symbols_[write.place] = write.symbol;
      lastTyped_[write.place] = {};
      keys.insert(write.place % keycodes_.size());
    }
    WriteKeys(keys);
    keymap_.Refresh();
    ++generation_;
    lastActivity_ = std::chrono::steady_clock::now();
    if (followed_ == None) std::this_thread::sleep_for(kMapSettle);
  }
  // Changes with every batch and restore: a plan made before a change is out of date.
  uint64_t Generation() const { return generation_; }
  // Where a place is on the keyboard; notes that a key is typed through it now.
  TKeyPlace Typed(size_t place) {
    lastTyped_[place] = lastActivity_ = std::chrono::steady_clock::now();
    return {keycodes_[place % keycodes_.size()], place >= keycodes_.size()};
  }
  bool IsLent(KeyCode keycode) const {
    for (size_t key = 0; key < keycodes_.size(); ++key)
      if (keycodes_[key] == keycode) return symbols_[key] != NoSymbol;
    return false;
  }
  // Empties every lent keycode when nothing was typed through one for `idle`.
  void RestoreIfIdle(std::chrono::steady_clock::duration idle, const std::set<KeySym>& keep) {
    if (filled_ && keep.empty() && std::chrono::steady_clock::now() - lastActivity_ > idle)
      RestoreAll();
  }
  void RestoreAll() {
    if (!filled_) return;
    const bool lent = std::any_of(symbols_.begin(), symbols_.end(),
                                  [](KeySym keysym) { return keysym != NoSymbol; });
    if (lent) {
      XSync(display_, False);
      std::this_thread::sleep_for(kRestoreSettle);
      std::fill(symbols_.begin(), symbols_.end(), NoSymbol);
      std::set<size_t> keys;
      for (size_t key = 0; key < keycodes_.size(); ++key) keys.insert(key);
      WriteKeys(keys);
      keymap_.Refresh();
    }
    filled_ = false;
    ++generation_;
  }

 private:
  // Waits until the keys typed through the places `batch` takes back have been decoded with the
  // mapping they were typed with: the followed client has handled them, or, when it does not
  // answer (it is then no longer waited for), a fixed time has passed since the last of them.
  void AwaitDecoded(const TLendBatch& batch) {
    const auto never = std::chrono::steady_clock::time_point{};
    auto due = never;
    for (const auto& write : batch.writes)
      if (symbols_[write.place] != NoSymbol && lastTyped_[write.place] != never)
        due = std::max(due, lastTyped_[write.place] + kRestoreSettle);
    if (due == never) return;
    if (followed_ != None) {
      if (sync_.Sync(followed_, kCatchUpTimeout)) {
        // Every key typed so far was decoded with the mapping it was typed with.
        std::fill(lastTyped_.begin(), lastTyped_.end(), never);
        return;
      }
      followed_ = None;
    }
    std::this_thread::sleep_until(due);
  }

  void Fill() {
    if (filled_) return;
    keycodes_ = keymap_.SpareKeycodes();  // the highest keycodes go first
    symbols_.assign(keycodes_.size() * 2, NoSymbol);
    lastTyped_.assign(symbols_.size(), {});
    filled_ = true;
  }
  // Puts the keysyms of the spare keys `keys` on their keycodes and waits until the server has
  // them. Every change request costs each client that follows the mapping a read of the whole
  // of it, so through XKB they all go in one request, which rewrites the keycodes from the lowest
  // to the highest of them (those in between as they are, read with the server grabbed); one
  // request per key when that fails.
  void WriteKeys(const std::set<size_t>& keys) {
    if (keys.empty()) return;
    if (xkbWrites_) {
      TX11ErrorTrap trap(display_);
      XGrabServer(display_);
      const bool sent = WriteKeysXkb(keys);
      XUngrabServer(display_);
      xkbWrites_ = trap.Sync() == 0 && sent;
      if (xkbWrites_) return;
    }
    for (size_t key : keys) WriteKey(key);
    XSync(display_, False);
  }
  bool WriteKeysXkb(const std::set<size_t>& keys) {
    XkbDescPtr desc = XkbGetMap(display_, XkbKeyTypesMask | XkbKeySymsMask, XkbUseCoreKbd);
    if (!desc) return false;
    XkbMapChangesRec changes{};
    KeyCode low = keycodes_[*keys.begin()], high = low;
    bool set = true;
    for (size_t key : keys) {
      low = std::min(low, keycodes_[key]);
      high = std::max(high, keycodes_[key]);
      set = set && SetKeyXkb(desc, key, changes);
    }
    changes.changed |= XkbKeySymsMask;
    changes.first_key_sym = low;
    changes.num_key_syms = static_cast<unsigned char>(high - low + 1);
    const bool sent = set && XkbChangeMap(display_, desc, &changes);
    XkbFreeKeyboard(desc, 0, True);
    return sent;
  }
  // Spare key `key` in `desc` as WriteKey puts it, on the two-level key type (which Caps Lock
  // does not change either); an empty key has no group.
  bool SetKeyXkb(XkbDescPtr desc, size_t key, XkbMapChangesRec& changes) const {
    const KeySym plain = symbols_[key];
    const KeySym shifted = symbols_[key + keycodes_.size()];
    const KeyCode keycode = keycodes_[key];
    if (plain == NoSymbol && shifted == NoSymbol)
      return XkbChangeTypesOfKey(desc, keycode, 0, XkbGroup1Mask, nullptr, &changes) == Success;
    int types[XkbNumKbdGroups] = {XkbTwoLevelIndex};
    if (XkbChangeTypesOfKey(desc, keycode, 1, XkbGroup1Mask, types, &changes) != Success)
      return false;
    KeySym* syms = XkbKeySymsPtr(desc, keycode);
    syms[0] = plain;
    syms[1] = shifted != NoSymbol ? shifted : plain;
    return true;
  }
  // Puts the keysyms of spare key `key` on its keycode; a keycode with one keysym has it on both
  // levels, so that Shift does not change it.
  void WriteKey(size_t key) {
    const KeySym plain = symbols_[key];
    const KeySym shifted = symbols_[key + keycodes_.size()];
    std::vector<KeySym> row(std::max(keymap_.KeysymsPerKeycode(), 2), NoSymbol);
    row[0] = plain;
    row[1] = shifted != NoSymbol ? shifted : plain;
    XChangeKeyboardMapping(display_, keycodes_[key], static_cast<int>(row.size()), row.data(), 1);
  }

  Display* display_;
  TX11Keymap& keymap_;
  TX11ClientSync& sync_;
  Window followed_ = None;
  bool xkbWrites_ = true;  // until the server refuses one
  bool filled_ = false;
  std::vector<KeyCode> keycodes_;
  std::vector<KeySym> symbols_;  // per place: unshifted levels, then Shift levels
  std::vector<std::chrono::steady_clock::time_point> lastTyped_;  // per place
  std::chrono::steady_clock::time_point lastActivity_ = std::chrono::steady_clock::now();
  uint64_t generation_ = 0;
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
  }

  void keybd_event(uint8_t vk, uint32_t flags) override {
    std::lock_guard lock(mutex_);
    TakeEvents();
    const KeySym keysym = KeysymForVk(vk);
    if (keysym == NoSymbol) return;
    const bool press = (flags & KEYEVENTF_KEYUP) == 0;
    auto place = keymap_.Find(keysym);
    const bool lent = !place || spare_.IsLent(place->keycode);
    if (lent) {
      // A lent key is played unshifted, as the key it stands for would be.
      const TLendPlan plan = spare_.Plan({keysym}, pinned_, 1);
      for (const TLendBatch& batch : plan.batches) spare_.Apply(batch);
      if (plan.placeOf[0] == TLendPlan::kNoPlace) return;
      place = spare_.Typed(plan.placeOf[0]);
    }
    if (press)
      ownDown_.insert(place->keycode);
    else
      ownDown_.erase(place->keycode);
    if (lent) {
      // Kept on its keycode from key down to key up.
      if (press)
        pinned_.insert(keysym);
      else
        pinned_.erase(keysym);
    }
    Fake(place->keycode, press);
  }

  using IInput::SendTextToFocus;
  bool SendTextToFocus(const std::string& text, bool pressReturn,
                       const CancelCheck& cancelled) override {
    std::unique_lock lock(mutex_);
    TakeEvents();
    Window focus = None;
    int revert = 0;
    XGetInputFocus(display_.get(), &focus, &revert);
    if (focus == None) return false;
    const TSpareKeys::TFollowing following(spare_, focus);
    if (TypeKeysyms(KeysymsOfText(text), lock, cancelled) && pressReturn)
      TypeKeysyms({XK_Return}, lock, {});
    XSync(display_.get(), False);
    return true;
  }

  void Flush() override {
    std::lock_guard lock(mutex_);
    XFlush(display_.get());
  }

  void FlushAndWait() override {
    std::lock_guard lock(mutex_);
    XSync(display_.get(), False);
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
    // The whole text is planned before its first key: the spare keycodes change in as few
    // batches as there can be, each before the first key that needs it. A change made between
    // two pieces by another thread makes the rest be planned again.
    TTextPlan plan = PlanText(keysyms, 0);
    ShiftState shift = ReadShift();
    const bool shiftAtStart = !shift.held.empty();
    bool complete = true;
    for (size_t i = 0; i < keysyms.size(); ++i) {
      if (i > 0 && i % kTextPiece == 0) {
        if (!BetweenPieces(lock, cancelled)) {
          complete = false;
          break;
        }
        if (spare_.Generation() != plan.generation) plan = PlanText(keysyms, i);
      }
      const size_t at = i - plan.from;
      const auto& batches = plan.lending.batches;
      if (plan.next < batches.size() && batches[plan.next].start == at)
        spare_.Apply(batches[plan.next++]);
      plan.generation = spare_.Generation();
      const size_t lent = plan.lending.placeOf[at];
      const auto place =
          lent != TLendPlan::kNoPlace ? spare_.Typed(lent) : keymap_.Find(keysyms[i]);
      if (!place) continue;
      SetShift(shift, place->shifted);
      Fake(place->keycode, true);
      Fake(place->keycode, false);
    }
    SetShift(shift, shiftAtStart);
    XFlush(display_.get());
    return complete;
  }

  // The lending plan of the keysyms from `from` on, and how far it has been carried out.
  struct TTextPlan {
    size_t from = 0;
    TLendPlan lending;
    size_t next = 0;  // the batch to make next
    uint64_t generation = 0;
  };
  TTextPlan PlanText(const std::vector<KeySym>& keysyms, size_t from) {
    TTextPlan plan;
    plan.from = from;
    plan.lending = spare_.Plan({keysyms.begin() + static_cast<std::ptrdiff_t>(from), keysyms.end()},
                               pinned_, 2);
    plan.generation = spare_.Generation();
    return plan;
  }

  std::mutex mutex_;
  TDisplayPtr display_;
  TX11Keymap keymap_;
  TModifierWatch modifiers_{display_.get()};
  Window root_ = 0;
  TX11ClientSync sync_;
  TSpareKeys spare_{display_.get(), keymap_, sync_};
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
