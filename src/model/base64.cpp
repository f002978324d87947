#include "model/base64.h"

#include <array>

#include "common/error.h"

namespace zorvel {
namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr uint8_t kInvalid = 0xFF;

constexpr std::array<uint8_t, 256> MakeDecodeTable() {
  std::array<uint8_t, 256> table{};
  for (auto& entry : table) entry = kInvalid;
  for (uint8_t i = 0; i < 64; ++i) table[static_cast<uint8_t>(kAlphabet[i])] = i;
  return table;
}
constexpr std::array<uint8_t, 256> kDecodeTable = MakeDecodeTable();

[[noreturn]] void ThrowBadCharacter(std::string_view text, size_t position) {
  auto byte = static_cast<unsigned char>(text[position]);
  std::string shown = byte >= 0x20 && byte < 0x7F
                          ? std::string("\"") + static_cast<char>(byte) + "\""
                          : "byte " + std::to_string(byte);
  throw Error("Invalid base64 text: " + shown + " at position " + std::to_string(position + 1) +
              ".");
}

// Value of the character at `position`, or an error.
uint32_t Sextet(std::string_view text, size_t position) {
  uint8_t value = kDecodeTable[static_cast<unsigned char>(text[position])];
  if (value == kInvalid) ThrowBadCharacter(text, position);
  return value;
}

}  // namespace

std::string EncodeBase64Stream(const uint8_t* data, size_t size) {
  std::string out;
  out.resize((size + 2) / 3 * 4);
  char* dst = out.data();
  size_t i = 0;
  for (; i + 3 <= size; i += 3) {
    uint32_t v = (uint32_t{data[i]} << 16) | (uint32_t{data[i + 1]} << 8) | data[i + 2];
    *dst++ = kAlphabet[v >> 18];
    *dst++ = kAlphabet[(v >> 12) & 63];
    *dst++ = kAlphabet[(v >> 6) & 63];
    *dst++ = kAlphabet[v & 63];
  }
  size_t rest = size - i;
  if (rest > 0) {
    uint32_t v = uint32_t{data[i]} << 16;
    if (rest == 2) v |= uint32_t{data[i + 1]} << 8;
    *dst++ = kAlphabet[v >> 18];
    *dst++ = kAlphabet[(v >> 12) & 63];
    *dst++ = rest == 2 ? kAlphabet[(v >> 6) & 63] : '=';
    *dst++ = '=';
  }
  return out;
}

std::string EncodeBase64Stream(const std::vector<uint8_t>& bytes) {
  return EncodeBase64Stream(bytes.data(), bytes.size());
}

std::vector<uint8_t> DecodeBase64Stream(std::string_view text) {
  if (text.size() % 4 != 0) throw Error("Uneven size in DecodeToStream.");
  std::vector<uint8_t> out;
  if (text.empty()) return out;
  size_t padding = text.back() != '=' ? 0 : text[text.size() - 2] == '=' ? 2 : 1;
  out.resize(text.size() / 4 * 3 - padding);
  uint8_t* dst = out.data();
  size_t fullQuads = text.size() / 4 - (padding ? 1 : 0);
  const auto* src = reinterpret_cast<const unsigned char*>(text.data());
  for (size_t q = 0; q < fullQuads; ++q, src += 4) {
    uint8_t a = kDecodeTable[src[0]], b = kDecodeTable[src[1]];
    uint8_t c = kDecodeTable[src[2]], d = kDecodeTable[src[3]];
    if ((a | b | c | d) == kInvalid || ((a | b | c | d) & 0xC0)) {
      for (size_t k = 0; k < 4; ++k) Sextet(text, q * 4 + k);  // names the bad character
    }
    uint32_t v = (uint32_t{a} << 18) | (uint32_t{b} << 12) | (uint32_t{c} << 6) | d;
    *dst++ = static_cast<uint8_t>(v >> 16);
    *dst++ = static_cast<uint8_t>(v >> 8);
    *dst++ = static_cast<uint8_t>(v);
  }
  if (padding) {
    size_t base = fullQuads * 4;
    uint32_t v = (Sextet(text, base) << 18) | (Sextet(text, base + 1) << 12);
    if (padding == 1) v |= Sextet(text, base + 2) << 6;
    *dst++ = static_cast<uint8_t>(v >> 16);
    if (padding == 1) *dst++ = static_cast<uint8_t>(v >> 8);
  }
  return out;
}

}  // namespace zorvel
