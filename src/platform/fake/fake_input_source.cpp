#include "platform/fake/fake_input_source.h"

namespace zorvel {

void TFakeInputSource::Dispatch() {
  std::vector<EVENTMSG> batch;
  batch.swap(pending_);
  for (const EVENTMSG& event : batch) {
    if (!recording_) return;  // the callback may stop the source
    callback_(event);
  }
}

void TFakeInputSource::Deliver(const EVENTMSG& event) {
  Push(event);
  Dispatch();
}

bool TFakeInputSource::Start(Callback callback) {
  ++startCount_;
  if (refuseStart_) return false;
  callback_ = std::move(callback);
  recording_ = true;
  return true;
}

void TFakeInputSource::Stop() {
  ++stopCount_;
  recording_ = false;
  callback_ = nullptr;
}

}  // namespace zorvel
