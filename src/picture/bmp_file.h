#pragma once

// BMP file images: reading the common kinds into the 24-bit pixel buffer, and writing the buffer
// as the plain 24-bit BMP that macro documents hold.
//
// Read: BITMAPINFOHEADER (40 bytes), V4 (108) and V5 (124) headers; 24-bit BI_RGB, 32-bit BI_RGB
// and 32-bit BI_BITFIELDS whose red, green and blue masks are each one whole byte; bottom-up or
// top-down rows; the pixel block wherever the file header's offset puts it. Alpha is dropped.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "picture/bitmap_data.h"

namespace zorvel {

// Decodes the BMP file image data[0 .. size) into `out`. Never reads past data + size. Returns
// an empty text on success, otherwise the reason the image is refused (then `out` is unchanged).
// A width or height of 0 gives the empty (0 x 0) picture.
std::string DecodeBmp(const uint8_t* data, size_t size, TBDBitmapData& out);

// The picture as a 24-bit bottom-up BMP file with a 40-byte header and no colour table.
std::vector<uint8_t> EncodeBmp24(const TBDBitmapData& picture);

}  // namespace zorvel
