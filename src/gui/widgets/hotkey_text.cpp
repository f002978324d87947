#include "gui/widgets/hotkey_text.h"

#include "platform/platform.h"

namespace zorvel {

std::string FKeyName(const char* modifier, int32_t index) {
  if (!IsFKeyIndex(index)) return "no key";
  return std::string(modifier) + "+F" + std::to_string(index + 1);
}

std::string QuotedList(const std::vector<std::string>& names) {
  std::string text;
  for (size_t i = 0; i < names.size(); ++i) {
    if (i > 0) text += i + 1 == names.size() ? " and " : ", ";
    text += "\"" + names[i] + "\"";
  }
  return text;
}

}  // namespace zorvel
