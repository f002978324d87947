#include "platform/lend_plan.h"

#include <algorithm>
#include <unordered_map>
#include <unordered_set>

namespace zorvel {
namespace {

// The places of a plan as it goes, and the batches that change them.
class TPlanner {
 public:
  TPlanner(const std::vector<TLendSymbol>& text, const std::vector<TLendPlace>& places)
      : text_(text), places_(places) {
    for (size_t i = 0; i < places_.size(); ++i) {
      if (places_[i].symbol != 0) where_.emplace(places_[i].symbol, i);
      if (!places_[i].locked) ++open_;
    }
  }

  TLendPlan Plan() {
    TLendPlan plan;
    plan.placeOf.assign(text_.size(), TLendPlan::kNoPlace);
    for (size_t pos = 0; pos < text_.size(); ++pos) {
      if (text_[pos] == 0) continue;
      auto it = where_.find(text_[pos]);
      if (it == where_.end()) {
        if (open_ == 0) continue;
        plan.batches.push_back(Refill(pos));
        it = where_.find(text_[pos]);
      }
      plan.placeOf[pos] = it->second;
    }
    return plan;
  }

 private:
  // The batch that gives places to the symbols needed soonest from `pos` on.
  TLendBatch Refill(size_t pos) {
    std::unordered_set<TLendSymbol> wanted;
    std::vector<TLendSymbol> newcomers;
    size_t used = 0;  // unlocked places the wanted symbols take
    for (size_t j = pos; j < text_.size(); ++j) {
      const TLendSymbol symbol = text_[j];
      if (symbol == 0 || wanted.count(symbol)) continue;
      const auto it = where_.find(symbol);
      const bool costs = it == where_.end() || !places_[it->second].locked;
      if (costs && used == open_) break;
      wanted.insert(symbol);
      if (costs) ++used;
      if (it == where_.end()) newcomers.push_back(symbol);
    }
    const std::vector<size_t> order = Evictable(wanted);
    TLendBatch batch;
    batch.start = pos;
    for (size_t k = 0; k < newcomers.size(); ++k) {
      TLendPlace& place = places_[order[k]];
      if (place.symbol != 0) where_.erase(place.symbol);
      place.symbol = newcomers[k];
      where_[place.symbol] = order[k];
      batch.writes.push_back({order[k], place.symbol});
    }
    std::sort(batch.writes.begin(), batch.writes.end(),
              [](const auto& a, const auto& b) { return a.place < b.place; });
    return batch;
  }

  // Unlocked places whose symbol is not wanted, empty ones first. The wanted symbols run to the
  // end of the text or fill every unlocked place, so the others are not needed before the next
  // batch: which of them goes first does not matter.
  std::vector<size_t> Evictable(const std::unordered_set<TLendSymbol>& wanted) const {
    std::vector<size_t> empty, taken;
    for (size_t i = 0; i < places_.size(); ++i) {
      const TLendPlace& place = places_[i];
      if (place.locked) continue;
      if (place.symbol == 0)
        empty.push_back(i);
      else if (!wanted.count(place.symbol))
        taken.push_back(i);
    }
    empty.insert(empty.end(), taken.begin(), taken.end());
    return empty;
  }

  const std::vector<TLendSymbol>& text_;
  std::vector<TLendPlace> places_;
  std::unordered_map<TLendSymbol, size_t> where_;  // symbol -> the place that carries it
  size_t open_ = 0;                                // unlocked places
};

}  // namespace

TLendPlan PlanLending(const std::vector<TLendSymbol>& text, const std::vector<TLendPlace>& places) {
  return TPlanner(text, places).Plan();
}

}  // namespace zorvel
