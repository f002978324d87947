#pragma once

// What typing a text means, the same on every desktop: the text's characters in order, with a
// line break ("\r\n", "\r" or "\n") typed as Return (U+000D) and a tab as Tab (U+0009); other
// control characters and bytes that do not form UTF-8 characters are left out.

#include <string>
#include <vector>

namespace zorvel {

inline constexpr char32_t kTypedReturn = U'\r';
inline constexpr char32_t kTypedTab = U'\t';

// Code points of a UTF-8 text; bytes that do not form a character are left out.
std::vector<char32_t> DecodeUtf8(const std::string& text);

// The characters that typing `text` presses, in order.
std::vector<char32_t> TypedCharacters(const std::string& text);

}  // namespace zorvel
