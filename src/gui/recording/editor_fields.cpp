#include "gui/recording/editor_fields.h"

#include <algorithm>
#include <limits>

#include "common/error.h"
#include "common/int_text.h"
#include "common/time_units.h"
#include "model/action_text.h"

namespace zorvel {

TDelayParts SplitDelay(int32_t delay) {
  TDelayParts parts;
  parts.hours = delay / kMsPerHour;
  parts.minutes = (delay % kMsPerHour) / kMsPerMinute;
  parts.seconds = (delay % kMsPerMinute) / kMsPerSecond;
  parts.tenths = (delay % kMsPerSecond) / 100;
  parts.hundredths = (delay % 100) / 10;
  parts.milliseconds = delay % 10;
  return parts;
}

int32_t JoinDelay(const TDelayParts& parts) {
  const int64_t total = int64_t{parts.hours} * kMsPerHour + int64_t{parts.minutes} * kMsPerMinute +
                        int64_t{parts.seconds} * kMsPerSecond + int64_t{parts.tenths} * 100 +
                        int64_t{parts.hundredths} * 10 + parts.milliseconds;
  if (total < std::numeric_limits<int32_t>::min() || total > std::numeric_limits<int32_t>::max())
    throw Error("The delay is too long: " + std::to_string(total) +
                " ms is more than a delay can hold (2147483647 ms).");
  return static_cast<int32_t>(total);
}

int32_t ReadWholeNumber(const std::string& text, const std::string& fieldName) {
  int32_t value = 0;
  if (!ParseInt32(text, value))
    throw Error("'" + text + "' is not a valid whole number in the field \"" + fieldName + "\".");
  return value;
}

int32_t ReadSeconds(const std::string& text, const std::string& fieldName) {
  if (text.empty()) return 0;
  auto bad = [&] {
    return Error("'" + text + "' is not a number of seconds (up to 2147483.647) in the field \"" +
                 fieldName + "\".");
  };
  const size_t point = text.find('.');
  const std::string whole = text.substr(0, point);
  const std::string decimals = point == std::string::npos ? "" : text.substr(point + 1);
  auto digits = [](const std::string& part) {
    return std::all_of(part.begin(), part.end(), [](char c) { return c >= '0' && c <= '9'; });
  };
  if ((whole.empty() && decimals.empty()) || !digits(whole) || !digits(decimals) ||
      decimals.size() > 3 || whole.size() > 7)
    throw bad();
  int64_t ms = whole.empty() ? 0 : std::stoll(whole) * 1000;
  ms += decimals.empty() ? 0 : std::stoll((decimals + "00").substr(0, 3));
  if (ms > std::numeric_limits<int32_t>::max()) throw bad();
  return static_cast<int32_t>(ms);
}

std::vector<std::pair<std::string, int>> EditorKeyList() {
  std::vector<std::pair<std::string, int>> keys;
  auto addRange = [&keys](int from, int to) {
    for (int code = from; code <= to; ++code) {
      std::string name = KeyName(code);
      if (!name.empty()) keys.emplace_back(std::move(name), code);
    }
  };
  addRange(48, 256);
  addRange(1, 47);
  return keys;
}

bool DigitFieldRejects(char32_t c) {
  const bool control = c < 32 || c == 127;
  const bool digit = c >= U'0' && c <= U'9';
  return !control && !digit;
}

int32_t SteppedSpinValue(const std::string& current, int32_t step, int32_t low, int32_t high) {
  int64_t value = low;
  try {
    value = int64_t{ReadWholeNumber(current, "")} + step;
  } catch (const Error&) {
  }
  return static_cast<int32_t>(std::clamp<int64_t>(value, low, high));
}

}  // namespace zorvel
