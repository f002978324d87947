// Global hotkeys through passive key grabs on the root window.
//
// A grab is made for every combination of the lock modifiers (Caps Lock, Num Lock), or the key is
// not delivered while one of them is on. Grab failures (another client holds the key) arrive as
// asynchronous BadAccess errors and are trapped. While a grab is active the grabbing client also
// sees the releases of the modifiers; only the grabbed key's press counts. A hotkey registered
// with MOD_ANYEXTRA is grabbed for its further modifier states too (as far as no other program
// holds them), so that it still works while a macro holds Shift, Alt or Ctrl.

#include <X11/Xlib.h>
#include <X11/keysym.h>

#include <array>
#include <map>
#include <vector>

#include "platform/x11/connection_x11.h"
#include "platform/x11/keymap_x11.h"
#include "platform/x11/x11_desktop.h"

namespace zorvel {

namespace {

struct TModifierMasks {
  unsigned alt = Mod1Mask;
  unsigned numLock = Mod2Mask;
  unsigned super = Mod4Mask;
};

TModifierMasks ReadModifierMasks(Display* display) {
  TModifierMasks masks;
  if (unsigned alt = ModifierMaskOf(display, XK_Alt_L)) masks.alt = alt;
  masks.numLock = ModifierMaskOf(display, XK_Num_Lock);
  if (unsigned super = ModifierMaskOf(display, XK_Super_L)) masks.super = super;
  return masks;
}

class TX11Hotkeys final : public IHotkeys {
 public:
  TX11Hotkeys()
      : display_(OpenX11Display()),
        root_(DefaultRootWindow(display_.get())),
        keymap_(display_.get()),
        masks_(ReadModifierMasks(display_.get())) {}

  ~TX11Hotkeys() override {
    for (const auto& [id, hotkey] : hotkeys_) Ungrab(hotkey);
    XSync(display_.get(), False);
  }

  int FileDescriptor() const override { return ConnectionNumber(display_.get()); }

  void Dispatch() override {
    Display* display = display_.get();
    while (XPending(display) > 0) {
      XEvent event;
      XNextEvent(display, &event);
      if (event.type == KeyPress) {
        Deliver(event.xkey);
      } else if (keymap_.HandleEvent(event)) {
        GrabAgain();
      }
    }
  }

  void SetCallback(Callback callback) override { callback_ = std::move(callback); }

  bool Register(int id, uint32_t modifiers, uint32_t vk) override {
    Unregister(id);
    THotkey hotkey{modifiers, vk, 0, 0};
    if (!Place(hotkey) || !Grab(hotkey)) return false;
    hotkeys_[id] = hotkey;
    return true;
  }

  void Unregister(int id) override {
    auto found = hotkeys_.find(id);
    if (found == hotkeys_.end()) return;
    const THotkey hotkey = found->second;
    hotkeys_.erase(found);
    if (!Shared(hotkey)) Ungrab(hotkey);
    XFlush(display_.get());
  }

 private:
  struct THotkey {
    uint32_t modifiers = 0;  // MOD_*
    uint32_t vk = 0;
    KeyCode keycode = 0;
    unsigned mask = 0;   // X modifier bits
    unsigned extra = 0;  // further modifier bits it may come with (MOD_ANYEXTRA)
  };

  // Finds the keycode and the X modifier bits of the hotkey. False when the key is not on the
  // keyboard or the modifiers cannot be expressed.
  bool Place(THotkey& hotkey) const {
    if (hotkey.vk > 0xFF) return false;
    const unsigned long keysym = KeysymForVk(static_cast<uint8_t>(hotkey.vk));
    const auto place = keysym != 0 ? keymap_.Find(keysym) : std::nullopt;
    if (!place) return false;
    hotkey.keycode = place->keycode;
    hotkey.mask = 0;
    if (hotkey.modifiers & MOD_ALT) hotkey.mask |= masks_.alt;
    if (hotkey.modifiers & MOD_CONTROL) hotkey.mask |= ControlMask;
    if (hotkey.modifiers & MOD_SHIFT) hotkey.mask |= ShiftMask;
    if (hotkey.modifiers & MOD_WIN) hotkey.mask |= masks_.super;
    hotkey.extra = 0;
    if (hotkey.modifiers & MOD_ANYEXTRA)
      hotkey.extra = (ShiftMask | ControlMask | masks_.alt | masks_.super) & ~hotkey.mask;
    return true;
  }

  // Every combination of the hotkey's further modifier bits, the empty one first.
  static std::vector<unsigned> ExtraVariants(const THotkey& hotkey) {
    std::vector<unsigned> variants{0};
    for (unsigned bit = 1; bit != 0 && bit <= hotkey.extra; bit <<= 1) {
      if (!(hotkey.extra & bit)) continue;
      const size_t count = variants.size();
      for (size_t i = 0; i < count; ++i) variants.push_back(variants[i] | bit);
    }
    return variants;
  }

  std::array<unsigned, 4> LockVariants() const {
    return {0u, static_cast<unsigned>(LockMask), masks_.numLock, LockMask | masks_.numLock};
  }

  // Grabs every lock variant of `mask`; false when any of them was refused.
  bool GrabMask(KeyCode keycode, unsigned mask) {
    TX11ErrorTrap trap(display_.get());
    for (unsigned variant : LockVariants())
      XGrabKey(display_.get(), keycode, mask | variant, root_, True, GrabModeAsync, GrabModeAsync);
    return trap.Sync() == 0;
  }

  // Grabs the hotkey's own modifier state, which must be had (on failure it releases what it
  // took and returns false), then its further states, each as far as it can be had.
  bool Grab(const THotkey& hotkey) {
    if (!GrabMask(hotkey.keycode, hotkey.mask)) {
      if (!Shared(hotkey)) Ungrab(hotkey);
      XSync(display_.get(), False);
      return false;
    }
    const std::vector<unsigned> extras = ExtraVariants(hotkey);
    for (size_t i = 1; i < extras.size(); ++i) {
      if (!GrabMask(hotkey.keycode, hotkey.mask | extras[i])) {
        for (unsigned variant : LockVariants())
          XUngrabKey(display_.get(), hotkey.keycode, hotkey.mask | extras[i] | variant, root_);
      }
    }
    return true;
  }

  void Ungrab(const THotkey& hotkey) {
    for (unsigned extra : ExtraVariants(hotkey))
      for (unsigned variant : LockVariants())
        XUngrabKey(display_.get(), hotkey.keycode, hotkey.mask | extra | variant, root_);
  }

  // True when another registration uses the same grab (it must then stay).
  bool Shared(const THotkey& hotkey) const {
    for (const auto& [id, other] : hotkeys_)
      if (other.keycode == hotkey.keycode && other.mask == hotkey.mask) return true;
    return false;
  }

  void Deliver(const XKeyEvent& key) {
    const unsigned relevant =
        ShiftMask | ControlMask | Mod1Mask | Mod2Mask | Mod3Mask | Mod4Mask | Mod5Mask;
    const unsigned state = key.state & relevant & ~(LockMask | masks_.numLock);
    std::vector<std::pair<int, THotkey>> matches;
    for (const auto& [id, hotkey] : hotkeys_)
      if (hotkey.keycode == key.keycode && (state & ~hotkey.extra) == hotkey.mask)
        matches.emplace_back(id, hotkey);
    for (const auto& [id, hotkey] : matches)
      if (callback_) callback_(id, hotkey.modifiers, hotkey.vk);
  }

  // After a keyboard or modifier mapping change: releases the old grabs and grabs the keys where
  // they are now. A key that can no longer be had is dropped.
  void GrabAgain() {
    for (const auto& [id, hotkey] : hotkeys_) Ungrab(hotkey);
    masks_ = ReadModifierMasks(display_.get());
    std::map<int, THotkey> previous;
    previous.swap(hotkeys_);
    for (auto& [id, hotkey] : previous)
      if (Place(hotkey) && Grab(hotkey)) hotkeys_[id] = hotkey;
  }

  TDisplayPtr display_;
  Window root_;
  TX11Keymap keymap_;
  TModifierMasks masks_;
  std::map<int, THotkey> hotkeys_;
  Callback callback_;
};

}  // namespace

std::unique_ptr<IHotkeys> CreateX11Hotkeys() {
  return std::make_unique<TX11Hotkeys>();
}

}  // namespace zorvel
