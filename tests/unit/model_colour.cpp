#include <gtest/gtest.h>

#include "common/error.h"
#include "model/colour_text.h"

namespace zorvel {
namespace {

TEST(ColourText, NamesTheTwentyColoursAndWritesOthersAsHex) {
  const std::pair<uint32_t, const char*> cases[] = {
      {0x000000, "clBlack"},   {0x000080, "clMaroon"},     {0x008000, "clGreen"},
      {0x008080, "clOlive"},   {0x800000, "clNavy"},       {0x800080, "clPurple"},
      {0x808000, "clTeal"},    {0x808080, "clGray"},       {0xC0C0C0, "clSilver"},
      {0x0000FF, "clRed"},     {0x00FF00, "clLime"},       {0x00FFFF, "clYellow"},
      {0xFF0000, "clBlue"},    {0xFF00FF, "clFuchsia"},    {0xFFFF00, "clAqua"},
      {0xFFFFFF, "clWhite"},   {0xC0DCC0, "clMoneyGreen"}, {0xF0CAA6, "clSkyBlue"},
      {0xA4A0A0, "clMedGray"}, {0xF0FBFF, "clCream"},      {0x563412, "$00563412"},
      {0x000001, "$00000001"}, {0xFF000000, "$FF000000"},  {0x00ABCDEF, "$00ABCDEF"},
  };
  for (const auto& [value, text] : cases) {
    EXPECT_EQ(ColorToString(value), text);
    EXPECT_EQ(StringToColor(text), value) << text;
  }
}

TEST(ColourText, ReadsNamesInAnyCaseAndIntegers) {
  const std::pair<const char*, uint32_t> cases[] = {
      {"clwhite", 0xFFFFFF},
      {"CLWHITE", 0xFFFFFF},
      {"ClSkyBlue", 0xF0CAA6},
      {"255", 0xFF},
      {"0", 0},
      {"+16", 16},
      {"-1", 0xFFFFFFFF},
      {"4294967295", 0xFFFFFFFF},
      {"-2147483648", 0x80000000},
      {"$ff", 0xFF},
      {"$00563412", 0x563412},
      {"$FFFFFFFF", 0xFFFFFFFF},
  };
  for (const auto& [text, value] : cases) EXPECT_EQ(StringToColor(text), value) << text;
}

TEST(ColourText, RefusesOtherTexts) {
  for (const char* text : {"", "$", "-", "+", "$123456789", "4294967296", "-2147483649", "clBlack2",
                           "clBlac", " 1", "1 ", "0x10", "$-1", "clWindow", "1e3", "12a"}) {
    try {
      StringToColor(text);
      ADD_FAILURE() << "accepted \"" << text << "\"";
    } catch (const Error& error) {
      EXPECT_EQ(std::string(error.what()), "\"" + std::string(text) + "\" is not a valid colour.");
    }
  }
}

}  // namespace
}  // namespace zorvel
