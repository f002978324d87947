// zorvel-cli's choice of desktop backend: the notice in a Wayland session without a native
// backend, and the refusal of a backend that cannot be used.

#include <gtest/gtest.h>

#include <string>

#include "support_process.h"
#include "temp_folder.h"

namespace zorvel {
namespace {

const char kNotice[] =
    "zorvel-cli: Wayland session: input reaches only X11 programs, the screen cannot be read, "
    "hotkeys work only while an X11 window has the focus\n";

// A macro that only waits a moment, in its own folder.
class ShortMacro {
 public:
  ShortMacro() : path_(folder_.File("short.xml")) {
    test::WriteFile(path_,
                    "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
                    "<zorvel Zorvel=\"1.1\" FName=\"short\" FCreateTime=\"12/08/26\">\n"
                    "<Config StartHotkey=\"1\" StopHotkey=\"2\" RepeatType=\"0\" RepeatTimes=\"1\" "
                    "RepeatSpeed=\"0\" Interval=\"0\"/>\n"
                    "<ActionList>\n<item actionType=\"4\" delay=\"10\"/>\n</ActionList>\n"
                    "</zorvel>\n");
  }
  const std::string& Path() const { return path_; }

 private:
  test::TempFolder folder_;
  std::string path_;
};

std::string Cli(const std::string& environment, const std::string& args) {
  return environment + " " + test::BuiltProgram("zorvel-cli") + " " + args + " 2>&1";
}

class CliBackendChoice : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!std::getenv("DISPLAY")) GTEST_SKIP() << "no X display";
  }
  ShortMacro macro_;
};

TEST_F(CliBackendChoice, WaylandSessionWithoutNativeBackendSaysWhatWillNotWork) {
  // A Wayland session whose compositor cannot be reached: the X11 backend, and the notice once.
  const auto result = test::RunCommand(
      Cli("WAYLAND_DISPLAY=/nonexistent/wayland-0 ZORVEL_BACKEND=", "play " + macro_.Path()));
  EXPECT_EQ(result.status, test::Exited(0)) << result.output;
  EXPECT_EQ(result.output, std::string(kNotice) + "\"short\" finished\n");
}

TEST_F(CliBackendChoice, X11SessionHasNoNotice) {
  const auto result =
      test::RunCommand(Cli("env -u WAYLAND_DISPLAY XDG_SESSION_TYPE=x11", "play " + macro_.Path()));
  EXPECT_EQ(result.status, test::Exited(0)) << result.output;
  EXPECT_EQ(result.output, "\"short\" finished\n");
}

TEST_F(CliBackendChoice, RequestedBackendIsUsedOrRefusedClearly) {
  const struct {
    std::string environment, args, output;
    int exitCode;
  } cases[] = {
      {"WAYLAND_DISPLAY=/nonexistent/wayland-0", "--backend x11 play " + macro_.Path(),
       std::string(kNotice) + "\"short\" finished\n", 0},
      {"env -u WAYLAND_DISPLAY", "play --backend=x11 " + macro_.Path(), "\"short\" finished\n", 0},
      {"env -u WAYLAND_DISPLAY", "--backend wayland play " + macro_.Path(),
       "zorvel-cli play: The Wayland backend cannot be used: it needs a Wayland compositor that "
       "offers virtual pointers, virtual keyboards and screen copies (sway and other wlroots "
       "desktops).\n",
       1},
      {"ZORVEL_BACKEND=quartz", "play " + macro_.Path(),
       "zorvel-cli play: Unknown desktop backend \"quartz\": use x11 or wayland.\n", 1},
  };
  for (const auto& c : cases) {
    const auto result = test::RunCommand(Cli(c.environment, c.args));
    EXPECT_EQ(result.status, test::Exited(c.exitCode)) << c.args;
    EXPECT_EQ(result.output, c.output) << c.args;
  }
}

}  // namespace
}  // namespace zorvel
