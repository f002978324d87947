#pragma once

// A key chord as the user presses it (Ctrl+Shift+S) and the keyboard actions that play it.
// Free of widgets: the editor hands in Qt's key code and modifier flags.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "model/action.h"

namespace zorvel {

struct TEditorChord {
  uint32_t modifiers = 0;  // MOD_CONTROL, MOD_SHIFT, MOD_ALT
  uint8_t vk = 0;
  bool operator==(const TEditorChord&) const = default;
};

// The virtual-key code of a Qt key code; nothing for modifier keys and keys without one.
// Shifted characters of a US keyboard give their unshifted key ('!' gives '1').
std::optional<uint8_t> VkOfQtKey(int qtKey);
// MOD_* flags of Qt's modifier flags (Qt::KeyboardModifiers as an integer); the Win key (Meta)
// is left out.
uint32_t ModifiersOfQt(uint32_t qtModifiers);
// True when Qt's modifier flags hold the Win key, which a chord cannot carry.
bool HasWinModifier(uint32_t qtModifiers);

// "Ctrl+Shift+S".
std::string ChordText(const TEditorChord& chord);
// Modifiers down (Ctrl, Shift, Alt), the key down, the key up, the modifiers up in reverse.
std::vector<TActionObj> ChordActions(const TEditorChord& chord);

}  // namespace zorvel
