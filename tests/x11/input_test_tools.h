#pragma once

// What the input tests share beyond the test support library: a display opened again while the
// server resets, and xdotool as a step of a test.

#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

#include "support_process.h"
#include "support_tool_process.h"

namespace zorvel::test {

// Calls `open` until it gives a non-null result or two seconds pass: a server whose last client
// just left resets and refuses connections for a moment.
template <class Open>
auto RetryOpen(Open open) -> decltype(open()) {
  for (int attempt = 0; attempt < 40; ++attempt) {
    if (auto result = open()) return result;
    usleep(50000);
  }
  return open();
}

// Runs xdotool; the test fails when it does.
inline void Xdotool(const std::string& args) {
  const CommandResult result = RunXdotool(args);
  ASSERT_EQ(result.exitCode, 0) << result.output;
}

}  // namespace zorvel::test
