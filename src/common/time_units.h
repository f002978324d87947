#pragma once

// Delays, intervals and event times are milliseconds in signed 32-bit integers.

#include <cstdint>

namespace zorvel {

inline constexpr int32_t kMsPerSecond = 1'000;
inline constexpr int32_t kMsPerMinute = 60 * kMsPerSecond;
inline constexpr int32_t kMsPerHour = 60 * kMsPerMinute;
inline constexpr int32_t kMsPerDay = 24 * kMsPerHour;

}  // namespace zorvel
