#include "platform/x11/keymap_x11.h"

#define XK_MISCELLANY
#define XK_LATIN1
#include <X11/XF86keysym.h>
#include <X11/XKBlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>

#include <array>
#include <utility>

namespace zorvel {
namespace {

struct VkKeysym {
  uint8_t vk;
  unsigned long keysym;
};

// Played keysym of each virtual-key code. Letters and digits are filled in by VkTable().
constexpr VkKeysym kFixedKeys[] = {
    {0x03, XK_Cancel},
    {0x08, XK_BackSpace},
    {0x09, XK_Tab},
    {0x0C, XK_Clear},
    {0x0D, XK_Return},
    {0x10, XK_Shift_L},
    {0x11, XK_Control_L},
    {0x12, XK_Alt_L},
    {0x13, XK_Pause},
    {0x14, XK_Caps_Lock},
    {0x1B, XK_Escape},
    {0x20, XK_space},
    {0x21, XK_Prior},
    {0x22, XK_Next},
    {0x23, XK_End},
    {0x24, XK_Home},
    {0x25, XK_Left},
    {0x26, XK_Up},
    {0x27, XK_Right},
    {0x28, XK_Down},
    {0x29, XK_Select},
    {0x2A, XK_Print},
    {0x2B, XK_Execute},
    {0x2C, XK_Print},
    {0x2D, XK_Insert},
    {0x2E, XK_Delete},
    {0x2F, XK_Help},
    {0x5B, XK_Super_L},
    {0x5C, XK_Super_R},
    {0x5D, XK_Menu},
    {0x5F, XF86XK_Sleep},
    {0x6A, XK_KP_Multiply},
    {0x6B, XK_KP_Add},
    {0x6C, XK_KP_Separator},
    {0x6D, XK_KP_Subtract},
    {0x6E, XK_KP_Decimal},
    {0x6F, XK_KP_Divide},
    {0x90, XK_Num_Lock},
    {0x91, XK_Scroll_Lock},
    {0xA0, XK_Shift_L},
    {0xA1, XK_Shift_R},
    {0xA2, XK_Control_L},
    {0xA3, XK_Control_R},
    {0xA4, XK_Alt_L},
    {0xA5, XK_Alt_R},
    {0xA6, XF86XK_Back},
    {0xA7, XF86XK_Forward},
    {0xA8, XF86XK_Refresh},
    {0xA9, XF86XK_Stop},
    {0xAA, XF86XK_Search},
    {0xAB, XF86XK_Favorites},
    {0xAC, XF86XK_HomePage},
    {0xAD, XF86XK_AudioMute},
    {0xAE, XF86XK_AudioLowerVolume},
    {0xAF, XF86XK_AudioRaiseVolume},
    {0xB0, XF86XK_AudioNext},
    {0xB1, XF86XK_AudioPrev},
    {0xB2, XF86XK_AudioStop},
    {0xB3, XF86XK_AudioPlay},
    {0xB4, XF86XK_Mail},
    {0xB5, XF86XK_AudioMedia},
    {0xB6, XF86XK_MyComputer},
    {0xB7, XF86XK_Calculator},
    {0xBA, XK_semicolon},
    {0xBB, XK_equal},
    {0xBC, XK_comma},
    {0xBD, XK_minus},
    {0xBE, XK_period},
    {0xBF, XK_slash},
    {0xC0, XK_grave},
    {0xDB, XK_bracketleft},
    {0xDC, XK_backslash},
    {0xDD, XK_bracketright},
    {0xDE, XK_apostrophe},
    {0xE2, XK_less},
};

// Keysyms that record as another code than the one that plays them.
constexpr VkKeysym kExtraInverse[] = {
    {0x10, XK_Shift_R},   {0x11, XK_Control_R},        {0x12, XK_Alt_R},     {0x12, XK_Meta_L},
    {0x12, XK_Meta_R},    {0x12, XK_ISO_Level3_Shift}, {0x2C, XK_Print},     {0x2C, XK_Sys_Req},
    {0x13, XK_Break},     {0x0D, XK_KP_Enter},         {0x60, XK_KP_Insert}, {0x61, XK_KP_End},
    {0x62, XK_KP_Down},   {0x63, XK_KP_Next},          {0x64, XK_KP_Left},   {0x65, XK_KP_Begin},
    {0x66, XK_KP_Right},  {0x67, XK_KP_Home},          {0x68, XK_KP_Up},     {0x69, XK_KP_Prior},
    {0x6E, XK_KP_Delete}, {0x09, XK_ISO_Left_Tab},
};

using VkTableT = std::array<unsigned long, 256>;

VkTableT BuildVkTable() {
  VkTableT table{};
  for (int i = 0; i < 10; ++i) {
    table[0x30 + i] = XK_0 + i;
    table[0x60 + i] = XK_KP_0 + i;
  }
  for (int i = 0; i < 26; ++i) table[0x41 + i] = XK_a + i;
  for (int i = 0; i < 24; ++i) table[0x70 + i] = XK_F1 + i;
  for (const auto& entry : kFixedKeys) table[entry.vk] = entry.keysym;
  return table;
}

const VkTableT& VkTable() {
  static const VkTableT table = BuildVkTable();
  return table;
}

uint8_t InverseLookup(unsigned long keysym) {
  if (keysym >= XK_A && keysym <= XK_Z) return static_cast<uint8_t>(0x41 + (keysym - XK_A));
  for (const auto& entry : kExtraInverse)
    if (entry.keysym == keysym) return entry.vk;
  const VkTableT& table = VkTable();
  // Prefer the generic modifier codes over the left/right ones: scan upwards from 0x01.
  for (int vk = 1; vk < 256; ++vk)
    if (table[vk] == keysym) return static_cast<uint8_t>(vk);
  return 0;
}

}  // namespace

unsigned long KeysymForVk(uint8_t vk) {
  return VkTable()[vk];
}

uint8_t VkForKeysym(unsigned long keysym) {
  if (keysym == NoSymbol) return 0;
  return InverseLookup(keysym);
}

TX11Keymap::TX11Keymap(Display* display) : display_(display) {
  // An XKB server tells XKB clients (as Xlib is) of mapping changes through XKB notices.
  int opcode = 0, event = 0, error = 0, major = XkbMajorVersion, minor = XkbMinorVersion;
  if (XkbQueryExtension(display_, &opcode, &event, &error, &major, &minor)) {
    xkbEventBase_ = event;
    const unsigned long mask = XkbMapNotifyMask | XkbNewKeyboardNotifyMask;
    XkbSelectEvents(display_, XkbUseCoreKbd, mask, mask);
  }
  Refresh();
}

void TX11Keymap::Refresh() {
  XDisplayKeycodes(display_, &minKeycode_, &maxKeycode_);
  const int count = maxKeycode_ - minKeycode_ + 1;
  int perKeycode = 0;
  KeySym* map =
      XGetKeyboardMapping(display_, static_cast<KeyCode>(minKeycode_), count, &perKeycode);
  perKeycode_ = map ? perKeycode : 0;
  keysyms_.assign(map, map + (map ? static_cast<size_t>(count) * perKeycode_ : 0));
  if (map) XFree(map);
}

bool TX11Keymap::HandleEvent(XEvent& event) {
  if (xkbEventBase_ >= 0 && event.type == xkbEventBase_) {
    const auto& xkb = reinterpret_cast<XkbEvent&>(event);
    if (xkb.any.xkb_type != XkbMapNotify && xkb.any.xkb_type != XkbNewKeyboardNotify) return false;
    if (xkb.any.xkb_type == XkbMapNotify)
      XkbRefreshKeyboardMapping(const_cast<XkbMapNotifyEvent*>(&xkb.map));
    Refresh();
    return true;
  }
  if (event.type != MappingNotify) return false;
  XRefreshKeyboardMapping(&event.xmapping);
  if (event.xmapping.request == MappingPointer) return false;
  Refresh();
  return true;
}

KeySym TX11Keymap::KeysymAt(KeyCode keycode, int level) const {
  if (keycode < minKeycode_ || keycode > maxKeycode_ || level < 0 || level > 1) return NoSymbol;
  if (level >= perKeycode_) return NoSymbol;
  const size_t row = static_cast<size_t>(keycode - minKeycode_) * perKeycode_;
  const KeySym first = keysyms_[row];
  const KeySym second = perKeycode_ > 1 ? keysyms_[row + 1] : NoSymbol;
  if (level == 0) return first;
  if (second != NoSymbol) return second;
  // A lone letter keysym stands for both cases (the Xlib rule for the first group).
  KeySym lower = NoSymbol;
  KeySym upper = NoSymbol;
  XConvertCase(first, &lower, &upper);
  return upper != lower ? upper : NoSymbol;
}

std::optional<TKeyPlace> TX11Keymap::Find(KeySym keysym) const {
  if (keysym == NoSymbol) return std::nullopt;
  for (int level = 0; level < 2; ++level)
    for (int code = minKeycode_; code <= maxKeycode_; ++code)
      if (KeysymAt(static_cast<KeyCode>(code), level) == keysym)
        return TKeyPlace{static_cast<KeyCode>(code), level == 1};
  return std::nullopt;
}

uint8_t TX11Keymap::VkForKeycode(KeyCode keycode) const {
  for (int level = 0; level < 2; ++level) {
    const uint8_t vk = VkForKeysym(KeysymAt(keycode, level));
    if (vk != 0) return vk;
  }
  return 0;
}

uint8_t TX11Keymap::HandedVkForKeycode(KeyCode keycode) const {
  static constexpr VkKeysym kHanded[] = {
      {0xA0, XK_Shift_L}, {0xA1, XK_Shift_R}, {0xA2, XK_Control_L}, {0xA3, XK_Control_R},
      {0xA4, XK_Alt_L},   {0xA5, XK_Alt_R},   {0x5B, XK_Super_L},   {0x5C, XK_Super_R},
  };
  const KeySym keysym = KeysymAt(keycode, 0);
  for (const auto& entry : kHanded)
    if (entry.keysym == keysym) return entry.vk;
  return VkForKeycode(keycode);
}

std::vector<KeyCode> TX11Keymap::SpareKeycodes() const {
  std::vector<KeyCode> spare;
  for (int code = maxKeycode_; code >= minKeycode_; --code) {
    const size_t row = static_cast<size_t>(code - minKeycode_) * perKeycode_;
    bool empty = true;
    for (int i = 0; i < perKeycode_ && empty; ++i) empty = keysyms_[row + i] == NoSymbol;
    if (empty) spare.push_back(static_cast<KeyCode>(code));
  }
  return spare;
}

}  // namespace zorvel
