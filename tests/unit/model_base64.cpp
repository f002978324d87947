#include <gtest/gtest.h>

#include "common/error.h"
#include "model/base64.h"

namespace zorvel {
namespace {

std::vector<uint8_t> Bytes(const std::string& text) {
  return {text.begin(), text.end()};
}

std::string DecodeError(const std::string& text) {
  try {
    DecodeBase64Stream(text);
  } catch (const Error& error) {
    return error.what();
  }
  return "no error";
}

TEST(Base64, EncodesAndDecodesTheStandardVectors) {
  const std::pair<const char*, const char*> cases[] = {
      {"", ""},
      {"f", "Zg=="},
      {"fo", "Zm8="},
      {"foo", "Zm9v"},
      {"foob", "Zm9vYg=="},
      {"fooba", "Zm9vYmE="},
      {"foobar", "Zm9vYmFy"},
      {"\xff\xfe", "//4="},
      {"\xfb\xef", "++8="},
  };
  for (const auto& [plain, encoded] : cases) {
    EXPECT_EQ(EncodeBase64Stream(Bytes(plain)), encoded) << plain;
    EXPECT_EQ(DecodeBase64Stream(encoded), Bytes(plain)) << encoded;
  }
}

TEST(Base64, EveryByteValueSurvivesARoundTrip) {
  std::vector<uint8_t> all;
  for (int length = 0; length < 3; ++length) {
    all.clear();
    for (int i = 0; i < 256 + length; ++i) all.push_back(static_cast<uint8_t>(i * 7 + 3));
    std::string encoded = EncodeBase64Stream(all);
    EXPECT_EQ(encoded.size() % 4, 0u);
    EXPECT_EQ(encoded.find('\n'), std::string::npos);
    EXPECT_EQ(DecodeBase64Stream(encoded), all);
  }
}

TEST(Base64, A58ByteBitmapGivesEightyCharactersEndingInTwoPads) {
  std::string encoded = EncodeBase64Stream(std::vector<uint8_t>(58, 0x42));
  EXPECT_EQ(encoded.size(), 80u);
  EXPECT_EQ(encoded.substr(78), "==");
}

TEST(Base64, RejectsBadText) {
  const std::pair<const char*, const char*> cases[] = {
      {"Zg=", "Uneven size in DecodeToStream."},
      {"Zm9vY", "Uneven size in DecodeToStream."},
      {"Zm9v\nZm9v", "Uneven size in DecodeToStream."},
      {"Zm9*", "Invalid base64 text: \"*\" at position 4."},
      {"Zm\n9", "Invalid base64 text: byte 10 at position 3."},
      {"Zg=aZm9v", "Invalid base64 text: \"=\" at position 3."},
      {"Zm9vZ===", "Invalid base64 text: \"=\" at position 6."},
      {"====", "Invalid base64 text: \"=\" at position 1."},
      {"Zm9v Zm9", "Invalid base64 text: \" \" at position 5."},
      {"\xc3\xa9Zm", "Invalid base64 text: byte 195 at position 1."},
  };
  for (const auto& [text, message] : cases) EXPECT_EQ(DecodeError(text), message) << text;
}

}  // namespace
}  // namespace zorvel
