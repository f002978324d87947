#pragma once

// The one reader of whole numbers in documents, settings and dialog fields.

#include <cstdint>
#include <string_view>

namespace zorvel {

// Parses an optional sign followed by decimal digits into a signed 32-bit value. False for
// anything else (blanks, other characters, no digits) and for values outside 32 bits.
bool ParseInt32(std::string_view text, int32_t& value);

}  // namespace zorvel
