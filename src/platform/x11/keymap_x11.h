#pragma once

// Virtual-key codes <-> X keysyms, and a cached copy of the server's keyboard mapping.
//
// The table follows a US layout for the OEM keys (VK_OEM_1 0xBA is ';' and so on). The generic
// modifier codes VK_SHIFT 0x10, VK_CONTROL 0x11 and VK_MENU 0x12 map to the left-hand keysyms;
// the inverse maps both hands onto the generic codes (the form macros store).

#include <X11/Xlib.h>

#include <cstdint>
#include <optional>
#include <vector>

namespace zorvel {

// The keysym a virtual-key code is played as; 0 (NoSymbol) when the code has none.
unsigned long KeysymForVk(uint8_t vk);
// The virtual-key code of a keysym; 0 when it has none. Letters in either case give 0x41..0x5A.
uint8_t VkForKeysym(unsigned long keysym);

// Where a keysym sits on the keyboard.
struct TKeyPlace {
  KeyCode keycode = 0;
  bool shifted = false;  // on the Shift level
  bool operator==(const TKeyPlace&) const = default;
};

// The server's keyboard mapping, read once and kept until the server announces a change
// (MappingNotify). Not thread-safe: one per X connection, used on that connection's thread.
class TX11Keymap {
 public:
  explicit TX11Keymap(Display* display);

  // Reads the mapping again.
  void Refresh();
  // Feeds an event of the connection; a mapping change notice (core MappingNotify, or the XKB
  // map and new-keyboard notices the keymap asks for) refreshes the copy. True when it did.
  bool HandleEvent(XEvent& event);

  // Keycode and level of `keysym` on the unshifted or Shift level; nothing when no keycode
  // carries it on one of those two levels.
  std::optional<TKeyPlace> Find(KeySym keysym) const;
  // Keysym at `level` (0 unshifted, 1 Shift) of `keycode`; a letter's missing Shift level is
  // its upper case, as Xlib reads it. NoSymbol when there is none.
  KeySym KeysymAt(KeyCode keycode, int level) const;
  // The virtual-key code of a keycode (from its unshifted keysym, else its shifted one); 0 when
  // none.
  uint8_t VkForKeycode(KeyCode keycode) const;
  // The same, but a modifier key gives the code of its hand (VK_LSHIFT, VK_RCONTROL ...).
  uint8_t HandedVkForKeycode(KeyCode keycode) const;
  // Keycodes that carry no keysym at all, highest first: free for temporary mappings.
  std::vector<KeyCode> SpareKeycodes() const;

  int MinKeycode() const { return minKeycode_; }
  int MaxKeycode() const { return maxKeycode_; }
  int KeysymsPerKeycode() const { return perKeycode_; }

 private:
  Display* display_;
  int xkbEventBase_ = -1;  // -1: the server has no XKB
  int minKeycode_ = 8;
  int maxKeycode_ = 255;
  int perKeycode_ = 0;
  std::vector<KeySym> keysyms_;  // (maxKeycode_ - minKeycode_ + 1) rows of perKeycode_ entries
};

}  // namespace zorvel
