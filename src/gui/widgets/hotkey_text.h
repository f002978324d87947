#pragma once

// How the dialogs name hotkeys and tell what is wrong with a chosen pair.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace zorvel {

// "Ctrl+F2" for ("Ctrl", 1); an index outside F1 ... F12 gives "no key".
std::string FKeyName(const char* modifier, int32_t index);

// `names` as "\"A\"", "\"A\" and \"B\"", "\"A\", \"B\" and \"C\"".
std::string QuotedList(const std::vector<std::string>& names);

// What is wrong with a start and stop key chosen in a dialog (F-key indexes); empty when nothing.
using TKeyWarning = std::function<std::string(int32_t start, int32_t stop)>;

}  // namespace zorvel
