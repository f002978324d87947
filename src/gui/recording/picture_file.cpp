#include "gui/recording/picture_file.h"

#include <QFileInfo>
#include <QImage>
#include <QImageReader>

#include <cstring>

#include "common/error.h"
#include "picture/bitmap_data.h"
#include "picture/bmp_file.h"

namespace zorvel {
namespace {

// Picture files larger than this are refused rather than read into memory.
constexpr qint64 kMaxPictureFileSize = qint64{64} << 20;

}  // namespace

const char* const kPictureFileFilter = "Pictures (*.bmp *.png *.jpg *.jpeg *.gif);;All files (*)";

std::vector<uint8_t> ReadPictureAsBmp(const QString& path) {
  const QFileInfo info(path);
  if (!info.exists() || !info.isFile()) throw Error("The file does not exist.");
  if (info.size() > kMaxPictureFileSize)
    throw Error("The file is too large for a picture (" + std::to_string(info.size()) + " bytes).");
  QImageReader reader(path);
  reader.setDecideFormatFromContent(true);
  const QImage image = reader.read();
  if (image.isNull()) {
    throw Error("The file cannot be read as a picture: " + reader.errorString().toStdString() +
                ".");
  }
  // Rows of blue, green, red bytes: the order the pixel buffer keeps.
  const QImage bgr = image.convertToFormat(QImage::Format_BGR888);
  TBDBitmapData picture;
  if (bgr.isNull() || !picture.SetSize(bgr.width(), bgr.height())) {
    throw Error("The picture is too large (" + std::to_string(image.width()) + " x " +
                std::to_string(image.height()) + " pixels).");
  }
  for (int32_t y = 0; y < picture.Height; ++y) {
    uint8_t* row = picture.Row(y);
    std::memcpy(row, bgr.constScanLine(y), static_cast<size_t>(picture.Width) * 3);
    std::memset(row + static_cast<size_t>(picture.Width) * 3, 0,
                static_cast<size_t>(picture.LinePad));
  }
  return EncodeBmp24(picture);
}

}  // namespace zorvel
