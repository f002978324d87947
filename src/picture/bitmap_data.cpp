#include "picture/bitmap_data.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "picture/bmp_file.h"
#include "platform/platform.h"

namespace zorvel {

namespace {

struct TGeometry {
  int32_t lineSize = 0;
  int32_t linePad = 0;
  int32_t dataSize = 0;
};

// Row and block sizes of a width x height buffer, in 64-bit arithmetic. False when the size is
// negative or the block would pass kMaxBitmapBytes.
bool ComputeGeometry(int64_t width, int64_t height, TGeometry& out) {
  if (width < 0 || height < 0) return false;
  const int64_t lineSize = ((width * 24 + 31) & ~int64_t{31}) / 8;
  if (lineSize > kMaxBitmapBytes) return false;
  const int64_t dataSize = lineSize * height;
  if (dataSize > kMaxBitmapBytes) return false;
  out.lineSize = static_cast<int32_t>(lineSize);
  out.linePad = static_cast<int32_t>(lineSize - 3 * width);
  out.dataSize = static_cast<int32_t>(dataSize);
  return true;
}

}  // namespace

uint32_t SwapRedBlue(uint32_t color) {
  return ((color & 0xFF) << 16) | (color & 0xFF00) | ((color >> 16) & 0xFF);
}

bool ColorsSimilar(uint32_t a, uint32_t b, const TBDColorTolerance& tolerance) {
  const int32_t limits[3] = {tolerance.Blue, tolerance.Green, tolerance.Red};
  for (int channel = 0; channel < 3; ++channel) {
    const int shift = channel * 8;
    const int32_t d =
        static_cast<int32_t>((a >> shift) & 0xFF) - static_cast<int32_t>((b >> shift) & 0xFF);
    if (d < -limits[channel] || d > limits[channel]) return false;
  }
  return true;
}

TBDBitmapData::TBDBitmapData(const TBDBitmapData& other) {
  *this = other;
}

TBDBitmapData& TBDBitmapData::operator=(const TBDBitmapData& other) {
  if (this == &other) return *this;
  std::unique_ptr<uint8_t[]> copy;
  if (other.DataSize > 0) {
    copy.reset(new uint8_t[static_cast<size_t>(other.DataSize)]);
    std::memcpy(copy.get(), other.FPixels.get(), static_cast<size_t>(other.DataSize));
  }
  FPixels = std::move(copy);
  Width = other.Width;
  Height = other.Height;
  LineSize = other.LineSize;
  LinePad = other.LinePad;
  DataSize = other.DataSize;
  Capacity = other.DataSize;
  return *this;
}

TBDBitmapData::TBDBitmapData(TBDBitmapData&& other) noexcept {
  *this = std::move(other);
}

TBDBitmapData& TBDBitmapData::operator=(TBDBitmapData&& other) noexcept {
  if (this == &other) return *this;
  FPixels = std::move(other.FPixels);
  Width = other.Width;
  Height = other.Height;
  LineSize = other.LineSize;
  LinePad = other.LinePad;
  DataSize = other.DataSize;
  Capacity = other.Capacity;
  other.Width = other.Height = other.LineSize = other.LinePad = other.DataSize = other.Capacity = 0;
  return *this;
}

uint32_t TBDBitmapData::GetPixel(int32_t x, int32_t y) const {
  const uint8_t* p = Row(y) + 3 * static_cast<size_t>(x);
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16);
}

void TBDBitmapData::SetPixel(int32_t x, int32_t y, uint32_t color) {
  uint8_t* p = Row(y) + 3 * static_cast<size_t>(x);
  p[0] = static_cast<uint8_t>(color);
  p[1] = static_cast<uint8_t>(color >> 8);
  p[2] = static_cast<uint8_t>(color >> 16);
}

void TBDBitmapData::Fill(uint32_t color) {
  if (Empty()) return;
  uint8_t* first = FPixels.get();
  for (int32_t x = 0; x < Width; ++x) {
    first[3 * x] = static_cast<uint8_t>(color);
    first[3 * x + 1] = static_cast<uint8_t>(color >> 8);
    first[3 * x + 2] = static_cast<uint8_t>(color >> 16);
  }
  std::memset(first + 3 * static_cast<size_t>(Width), 0, static_cast<size_t>(LinePad));
  for (int32_t row = 1; row < Height; ++row) {
    std::memcpy(first + static_cast<size_t>(row) * LineSize, first, static_cast<size_t>(LineSize));
  }
}

bool TBDBitmapData::SetSize(int32_t width, int32_t height) {
  if (width == Width && height == Height) return true;
  TGeometry geometry;
  if (!ComputeGeometry(width, height, geometry)) return false;
  if (geometry.dataSize > Capacity) {
    uint8_t* block = new (std::nothrow) uint8_t[static_cast<size_t>(geometry.dataSize)];
    if (block == nullptr) return false;
    FPixels.reset(block);
    Capacity = geometry.dataSize;
  }
  Width = width;
  Height = height;
  LineSize = geometry.lineSize;
  LinePad = geometry.linePad;
  DataSize = geometry.dataSize;
  return true;
}

void TBDBitmapData::Clear() {
  FPixels.reset();
  Width = Height = LineSize = LinePad = DataSize = Capacity = 0;
}

bool TBDBitmapData::LoadFromStream(const uint8_t* data, size_t size, std::string* reason) {
  std::string refusal = DecodeBmp(data, size, *this);
  if (reason) *reason = refusal;
  return refusal.empty();
}

TCaptureRect CaptureRectFor(TSize screen, int32_t x, int32_t y, int32_t width, int32_t height) {
  TCaptureRect rect{x, y, width, height};
  if (rect.x < 0 || rect.x >= screen.width) rect.x = 0;
  if (rect.y < 0 || rect.y >= screen.height) rect.y = 0;
  if (rect.width < 1) rect.width = std::max(screen.width - rect.x, 0);
  if (rect.height < 1) rect.height = std::max(screen.height - rect.y, 0);
  return rect;
}

bool TBDBitmapData::CaptureScreen(IScreen& screen, int32_t x, int32_t y, int32_t width,
                                  int32_t height) {
  const TCaptureRect rect = CaptureRectFor(screen.ScreenSize(), x, y, width, height);
  if (!SetSize(rect.width, rect.height)) return false;
  if (Empty()) return true;
  return screen.CaptureRect(rect.x, rect.y, Width, Height, FPixels.get(), LineSize);
}

}  // namespace zorvel
