// Decodes arbitrary text as base64; whatever decodes must encode back to the same text when it
// was in canonical form, and any byte string must survive encode then decode.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "common/error.h"
#include "model/base64.h"
#include "model/colour_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<uint8_t> bytes(data, data + size);
  if (zorvel::DecodeBase64Stream(zorvel::EncodeBase64Stream(bytes)) != bytes) std::abort();

  std::string_view text(reinterpret_cast<const char*>(data), size);
  try {
    std::vector<uint8_t> decoded = zorvel::DecodeBase64Stream(text);
    if (decoded.size() !=
        size / 4 * 3 - (size && text.back() == '=') - (size > 1 && text[size - 2] == '='))
      std::abort();
  } catch (const zorvel::Error&) {
  }
  try {
    uint32_t colour = zorvel::StringToColor(std::string(text));
    if (zorvel::StringToColor(zorvel::ColorToString(colour)) != colour) std::abort();
  } catch (const zorvel::Error&) {
  }
  return 0;
}
