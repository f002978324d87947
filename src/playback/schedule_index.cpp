#include "playback/schedule_index.h"

namespace zorvel {

const std::vector<size_t>& TScheduleIndex::At(const TActionsList& macros,
                                              const std::string& timeText) {
  if (!valid_ || list_ != &macros || count_ != macros.Count()) Rebuild(macros);
  const auto found = byTime_.find(timeText);
  return found == byTime_.end() ? none_ : found->second;
}

void TScheduleIndex::Rebuild(const TActionsList& macros) {
  byTime_.clear();
  for (size_t i = 0; i < macros.Count(); ++i) {
    const TActionCtrlPtr& macro = macros.Get(i);
    if (macro && macro->Schedule.ScheduleType != static_cast<int32_t>(ScheduleKind::NoSchedule))
      byTime_[macro->Schedule.SelectedTime].push_back(i);
  }
  valid_ = true;
  list_ = &macros;
  count_ = macros.Count();
}

}  // namespace zorvel
