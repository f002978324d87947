#pragma once

#include <vector>

#include "platform/platform.h"

namespace zorvel {

// The raw events of the most recent recording; owns its records.
class TEventList {
 public:
  void Add(const EVENTMSG& event) { events_.push_back(event); }
  void Delete(size_t index) { events_.erase(events_.begin() + static_cast<std::ptrdiff_t>(index)); }
  void Clear() { events_.clear(); }
  size_t Count() const { return events_.size(); }
  const EVENTMSG& Get(size_t index) const { return events_.at(index); }
  void Reserve(size_t n) { events_.reserve(n); }

 private:
  std::vector<EVENTMSG> events_;
};

}  // namespace zorvel
