#pragma once

// What the wayland tests share: the compositor they run against (scripts/with-sway starts it),
// and the test windows they drive.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "support_process.h"
#include "support_tool_window.h"

namespace zorvel::test {

// Skips the test when no compositor is there (run the tests through scripts/with-sway).
#define ZORVEL_REQUIRE_SWAY()                                                   \
  do {                                                                          \
    if (!std::getenv("WAYLAND_DISPLAY") || !std::getenv("SWAYSOCK"))            \
      GTEST_SKIP() << "needs a sway compositor: run through scripts/with-sway"; \
  } while (0)

// The native test window that paints paint_scene and logs its input, started and ready.
inline std::unique_ptr<TToolWindow> StartPaintWindow() {
  auto window =
      std::make_unique<TToolWindow>("zorvel-test-wayland-paint", std::vector<std::string>{});
  EXPECT_TRUE(window->WaitReady()) << "the Wayland test window";
  return window;
}

// Headless sway draws the pointer into the frames it copies, and shows it again when a window
// appears under it; it hides it once the pointer has rested 100 ms (scripts/with-sway). Captures
// that are compared with the scene wait for that first.
inline void WaitForThePointerToHide() {
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
}

// The Qt line edit, as a native Wayland client, started and ready.
inline std::unique_ptr<TToolWindow> StartQtLineEdit(std::vector<std::string> args = {}) {
  setenv("QT_QPA_PLATFORM", "wayland", 1);
  auto window = std::make_unique<TToolWindow>("zorvel-test-qt-line-edit", std::move(args));
  EXPECT_TRUE(window->WaitReady()) << "the Qt line edit";
  return window;
}

// Runs a sway command through swaymsg; its output.
inline std::string Swaymsg(const std::string& command) {
  return RunCommand("swaymsg '" + command + "'").output;
}

}  // namespace zorvel::test
