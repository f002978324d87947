// The virtual-key/keysym table and the cached keymap on a real server.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/x11/keymap_x11.h"

#include <X11/XF86keysym.h>
#include <X11/keysym.h>

namespace zorvel {
namespace {

struct VkCase {
  uint8_t vk;
  unsigned long keysym;
};

TEST(VkKeysymTable, PlayedKeysyms) {
  const std::vector<VkCase> cases = {
      {0x41, XK_a},
      {0x5A, XK_z},
      {0x30, XK_0},
      {0x39, XK_9},
      {0x70, XK_F1},
      {0x7B, XK_F12},
      {0x87, XK_F24},
      {0x10, XK_Shift_L},
      {0x11, XK_Control_L},
      {0x12, XK_Alt_L},
      {0xA1, XK_Shift_R},
      {0xA3, XK_Control_R},
      {0x5B, XK_Super_L},
      {0x0D, XK_Return},
      {0x08, XK_BackSpace},
      {0x09, XK_Tab},
      {0x1B, XK_Escape},
      {0x20, XK_space},
      {0x21, XK_Prior},
      {0x22, XK_Next},
      {0x25, XK_Left},
      {0x28, XK_Down},
      {0x2D, XK_Insert},
      {0x2E, XK_Delete},
      {0x2C, XK_Print},
      {0x14, XK_Caps_Lock},
      {0x90, XK_Num_Lock},
      {0x60, XK_KP_0},
      {0x69, XK_KP_9},
      {0x6A, XK_KP_Multiply},
      {0x6F, XK_KP_Divide},
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
      {0xAD, XF86XK_AudioMute},
      {0xB3, XF86XK_AudioPlay},
      {0xAF, XF86XK_AudioRaiseVolume},
      // codes without a key
      {0x00, NoSymbol},
      {0x01, NoSymbol},
      {0x07, NoSymbol},
      {0xFF, NoSymbol},
  };
  for (const VkCase& c : cases) EXPECT_EQ(KeysymForVk(c.vk), c.keysym) << std::hex << int{c.vk};
}

TEST(VkKeysymTable, RecordedCodes) {
  const std::vector<VkCase> cases = {
      {0x41, XK_a},
      {0x41, XK_A},
      {0x5A, XK_Z},
      {0x31, XK_1},
      {0x10, XK_Shift_L},
      {0x10, XK_Shift_R},
      {0x11, XK_Control_L},
      {0x11, XK_Control_R},
      {0x12, XK_Alt_L},
      {0x12, XK_Alt_R},
      {0x12, XK_Meta_L},
      {0x2C, XK_Print},
      {0x0D, XK_Return},
      {0x0D, XK_KP_Enter},
      {0x60, XK_KP_0},
      {0x60, XK_KP_Insert},
      {0x6E, XK_KP_Decimal},
      {0x6E, XK_KP_Delete},
      {0x86, XK_F23},
      {0xBA, XK_semicolon},
      {0xB3, XF86XK_AudioPlay},
      {0x09, XK_ISO_Left_Tab},
      {0x00, NoSymbol},
      {0x00, XK_eacute},
      {0x00, 0x1006F22},
  };
  for (const VkCase& c : cases) EXPECT_EQ(VkForKeysym(c.keysym), c.vk) << std::hex << c.keysym;
  // Every played keysym records as a code that plays it again, but the right-hand modifiers,
  // which record as the generic codes (played left-hand).
  for (int vk = 1; vk < 256; ++vk) {
    const unsigned long keysym = KeysymForVk(static_cast<uint8_t>(vk));
    if (keysym == NoSymbol || vk == 0xA1 || vk == 0xA3 || vk == 0xA5) continue;
    EXPECT_EQ(KeysymForVk(VkForKeysym(keysym)), keysym) << std::hex << vk;
  }
}

class KeymapTest : public ::testing::Test {
 protected:
  void SetUp() override {
    display_ = XOpenDisplay(nullptr);
    if (!display_) GTEST_SKIP() << "no X display";
  }
  void TearDown() override {
    if (display_) XCloseDisplay(display_);
  }
  Display* display_ = nullptr;
};

TEST_F(KeymapTest, FindsKeysymsOnTheirLevel) {
  TX11Keymap keymap(display_);
  const auto a = keymap.Find(XK_a);
  const auto upperA = keymap.Find(XK_A);
  const auto exclam = keymap.Find(XK_exclam);
  ASSERT_TRUE(a && upperA && exclam);
  EXPECT_EQ(*upperA, (TKeyPlace{a->keycode, true}));
  EXPECT_FALSE(a->shifted);
  EXPECT_TRUE(exclam->shifted);
  EXPECT_EQ(keymap.Find(XK_1)->keycode, exclam->keycode);
  EXPECT_EQ(keymap.KeysymAt(a->keycode, 0), static_cast<KeySym>(XK_a));
  EXPECT_EQ(keymap.KeysymAt(a->keycode, 1), static_cast<KeySym>(XK_A));
  EXPECT_EQ(keymap.VkForKeycode(a->keycode), 0x41);
  EXPECT_EQ(keymap.VkForKeycode(keymap.Find(XK_Shift_R)->keycode), 0x10);
  EXPECT_FALSE(keymap.Find(0x1006F22));  // no key carries a CJK character
  EXPECT_FALSE(keymap.Find(NoSymbol));
  EXPECT_EQ(keymap.KeysymAt(static_cast<KeyCode>(keymap.MinKeycode() - 1), 0),
            static_cast<KeySym>(NoSymbol));
}

TEST_F(KeymapTest, SpareKeycodesAndMappingChanges) {
  TX11Keymap keymap(display_);
  const std::vector<KeyCode> spare = keymap.SpareKeycodes();
  ASSERT_FALSE(spare.empty());
  for (size_t i = 1; i < spare.size(); ++i) EXPECT_GT(spare[i - 1], spare[i]);
  const KeyCode keycode = spare.front();
  EXPECT_EQ(keymap.KeysymAt(keycode, 0), static_cast<KeySym>(NoSymbol));

  // Another client changes the mapping; the copy follows at the change notice.
  Display* other = XOpenDisplay(nullptr);
  KeySym row[2] = {XK_eacute, XK_Eacute};
  XChangeKeyboardMapping(other, keycode, 2, row, 1);
  XSync(other, False);
  bool refreshed = false;
  for (int i = 0; i < 200 && !refreshed; ++i) {
    XSync(display_, False);
    while (XPending(display_) > 0) {
      XEvent event;
      XNextEvent(display_, &event);
      refreshed = keymap.HandleEvent(event) || refreshed;
    }
  }
  EXPECT_TRUE(refreshed);
  EXPECT_EQ(keymap.Find(XK_Eacute), (std::optional<TKeyPlace>{{keycode, true}}));
  KeySym empty[2] = {NoSymbol, NoSymbol};
  XChangeKeyboardMapping(other, keycode, 2, empty, 1);
  XSync(other, False);
  XCloseDisplay(other);
  keymap.Refresh();
  EXPECT_FALSE(keymap.Find(XK_eacute));
}

}  // namespace
}  // namespace zorvel
