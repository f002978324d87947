#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <utility>
#include <vector>

#include "platform/platform.h"

namespace zorvel {

// Global hotkeys for unit tests: keeps the registrations, refuses the combinations the test names,
// and delivers the presses the test queues with Press() at the next Dispatch() (a registration
// with MOD_ANYEXTRA also takes presses with further modifiers).
class TFakeHotkeys final : public IHotkeys {
 public:
  struct Combination {
    uint32_t modifiers = 0;
    uint32_t vk = 0;
    auto operator<=>(const Combination&) const = default;
  };

  int FileDescriptor() const override { return -1; }
  void Dispatch() override;
  void SetCallback(Callback callback) override { callback_ = std::move(callback); }
  // Registering an id again replaces its combination.
  bool Register(int id, uint32_t modifiers, uint32_t vk) override;
  void Unregister(int id) override { registrations_.erase(id); }

  // Another program holds this combination: Register() fails for it.
  void Refuse(uint32_t modifiers, uint32_t vk) { refused_.insert({modifiers, vk}); }
  // Queues a press of modifiers + key; Dispatch() delivers it to every id registered for it.
  void Press(uint32_t modifiers, uint32_t vk) { pending_.push_back({modifiers, vk}); }
  const std::map<int, Combination>& Registrations() const { return registrations_; }

 private:
  static bool Matches(const Combination& registered, const Combination& press);

  Callback callback_;
  std::map<int, Combination> registrations_;
  std::set<Combination> refused_;
  std::vector<Combination> pending_;
};

}  // namespace zorvel
