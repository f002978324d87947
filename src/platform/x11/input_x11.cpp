// Synthetic input through XTest on a connection of its own.
//
// Keys are played by keysym: the virtual-key code's keysym (keymap_x11.h), or, for typed text,
// each character's keysym. A keysym that no key carries is put on a spare keycode for as long as
// it is needed. Toolkit clients read the keyboard mapping again when it changes, some of them
// only after they have handled the events before the change, so a mapping change is made once
// for a whole batch of keysyms, given time to settle before the keys are pressed, and undone only
// after the whole text.

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <algorithm>
#include <chrono>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

#include "common/error.h"
#include "platform/x11/connection_x11.h"
#include "platform/x11/keymap_x11.h"
#include "platform/x11/x11_desktop.h"

namespace zorvel {
namespace {

// Time given to clients to pick up a changed mapping before keys use it, and to handle the keys
// before the mapping is put back.
constexpr std::chrono::milliseconds kMapSettle{15};
constexpr std::chrono::milliseconds kRestoreSettle{40};

constexpr unsigned kButtonLeft = 1;
constexpr unsigned kButtonMiddle = 2;
constexpr unsigned kButtonRight = 3;
constexpr unsigned kWheelUp = 4;
constexpr unsigned kWheelDown = 5;
constexpr int32_t kWheelDelta = 120;

// Code points of a UTF-8 text; bytes that do not form a character are left out.
std::vector<char32_t> DecodeUtf8(const std::string& text) {
  std::vector<char32_t> out;
  size_t i = 0;
  while (i < text.size()) {
    const auto lead = static_cast<unsigned char>(text[i]);
    int length = lead < 0x80           ? 1
                 : (lead >> 5) == 0x6  ? 2
                 : (lead >> 4) == 0xE  ? 3
                 : (lead >> 3) == 0x1E ? 4
                                       : 0;
    if (length == 0 || i + length > text.size()) {
      ++i;
      continue;
    }
    char32_t cp = length == 1 ? lead : lead & (0x7F >> length);
    bool valid = true;
    for (int k = 1; k < length; ++k) {
      const auto next = static_cast<unsigned char>(text[i + k]);
      valid = valid && (next & 0xC0) == 0x80;
      cp = (cp << 6) | (next & 0x3F);
    }
    static constexpr char32_t kMin[] = {0, 0, 0x80, 0x800, 0x10000};
    if (!valid || cp < kMin[length] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
      ++i;
      continue;
    }
    out.push_back(cp);
    i += length;
  }
  return out;
}

// The keysyms that type a text: Latin-1 characters are their own keysyms, the others Unicode
// keysyms; a line break is Return, a tab Tab; other control characters are left out.
std::vector<KeySym> KeysymsOfText(const std::string& text) {
  std::vector<KeySym> keysyms;
  const std::vector<char32_t> cps = DecodeUtf8(text);
  for (size_t i = 0; i < cps.size(); ++i) {
    const char32_t cp = cps[i];
    if (cp == U'\r') {
      keysyms.push_back(XK_Return);
      if (i + 1 < cps.size() && cps[i + 1] == U'\n') ++i;
    } else if (cp == U'\n') {
      keysyms.push_back(XK_Return);
    } else if (cp == U'\t') {
      keysyms.push_back(XK_Tab);
    } else if (cp < 0x20 || (cp >= 0x7F && cp < 0xA0)) {
      continue;
    } else if (cp < 0x100) {
      keysyms.push_back(cp);
    } else {
      keysyms.push_back(0x01000000 | cp);
    }
  }
  return keysyms;
}

// Keycodes lent to keysyms that no key carries; puts back what was there when done.
class TSpareKeys {
 public:
  TSpareKeys(Display* display, TX11Keymap& keymap) : display_(display), keymap_(keymap) {}

  // Puts the keysyms on spare keycodes (as many as there are), keysym on both levels, and
  // waits for the change to settle. Keycodes lent before are reused.
  void Lend(const std::vector<KeySym>& keysyms) {
    if (keysyms.empty()) return;
    if (pool_.empty()) pool_ = PickPool();
    lent_.clear();
    for (size_t i = 0; i < keysyms.size() && i < pool_.size(); ++i) {
      SaveRow(pool_[i]);
      WriteRow(pool_[i], keysyms[i]);
      lent_[keysyms[i]] = pool_[i];
    }
    XSync(display_, False);
    keymap_.Refresh();
    std::this_thread::sleep_for(kMapSettle);
  }
  bool HasLent() const { return !lent_.empty(); }
  size_t Capacity() {
    if (pool_.empty()) pool_ = PickPool();
    return pool_.size();
  }
  // The keycode lent to `keysym`; 0 when none.
  KeyCode KeycodeOf(KeySym keysym) const {
    const auto it = lent_.find(keysym);
    return it == lent_.end() ? 0 : it->second;
  }
  // Puts every lent keycode back as it was, after the keys have had time to be handled.
  void Restore() {
    if (saved_.empty()) return;
    XSync(display_, False);
    std::this_thread::sleep_for(kRestoreSettle);
    for (auto& [keycode, row] : saved_)
      XChangeKeyboardMapping(display_, keycode, static_cast<int>(row.size()), row.data(), 1);
    XSync(display_, False);
    saved_.clear();
    lent_.clear();
    pool_.clear();
    keymap_.Refresh();
  }

 private:
  std::vector<KeyCode> PickPool() const {
    std::vector<KeyCode> pool = keymap_.SpareKeycodes();
    // A full keyboard: borrow its last key.
    if (pool.empty()) pool.push_back(static_cast<KeyCode>(keymap_.MaxKeycode()));
    return pool;
  }
  void SaveRow(KeyCode keycode) {
    if (saved_.count(keycode)) return;
    const int width = std::max(keymap_.KeysymsPerKeycode(), 2);
    std::vector<KeySym> row(width, NoSymbol);
    int per = 0;
    KeySym* current = XGetKeyboardMapping(display_, keycode, 1, &per);
    for (int i = 0; current && i < per && i < width; ++i) row[i] = current[i];
    if (current) XFree(current);
    saved_[keycode] = row;
  }
  void WriteRow(KeyCode keycode, KeySym keysym) {
    std::vector<KeySym> row(saved_[keycode].size(), NoSymbol);
    row[0] = row[1] = keysym;
    XChangeKeyboardMapping(display_, keycode, static_cast<int>(row.size()), row.data(), 1);
  }

  Display* display_;
  TX11Keymap& keymap_;
  std::vector<KeyCode> pool_;
  std::map<KeySym, KeyCode> lent_;
  std::map<KeyCode, std::vector<KeySym>> saved_;
};

class TX11Input : public IInput {
 public:
  TX11Input() : display_(OpenX11Display()), keymap_(display_.get()) {
    int event = 0, error = 0, major = 0, minor = 0;
    if (!XTestQueryExtension(display_.get(), &event, &error, &major, &minor))
      throw Error("The X server has no XTEST extension: input cannot be played.");
    root_ = DefaultRootWindow(display_.get());
  }
  ~TX11Input() override {
    std::lock_guard lock(mutex_);
    for (const auto& [vk, keycode] : vkSpare_) Fake(keycode, false);
    vkSpareKeys_.Restore();
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
    XTestFakeMotionEvent(display_.get(), -1, x, y, CurrentTime);
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
    KeyCode keycode = KeycodeForVk(vk, keysym);
    if (keycode == 0) return;
    Fake(keycode, press);
    if (!press) ReturnVkSpare(vk);
    XFlush(display_.get());
  }

  bool SendTextToFocus(const std::string& text) override {
    std::lock_guard lock(mutex_);
    TakeEvents();
    Window focus = None;
    int revert = 0;
    XGetInputFocus(display_.get(), &focus, &revert);
    if (focus == None) return false;
    TypeKeysyms(KeysymsOfText(text));
    TypeKeysyms({XK_Return});
    XSync(display_.get(), False);
    return true;
  }

 private:
  void Move(uint32_t flags, int32_t dx, int32_t dy) {
    Display* d = display_.get();
    if (flags & MOUSEEVENTF_ABSOLUTE) {
      const int64_t width = DisplayWidth(d, DefaultScreen(d));
      const int64_t height = DisplayHeight(d, DefaultScreen(d));
      XTestFakeMotionEvent(d, -1, static_cast<int>(dx * width / 65536),
                           static_cast<int>(dy * height / 65536), CurrentTime);
    } else {
      XTestFakeRelativeMotionEvent(d, dx, dy, CurrentTime);
    }
  }

  void Fake(KeyCode keycode, bool press) {
    XTestFakeKeyEvent(display_.get(), keycode, press ? True : False, CurrentTime);
  }

  // Handles the events the server sent this connection: only mapping changes matter.
  void TakeEvents() {
    Display* d = display_.get();
    while (XPending(d) > 0) {
      XEvent event;
      XNextEvent(d, &event);
      keymap_.HandleEvent(event);
    }
  }

  // The keycode that plays a virtual-key code: the one carrying its keysym, or a spare keycode
  // lent from key down to key up.
  KeyCode KeycodeForVk(uint8_t vk, KeySym keysym) {
    if (const auto place = keymap_.Find(keysym)) return place->keycode;
    if (const auto it = vkSpare_.find(vk); it != vkSpare_.end()) return it->second;
    std::vector<KeySym> wanted;
    for (const auto& [heldVk, keycode] : vkSpare_) wanted.push_back(KeysymForVk(heldVk));
    wanted.push_back(keysym);
    if (wanted.size() > vkSpareKeys_.Capacity()) return 0;
    vkSpareKeys_.Lend(wanted);
    vkSpare_[vk] = vkSpareKeys_.KeycodeOf(keysym);
    return vkSpare_[vk];
  }
  void ReturnVkSpare(uint8_t vk) {
    if (vkSpare_.erase(vk) == 0 || !vkSpare_.empty()) return;
    vkSpareKeys_.Restore();
  }

  // Shift keys held when typing starts, and Shift as the typing needs it.
  struct ShiftState {
    std::vector<KeyCode> held;  // held by someone else when typing began
    bool heldReleased = false;  // we let go of them for an unshifted character
    bool ourShift = false;      // we hold our own Shift
  };

  ShiftState ReadShift() {
    ShiftState state;
    char keys[32] = {};
    XQueryKeymap(display_.get(), keys);
    XModifierKeymap* map = XGetModifierMapping(display_.get());
    if (!map) return state;
    for (int i = 0; i < map->max_keypermod; ++i) {
      const KeyCode keycode = map->modifiermap[ShiftMapIndex * map->max_keypermod + i];
      if (keycode != 0 && (keys[keycode / 8] & (1 << (keycode % 8)))) state.held.push_back(keycode);
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
        state.ourShift = true;
      }
    } else if (state.ourShift) {
      if (const auto shift = keymap_.Find(XK_Shift_L)) Fake(shift->keycode, false);
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

  void TypeKeysyms(const std::vector<KeySym>& keysyms) {
    TSpareKeys spare(display_.get(), keymap_);
    ShiftState shift = ReadShift();
    const bool shiftAtStart = !shift.held.empty();
    for (size_t i = 0; i < keysyms.size(); ++i) {
      const KeySym keysym = keysyms[i];
      if (const auto place = keymap_.Find(keysym)) {
        SetShift(shift, place->shifted);
        Fake(place->keycode, true);
        Fake(place->keycode, false);
        continue;
      }
      KeyCode keycode = spare.KeycodeOf(keysym);
      if (keycode == 0) {
        // Lend the spare keycodes to the next batch of missing keysyms.
        if (spare.HasLent()) {
          XSync(display_.get(), False);
          std::this_thread::sleep_for(kRestoreSettle);
        }
        spare.Lend(MissingFrom(keysyms, i, spare.Capacity()));
        keycode = spare.KeycodeOf(keysym);
      }
      if (keycode == 0) continue;
      Fake(keycode, true);
      Fake(keycode, false);
    }
    SetShift(shift, shiftAtStart);
    spare.Restore();
    XFlush(display_.get());
  }

  std::mutex mutex_;
  TDisplayPtr display_;
  TX11Keymap keymap_;
  Window root_ = 0;
  std::map<uint8_t, KeyCode> vkSpare_;  // virtual keys held down on a lent keycode
  TSpareKeys vkSpareKeys_{display_.get(), keymap_};
};

}  // namespace

std::unique_ptr<IInput> CreateX11Input() {
  return std::make_unique<TX11Input>();
}

}  // namespace zorvel
