#pragma once

// Picture files the action editor loads for a picture click.

#include <QString>

#include <cstdint>
#include <vector>

namespace zorvel {

// The file-name filter of the picture file box: every format the editor reads.
extern const char* const kPictureFileFilter;

// Reads the picture file at `path` in any format Qt reads (BMP, PNG, JPEG, GIF...) and returns it
// as the 24-bit BMP file that macro documents hold; transparency is dropped. Throws Error with a
// reason a user can read when the file is missing, too large or not a picture.
std::vector<uint8_t> ReadPictureAsBmp(const QString& path);

}  // namespace zorvel
