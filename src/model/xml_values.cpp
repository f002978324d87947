#include "model/xml_values.h"

#include <charconv>

#include "common/error.h"

namespace zorvel {

bool ParseInt32(std::string_view text, int32_t& value) {
  bool negative = false;
  if (!text.empty() && (text[0] == '-' || text[0] == '+')) {
    negative = text[0] == '-';
    text.remove_prefix(1);
  }
  if (text.empty() || text.size() > 12) return false;
  int64_t magnitude = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    magnitude = magnitude * 10 + (c - '0');
  }
  int64_t result = negative ? -magnitude : magnitude;
  if (result < INT32_MIN || result > INT32_MAX) return false;
  value = static_cast<int32_t>(result);
  return true;
}

void ReadIntAttribute(pugi::xml_attribute attribute, const char* name, int32_t& field) {
  if (!attribute) return;
  std::string_view text = attribute.value();
  if (!ParseInt32(text, field)) {
    constexpr size_t kShown = 40;
    std::string shown(text.substr(0, kShown));
    if (text.size() > kShown) shown += "...";
    throw Error("attribute " + std::string(name) + " holds \"" + shown +
                "\", which is not a 32-bit integer");
  }
}

void ReadCodeAttribute(pugi::xml_attribute attribute, const char* name, uint8_t& field) {
  int32_t value = field;
  ReadIntAttribute(attribute, name, value);
  field = static_cast<uint8_t>(value & 0xFF);
}

void ReadTextAttribute(pugi::xml_attribute attribute, std::string& field) {
  if (attribute) field = attribute.value();
}

void WriteIntAttribute(pugi::xml_node element, const char* name, int32_t value) {
  char text[16];
  auto end = std::to_chars(text, text + sizeof text, value).ptr;
  element.append_attribute(name).set_value(text, static_cast<size_t>(end - text));
}

void WriteTextAttribute(pugi::xml_node element, const char* name, const std::string& value) {
  element.append_attribute(name).set_value(value.data(), value.size());
}

}  // namespace zorvel
