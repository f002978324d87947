#pragma once

// Waiting for something a test cannot make happen at once (a window's log line, a file, the end
// of a run). Every wait returns a ::testing::AssertionResult: on failure it says what was waited
// for, for how long, and what there was instead, so EXPECT_TRUE(WaitUntil(...)) prints more than
// "false". Header-only: the unit tests use it without the test support library.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace zorvel::test {

struct TWait {
  TWait(std::chrono::milliseconds timeout = std::chrono::seconds(5),
        std::function<void()> step = {})
      : timeout(timeout), step(std::move(step)) {}

  std::chrono::milliseconds timeout;
  // Runs between two checks: a 10 ms sleep unless a test needs events handled meanwhile (the GUI
  // tests let Qt process its events here).
  std::function<void()> step;
};

// Checks `done` until it holds or the wait's timeout passes. `seen`, called once on failure,
// tells what there was instead (a log's last lines, a value).
inline ::testing::AssertionResult WaitUntil(const std::string& what,
                                            const std::function<bool()>& done,
                                            const std::function<std::string()>& seen = {},
                                            const TWait& wait = {}) {
  const auto deadline = std::chrono::steady_clock::now() + wait.timeout;
  while (!done()) {
    if (std::chrono::steady_clock::now() >= deadline) {
      ::testing::AssertionResult failure = ::testing::AssertionFailure();
      failure << "waited " << wait.timeout.count() << " ms for " << what;
      if (seen) failure << "; there was: " << seen();
      return failure;
    }
    if (wait.step)
      wait.step();
    else
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return ::testing::AssertionSuccess();
}

// Waits until `get()` equals `want`; the failure shows the last value.
template <class Get, class T>
::testing::AssertionResult WaitForValue(const std::string& what, Get get, const T& want,
                                        const TWait& wait = {}) {
  decltype(get()) last{};
  return WaitUntil(
      what + " to be " + ::testing::PrintToString(want),
      [&] {
        last = get();
        return last == want;
      },
      [&] { return ::testing::PrintToString(last); }, wait);
}

// The last `count` lines, one per line and indented, for a failure message.
inline std::string LastLines(const std::vector<std::string>& lines, size_t count = 12) {
  if (lines.empty()) return "(no lines)";
  std::ostringstream out;
  const size_t first = lines.size() > count ? lines.size() - count : 0;
  if (first > 0) out << "(" << first << " earlier lines)";
  for (size_t i = first; i < lines.size(); ++i) out << "\n    " << lines[i];
  return out.str();
}

}  // namespace zorvel::test
