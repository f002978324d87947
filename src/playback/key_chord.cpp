#include "playback/key_chord.h"

#include <algorithm>

#include "platform/platform.h"

namespace zorvel {

TKeyChord TKeyChord::Hotkey(uint32_t modifiers, uint32_t vk) {
  static constexpr struct {
    uint32_t modifier;
    uint8_t vk;
  } kModifierKeys[] = {
      {MOD_CONTROL, VK_CONTROL}, {MOD_SHIFT, VK_SHIFT}, {MOD_ALT, VK_MENU}, {MOD_WIN, VK_LWIN}};
  TKeyChord chord;
  for (const auto& modifier : kModifierKeys)
    if (modifiers & modifier.modifier) chord.keys_.push_back(modifier.vk);
  if (vk != 0 && vk <= 0xFF) chord.keys_.push_back(static_cast<uint8_t>(vk));
  return chord;
}

TKeyChord TKeyChord::AnyKey() {
  TKeyChord chord;
  chord.anyKey_ = true;
  return chord;
}

bool TKeyChord::Contains(const std::vector<uint8_t>& held, uint8_t key) const {
  return std::any_of(held.begin(), held.end(), [key](uint8_t vk) { return SameKey(vk, key); });
}

bool TKeyChord::AnyHeld(const std::vector<uint8_t>& held) const {
  if (anyKey_) return !held.empty();
  return std::any_of(keys_.begin(), keys_.end(), [&](uint8_t key) { return Contains(held, key); });
}

bool TKeyChord::AllHeld(const std::vector<uint8_t>& held) const {
  if (keys_.empty()) return false;
  return std::all_of(keys_.begin(), keys_.end(), [&](uint8_t key) { return Contains(held, key); });
}

}  // namespace zorvel
