#include "platform/fake/fake_hotkeys.h"

namespace zorvel {

bool TFakeHotkeys::Register(int id, uint32_t modifiers, uint32_t vk) {
  registrations_.erase(id);
  if (refused_.contains({modifiers & ~MOD_ANYEXTRA, vk})) return false;
  registrations_[id] = {modifiers, vk};
  return true;
}

bool TFakeHotkeys::Matches(const Combination& registered, const Combination& press) {
  if (registered.vk != press.vk) return false;
  const uint32_t base = registered.modifiers & ~MOD_ANYEXTRA;
  if (registered.modifiers & MOD_ANYEXTRA) return (press.modifiers & base) == base;
  return press.modifiers == base;
}

void TFakeHotkeys::Dispatch() {
  std::vector<Combination> presses;
  presses.swap(pending_);
  for (const Combination& press : presses) {
    std::vector<std::pair<int, Combination>> matches;
    for (const auto& [id, combination] : registrations_)
      if (Matches(combination, press)) matches.emplace_back(id, combination);
    for (const auto& [id, combination] : matches)
      if (callback_) callback_(id, combination.modifiers, combination.vk);
  }
}

}  // namespace zorvel
