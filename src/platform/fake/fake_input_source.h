#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace zorvel {

// An input source for unit tests: the test pushes events, Dispatch() delivers them to the callback
// while recording. Events pushed while not recording are dropped at the next Dispatch().
class TFakeInputSource final : public IInputSource {
 public:
  int FileDescriptor() const override { return -1; }
  void Dispatch() override;
  bool Start(Callback callback) override;
  void Stop() override;
  bool Recording() const override { return recording_; }

  void Push(const EVENTMSG& event) { pending_.push_back(event); }
  // Push() then Dispatch().
  void Deliver(const EVENTMSG& event);
  // Makes the next Start() calls fail (the source then stays idle), giving `reason` as the
  // StartFailure().
  void RefuseStart(bool refuse, std::string reason = {}) {
    refuseStart_ = refuse;
    failure_ = std::move(reason);
  }
  std::string StartFailure() const override { return refuseStart_ ? failure_ : std::string(); }
  int StartCount() const { return startCount_; }
  int StopCount() const { return stopCount_; }

 private:
  Callback callback_;
  std::vector<EVENTMSG> pending_;
  bool recording_ = false;
  bool refuseStart_ = false;
  std::string failure_;
  int startCount_ = 0;
  int stopCount_ = 0;
};

}  // namespace zorvel
