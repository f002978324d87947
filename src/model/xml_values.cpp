#include "model/xml_values.h"

#include <charconv>

#include "common/error.h"
#include "common/int_text.h"

namespace zorvel {

namespace {

[[noreturn]] void ThrowBadValue(const char* name, std::string_view text, const char* expected) {
  constexpr size_t kShown = 40;
  std::string shown(text.substr(0, kShown));
  if (text.size() > kShown) shown += "...";
  throw Error("attribute " + std::string(name) + " holds \"" + shown + "\", which is not " +
              expected);
}

}  // namespace

void ReadIntAttribute(pugi::xml_attribute attribute, const char* name, int32_t& field) {
  if (!attribute) return;
  std::string_view text = attribute.value();
  if (!ParseInt32(text, field)) ThrowBadValue(name, text, "a 32-bit integer");
}

void ReadFlagAttribute(pugi::xml_attribute attribute, const char* name, bool& field) {
  if (!attribute) return;
  const std::string_view text = attribute.value();
  if (text != "0" && text != "1") ThrowBadValue(name, text, "0 or 1");
  field = text == "1";
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
