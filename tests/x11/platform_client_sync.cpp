// Waiting for the client of a window to have handled its events, by pinging the window.

#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "input_test_tools.h"
#include "support_tool_window.h"

// Last: the X headers' names (None, Bool ...) clash with the test framework's.
#include <X11/Xlib.h>

#include "platform/x11/client_sync_x11.h"

namespace zorvel {
namespace {

using std::chrono::milliseconds;
using test::TToolWindow;

class X11ClientSyncTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!getenv("DISPLAY")) GTEST_SKIP() << "no X display";
    static Display* held = test::RetryOpen([] { return XOpenDisplay(nullptr); });
    display_ = held;
    ASSERT_NE(display_, nullptr);
  }
  // A window of this test's own connection that lists the ping protocol; nobody answers for it.
  Window SilentWindow() {
    const Window window =
        XCreateSimpleWindow(display_, DefaultRootWindow(display_), 0, 0, 10, 10, 0, 0, 0);
    Atom ping = XInternAtom(display_, "_NET_WM_PING", False);
    XSetWMProtocols(display_, window, &ping, 1);
    XSync(display_, False);
    return window;
  }

  Display* display_ = nullptr;
  TX11ClientSync sync;
};

TEST_F(X11ClientSyncTest, AQtWindowAnswersEveryPing) {
  TToolWindow edit("zorvel-test-qt-line-edit", {"--geometry", "300x60+50+50"});
  ASSERT_TRUE(edit.WaitReady());
  const Window window = edit.Window();
  ASSERT_EQ(sync.PingWindow(window), window);
  for (int i = 0; i < 3; ++i) EXPECT_TRUE(sync.Sync(window, milliseconds(5000))) << i;
  // A focus on a window inside it (as toolkits with child windows set it) pings the top level.
  const Window inner = XCreateSimpleWindow(display_, window, 0, 0, 10, 10, 0, 0, 0);
  XSync(display_, False);
  EXPECT_EQ(sync.PingWindow(inner), window);
  XDestroyWindow(display_, inner);
  XSync(display_, False);
}

// Windows that cannot be asked: the caller falls back to fixed pauses for them.
TEST_F(X11ClientSyncTest, WindowsWithoutTheProtocolAreNotAsked) {
  TToolWindow xlog("zorvel-test-xlog-window", {"--geometry", "300x200+50+50"});
  ASSERT_TRUE(xlog.WaitReady());
  const Window plain =
      XCreateSimpleWindow(display_, DefaultRootWindow(display_), 0, 0, 10, 10, 0, 0, 0);
  XSync(display_, False);
  const Window gone = SilentWindow();
  XDestroyWindow(display_, gone);
  XSync(display_, False);
  const struct {
    const char* name;
    Window window;
  } cases[] = {{"no focus", None},
               {"pointer root", PointerRoot},
               {"Xlib window without the ping protocol", xlog.Window()},
               {"window without any protocols", plain},
               {"window that is gone", gone}};
  for (const auto& c : cases) EXPECT_EQ(sync.PingWindow(c.window), Window{None}) << c.name;
  XDestroyWindow(display_, plain);
}

// A ping that is not answered, or cannot be sent, ends after the time-out instead of hanging.
TEST_F(X11ClientSyncTest, UnansweredPingsEndInTime) {
  const Window silent = SilentWindow();
  ASSERT_EQ(sync.PingWindow(silent), silent);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(sync.Sync(silent, milliseconds(100)));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
  XDestroyWindow(display_, silent);
  XSync(display_, False);
  EXPECT_FALSE(sync.Sync(silent, milliseconds(100)));
}

}  // namespace
}  // namespace zorvel
