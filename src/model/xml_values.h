#pragma once

// Reading and writing the typed attribute values of the macro document.

#include <cstdint>
#include <string>
#include <string_view>

#include <pugixml.hpp>

namespace zorvel {

// When `attribute` exists, stores its value in `field`; throws Error naming the attribute when it
// is not a 32-bit decimal integer. A missing attribute leaves `field` as it is.
void ReadIntAttribute(pugi::xml_attribute attribute, const char* name, int32_t& field);
// The same for an 8-bit code: the low 8 bits of the integer read.
void ReadCodeAttribute(pugi::xml_attribute attribute, const char* name, uint8_t& field);
void ReadTextAttribute(pugi::xml_attribute attribute, std::string& field);
// The same for a yes/no value stored as "1" or "0"; any other text throws Error.
void ReadFlagAttribute(pugi::xml_attribute attribute, const char* name, bool& field);

// Appends the attribute (the writer builds each element from scratch).
void WriteIntAttribute(pugi::xml_node element, const char* name, int32_t value);
void WriteTextAttribute(pugi::xml_node element, const char* name, const std::string& value);

}  // namespace zorvel
