// Hotkeys through sway's IPC socket: registering, taken combinations, delivery, removal (also of
// a crashed process's bindings), and zorvel-cli play started and stopped by sway hotkeys.

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <thread>

#include "platform/platform.h"
#include "platform/wayland/sway_ipc_wayland.h"
#include "platform/wayland/wayland_desktop.h"
#include "temp_folder.h"
#include "wait_until.h"
#include "wayland_test_tools.h"

namespace zorvel {
namespace {

using namespace std::chrono_literals;

constexpr uint8_t kF6 = VK_F1 + 5, kF7 = VK_F1 + 6, kF8 = VK_F1 + 7, kF9 = VK_F1 + 8;

void PressCtrl(IInput& input, uint8_t vk) {
  input.keybd_event(VK_CONTROL, 0);
  input.keybd_event(vk, 0);
  input.keybd_event(vk, KEYEVENTF_KEYUP);
  input.keybd_event(VK_CONTROL, KEYEVENTF_KEYUP);
}

// Dispatches `hotkeys` for up to `timeout`; the ids delivered.
std::vector<int> Delivered(IHotkeys& hotkeys, std::chrono::milliseconds timeout = 1s) {
  std::vector<int> ids;
  hotkeys.SetCallback([&](int id, uint32_t, uint32_t) { ids.push_back(id); });
  (void)test::WaitUntil("a hotkey",
                        [&] {
                          hotkeys.Dispatch();
                          return !ids.empty();
                        },
                        {}, {timeout});
  return ids;
}

// The commands of the binding events `ipc` (subscribed) receives within `timeout`.
std::vector<std::string> BindingCommands(TSwayIpc& ipc, std::chrono::milliseconds timeout) {
  std::vector<std::string> commands;
  (void)test::WaitUntil("the whole timeout (binding events are collected meanwhile)",
                        [&] {
                          while (ipc.Readable()) {
                            uint32_t type = 0;
                            const std::string payload = ipc.Read(type);
                            if (type == TSwayIpc::kBindingEvent)
                              commands.push_back(JsonString(payload, "command").value_or(""));
                          }
                          return false;
                        },
                        {}, {timeout});
  return commands;
}

class SwayHotkeys : public ::testing::Test {
 protected:
  void SetUp() override { ZORVEL_REQUIRE_SWAY(); }
};

TEST_F(SwayHotkeys, RegisteredCombinationIsDeliveredUntilUnregistered) {
  auto input = CreateWaylandInput();
  auto hotkeys = CreateWaylandHotkeys();
  ASSERT_TRUE(hotkeys->Register(3, MOD_CONTROL, kF7));
  ASSERT_TRUE(hotkeys->Register(4, MOD_CONTROL, kF7));  // the same binding serves both
  PressCtrl(*input, kF7);
  EXPECT_EQ(Delivered(*hotkeys), (std::vector<int>{3, 4}));
  hotkeys->Unregister(3);
  PressCtrl(*input, kF7);
  EXPECT_EQ(Delivered(*hotkeys), (std::vector<int>{4}));
  hotkeys->Unregister(4);
  PressCtrl(*input, kF7);
  EXPECT_EQ(Delivered(*hotkeys, 300ms), (std::vector<int>{}));
}

TEST_F(SwayHotkeys, CombinationsBoundElsewhereAreTaken) {
  auto hotkeys = CreateWaylandHotkeys();
  EXPECT_FALSE(hotkeys->Register(1, MOD_CONTROL, kF9));  // bound in the configuration
  auto other = CreateWaylandHotkeys();
  ASSERT_TRUE(other->Register(1, MOD_CONTROL, kF6));
  EXPECT_FALSE(hotkeys->Register(2, MOD_CONTROL, kF6));  // another live Zorvel holds it
  other.reset();
  EXPECT_TRUE(hotkeys->Register(2, MOD_CONTROL, kF6));  // let go on exit
}

TEST_F(SwayHotkeys, BindingsOfACrashedProcessAreRemovedAtTheNextStart) {
  auto input = CreateWaylandInput();
  TSwayIpc watch(SwaySocketPath());
  ASSERT_NE(watch.Request(TSwayIpc::kSubscribe, "[\"binding\"]").find("true"), std::string::npos);
  const pid_t child = fork();
  if (child == 0) {
    auto hotkeys = CreateWaylandHotkeys();
    _exit(hotkeys->Register(1, MOD_CONTROL, kF8) ? 0 : 1);  // no clean-up: as in a crash
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_EQ(WEXITSTATUS(status), 0);
  PressCtrl(*input, kF8);
  const auto before = BindingCommands(watch, 500ms);
  ASSERT_EQ(before.size(), 1u);
  EXPECT_EQ(before[0], "nop zorvel-hotkey " + std::to_string(child) + " Ctrl+f8");

  auto hotkeys = CreateWaylandHotkeys();
  PressCtrl(*input, kF8);
  EXPECT_EQ(BindingCommands(watch, 500ms), (std::vector<std::string>{}));
}

// A macro that waits long, stopped by Ctrl+F7.
std::string WaitingMacro(const std::string& folder) {
  const std::string path = folder + "/wait.xml";
  std::ofstream(path) << "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
                         "<zorvel Zorvel=\"1.1\" FName=\"wait\" FCreateTime=\"12/08/26\">\n"
                         "<Config StartHotkey=\"1\" StopHotkey=\"6\" RepeatType=\"0\" "
                         "RepeatTimes=\"1\" RepeatSpeed=\"0\" Interval=\"0\"/>\n"
                         "<ActionList>\n<item actionType=\"4\" delay=\"20000\"/>\n</ActionList>\n"
                         "</zorvel>\n";
  return path;
}

TEST_F(SwayHotkeys, SwayHotkeyStartsCliPlayAndItsStopHotkeyStopsIt) {
  test::TempFolder folder;
  chmod(folder.path().c_str(), 0777);  // sway's own user runs what its bindings start
  const std::string macro = WaitingMacro(folder.path());
  const std::string out = folder.path() + "/out";
  test::Swaymsg("bindsym Ctrl+F10 exec " + test::BuiltProgram("zorvel-cli") + " play " + macro +
                " >" + out + " 2>&1");
  auto input = CreateWaylandInput();
  PressCtrl(*input, VK_F1 + 9);
  // Started; its stop hotkey is bound a moment later.
  ASSERT_TRUE(test::WaitUntil(
      "sway to start zorvel-cli play",
      [&] {
        return test::RunCommand("pgrep -f 'zorvel-cli play " + macro + "'").status ==
               test::Exited(0);
      },
      [&] { return "its output: " + ::testing::PrintToString(test::ReadFile(out)); }, {5s}));
  std::this_thread::sleep_for(500ms);
  PressCtrl(*input, kF7);
  EXPECT_TRUE(test::WaitForValue("zorvel-cli's output", [&] { return test::ReadFile(out); },
                                 std::string("\"wait\" stopped\n"), {5s}));
  test::Swaymsg("unbindsym Ctrl+F10");
}

TEST_F(SwayHotkeys, CliPlaySaysWhenTheStopHotkeyIsTaken) {
  test::TempFolder folder;
  std::string macro = WaitingMacro(folder.path());
  // Stop hotkey Ctrl+F9, which the configuration binds; the macro waits 20 s, so end it by signal.
  std::string text = test::ReadFile(macro);
  text.replace(text.find("StopHotkey=\"6\""), 14, "StopHotkey=\"8\"");
  test::WriteFile(macro, text);
  const auto result = test::RunCommand("timeout -s INT 1 " + test::BuiltProgram("zorvel-cli") +
                                       " play " + macro + " 2>&1");
  EXPECT_NE(result.output.find("the stop hotkey Ctrl+F9 is taken by another program"),
            std::string::npos)
      << result.output;
  EXPECT_NE(result.output.find("\"wait\" stopped"), std::string::npos) << result.output;
}

}  // namespace
}  // namespace zorvel
