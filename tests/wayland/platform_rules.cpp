// The Wayland backend's rules that need no compositor: key codes, text keymaps, frame copies,
// sway's binding texts and the choice of backend.

#include <gtest/gtest.h>
#include <linux/input-event-codes.h>
#include <wayland-client-protocol.h>

#include "common/error.h"
#include "common/typed_text.h"
#include "platform/backend_choice.h"
#include "platform/platform.h"
#include "platform/wayland/frame_wayland.h"
#include "platform/wayland/keymap_wayland.h"
#include "platform/wayland/sway_ipc_wayland.h"

namespace zorvel {
namespace {

TEST(WaylandKeys, VirtualKeysMapToEvdevCodes) {
  const struct {
    uint8_t vk;
    uint32_t code;
  } cases[] = {{'A', KEY_A},
               {'Q', KEY_Q},
               {'Z', KEY_Z},
               {'0', KEY_0},
               {'9', KEY_9},
               {VK_RETURN, KEY_ENTER},
               {VK_SHIFT, KEY_LEFTSHIFT},
               {VK_CONTROL, KEY_LEFTCTRL},
               {VK_MENU, KEY_LEFTALT},
               {VK_F1, KEY_F1},
               {0x7B, KEY_F12},
               {0x87, KEY_F24},
               {0x25, KEY_LEFT},
               {0x60, KEY_KP0},
               {0xBA, KEY_SEMICOLON},
               {0xDE, KEY_APOSTROPHE},
               {0x5B, KEY_LEFTMETA},
               {0xA5, KEY_RIGHTALT},
               {0x00, 0},
               {0xFF, 0},
               {0x07, 0}};
  for (const auto& c : cases) EXPECT_EQ(EvdevCodeForVk(c.vk), c.code) << int(c.vk);
}

TEST(WaylandKeys, BaseKeymapPutsVirtualKeysWhereExpected) {
  const TXkbContextPtr context = NewXkbContext();
  const TXkbKeymapPtr keymap = BaseKeymap(context.get());
  const struct {
    uint8_t vk;
    xkb_keysym_t keysym;
  } cases[] = {{'A', XKB_KEY_a},      {'M', XKB_KEY_m},
               {'5', XKB_KEY_5},      {VK_SHIFT, XKB_KEY_Shift_L},
               {VK_F1, XKB_KEY_F1},   {0xBF, XKB_KEY_slash},
               {0x6B, XKB_KEY_KP_Add}};
  for (const auto& c : cases) {
    const xkb_keysym_t* syms = nullptr;
    ASSERT_EQ(xkb_keymap_key_get_syms_by_level(keymap.get(), EvdevCodeForVk(c.vk) + kEvdevToXkb, 0,
                                               0, &syms),
              1);
    EXPECT_EQ(syms[0], c.keysym) << int(c.vk);
  }
}

// The character a client reads from a key of a text keymap, with no modifier.
char32_t CharacterOfKey(xkb_context* context, const std::string& text, uint32_t evdevCode) {
  TXkbKeymapPtr keymap(xkb_keymap_new_from_string(context, text.c_str(), XKB_KEYMAP_FORMAT_TEXT_V1,
                                                  XKB_KEYMAP_COMPILE_NO_FLAGS));
  if (!keymap) return 0;
  TXkbStatePtr state(xkb_state_new(keymap.get()));
  return xkb_state_key_get_utf32(state.get(), evdevCode + kEvdevToXkb);
}

TEST(WaylandKeys, TextKeymapTypesEveryCharacterAsItself) {
  const TXkbContextPtr context = NewXkbContext();
  const std::vector<char32_t> characters = TypedCharacters("aA zé€ß漢😀\u0301\tx!~\"\\");
  const TTextKeymap keymap = BuildTextKeymap(context.get(), characters);
  for (const char32_t cp : characters) {
    ASSERT_TRUE(keymap.evdevCode.count(cp)) << uint32_t(cp);
    EXPECT_EQ(CharacterOfKey(context.get(), keymap.text, keymap.evdevCode.at(cp)), cp)
        << uint32_t(cp);
  }
  // One key per distinct character: 'a' twice is one key, the keys are all different.
  std::set<uint32_t> codes;
  for (const auto& [cp, code] : keymap.evdevCode) codes.insert(code);
  EXPECT_EQ(codes.size(), keymap.evdevCode.size());
}

TEST(WaylandKeys, TextKeymapReturnIsTheReturnKeysym) {
  const TXkbContextPtr context = NewXkbContext();
  const TTextKeymap keymap = BuildTextKeymap(context.get(), {kTypedReturn});
  TXkbKeymapPtr compiled(xkb_keymap_new_from_string(
      context.get(), keymap.text.c_str(), XKB_KEYMAP_FORMAT_TEXT_V1, XKB_KEYMAP_COMPILE_NO_FLAGS));
  const xkb_keysym_t* syms = nullptr;
  ASSERT_EQ(xkb_keymap_key_get_syms_by_level(
                compiled.get(), keymap.evdevCode.at(kTypedReturn) + kEvdevToXkb, 0, 0, &syms),
            1);
  EXPECT_EQ(syms[0], XKB_KEY_Return);
}

TEST(WaylandKeys, TextKeymapLeavesHeldKeysEmptyAndRefusesTooMany) {
  const TXkbContextPtr context = NewXkbContext();
  const TTextKeymap keymap = BuildTextKeymap(context.get(), {U'a', U'b', U'c'}, {1, 2, 42});
  EXPECT_EQ(keymap.evdevCode.at(U'a'), 3u);
  EXPECT_EQ(keymap.evdevCode.at(U'b'), 4u);
  EXPECT_EQ(keymap.evdevCode.at(U'c'), 5u);
  std::vector<char32_t> many;
  for (char32_t cp = 0x4E00; cp < 0x4E00 + kTextKeymapKeys; ++cp) many.push_back(cp);
  EXPECT_NO_THROW(BuildTextKeymap(context.get(), many));
  EXPECT_THROW(BuildTextKeymap(context.get(), many, {42}), Error);
}

TEST(WaylandKeys, SplitKeepsOrderAndLimitsDistinctCharacters) {
  using Runs = std::vector<std::vector<char32_t>>;
  EXPECT_EQ(SplitForKeymaps({}, 2), Runs{});
  EXPECT_EQ(SplitForKeymaps({U'a', U'b', U'a', U'c', U'c', U'a'}, 2),
            (Runs{{U'a', U'b', U'a'}, {U'c', U'c', U'a'}}));
  EXPECT_EQ(SplitForKeymaps({U'a', U'a', U'a'}, 1), (Runs{{U'a', U'a', U'a'}}));
  EXPECT_EQ(SplitForKeymaps({U'x', U'y', U'z'}, 1), (Runs{{U'x'}, {U'y'}, {U'z'}}));
}

// A 3 x 2 frame of 32-bit pixels with a stride of 16 bytes, rows: (1,2,3) (4,5,6) in the first
// three bytes of every pixel.
std::vector<uint8_t> SmallFrame() {
  std::vector<uint8_t> data(32, 0xEE);
  for (int row = 0; row < 2; ++row)
    for (int col = 0; col < 3; ++col)
      for (int byte = 0; byte < 3; ++byte)
        data[row * 16 + col * 4 + byte] = static_cast<uint8_t>(row * 30 + col * 10 + byte);
  return data;
}

TEST(WaylandFrame, CopiesIntoBottomUpBgrAtItsPlace) {
  const std::vector<uint8_t> data = SmallFrame();
  const struct {
    uint32_t format;
    bool inverted;
    uint8_t topLeftBlue, topLeftRed;  // what lands at destination pixel (1, 1) from the top
    uint8_t bottomRightBlue;          // and at (3, 2), the frame's last pixel
  } cases[] = {{WL_SHM_FORMAT_XRGB8888, false, 0, 2, 50},
               {WL_SHM_FORMAT_ARGB8888, false, 0, 2, 50},
               {WL_SHM_FORMAT_XBGR8888, false, 2, 0, 52},
               {WL_SHM_FORMAT_ABGR8888, false, 2, 0, 52},
               {WL_SHM_FORMAT_XRGB8888, true, 30, 32, 20}};
  for (const auto& c : cases) {
    // Destination 5 x 4, 16 bytes per line; the frame goes to column 1, row 1 from the top.
    std::vector<uint8_t> out(64, 0x55);
    const TShmFrame frame{data.data(), c.format, 3, 2, 16, c.inverted};
    ASSERT_TRUE(CopyFrame(frame, BottomUpBgrTarget(out.data(), 16, 4), 1, 1));
    // Row 1 from the top is memory row 2 (bottom-up, 4 rows).
    const uint8_t* pixel = out.data() + 2 * 16 + 3;
    EXPECT_EQ(pixel[0], c.topLeftBlue) << c.format;
    EXPECT_EQ(pixel[2], c.topLeftRed) << c.format;
    EXPECT_EQ(out[2 * 16], 0x55);      // column 0 untouched
    EXPECT_EQ(out[3 * 16 + 3], 0x55);  // top row untouched
    EXPECT_EQ(out[1 * 16 + 3 * 3], c.bottomRightBlue) << c.format;
    EXPECT_EQ(out[1 * 16 + 4 * 3], 0x55);  // right of the frame untouched
  }
  const TShmFrame rgb565{data.data(), WL_SHM_FORMAT_RGB565, 3, 2, 16, false};
  std::vector<uint8_t> out(64);
  EXPECT_FALSE(CopyFrame(rgb565, BottomUpBgrTarget(out.data(), 16, 4), 0, 0));
}

TEST(SwayText, CombinationsAreWrittenAsSwayReadsThem) {
  const struct {
    uint32_t modifiers, vk;
    std::string written;
  } cases[] = {{MOD_CONTROL, VK_F1 + 4, "Ctrl+F5"},
               {MOD_CONTROL | MOD_SHIFT, 'A', "Shift+Ctrl+a"},
               {MOD_ALT | MOD_WIN, '7', "Mod1+Mod4+7"},
               {0, 0xBF, "slash"},
               {MOD_CONTROL, 0x00, ""},
               {MOD_CONTROL, 0x1FF, ""}};
  for (const auto& c : cases) EXPECT_EQ(SwayCombination(c.modifiers, c.vk), c.written) << c.vk;
}

TEST(SwayText, AliasesAndCaseGiveOneSpelling) {
  const std::vector<std::pair<std::string, std::string>> same = {{"Ctrl+F5", "control+f5"},
                                                                 {"Mod1+x", "Alt+X"},
                                                                 {"Mod4+Return", "Super+return"},
                                                                 {"Shift+Ctrl+a", "Ctrl+Shift+A"},
                                                                 {"Ctrl++", "Control++"}};
  for (const auto& [a, b] : same) EXPECT_EQ(NormalizedCombination(a), NormalizedCombination(b));
  EXPECT_NE(NormalizedCombination("Ctrl+F5"), NormalizedCombination("Ctrl+Shift+F5"));
  EXPECT_NE(NormalizedCombination("Ctrl+F5"), NormalizedCombination("F5"));
  EXPECT_EQ(NormalizedCombination("Ctrl+F5"), "Ctrl+f5");
}

TEST(SwayText, ConfiguredBindingsWithVariablesAndFlags) {
  const std::string config =
      "set $mod Mod4\n"
      "set $mode Ctrl\n"
      "# bindsym Ctrl+F1 exec commented-out\n"
      "bindsym $mod+Return exec foot\n"
      "  bindsym --no-repeat --release $mode+F6 exec x\n"
      "bindsym Ctrl+Shift+q kill\n"
      "bindcode 36 exec y\n"
      "bindsym\n";
  const std::set<std::string> expected = {NormalizedCombination("Mod4+Return"),
                                          NormalizedCombination("Ctrl+F6"),
                                          NormalizedCombination("Shift+Ctrl+Q")};
  EXPECT_EQ(ConfiguredCombinations(config), expected);
}

TEST(SwayText, JsonStringsAreFoundAndUnescaped) {
  const std::string json =
      R"({"change": "run", "binding": {"command": "nop zorvel-hotkey 12 Ctrl+f5",)"
      R"( "other": "a\"b\\c\nd"}})";
  EXPECT_EQ(JsonString(json, "command"), "nop zorvel-hotkey 12 Ctrl+f5");
  EXPECT_EQ(JsonString(json, "other"), "a\"b\\c\nd");
  EXPECT_EQ(JsonString(json, "missing"), std::nullopt);
  EXPECT_EQ(JsonString(R"({"command": 5})", "command"), std::nullopt);
  EXPECT_EQ(JsonString(R"({"command": "unterminated)", "command"), std::nullopt);
}

TEST(BackendChoice, SessionRequestAndNotice) {
  EXPECT_TRUE(IsWaylandSession("wayland-1", nullptr));
  EXPECT_TRUE(IsWaylandSession(nullptr, "wayland"));
  EXPECT_FALSE(IsWaylandSession("", "x11"));
  EXPECT_FALSE(IsWaylandSession(nullptr, nullptr));

  const struct {
    std::string requested;
    bool session, usable;
    TBackend chosen;
  } cases[] = {{"", true, true, TBackend::kWayland},
               {"", true, false, TBackend::kX11},
               {"", false, false, TBackend::kX11},
               {"x11", true, true, TBackend::kX11},
               {"wayland", true, true, TBackend::kWayland}};
  for (const auto& c : cases)
    EXPECT_EQ(ChooseBackend(c.requested, c.session, c.usable), c.chosen) << c.requested;
  EXPECT_THROW(ChooseBackend("wayland", true, false), Error);
  EXPECT_THROW(ChooseBackend("quartz", false, false), Error);

  EXPECT_EQ(BackendNotice(TBackend::kX11, true),
            "Wayland session: input reaches only X11 programs, the screen cannot be read, "
            "hotkeys work only while an X11 window has the focus");
  EXPECT_EQ(BackendNotice(TBackend::kX11, false), "");
  EXPECT_EQ(BackendNotice(TBackend::kWayland, true), "");
}

}  // namespace
}  // namespace zorvel
