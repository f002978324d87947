#pragma once

// The macros of a list grouped by the time text of their schedules, so that the twice-a-second
// check looks only at the macros due this second instead of at every macro. The owner tells the
// index when schedules or the list may have changed; a list of another size is indexed anew too.

#include <cstddef>
#include <string>
#include <unordered_map>
#include <vector>

#include "model/action_ctrl.h"

namespace zorvel {

class TScheduleIndex {
 public:
  void Invalidate() { valid_ = false; }
  // Positions in `macros`, in list order, of the macros scheduled at `timeText`.
  const std::vector<size_t>& At(const TActionsList& macros, const std::string& timeText);

 private:
  void Rebuild(const TActionsList& macros);

  bool valid_ = false;
  const TActionsList* list_ = nullptr;
  size_t count_ = 0;
  std::unordered_map<std::string, std::vector<size_t>> byTime_;
  const std::vector<size_t> none_;
};

}  // namespace zorvel
