#include "common/typed_text.h"

namespace zorvel {

std::vector<char32_t> DecodeUtf8(const std::string& text) {
  std::vector<char32_t> out;
  size_t i = 0;
  while (i < text.size()) {
    const auto lead = static_cast<unsigned char>(text[i]);
    const size_t length = lead < 0x80           ? 1
                          : (lead >> 5) == 0x6  ? 2
                          : (lead >> 4) == 0xE  ? 3
                          : (lead >> 3) == 0x1E ? 4
                                                : 0;
    if (length == 0 || i + length > text.size()) {
      ++i;
      continue;
    }
    char32_t cp = length == 1 ? lead : lead & (0x7F >> length);
    bool valid = true;
    for (size_t k = 1; k < length; ++k) {
      const auto next = static_cast<unsigned char>(text[i + k]);
      valid = valid && (next & 0xC0) == 0x80;
      cp = (cp << 6) | (next & 0x3F);
    }
    static constexpr char32_t kMin[] = {0, 0, 0x80, 0x800, 0x10000};
    if (!valid || cp < kMin[length] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
      ++i;
      continue;
    }
    out.push_back(cp);
    i += length;
  }
  return out;
}

std::vector<char32_t> TypedCharacters(const std::string& text) {
  std::vector<char32_t> typed;
  const std::vector<char32_t> cps = DecodeUtf8(text);
  for (size_t i = 0; i < cps.size(); ++i) {
    const char32_t cp = cps[i];
    if (cp == U'\r') {
      typed.push_back(kTypedReturn);
      if (i + 1 < cps.size() && cps[i + 1] == U'\n') ++i;
    } else if (cp == U'\n') {
      typed.push_back(kTypedReturn);
    } else if (cp == U'\t') {
      typed.push_back(kTypedTab);
    } else if (cp >= 0x20 && !(cp >= 0x7F && cp < 0xA0)) {
      typed.push_back(cp);
    }
  }
  return typed;
}

}  // namespace zorvel
