#include "picture/bmp_file.h"

#include <bit>
#include <cstring>

namespace zorvel {
namespace {

constexpr size_t kFileHeaderBytes = 14;
constexpr uint32_t kInfoHeader = 40;
constexpr uint32_t kV4Header = 108;
constexpr uint32_t kV5Header = 124;
constexpr uint32_t kBiRgb = 0;
constexpr uint32_t kBiBitfields = 3;

uint16_t ReadU16(const uint8_t* p) {
  return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

uint32_t ReadU32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

void PutU16(std::vector<uint8_t>& out, size_t at, uint32_t value) {
  out[at] = static_cast<uint8_t>(value);
  out[at + 1] = static_cast<uint8_t>(value >> 8);
}

void PutU32(std::vector<uint8_t>& out, size_t at, uint32_t value) {
  PutU16(out, at, value & 0xFFFF);
  PutU16(out, at + 2, value >> 16);
}

// Where in a source pixel the blue, green and red bytes sit.
struct TChannelBytes {
  int blue = 0;
  int green = 1;
  int red = 2;
};

// The byte index of a mask that covers exactly one whole byte of a 32-bit pixel, or -1.
int ByteOfMask(uint32_t mask) {
  if (mask == 0) return -1;
  const int shift = std::countr_zero(mask);
  if (shift % 8 != 0 || mask != (uint32_t{0xFF} << shift)) return -1;
  return shift / 8;
}

// What the headers say, checked; `reason` tells why not when the image is refused.
struct TBmpLayout {
  int64_t width = 0;
  int64_t height = 0;
  bool topDown = false;
  int bytesPerPixel = 3;
  TChannelBytes channels;
  int64_t pixelOffset = 0;
  int64_t sourceLineSize = 0;
};

std::string ReadMasks(const uint8_t* masks, TChannelBytes& channels) {
  const uint32_t red = ReadU32(masks);
  const uint32_t green = ReadU32(masks + 4);
  const uint32_t blue = ReadU32(masks + 8);
  channels = {ByteOfMask(blue), ByteOfMask(green), ByteOfMask(red)};
  if (channels.red < 0 || channels.green < 0 || channels.blue < 0 ||
      channels.red == channels.green || channels.red == channels.blue ||
      channels.green == channels.blue) {
    return "its colour masks are not one byte per colour";
  }
  return {};
}

std::string ReadLayout(const uint8_t* data, size_t size, TBmpLayout& layout) {
  if (size < kFileHeaderBytes + 4 || ReadU16(data) != 0x4D42) return "it is not a BMP file";
  const uint32_t headerSize = ReadU32(data + kFileHeaderBytes);
  if (headerSize != kInfoHeader && headerSize != kV4Header && headerSize != kV5Header) {
    return "its header of " + std::to_string(headerSize) +
           " bytes is not one of the supported kinds (40, 108 or 124 bytes)";
  }
  if (size < kFileHeaderBytes + headerSize) return "the file is cut short in its header";
  const uint8_t* info = data + kFileHeaderBytes;
  const int64_t width = static_cast<int32_t>(ReadU32(info + 4));
  const int64_t height = static_cast<int32_t>(ReadU32(info + 8));
  const uint16_t bitCount = ReadU16(info + 14);
  const uint32_t compression = ReadU32(info + 16);
  if (ReadU16(info + 12) != 1) return "its number of planes is not 1";
  if (bitCount != 24 && bitCount != 32) {
    return "it has " + std::to_string(bitCount) +
           " bits per pixel; only 24-bit and 32-bit pictures can be used";
  }
  int64_t headerEnd = static_cast<int64_t>(kFileHeaderBytes) + headerSize;
  if (compression == kBiBitfields && bitCount == 32) {
    // A 40-byte header is followed by the three masks; the larger headers hold them.
    if (headerSize == kInfoHeader) {
      headerEnd += 12;
      if (size < static_cast<size_t>(headerEnd)) return "the file is cut short in its colour masks";
    }
    if (std::string reason = ReadMasks(info + kInfoHeader, layout.channels); !reason.empty())
      return reason;
  } else if (compression != kBiRgb) {
    return "its compression (" + std::to_string(compression) + ") is not supported";
  }
  if (width < 0) return "its width is negative";
  if (height == INT32_MIN) return "its height is out of range";
  layout.width = width;
  layout.topDown = height < 0;
  layout.height = height < 0 ? -height : height;
  layout.bytesPerPixel = bitCount / 8;
  layout.sourceLineSize = (width * bitCount + 31) / 32 * 4;
  layout.pixelOffset = ReadU32(data + 10);
  if (layout.pixelOffset < headerEnd) return "its pixel data would start inside its header";
  return {};
}

void CopyRow(const uint8_t* source, const TBmpLayout& layout, uint8_t* target, int32_t width) {
  if (layout.bytesPerPixel == 3) {
    std::memcpy(target, source, static_cast<size_t>(width) * 3);
    return;
  }
  for (int32_t x = 0; x < width; ++x, source += 4, target += 3) {
    target[0] = source[layout.channels.blue];
    target[1] = source[layout.channels.green];
    target[2] = source[layout.channels.red];
  }
}

}  // namespace

std::string DecodeBmp(const uint8_t* data, size_t size, TBDBitmapData& out) {
  if (data == nullptr) return "it is not a BMP file";
  TBmpLayout layout;
  if (std::string reason = ReadLayout(data, size, layout); !reason.empty()) return reason;
  TBDBitmapData loaded;
  if (layout.width == 0 || layout.height == 0) {
    out = std::move(loaded);
    return {};
  }
  if (layout.sourceLineSize > kMaxBitmapBytes ||
      !loaded.SetSize(static_cast<int32_t>(layout.width), static_cast<int32_t>(layout.height)))
    return "it is too large (" + std::to_string(layout.width) + " x " +
           std::to_string(layout.height) + " pixels)";
  const int64_t available = static_cast<int64_t>(size) - layout.pixelOffset;
  if (available < layout.sourceLineSize * layout.height) return "the file is cut short";
  const uint8_t* pixels = data + layout.pixelOffset;
  for (int32_t row = 0; row < loaded.Height; ++row) {
    // Stored rows run bottom-up unless the height was negative.
    const int32_t y = layout.topDown ? row : loaded.Height - 1 - row;
    CopyRow(pixels + row * layout.sourceLineSize, layout, loaded.Row(y), loaded.Width);
    std::memset(loaded.Row(y) + 3 * static_cast<size_t>(loaded.Width), 0,
                static_cast<size_t>(loaded.LinePad));
  }
  out = std::move(loaded);
  return {};
}

std::vector<uint8_t> EncodeBmp24(const TBDBitmapData& picture) {
  constexpr size_t kHeaders = kFileHeaderBytes + kInfoHeader;
  const size_t dataSize = picture.Empty() ? 0 : static_cast<size_t>(picture.DataSize);
  std::vector<uint8_t> file(kHeaders + dataSize, 0);
  file[0] = 'B';
  file[1] = 'M';
  PutU32(file, 2, static_cast<uint32_t>(file.size()));
  PutU32(file, 10, kHeaders);
  PutU32(file, 14, kInfoHeader);
  PutU32(file, 18, static_cast<uint32_t>(picture.Empty() ? 0 : picture.Width));
  PutU32(file, 22, static_cast<uint32_t>(picture.Empty() ? 0 : picture.Height));
  PutU16(file, 26, 1);
  PutU16(file, 28, 24);
  PutU32(file, 34, static_cast<uint32_t>(dataSize));
  if (dataSize > 0) std::memcpy(file.data() + kHeaders, picture.Pixels(), dataSize);
  return file;
}

}  // namespace zorvel
