#pragma once

// A set of keys a run looks for among those the user holds: the chord that started it (the run
// waits for it to be let go of before its first action) or its stop hotkey.

#include <cstdint>
#include <vector>

namespace zorvel {

class TKeyChord {
 public:
  // No keys: never held.
  TKeyChord() = default;
  // The keys of a hotkey: its MOD_* modifiers (either hand) and `vk`.
  static TKeyChord Hotkey(uint32_t modifiers, uint32_t vk);
  // Every key there is: held whenever any key is.
  static TKeyChord AnyKey();

  bool Empty() const { return !anyKey_ && keys_.empty(); }
  // True when some key of the chord is among `held` (virtual-key codes, modifiers by hand).
  bool AnyHeld(const std::vector<uint8_t>& held) const;
  // True when every key of a (non-empty, named) chord is among `held`.
  bool AllHeld(const std::vector<uint8_t>& held) const;

 private:
  bool Contains(const std::vector<uint8_t>& held, uint8_t key) const;

  std::vector<uint8_t> keys_;  // generic modifier codes stand for both hands
  bool anyKey_ = false;
};

}  // namespace zorvel
