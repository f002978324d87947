#include "platform/wayland/keymap_wayland.h"

#include <linux/input-event-codes.h>

#include <array>
#include <set>

#include "common/error.h"
#include "common/typed_text.h"

namespace zorvel {
namespace {

constexpr std::array<uint16_t, 256> MakeVkTable() {
  std::array<uint16_t, 256> t{};
  t[0x08] = KEY_BACKSPACE;
  t[0x09] = KEY_TAB;
  t[0x0D] = KEY_ENTER;
  t[0x10] = KEY_LEFTSHIFT;
  t[0x11] = KEY_LEFTCTRL;
  t[0x12] = KEY_LEFTALT;
  t[0x13] = KEY_PAUSE;
  t[0x14] = KEY_CAPSLOCK;
  t[0x1B] = KEY_ESC;
  t[0x20] = KEY_SPACE;
  t[0x21] = KEY_PAGEUP;
  t[0x22] = KEY_PAGEDOWN;
  t[0x23] = KEY_END;
  t[0x24] = KEY_HOME;
  t[0x25] = KEY_LEFT;
  t[0x26] = KEY_UP;
  t[0x27] = KEY_RIGHT;
  t[0x28] = KEY_DOWN;
  t[0x2C] = KEY_SYSRQ;
  t[0x2D] = KEY_INSERT;
  t[0x2E] = KEY_DELETE;
  constexpr uint16_t kDigits[] = {KEY_0, KEY_1, KEY_2, KEY_3, KEY_4,
                                  KEY_5, KEY_6, KEY_7, KEY_8, KEY_9};
  for (int i = 0; i < 10; ++i) t[0x30 + i] = kDigits[i];
  constexpr uint16_t kLetters[] = {KEY_A, KEY_B, KEY_C, KEY_D, KEY_E, KEY_F, KEY_G, KEY_H, KEY_I,
                                   KEY_J, KEY_K, KEY_L, KEY_M, KEY_N, KEY_O, KEY_P, KEY_Q, KEY_R,
                                   KEY_S, KEY_T, KEY_U, KEY_V, KEY_W, KEY_X, KEY_Y, KEY_Z};
  for (int i = 0; i < 26; ++i) t[0x41 + i] = kLetters[i];
  t[0x5B] = KEY_LEFTMETA;
  t[0x5C] = KEY_RIGHTMETA;
  t[0x5D] = KEY_COMPOSE;
  constexpr uint16_t kPad[] = {KEY_KP0, KEY_KP1, KEY_KP2, KEY_KP3, KEY_KP4,
                               KEY_KP5, KEY_KP6, KEY_KP7, KEY_KP8, KEY_KP9};
  for (int i = 0; i < 10; ++i) t[0x60 + i] = kPad[i];
  t[0x6A] = KEY_KPASTERISK;
  t[0x6B] = KEY_KPPLUS;
  t[0x6C] = KEY_KPCOMMA;
  t[0x6D] = KEY_KPMINUS;
  t[0x6E] = KEY_KPDOT;
  t[0x6F] = KEY_KPSLASH;
  constexpr uint16_t kFunction[] = {KEY_F1,  KEY_F2,  KEY_F3,  KEY_F4,  KEY_F5,  KEY_F6,
                                    KEY_F7,  KEY_F8,  KEY_F9,  KEY_F10, KEY_F11, KEY_F12,
                                    KEY_F13, KEY_F14, KEY_F15, KEY_F16, KEY_F17, KEY_F18,
                                    KEY_F19, KEY_F20, KEY_F21, KEY_F22, KEY_F23, KEY_F24};
  for (int i = 0; i < 24; ++i) t[0x70 + i] = kFunction[i];
  t[0x90] = KEY_NUMLOCK;
  t[0x91] = KEY_SCROLLLOCK;
  t[0xA0] = KEY_LEFTSHIFT;
  t[0xA1] = KEY_RIGHTSHIFT;
  t[0xA2] = KEY_LEFTCTRL;
  t[0xA3] = KEY_RIGHTCTRL;
  t[0xA4] = KEY_LEFTALT;
  t[0xA5] = KEY_RIGHTALT;
  t[0xAD] = KEY_MUTE;
  t[0xAE] = KEY_VOLUMEDOWN;
  t[0xAF] = KEY_VOLUMEUP;
  t[0xB0] = KEY_NEXTSONG;
  t[0xB1] = KEY_PREVIOUSSONG;
  t[0xB2] = KEY_STOPCD;
  t[0xB3] = KEY_PLAYPAUSE;
  t[0xBA] = KEY_SEMICOLON;
  t[0xBB] = KEY_EQUAL;
  t[0xBC] = KEY_COMMA;
  t[0xBD] = KEY_MINUS;
  t[0xBE] = KEY_DOT;
  t[0xBF] = KEY_SLASH;
  t[0xC0] = KEY_GRAVE;
  t[0xDB] = KEY_LEFTBRACE;
  t[0xDC] = KEY_BACKSLASH;
  t[0xDD] = KEY_RIGHTBRACE;
  t[0xDE] = KEY_APOSTROPHE;
  t[0xE2] = KEY_102ND;
  return t;
}

constexpr std::array<uint16_t, 256> kVkToEvdev = MakeVkTable();

xkb_keysym_t KeysymOfTyped(char32_t cp) {
  if (cp == kTypedReturn) return XKB_KEY_Return;
  if (cp == kTypedTab) return XKB_KEY_Tab;
  return xkb_utf32_to_keysym(cp);
}

}  // namespace

uint32_t EvdevCodeForVk(uint8_t vk) {
  return kVkToEvdev[vk];
}

TXkbContextPtr NewXkbContext() {
  TXkbContextPtr context(xkb_context_new(XKB_CONTEXT_NO_FLAGS));
  if (!context) throw Error("Cannot set up the keyboard description library (xkbcommon).");
  return context;
}

TXkbKeymapPtr BaseKeymap(xkb_context* context) {
  const xkb_rule_names names{"evdev", "pc105", "us", "", ""};
  TXkbKeymapPtr keymap(xkb_keymap_new_from_names(context, &names, XKB_KEYMAP_COMPILE_NO_FLAGS));
  if (!keymap)
    throw Error("Cannot build the US keyboard layout: the keyboard data (xkb-data) is missing.");
  return keymap;
}

std::string KeymapText(xkb_keymap* keymap) {
  char* text = xkb_keymap_get_as_string(keymap, XKB_KEYMAP_FORMAT_TEXT_V1);
  if (!text) throw Error("Cannot write out a keyboard layout.");
  std::string out(text);
  free(text);
  return out;
}

TTextKeymap BuildTextKeymap(xkb_context* context, const std::vector<char32_t>& characters,
                            const std::vector<uint32_t>& avoid) {
  const std::set<uint32_t> avoided(avoid.begin(), avoid.end());
  TTextKeymap result;
  std::string keycodes = "xkb_keycodes \"zorvel\" {\n  minimum = 8;\n  maximum = 255;\n";
  std::string symbols = "xkb_symbols \"zorvel\" {\n";
  uint32_t xkbCode = kEvdevToXkb + 1;
  for (const char32_t cp : characters) {
    if (result.evdevCode.count(cp)) continue;
    const xkb_keysym_t keysym = KeysymOfTyped(cp);
    char name[64] = {};
    if (keysym == XKB_KEY_NoSymbol || xkb_keysym_get_name(keysym, name, sizeof name) <= 0) continue;
    while (avoided.count(xkbCode - kEvdevToXkb)) ++xkbCode;
    if (xkbCode > kEvdevToXkb + kTextKeymapKeys)
      throw Error("Too many different characters for one keyboard layout.");
    const std::string key = "<K" + std::to_string(xkbCode) + ">";
    keycodes += "  " + key + " = " + std::to_string(xkbCode) + ";\n";
    symbols += "  key " + key + " { [ " + name + " ] };\n";
    result.evdevCode[cp] = xkbCode - kEvdevToXkb;
    ++xkbCode;
  }
  const std::string source = "xkb_keymap {\n" + keycodes +
                             "};\nxkb_types \"zorvel\" { include \"complete\" };\n"
                             "xkb_compatibility \"zorvel\" { include \"complete\" };\n" +
                             symbols + "};\n};\n";
  TXkbKeymapPtr keymap(xkb_keymap_new_from_string(
      context, source.c_str(), XKB_KEYMAP_FORMAT_TEXT_V1, XKB_KEYMAP_COMPILE_NO_FLAGS));
  if (!keymap) throw Error("Cannot build a keyboard layout for the text to type.");
  result.text = KeymapText(keymap.get());
  return result;
}

std::vector<std::vector<char32_t>> SplitForKeymaps(const std::vector<char32_t>& characters,
                                                   size_t keysPerKeymap) {
  std::vector<std::vector<char32_t>> runs;
  std::set<char32_t> distinct;
  for (const char32_t cp : characters) {
    if (runs.empty() || (!distinct.count(cp) && distinct.size() == keysPerKeymap)) {
      runs.emplace_back();
      distinct.clear();
    }
    distinct.insert(cp);
    runs.back().push_back(cp);
  }
  return runs;
}

}  // namespace zorvel
