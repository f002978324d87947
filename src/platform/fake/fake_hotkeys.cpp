#include "platform/fake/fake_hotkeys.h"

namespace zorvel {

bool TFakeHotkeys::Register(int id, uint32_t modifiers, uint32_t vk) {
  registrations_.erase(id);
  if (refused_.contains({modifiers, vk})) return false;
  registrations_[id] = {modifiers, vk};
  return true;
}

void TFakeHotkeys::Dispatch() {
  std::vector<Combination> presses;
  presses.swap(pending_);
  for (const Combination& press : presses) {
    std::vector<int> ids;
    for (const auto& [id, combination] : registrations_)
      if (combination == press) ids.push_back(id);
    for (int id : ids)
      if (callback_) callback_(id, press.modifiers, press.vk);
  }
}

}  // namespace zorvel
