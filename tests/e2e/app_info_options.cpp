// `zorvel --help` and `zorvel --version` answer without a display, so they work in a terminal
// with no desktop (a package check, a remote shell).

#include <gtest/gtest.h>

#include "common/version.h"
#include "support_process.h"

namespace zorvel::test {
namespace {

TEST(AppInfoOptions, HelpAndVersionPrintAndExitZeroWithoutADisplay) {
  struct Case {
    const char* option;
    std::string expected;
  };
  const Case cases[] = {
      {"--help", "--folder <DIR>"},
      {"-h", "Records and replays mouse and keyboard macros."},
      {"--version", std::string(kProductCaption) + "\n"},
      {"-v", std::string(kProductCaption) + "\n"},
  };
  for (const Case& c : cases) {
    const CommandResult result =
        RunCommand("env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb '" +
                   BuiltProgram("zorvel") + "' " + c.option + " 2>&1");
    EXPECT_EQ(result.status, test::Exited(0)) << c.option << ": " << result.output;
    EXPECT_NE(result.output.find(c.expected), std::string::npos)
        << c.option << ": " << result.output;
  }
  // Without those options the program does need a display, and says so.
  const CommandResult plain = RunCommand("env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb '" +
                                         BuiltProgram("zorvel") + "' --folder /nonexistent 2>&1");
  EXPECT_NE(plain.status, test::Exited(0));
}

}  // namespace
}  // namespace zorvel::test
