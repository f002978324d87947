// Screen capture through the compositor's screen copy interface into shared memory.
//
// Each output that the rectangle touches copies its part into a buffer of ours, which is kept for
// the next capture of the same size. Parts of the rectangle that no output covers stay black.

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <mutex>

#include <wlr-screencopy-unstable-v1-client-protocol.h>
#include "common/error.h"
#include "platform/wayland/connection_wayland.h"
#include "platform/wayland/frame_wayland.h"
#include "platform/wayland/wayland_desktop.h"

namespace zorvel {
namespace {

// How long a copy may take before the capture counts as failed.
constexpr int kCopyTimeoutMs = 5000;

// A shared-memory buffer the compositor copies into.
class TShmBuffer {
 public:
  TShmBuffer(wl_shm* shm, uint32_t format, int32_t width, int32_t height, int32_t stride)
      : format_(format), width_(width), height_(height), stride_(stride) {
    size_ = static_cast<size_t>(stride) * static_cast<size_t>(height);
    fd_ = memfd_create("zorvel-capture", MFD_CLOEXEC);
    if (fd_ < 0 || ftruncate(fd_, static_cast<off_t>(size_)) != 0) {
      Release();
      throw Error("Cannot make shared memory for a screen capture.");
    }
    data_ = mmap(nullptr, size_, PROT_READ | PROT_WRITE, MAP_SHARED, fd_, 0);
    if (data_ == MAP_FAILED) {
      data_ = nullptr;
      Release();
      throw Error("Cannot map shared memory for a screen capture.");
    }
    wl_shm_pool* pool = wl_shm_create_pool(shm, fd_, static_cast<int32_t>(size_));
    buffer_ = wl_shm_pool_create_buffer(pool, 0, width, height, stride, format);
    wl_shm_pool_destroy(pool);
  }
  ~TShmBuffer() { Release(); }
  TShmBuffer(const TShmBuffer&) = delete;
  TShmBuffer& operator=(const TShmBuffer&) = delete;

  bool Fits(uint32_t format, int32_t width, int32_t height, int32_t stride) const {
    return format == format_ && width == width_ && height == height_ && stride == stride_;
  }
  wl_buffer* Buffer() const { return buffer_; }
  const uint8_t* Data() const { return static_cast<const uint8_t*>(data_); }

 private:
  void Release() {
    if (buffer_) wl_buffer_destroy(buffer_);
    if (data_) munmap(data_, size_);
    if (fd_ >= 0) close(fd_);
    buffer_ = nullptr;
    data_ = nullptr;
    fd_ = -1;
  }

  uint32_t format_;
  int32_t width_;
  int32_t height_;
  int32_t stride_;
  size_t size_ = 0;
  int fd_ = -1;
  void* data_ = nullptr;
  wl_buffer* buffer_ = nullptr;
};

// What the compositor says about one copy.
struct TCopy {
  uint32_t format = 0;
  int32_t width = 0;
  int32_t height = 0;
  int32_t stride = 0;
  bool offered = false;    // a shared-memory buffer description arrived
  bool described = false;  // every buffer description arrived
  bool yInverted = false;
  bool ready = false;
  bool failed = false;
};

void OnBuffer(void* data, zwlr_screencopy_frame_v1*, uint32_t format, uint32_t width,
              uint32_t height, uint32_t stride) {
  auto* copy = static_cast<TCopy*>(data);
  copy->format = format;
  copy->width = static_cast<int32_t>(width);
  copy->height = static_cast<int32_t>(height);
  copy->stride = static_cast<int32_t>(stride);
  copy->offered = true;
}
void OnFlags(void* data, zwlr_screencopy_frame_v1*, uint32_t flags) {
  static_cast<TCopy*>(data)->yInverted = (flags & ZWLR_SCREENCOPY_FRAME_V1_FLAGS_Y_INVERT) != 0;
}
void OnReady(void* data, zwlr_screencopy_frame_v1*, uint32_t, uint32_t, uint32_t) {
  static_cast<TCopy*>(data)->ready = true;
}
void OnFailed(void* data, zwlr_screencopy_frame_v1*) {
  static_cast<TCopy*>(data)->failed = true;
}
void OnDamage(void*, zwlr_screencopy_frame_v1*, uint32_t, uint32_t, uint32_t, uint32_t) {}
void OnDmabuf(void*, zwlr_screencopy_frame_v1*, uint32_t, uint32_t, uint32_t) {}
void OnBufferDone(void* data, zwlr_screencopy_frame_v1*) {
  static_cast<TCopy*>(data)->described = true;
}
const zwlr_screencopy_frame_v1_listener kFrameListener = {OnBuffer, OnFlags,  OnReady,     OnFailed,
                                                          OnDamage, OnDmabuf, OnBufferDone};

struct TRect {
  int32_t x = 0, y = 0, width = 0, height = 0;
};

TRect Intersect(const TRect& a, const TRect& b) {
  const int32_t left = std::max(a.x, b.x), top = std::max(a.y, b.y);
  const int32_t right = std::min(a.x + a.width, b.x + b.width);
  const int32_t bottom = std::min(a.y + a.height, b.y + b.height);
  if (right <= left || bottom <= top) return {};
  return {left, top, right - left, bottom - top};
}

class TWaylandScreen final : public IScreen {
 public:
  TWaylandScreen() {
    manager_ = static_cast<zwlr_screencopy_manager_v1*>(
        connection_.Bind(&zwlr_screencopy_manager_v1_interface, 3));
    if (!manager_ || !connection_.Shm())
      throw Error("The Wayland compositor does not let programs read the screen.");
  }
  ~TWaylandScreen() override {
    buffer_.reset();
    zwlr_screencopy_manager_v1_destroy(manager_);
  }

  TSize ScreenSize() override {
    std::lock_guard lock(mutex_);
    const TLayoutBox box = connection_.Layout();
    return {box.x + box.width, box.y + box.height};
  }

  bool CaptureRect(int32_t x, int32_t y, int32_t width, int32_t height, uint8_t* pixels,
                   int32_t lineSize) override {
    std::lock_guard lock(mutex_);
    if (width <= 0 || height <= 0) return true;
    for (int32_t row = 0; row < height; ++row)
      std::memset(pixels + static_cast<int64_t>(row) * lineSize, 0, static_cast<size_t>(width) * 3);
    return CaptureInto({x, y, width, height}, BottomUpBgrTarget(pixels, lineSize, height));
  }

  // The outputs' frames are copied into one frame of the rectangle (they may be several, in
  // either channel order).
  bool CaptureFrame(int32_t x, int32_t y, int32_t width, int32_t height,
                    const FrameUse& use) override {
    std::lock_guard lock(mutex_);
    frame_.Reset(width, height);
    if (width > 0 && height > 0 && !CaptureInto({x, y, width, height}, frame_.Target()))
      return false;
    use(frame_.Frame());
    return true;
  }

  // A copy of every output, so that its buffer is made and mapped.
  void PrepareCapture() override {
    const TSize size = ScreenSize();
    std::lock_guard lock(mutex_);
    if (size.width > 0 && size.height > 0) {
      frame_.Reset(size.width, size.height);
      CaptureInto({0, 0, size.width, size.height}, frame_.Target());
    }
  }

  uint32_t PixelColor(int32_t x, int32_t y) override {
    uint8_t pixel[4] = {};
    if (!CaptureRect(x, y, 1, 1, pixel, 4)) return 0;
    return pixel[2] | (pixel[1] << 8) | (pixel[0] << 16);
  }

 private:
  // Copies the outputs' parts of `wanted` into `target`, whose top-left pixel is wanted's.
  bool CaptureInto(const TRect& wanted, const TPixelTarget& target) {
    try {
      for (const auto& output : connection_.Outputs()) {
        const TRect part = Intersect(wanted, {output->x, output->y, output->width, output->height});
        if (part.width == 0) continue;
        if (!CapturePart(*output, part, wanted, target)) return false;
      }
    } catch (const Error&) {
      return false;
    }
    return true;
  }

  // Copies `part` (inside `output`) into the capture of `wanted`.
  bool CapturePart(const TWaylandOutput& output, const TRect& part, const TRect& wanted,
                   const TPixelTarget& target) {
    const bool whole = part.x == output.x && part.y == output.y && part.width == output.width &&
                       part.height == output.height;
    TCopy copy;
    zwlr_screencopy_frame_v1* frame =
        whole ? zwlr_screencopy_manager_v1_capture_output(manager_, 0, output.output)
              : zwlr_screencopy_manager_v1_capture_output_region(
                    manager_, 0, output.output, part.x - output.x, part.y - output.y, part.width,
                    part.height);
    zwlr_screencopy_frame_v1_add_listener(frame, &kFrameListener, &copy);
    const bool describedByDone =
        connection_.BoundVersion(&zwlr_screencopy_manager_v1_interface) >= 3;
    const bool copied =
        WaitFor(copy,
                [&] { return copy.failed || (describedByDone ? copy.described : copy.offered); }) &&
        copy.offered && !copy.failed && Copy(frame, copy);
    zwlr_screencopy_frame_v1_destroy(frame);
    if (!copied) return false;
    // The buffer is as big as the part in output pixels; only an unscaled output maps 1:1.
    if (copy.width != part.width || copy.height != part.height) return false;
    const TShmFrame shm{buffer_->Data(), copy.format, copy.width,
                        copy.height,     copy.stride, copy.yInverted};
    return CopyFrame(shm, target, part.x - wanted.x, part.y - wanted.y);
  }

  bool Copy(zwlr_screencopy_frame_v1* frame, TCopy& copy) {
    if (!FrameFormatSupported(copy.format) || copy.width <= 0 || copy.height <= 0 ||
        copy.stride < copy.width * 4)
      return false;
    if (!buffer_ || !buffer_->Fits(copy.format, copy.width, copy.height, copy.stride))
      buffer_ = std::make_unique<TShmBuffer>(connection_.Shm(), copy.format, copy.width,
                                             copy.height, copy.stride);
    zwlr_screencopy_frame_v1_copy(frame, buffer_->Buffer());
    return WaitFor(copy, [&] { return copy.ready || copy.failed; }) && copy.ready;
  }

  template <class Done>
  bool WaitFor(const TCopy&, Done done) {
    connection_.Flush();
    while (!done())
      if (!connection_.DispatchWait(kCopyTimeoutMs)) return false;
    return true;
  }

  std::mutex mutex_;
  TWaylandConnection connection_;
  zwlr_screencopy_manager_v1* manager_ = nullptr;
  std::unique_ptr<TShmBuffer> buffer_;
  TFrameBuffer frame_;  // the last frame handed out
};

}  // namespace

std::unique_ptr<IScreen> CreateWaylandScreen() {
  return std::make_unique<TWaylandScreen>();
}

}  // namespace zorvel
