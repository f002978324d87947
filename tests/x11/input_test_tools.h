#pragma once

// What the input tests share beyond the test support library: a display opened again while the
// server resets, an input connection dispatched for a while, and xdotool as a step of a test.

#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <string>

#include "support_process.h"
#include "support_tool_window.h"
#include "wait_until.h"

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

// One round of dispatching `source` (anything with FileDescriptor() and Dispatch()): waits up to
// `pollMs` for input, then dispatches what there is.
template <class Source>
std::function<void()> DispatchRound(Source& source, int pollMs) {
  return [&source, pollMs] {
    pollfd watch{source.FileDescriptor(), POLLIN, 0};
    poll(&watch, 1, pollMs);
    source.Dispatch();
  };
}

// Dispatches `source` until `done` holds (checked before every round) or `timeout` passes; a
// failure names `what`.
template <class Source>
::testing::AssertionResult PumpUntil(Source& source, const std::string& what,
                                     const std::function<bool()>& done,
                                     std::chrono::milliseconds timeout, int pollMs) {
  return WaitUntil(what, done, {}, TWait(timeout, DispatchRound(source, pollMs)));
}

// Dispatches `source` for `duration`.
template <class Source>
void PumpFor(Source& source, std::chrono::milliseconds duration, int pollMs) {
  (void)PumpUntil(
      source, "the end of the time", [] { return false; }, duration, pollMs);
}

// Runs xdotool; the test fails when it does.
inline void Xdotool(const std::string& args) {
  const CommandResult result = RunXdotool(args);
  ASSERT_EQ(result.status, test::Exited(0)) << result.output;
}

}  // namespace zorvel::test
