// What typing a text presses: the characters, line breaks and tabs, and what is left out.

#include <gtest/gtest.h>

#include "common/typed_text.h"

namespace zorvel {
namespace {

TEST(TypedText, LineBreaksTabsAndControlCharacters) {
  const struct {
    std::string text;
    std::vector<char32_t> typed;
  } cases[] = {
      {"a\r\nb", {U'a', kTypedReturn, U'b'}},
      {"a\rb\nc", {U'a', kTypedReturn, U'b', kTypedReturn, U'c'}},
      {"\n\n", {kTypedReturn, kTypedReturn}},
      {"x\ty", {U'x', kTypedTab, U'y'}},
      {std::string("a\x01\x7f") + "\xc2\x85" + "b", {U'a', U'b'}},  // C0, DEL, C1 left out
      {"\xff\xc3(é\xe2\x82", {U'(', U'é'}},                         // broken UTF-8 left out
      {"\xed\xa0\x80z", {U'z'}},                                    // a surrogate is no char
      {"\xc0\xaf", {}},                                             // overlong form
      {"😀", {U'😀'}},
  };
  for (const auto& c : cases) EXPECT_EQ(TypedCharacters(c.text), c.typed) << c.text;
}

}  // namespace
}  // namespace zorvel
