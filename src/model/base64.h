#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zorvel {

// Base64 in the standard alphabet with "=" padding, as one line.
std::string EncodeBase64Stream(const std::vector<uint8_t>& bytes);
std::string EncodeBase64Stream(const uint8_t* data, size_t size);

// Throws Error "Uneven size in DecodeToStream." when the length is not a multiple of 4, and an
// Error naming the position of any character outside the alphabet or misplaced padding.
std::vector<uint8_t> DecodeBase64Stream(std::string_view text);

}  // namespace zorvel
