#pragma once

// What a well-formed XML document must satisfy beyond what pugixml checks itself: one root element
// and nothing but comments, processing instructions and white space around it; no attribute
// twice on an element; no character reference to NUL; valid UTF-8.

#include <cstddef>
#include <string>

#include <pugixml.hpp>

namespace zorvel {

struct TXmlFault {
  std::string reason;    // empty: none found
  ptrdiff_t offset = 0;  // byte offset in the parsed text where it was found
};

// `document` was parsed from data[0 .. size) with parse_fragment (so that text around the root
// element is kept as nodes) and reported `encoding`. Returns the first fault found.
TXmlFault FindXmlFault(const pugi::xml_document& document, pugi::xml_encoding encoding,
                       const char* data, size_t size);

}  // namespace zorvel
