#pragma once

// What the input tests share beyond the test support library: a display opened again while the
// server resets, an input connection dispatched for a while, and xdotool as a step of a test.

#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

#include <chrono>
#include <string>

#include "support_process.h"
#include "support_tool_window.h"

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

// Dispatches `source` (anything with FileDescriptor() and Dispatch()) until `done` holds (checked
// before every round) or `timeout` passes; each round waits up to `pollMs` for input first.
template <class Source, class Done>
void PumpUntil(Source& source, Done done, std::chrono::milliseconds timeout, int pollMs) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!done() && std::chrono::steady_clock::now() < deadline) {
    pollfd watch{source.FileDescriptor(), POLLIN, 0};
    poll(&watch, 1, pollMs);
    source.Dispatch();
  }
}

// Runs xdotool; the test fails when it does.
inline void Xdotool(const std::string& args) {
  const CommandResult result = RunXdotool(args);
  ASSERT_EQ(result.status, test::Exited(0)) << result.output;
}

}  // namespace zorvel::test
