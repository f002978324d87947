#pragma once

#include "common/date_time.h"

namespace zorvel {

// A clock that shows what it is told (tests).
class TFixedClock : public IClock {
 public:
  explicit TFixedClock(const TDateTime& now = {}) : now_(now) {}
  TDateTime Now() const override { return now_; }
  void Set(const TDateTime& now) { now_ = now; }

 private:
  TDateTime now_;
};

}  // namespace zorvel
