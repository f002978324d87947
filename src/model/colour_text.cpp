#include "model/colour_text.h"

#include <strings.h>
#include <array>
#include <cstdio>
#include <cstring>

#include "common/error.h"

namespace zorvel {
namespace {

struct NamedColour {
  const char* name;
  uint32_t value;
};

constexpr std::array<NamedColour, 20> kNamedColours{{
    {"clBlack", 0x000000},   {"clMaroon", 0x000080},     {"clGreen", 0x008000},
    {"clOlive", 0x008080},   {"clNavy", 0x800000},       {"clPurple", 0x800080},
    {"clTeal", 0x808000},    {"clGray", 0x808080},       {"clSilver", 0xC0C0C0},
    {"clRed", 0x0000FF},     {"clLime", 0x00FF00},       {"clYellow", 0x00FFFF},
    {"clBlue", 0xFF0000},    {"clFuchsia", 0xFF00FF},    {"clAqua", 0xFFFF00},
    {"clWhite", 0xFFFFFF},   {"clMoneyGreen", 0xC0DCC0}, {"clSkyBlue", 0xF0CAA6},
    {"clMedGray", 0xA4A0A0}, {"clCream", 0xF0FBFF},
}};

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool ParseHex(const std::string& digits, uint32_t& value) {
  if (digits.empty() || digits.size() > 8) return false;
  value = 0;
  for (char c : digits) {
    int d = HexDigit(c);
    if (d < 0) return false;
    value = (value << 4) | static_cast<uint32_t>(d);
  }
  return true;
}

// Decimal with an optional sign; negative values wrap into the 32 bits as a signed integer.
bool ParseDecimal(const std::string& text, uint32_t& value) {
  size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  if (i == text.size()) return false;
  uint64_t magnitude = 0;
  for (; i < text.size(); ++i) {
    if (text[i] < '0' || text[i] > '9') return false;
    magnitude = magnitude * 10 + static_cast<uint64_t>(text[i] - '0');
    if (magnitude > 0xFFFFFFFFull) return false;
  }
  if (negative && magnitude > 0x80000000ull) return false;
  value = negative ? static_cast<uint32_t>(-static_cast<int64_t>(magnitude))
                   : static_cast<uint32_t>(magnitude);
  return true;
}

}  // namespace

std::string ColorToString(uint32_t color) {
  for (const auto& named : kNamedColours)
    if (named.value == color) return named.name;
  char text[16];
  std::snprintf(text, sizeof text, "$%08X", color);
  return text;
}

uint32_t StringToColor(const std::string& text) {
  for (const auto& named : kNamedColours)
    if (strcasecmp(named.name, text.c_str()) == 0 && text.size() == std::strlen(named.name))
      return named.value;
  uint32_t value = 0;
  bool ok =
      !text.empty() && text[0] == '$' ? ParseHex(text.substr(1), value) : ParseDecimal(text, value);
  if (!ok) throw Error("\"" + text + "\" is not a valid colour.");
  return value;
}

}  // namespace zorvel
