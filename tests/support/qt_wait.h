#pragma once

// The GUI tests' waits: Qt handles its events (and deletes what was deleted later) between two
// checks, so queued signals and the ends of runs arrive while the test waits.

#include <QTest>

#include <chrono>

#include "wait_until.h"

namespace zorvel::test {

inline TWait WithQtEvents(std::chrono::milliseconds timeout = std::chrono::seconds(5)) {
  return {timeout, [] { QTest::qWait(10); }};
}

}  // namespace zorvel::test
