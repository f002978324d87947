#include "gui/main/hotkey_conflicts.h"

#include <set>

#include "gui/widgets/hotkey_text.h"
#include "platform/platform.h"

namespace zorvel {

namespace {

bool UsesKey(const TActionCtrl& macro, int32_t index) {
  return macro.Config.StartHotkey == index || macro.Config.StopHotkey == index;
}

void AppendSentence(std::string& text, const std::string& sentence) {
  if (!text.empty()) text += " ";
  text += sentence;
}

}  // namespace

std::vector<std::string> MacrosUsingKey(const TActionsList& macros, const TActionCtrl* self,
                                        int32_t index) {
  std::vector<std::string> names;
  for (const TActionCtrlPtr& macro : macros)
    if (macro && macro.get() != self && UsesKey(*macro, index)) names.push_back(macro->FName);
  return names;
}

std::string MacroKeyWarning(const TActionsList& macros, const TActionCtrl* self, int32_t start,
                            int32_t stop, const TKeyHeld& held) {
  std::string text;
  std::set<int32_t> keys = {start, stop};
  for (const int32_t key : keys) {
    if (!IsFKeyIndex(key)) continue;
    const std::string name = FKeyName("Ctrl", key);
    const std::vector<std::string> others = MacrosUsingKey(macros, self, key);
    if (!others.empty())
      AppendSentence(text, name + " is also a key of " + QuotedList(others) + ".");
    if (held && held(key)) AppendSentence(text, name + " is held by another program.");
  }
  return text;
}

std::string SharedKeysReport(const TActionsList& macros) {
  std::string text;
  for (int32_t key = 0; key < kFKeyCount; ++key) {
    const std::vector<std::string> users = MacrosUsingKey(macros, nullptr, key);
    if (users.size() < 2) continue;
    if (!text.empty()) text += "; ";
    text += FKeyName("Ctrl", key) + " is shared by " + QuotedList(users);
  }
  return text;
}

}  // namespace zorvel
