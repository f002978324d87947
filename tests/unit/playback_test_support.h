#pragma once

// A recording run timer for the playback tests.

#include <functional>
#include <string>
#include <vector>

#include "platform/fake/fake_input.h"
#include "platform/fake/fake_screen.h"
#include "platform/platform.h"
#include "playback/run_thread.h"

namespace zorvel::test {

// Passes no real time: writes "Sleep <ms>" and "Wait <ms>" to the input's transcript, moves its
// own clock on by `ms` and calls `onWait` (on the run thread) so that a test can request a stop
// inside a wait.
class TNoteTimer : public IRunTimer {
 public:
  explicit TNoteTimer(TFakeInput& input) : input_(input) {}
  std::function<void(int32_t ms)> onWait;

  void Sleep(int32_t ms) override {
    now_ += ms;
    input_.Note("Sleep " + std::to_string(ms));
    if (onWait) onWait(ms);
  }
  void Wait(int32_t ms, TStopSignal&) override {
    now_ += ms;
    input_.Note("Wait " + std::to_string(ms));
    if (onWait) onWait(ms);
  }
  int64_t NowMs() override { return now_; }

 private:
  TFakeInput& input_;
  int64_t now_ = 0;
};

}  // namespace zorvel::test
