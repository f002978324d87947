#pragma once

// Keys and keymaps for the virtual keyboard: the evdev code of a virtual-key code on the keymap
// the keyboard starts with (US layout), and keymaps made for one text, which put each of its
// characters on a key of its own, so that any character can be typed whatever the layout.

#include <xkbcommon/xkbcommon.h>

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace zorvel {

// The evdev code of the key a virtual-key code names; 0 when no key has it.
uint32_t EvdevCodeForVk(uint8_t vk);

// Evdev codes are xkb keycodes less 8.
inline constexpr uint32_t kEvdevToXkb = 8;

struct TXkbContextFree {
  void operator()(xkb_context* context) const { xkb_context_unref(context); }
};
struct TXkbKeymapFree {
  void operator()(xkb_keymap* keymap) const { xkb_keymap_unref(keymap); }
};
struct TXkbStateFree {
  void operator()(xkb_state* state) const { xkb_state_unref(state); }
};
using TXkbContextPtr = std::unique_ptr<xkb_context, TXkbContextFree>;
using TXkbKeymapPtr = std::unique_ptr<xkb_keymap, TXkbKeymapFree>;
using TXkbStatePtr = std::unique_ptr<xkb_state, TXkbStateFree>;

// A new xkbcommon context. Throws Error when it cannot be made.
TXkbContextPtr NewXkbContext();
// The US keymap the virtual keyboard starts with. Throws Error when the keyboard data is missing.
TXkbKeymapPtr BaseKeymap(xkb_context* context);
// The keymap as text, as the virtual keyboard sends it.
std::string KeymapText(xkb_keymap* keymap);

// The most characters one text keymap holds: xkb keycodes 9 to 255 (X11 programs on the same
// desktop cannot use more).
inline constexpr size_t kTextKeymapKeys = 247;

// A keymap for typing some characters: each of them (and Return and Tab for the typed line
// breaks and tabs) on a key of its own, on the only level.
struct TTextKeymap {
  std::string text;                        // compiled and written out by xkbcommon
  std::map<char32_t, uint32_t> evdevCode;  // character -> evdev code of its key
};
// Builds the keymap for `characters` (at most kTextKeymapKeys distinct ones, fewer by the number
// of `avoid`), leaving the keys of the evdev codes in `avoid` (keys held down) empty. Throws
// Error when xkbcommon refuses it or the characters do not fit.
TTextKeymap BuildTextKeymap(xkb_context* context, const std::vector<char32_t>& characters,
                            const std::vector<uint32_t>& avoid = {});

// `characters` cut into runs of at most `keysPerKeymap` distinct characters each, in order.
std::vector<std::vector<char32_t>> SplitForKeymaps(const std::vector<char32_t>& characters,
                                                   size_t keysPerKeymap = kTextKeymapKeys);

}  // namespace zorvel
