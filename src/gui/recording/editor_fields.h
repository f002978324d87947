#pragma once

// The editor's value conversions, free of widgets: the delay split into its six fields, whole
// numbers read from fields, the key list and the character filters.

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace zorvel {

// A delay in milliseconds split by whole-number division, largest unit first.
struct TDelayParts {
  int32_t hours = 0;
  int32_t minutes = 0;
  int32_t seconds = 0;
  int32_t tenths = 0;
  int32_t hundredths = 0;
  int32_t milliseconds = 0;
  bool operator==(const TDelayParts&) const = default;
};

TDelayParts SplitDelay(int32_t delay);
// The sum of the parts in milliseconds. Throws Error when it does not fit a signed 32-bit delay.
int32_t JoinDelay(const TDelayParts& parts);

// Reads a whole number (optional sign, decimal digits, within 32 bits) from the field labelled
// `fieldName`. Throws Error naming the field and the text otherwise.
int32_t ReadWholeNumber(const std::string& text, const std::string& fieldName);

// Reads a number of seconds with up to three decimals ("5", "1.5", "0.025"; empty is 0) from the
// field labelled `fieldName`, as milliseconds. Throws Error naming the field and the text
// otherwise, or when it is more than a 32-bit count of milliseconds.
int32_t ReadSeconds(const std::string& text, const std::string& fieldName);

// Entries of the key list: every named virtual-key code, codes 48 to 256 first, then 1 to 47.
std::vector<std::pair<std::string, int>> EditorKeyList();

// True for a typed character a digits-only field drops: every printable character but '0' to
// '9'. Control characters (Backspace, line feed, return, Delete, Ctrl shortcuts) pass.
bool DigitFieldRejects(char32_t c);

// The new position of a spin control stepped by `step` from the text `current`: the number
// moved by the step and kept within [low, high]; a text without a number starts from `low`.
int32_t SteppedSpinValue(const std::string& current, int32_t step, int32_t low, int32_t high);

}  // namespace zorvel
