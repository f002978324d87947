#pragma once

#include <cstdint>
#include <string>

namespace zorvel {

// A colour 0x00BBGGRR as text: one of the twenty colour names ("clBlack", ...) when it equals
// one, otherwise "$" and eight upper-case hexadecimal digits.
std::string ColorToString(uint32_t color);

// Reads a colour text: a colour name (any letter case), a decimal integer or "$" followed by
// hexadecimal digits, within 32 bits. Throws Error for anything else.
uint32_t StringToColor(const std::string& text);

}  // namespace zorvel
