// Global hotkeys against a real X server: xdotool presses the keys, a second client competes for
// the grabs.

// gtest and the core first: Xlib defines None, Bool and KeyPress as macros.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <tuple>
#include <vector>

#include "input_test_tools.h"
#include "support_process.h"
// clang-format off
#include <X11/Xlib.h>
#include <X11/XKBlib.h>
#include <X11/keysym.h>
#include "platform/x11/connection_x11.h"
#include "platform/x11/keymap_x11.h"
#include "platform/x11/x11_desktop.h"
// clang-format on

namespace zorvel {
namespace {

constexpr uint32_t VK_F2 = 0x71, VK_F3 = 0x72, VK_F5 = 0x74, VK_F6 = 0x75, VK_F7 = 0x76;

using Press = std::tuple<int, uint32_t, uint32_t>;  // id, modifiers, key

using test::Xdotool;

// Another program on the same display that grabs keys of its own.
class OtherClient {
 public:
  OtherClient() : display_(OpenX11Display()) {}
  // Grabs Ctrl (plus `extra` modifier bits) + the key of `keysym`; false when refused.
  bool Grab(KeySym keysym, unsigned extra = 0) {
    TX11ErrorTrap trap(display_.get());
    XGrabKey(display_.get(), XKeysymToKeycode(display_.get(), keysym), ControlMask | extra,
             DefaultRootWindow(display_.get()), True, GrabModeAsync, GrabModeAsync);
    return trap.Sync() == 0;
  }
  void Ungrab(KeySym keysym, unsigned extra = 0) {
    XUngrabKey(display_.get(), XKeysymToKeycode(display_.get(), keysym), ControlMask | extra,
               DefaultRootWindow(display_.get()));
    XSync(display_.get(), False);
  }
  Display* display() const { return display_.get(); }

 private:
  TDisplayPtr display_;
};

class HotkeysX11 : public testing::Test {
 protected:
  HotkeysX11() : hotkeys(CreateX11Hotkeys()) {
    hotkeys->SetCallback([this](int id, uint32_t modifiers, uint32_t vk) {
      presses.emplace_back(id, modifiers, vk);
    });
  }

  // Runs xdotool, then collects what the hotkeys deliver.
  std::vector<Press> PressKeys(const std::string& xdotoolArgs) {
    presses.clear();
    Xdotool(xdotoolArgs);
    Pump();
    return presses;
  }

  // Dispatches the hotkeys for a while.
  void Pump() { test::PumpFor(*hotkeys, std::chrono::milliseconds(150), 10); }

  ~HotkeysX11() override {
    // A failed case must not leave a lock on for the tests that follow on this display.
    if (Indicators() & kCapsLockIndicator) Xdotool("key Caps_Lock");
    if (Indicators() & kNumLockIndicator) Xdotool("key Num_Lock");
  }

  static constexpr unsigned kCapsLockIndicator = 1u, kNumLockIndicator = 2u;
  unsigned Indicators() {
    unsigned state = 0;
    XkbGetIndicatorState(other.display(), XkbUseCoreKbd, &state);
    return state;
  }
  bool NumLockOn() { return (Indicators() & kNumLockIndicator) != 0; }

  std::unique_ptr<IHotkeys> hotkeys;
  std::vector<Press> presses;
  OtherClient other;
};

TEST_F(HotkeysX11, GrabbedCombinationIsDeliveredWhateverTheLocks) {
  ASSERT_TRUE(hotkeys->Register(7, MOD_CONTROL, VK_F2));
  ASSERT_TRUE(hotkeys->Register(8, MOD_ALT, VK_F3));
  struct Case {
    const char* keys;
    std::vector<Press> expected;
  };
  const std::vector<Case> cases = {
      {"key ctrl+F2", {{7, MOD_CONTROL, VK_F2}}},
      {"key alt+F3", {{8, MOD_ALT, VK_F3}}},
      {"key ctrl+F2 ctrl+F2", {{7, MOD_CONTROL, VK_F2}, {7, MOD_CONTROL, VK_F2}}},
      {"key F2 ctrl+F3 alt+F2 ctrl+shift+F2 ctrl+alt+F3 shift+alt+F3", {}},
  };
  for (const char* locks : {"", "Num_Lock", "Caps_Lock", "Num_Lock Caps_Lock"}) {
    SCOPED_TRACE(testing::Message() << "locks: " << locks);
    if (*locks) Xdotool(std::string("key ") + locks);
    if (std::string(locks).find("Num") != std::string::npos) {
      EXPECT_TRUE(NumLockOn());
    }
    for (const Case& c : cases) {
      SCOPED_TRACE(c.keys);
      EXPECT_EQ(PressKeys(c.keys), c.expected);
    }
    if (*locks) Xdotool(std::string("key ") + locks);  // back off
    EXPECT_FALSE(NumLockOn());
  }
}

TEST_F(HotkeysX11, CombinationHeldByAnotherClientIsRefusedAndLeavesNoGrab) {
  ASSERT_TRUE(other.Grab(XK_F5));
  EXPECT_FALSE(hotkeys->Register(1, MOD_CONTROL, VK_F5));
  EXPECT_EQ(PressKeys("key ctrl+F5"), std::vector<Press>{});

  // The other client holds only the Num Lock variant: the grabs taken before the refusal are
  // released again, so the plain combination stays free.
  ASSERT_TRUE(other.Grab(XK_F6, Mod2Mask));
  EXPECT_FALSE(hotkeys->Register(2, MOD_CONTROL, VK_F6));
  EXPECT_TRUE(other.Grab(XK_F6));
  other.Ungrab(XK_F6);
  other.Ungrab(XK_F6, Mod2Mask);
  EXPECT_TRUE(hotkeys->Register(2, MOD_CONTROL, VK_F6));
  EXPECT_FALSE(other.Grab(XK_F6));
}

TEST_F(HotkeysX11, UnregisterReleasesTheGrabUnlessAnotherIdSharesIt) {
  ASSERT_TRUE(hotkeys->Register(1, MOD_CONTROL, VK_F7));
  ASSERT_TRUE(hotkeys->Register(2, MOD_CONTROL, VK_F7));
  EXPECT_EQ(PressKeys("key ctrl+F7"),
            (std::vector<Press>{{1, MOD_CONTROL, VK_F7}, {2, MOD_CONTROL, VK_F7}}));
  hotkeys->Unregister(1);
  EXPECT_EQ(PressKeys("key ctrl+F7"), (std::vector<Press>{{2, MOD_CONTROL, VK_F7}}));
  EXPECT_FALSE(other.Grab(XK_F7));
  hotkeys->Unregister(2);
  EXPECT_TRUE(other.Grab(XK_F7));
  other.Ungrab(XK_F7);
  EXPECT_EQ(PressKeys("key ctrl+F7"), std::vector<Press>{});
}

TEST_F(HotkeysX11, RegisteringAnIdAgainMovesItAndUnknownKeysAreRefused) {
  ASSERT_TRUE(hotkeys->Register(3, MOD_CONTROL, VK_F2));
  ASSERT_TRUE(hotkeys->Register(3, MOD_CONTROL, VK_F3));
  EXPECT_EQ(PressKeys("key ctrl+F2 ctrl+F3"), (std::vector<Press>{{3, MOD_CONTROL, VK_F3}}));
  EXPECT_TRUE(other.Grab(XK_F2)) << "the old combination was released";
  other.Ungrab(XK_F2);
  EXPECT_FALSE(hotkeys->Register(4, MOD_CONTROL, 0xFF));
  EXPECT_FALSE(hotkeys->Register(4, MOD_CONTROL, 0x1234));
}

// Moves the keysym F9 from its keycode to a spare one while it lives.
class MovedF9 {
 public:
  explicit MovedF9(Display* display)
      : display_(display),
        home_(XKeysymToKeycode(display, XK_F9)),
        spare_(TX11Keymap(display).SpareKeycodes().front()),
        saved_(XGetKeyboardMapping(display, home_, 1, &perKeycode_)) {
    KeySym f9 = XK_F9, none = NoSymbol;
    XChangeKeyboardMapping(display_, spare_, 1, &f9, 1);
    XChangeKeyboardMapping(display_, home_, 1, &none, 1);
    XSync(display_, False);
  }
  ~MovedF9() {
    KeySym none = NoSymbol;
    XChangeKeyboardMapping(display_, home_, perKeycode_, saved_, 1);
    XChangeKeyboardMapping(display_, spare_, 1, &none, 1);
    XSync(display_, False);
    XFree(saved_);
  }
  MovedF9(const MovedF9&) = delete;
  MovedF9& operator=(const MovedF9&) = delete;

 private:
  Display* display_;
  KeyCode home_;
  KeyCode spare_;
  int perKeycode_ = 0;
  KeySym* saved_;
};

TEST_F(HotkeysX11, GrabFollowsTheKeyWhenTheKeyboardMappingChanges) {
  ASSERT_TRUE(hotkeys->Register(9, MOD_CONTROL, 0x78));
  {
    MovedF9 moved(other.display());
    Pump();  // the hotkeys see the change and grab the key where it is now
    EXPECT_EQ(PressKeys("key ctrl+F9"), (std::vector<Press>{{9, MOD_CONTROL, 0x78}}));
    EXPECT_FALSE(other.Grab(XK_F9)) << "the new place is grabbed";
  }
  Pump();
  EXPECT_EQ(PressKeys("key ctrl+F9"), (std::vector<Press>{{9, MOD_CONTROL, 0x78}}));
}

}  // namespace
}  // namespace zorvel
