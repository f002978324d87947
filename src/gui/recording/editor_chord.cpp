#include "gui/recording/editor_chord.h"

#include <Qt>
#include <array>
#include <utility>

#include "model/action_text.h"
#include "platform/platform.h"

namespace zorvel {
namespace {

struct TModifierKey {
  uint32_t flag;
  uint8_t vk;
  const char* name;
};

// In the order they go down.
constexpr std::array<TModifierKey, 3> kModifierKeys{
    {{MOD_CONTROL, VK_CONTROL, "Ctrl"}, {MOD_SHIFT, VK_SHIFT, "Shift"}, {MOD_ALT, VK_MENU, "Alt"}}};

// Qt keys of characters and of the keys that do not produce one.
constexpr std::pair<int, uint8_t> kQtKeys[] = {
    {Qt::Key_Exclam, '1'},        {Qt::Key_At, '2'},
    {Qt::Key_NumberSign, '3'},    {Qt::Key_Dollar, '4'},
    {Qt::Key_Percent, '5'},       {Qt::Key_AsciiCircum, '6'},
    {Qt::Key_Ampersand, '7'},     {Qt::Key_Asterisk, '8'},
    {Qt::Key_ParenLeft, '9'},     {Qt::Key_ParenRight, '0'},
    {Qt::Key_Semicolon, 0xBA},    {Qt::Key_Colon, 0xBA},
    {Qt::Key_Equal, 0xBB},        {Qt::Key_Plus, 0xBB},
    {Qt::Key_Comma, 0xBC},        {Qt::Key_Less, 0xBC},
    {Qt::Key_Minus, 0xBD},        {Qt::Key_Underscore, 0xBD},
    {Qt::Key_Period, 0xBE},       {Qt::Key_Greater, 0xBE},
    {Qt::Key_Slash, 0xBF},        {Qt::Key_Question, 0xBF},
    {Qt::Key_QuoteLeft, 0xC0},    {Qt::Key_AsciiTilde, 0xC0},
    {Qt::Key_BracketLeft, 0xDB},  {Qt::Key_BraceLeft, 0xDB},
    {Qt::Key_Backslash, 0xDC},    {Qt::Key_Bar, 0xDC},
    {Qt::Key_BracketRight, 0xDD}, {Qt::Key_BraceRight, 0xDD},
    {Qt::Key_Apostrophe, 0xDE},   {Qt::Key_QuoteDbl, 0xDE},
    {Qt::Key_Space, 0x20},        {Qt::Key_Return, 0x0D},
    {Qt::Key_Enter, 0x0D},        {Qt::Key_Tab, 0x09},
    {Qt::Key_Backtab, 0x09},      {Qt::Key_Escape, 0x1B},
    {Qt::Key_Backspace, 0x08},    {Qt::Key_Insert, 0x2D},
    {Qt::Key_Delete, 0x2E},       {Qt::Key_Home, 0x24},
    {Qt::Key_End, 0x23},          {Qt::Key_PageUp, 0x21},
    {Qt::Key_PageDown, 0x22},     {Qt::Key_Left, 0x25},
    {Qt::Key_Up, 0x26},           {Qt::Key_Right, 0x27},
    {Qt::Key_Down, 0x28},         {Qt::Key_Pause, 0x13},
    {Qt::Key_Print, 0x2C},        {Qt::Key_CapsLock, 0x14},
    {Qt::Key_NumLock, 0x90},      {Qt::Key_ScrollLock, 0x91},
};

TActionObj KeyStep(uint8_t vk, KeyAction what) {
  TActionObj action;
  action.actionType = static_cast<uint8_t>(ActionType::Keyboard);
  action.key = vk;
  action.keyAction = static_cast<uint8_t>(what);
  return action;
}

// A key's name without the brackets of the action list ("[Enter]" gives "Enter").
std::string BareKeyName(uint8_t vk) {
  std::string name = KeyName(vk);
  if (name.size() > 2 && name.front() == '[' && name.back() == ']')
    name = name.substr(1, name.size() - 2);
  return name.empty() ? "key " + std::to_string(vk) : name;
}

}  // namespace

std::optional<uint8_t> VkOfQtKey(int qtKey) {
  if ((qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) || (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9))
    return static_cast<uint8_t>(qtKey);
  if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24)
    return static_cast<uint8_t>(VK_F1 + (qtKey - Qt::Key_F1));
  for (const auto& [key, vk] : kQtKeys)
    if (key == qtKey) return vk;
  return std::nullopt;
}

uint32_t ModifiersOfQt(uint32_t qtModifiers) {
  uint32_t flags = 0;
  if (qtModifiers & Qt::ControlModifier) flags |= MOD_CONTROL;
  if (qtModifiers & Qt::ShiftModifier) flags |= MOD_SHIFT;
  if (qtModifiers & Qt::AltModifier) flags |= MOD_ALT;
  return flags;
}

bool HasWinModifier(uint32_t qtModifiers) {
  return (qtModifiers & Qt::MetaModifier) != 0;
}

std::string ChordText(const TEditorChord& chord) {
  std::string text;
  for (const TModifierKey& modifier : kModifierKeys)
    if (chord.modifiers & modifier.flag) text += std::string(modifier.name) + "+";
  return text + BareKeyName(chord.vk);
}

std::vector<TActionObj> ChordActions(const TEditorChord& chord) {
  std::vector<uint8_t> modifiers;
  for (const TModifierKey& modifier : kModifierKeys)
    if (chord.modifiers & modifier.flag) modifiers.push_back(modifier.vk);
  std::vector<TActionObj> actions;
  for (uint8_t vk : modifiers) actions.push_back(KeyStep(vk, KeyAction::KeyDown));
  actions.push_back(KeyStep(chord.vk, KeyAction::KeyDown));
  actions.push_back(KeyStep(chord.vk, KeyAction::KeyUp));
  for (auto vk = modifiers.rbegin(); vk != modifiers.rend(); ++vk)
    actions.push_back(KeyStep(*vk, KeyAction::KeyUp));
  return actions;
}

}  // namespace zorvel
