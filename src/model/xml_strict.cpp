#include "model/xml_strict.h"

#include <algorithm>
#include <cstdint>
#include <string_view>
#include <unordered_set>

namespace zorvel {
namespace {

// Offset of the first byte that does not belong to a valid UTF-8 sequence of a character other
// than NUL (no overlong forms, no surrogates, nothing above U+10FFFF); -1 when there is none.
ptrdiff_t InvalidUtf8At(const unsigned char* text, size_t size) {
  size_t i = 0;
  while (i < size) {
    const unsigned char lead = text[i];
    if (lead == 0) return static_cast<ptrdiff_t>(i);
    if (lead < 0x80) {
      ++i;
      continue;
    }
    size_t length = 0;
    uint32_t min = 0;
    uint32_t code = 0;
    if ((lead & 0xE0) == 0xC0) {
      length = 2, min = 0x80, code = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
      length = 3, min = 0x800, code = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
      length = 4, min = 0x10000, code = lead & 0x07;
    } else {
      return static_cast<ptrdiff_t>(i);
    }
    if (size - i < length) return static_cast<ptrdiff_t>(i);
    for (size_t k = 1; k < length; ++k) {
      if ((text[i + k] & 0xC0) != 0x80) return static_cast<ptrdiff_t>(i);
      code = (code << 6) | (text[i + k] & 0x3F);
    }
    if (code < min || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
      return static_cast<ptrdiff_t>(i);
    i += length;
  }
  return -1;
}

bool IsHexDigit(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// Offset of the first character reference whose value is 0 (&#0; &#x00; ...); -1 when none.
ptrdiff_t NulReferenceAt(std::string_view text) {
  for (size_t at = text.find("&#"); at != std::string_view::npos; at = text.find("&#", at + 2)) {
    size_t i = at + 2;
    const bool hex = i < text.size() && (text[i] == 'x' || text[i] == 'X');
    if (hex) ++i;
    const size_t digits = i;
    bool zero = true;
    while (i < text.size() && (hex ? IsHexDigit(text[i]) : (text[i] >= '0' && text[i] <= '9'))) {
      zero = zero && text[i] == '0';
      ++i;
    }
    if (i > digits && zero && i < text.size() && text[i] == ';') return static_cast<ptrdiff_t>(at);
  }
  return -1;
}

// The first element that holds an attribute name twice.
class DuplicateAttributeFinder : public pugi::xml_tree_walker {
 public:
  bool for_each(pugi::xml_node& node) override {
    if (node.type() != pugi::node_element) return true;
    names_.clear();
    for (const pugi::xml_attribute& attribute : node.attributes()) {
      if (!names_.insert(attribute.name()).second) {
        found = node;
        name = attribute.name();
        return false;
      }
    }
    return true;
  }
  pugi::xml_node found;
  std::string name;

 private:
  std::unordered_set<std::string_view> names_;
};

// Anything but the one root element and white space at the top level.
TXmlFault TopLevelFault(const pugi::xml_document& document) {
  bool root = false;
  for (const pugi::xml_node& node : document.children()) {
    if (node.type() == pugi::node_pcdata || node.type() == pugi::node_cdata) {
      const std::string_view text = node.value();
      const size_t start = std::min(text.find_first_not_of(" \t\r\n"), text.size());
      return {"text outside the root element", node.offset_debug() + static_cast<ptrdiff_t>(start)};
    }
    if (node.type() != pugi::node_element) continue;
    if (root)
      return {"a second root element <" + std::string(node.name()) + ">", node.offset_debug()};
    root = true;
  }
  return {};
}

}  // namespace

TXmlFault FindXmlFault(const pugi::xml_document& document, pugi::xml_encoding encoding,
                       const char* data, size_t size) {
  if (encoding == pugi::encoding_utf8) {
    const ptrdiff_t bad = InvalidUtf8At(reinterpret_cast<const unsigned char*>(data), size);
    if (bad >= 0) {
      return {data[bad] == 0 ? "a NUL character" : "bytes that are not valid UTF-8", bad};
    }
    const ptrdiff_t nul = NulReferenceAt(std::string_view(data, size));
    if (nul >= 0) return {"a reference to the NUL character", nul};
  }
  if (TXmlFault fault = TopLevelFault(document); !fault.reason.empty()) return fault;
  DuplicateAttributeFinder finder;
  const_cast<pugi::xml_document&>(document).traverse(finder);
  if (finder.found) {
    return {"the attribute " + finder.name + " twice on <" + finder.found.name() + ">",
            finder.found.offset_debug()};
  }
  return {};
}

}  // namespace zorvel
