// A run started by its hotkey, pressed as a person presses it: the keys of the chord are still
// down when the run begins, and none of them may reach what the macro sends.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "../support/fixed_clock.h"
#include "common/date_time.h"
#include "input_test_tools.h"
#include "model/action_ctrl.h"
#include "model/xml_document.h"
#include "platform/fake/fake_screen.h"
#include "platform/x11/x11_desktop.h"
#include "playback/run_ctrl.h"
#include "support_process.h"
#include "test_actions.h"

// Last, and without the event names that clash with the key actions.
#include <X11/Xlib.h>
#undef KeyPress
#undef KeyRelease

namespace zorvel {
namespace {

constexpr uint32_t VK_F2 = 0x71;
constexpr unsigned kControlBit = 0x4;

using test::Click;
using test::Key;
using test::TToolWindow;
using test::Type;

// The state=0x... field of a logged event.
unsigned StateOf(const std::string& line) {
  const size_t at = line.find("state=0x");
  return at == std::string::npos ? ~0u : std::stoul(line.substr(at + 8), nullptr, 16);
}

class HotkeyStartTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!getenv("DISPLAY")) GTEST_SKIP() << "no X display";
    static Display* held = test::RetryOpen([] { return XOpenDisplay(nullptr); });
    ASSERT_NE(held, nullptr) << "cannot open the X display";
    input = CreateX11Input();
    hotkeys = CreateX11Hotkeys();
    ctrl = std::make_unique<TRunCtrl>(*input, screen, clock, [this](uint64_t) { ended = true; });
    macro = std::make_shared<TActionCtrl>(document, ".");
  }
  void TearDown() override {
    ctrl.reset();
    hotkeys.reset();
  }

  void SetActions(std::vector<TActionObj> actions) {
    for (const TActionObj& action : actions)
      macro->Actions.Add(std::make_shared<TActionObj>(action));
  }

  // Runs `person` (who presses the chord with xdotool) on a thread of its own while the hotkey
  // connection is dispatched here; the hotkey starts the macro. Returns once the run has ended.
  void PressChordAndPlay(const std::function<void()>& person) {
    hotkeys->SetCallback([this](int, uint32_t modifiers, uint32_t vk) {
      ctrl->Start(macro, TKeyChord::Hotkey(modifiers, vk));
    });
    ASSERT_TRUE(hotkeys->Register(1, MOD_CONTROL, VK_F2));
    std::thread hand(person);
    const ::testing::AssertionResult played = test::PumpUntil(
        *hotkeys, "the run to start and end", [this] { return ended.load(); },
        std::chrono::seconds(10), 5);
    hand.join();
    ASSERT_TRUE(played);
    ctrl->RunFinished(ctrl->CurrentRunId());
  }

  TFakeScreen screen{1920, 1080};
  TFixedClock clock;
  TXMLDocument document;
  std::unique_ptr<IInput> input;
  std::unique_ptr<IHotkeys> hotkeys;
  std::unique_ptr<TRunCtrl> ctrl;
  std::shared_ptr<TActionCtrl> macro;
  std::atomic<bool> ended{false};
};

TEST_F(HotkeyStartTest, TheChordThatStartedTheRunReachesNoneOfItsInput) {
  TToolWindow window("zorvel-test-xlog-window", {"--geometry", "300x200+50+50"});
  ASSERT_TRUE(window.WaitReady());
  SetActions({Type("greetings"), Click(MouseButton::Left, MouseAction::SingleClick, 150, 150),
              Key(0x74), Type("wq")});
  // Ctrl down, F2 down, F2 up after 150 ms, Ctrl up 200 ms later.
  PressChordAndPlay(
      [] { test::RunXdotool("keydown ctrl keydown F2 sleep 0.15 keyup F2 sleep 0.2 keyup ctrl"); });

  EXPECT_TRUE(window.WaitForLine("Line \"wq\""));
  EXPECT_EQ(window.LinesStarting("Line"),
            (std::vector<std::string>{"Line \"greetings\"", "Line \"wq\""}));
  const auto clicks = window.LinesStarting("ButtonPress");
  ASSERT_EQ(clicks.size(), 1u);
  EXPECT_EQ(StateOf(clicks[0]) & kControlBit, 0u) << clicks[0];
  for (const auto& line : window.LinesStarting("KeyPress")) {
    if (line.find("keysym=Control") != std::string::npos) continue;
    EXPECT_EQ(StateOf(line) & kControlBit, 0u) << line;
  }
  // 11 characters, F5 and 2 Returns, besides the user's Ctrl.
  size_t played = 0;
  for (const auto& line : window.LinesStarting("KeyPress"))
    played += line.find("keysym=Control") == std::string::npos;
  EXPECT_EQ(played, 14u) << testing::PrintToString(window.LinesStarting("KeyPress"));
}

TEST_F(HotkeyStartTest, ControlPressedByTheUserDuringTheRunIsLetGoOfForEachAction) {
  TToolWindow window("zorvel-test-xlog-window", {"--geometry", "300x200+50+50"});
  ASSERT_TRUE(window.WaitReady());
  // The user presses Ctrl again once the first text has arrived, while the run waits before the
  // second, and holds it until the run has ended.
  SetActions({Type("one"), test::Delay(1500), Type("two"),
              Click(MouseButton::Left, MouseAction::SingleClick, 150, 150)});
  PressChordAndPlay([&] {
    test::RunXdotool("keydown ctrl keydown F2 sleep 0.1 keyup F2 keyup ctrl");
    if (window.WaitForLine("Line \"one\"")) test::RunXdotool("keydown ctrl");
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!ended && std::chrono::steady_clock::now() < until)
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    test::RunXdotool("keyup ctrl");
  });
  EXPECT_TRUE(window.WaitForLine("Line \"two\""));
  EXPECT_EQ(window.LinesStarting("Line"),
            (std::vector<std::string>{"Line \"one\"", "Line \"two\""}));
  for (const auto& line : window.LinesStarting("ButtonPress"))
    EXPECT_EQ(StateOf(line) & kControlBit, 0u) << line;
  for (const auto& line : window.LinesStarting("KeyPress")) {
    if (line.find("keysym=Control") != std::string::npos) continue;
    EXPECT_EQ(StateOf(line) & kControlBit, 0u) << line;
  }
}

}  // namespace
}  // namespace zorvel
