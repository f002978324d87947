// Screen size, captures and single pixels on X11.
//
// A capture reads the part of the requested rectangle that lies on the root window, through a
// shared-memory segment (MIT-SHM) when the server offers one and XGetImage otherwise. CaptureRect
// turns the server's image (usually 32 bits per pixel, blue-green-red-unused) into rows of blue,
// green, red bytes, bottom row first; CaptureFrame hands the searches the server's own image when
// it is in that 32-bit layout. The rest of the rectangle is black.

#include "platform/x11/screen_x11.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <sys/ipc.h>
#include <sys/mman.h>
#include <sys/shm.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "common/error.h"
#include "picture/pixel_rows.h"
#include "platform/x11/connection_x11.h"
#include "platform/x11/x11_desktop.h"

namespace zorvel {

namespace {

// ---------------------------------------------------------------------------------------------
// Pixel conversion

// Where one channel sits in a pixel value of the server's image.
struct TChannel {
  int shift = 0;  // lowest bit of the mask
  int bits = 0;   // width of the mask
  unsigned long mask = 0;

  explicit TChannel(unsigned long m) : mask(m) {
    while (m != 0 && (m & 1) == 0) {
      m >>= 1;
      ++shift;
    }
    while (m & 1) {
      m >>= 1;
      ++bits;
    }
  }
  // The channel scaled to 8 bits.
  uint8_t Value(unsigned long pixel) const {
    if (bits == 0) return 0;
    const unsigned long v = (pixel & mask) >> shift;
    if (bits >= 8) return static_cast<uint8_t>(v >> (bits - 8));
    return static_cast<uint8_t>((v * 255) / ((1ul << bits) - 1));
  }
};

bool StandardMasks(const XImage& image) {
  return image.red_mask == 0xFF0000 && image.green_mask == 0xFF00 && image.blue_mask == 0xFF &&
         image.byte_order == LSBFirst;
}

// The image's pixels are blue, green, red, unused: the layout of a screen frame.
bool IsFrameLayout(const XImage& image) {
  return image.bits_per_pixel == 32 && StandardMasks(image);
}

void ConvertGeneric(const XImage& image, int32_t row, uint8_t* out, TPixelLayout layout) {
  const TChannel red(image.red_mask), green(image.green_mask), blue(image.blue_mask);
  XImage& source = const_cast<XImage&>(image);  // XGetPixel does not change the image
  const int32_t step = BytesPerPixel(layout);
  for (int32_t i = 0; i < image.width; ++i, out += step) {
    const unsigned long pixel = XGetPixel(&source, i, row);
    out[0] = blue.Value(pixel);
    out[1] = green.Value(pixel);
    out[2] = red.Value(pixel);
    if (step == 4) out[3] = 0;
  }
}

// Writes `image` into `target` with its top-left corner at column `left`, row `top`.
void CopyImage(const XImage& image, const TPixelTarget& target, int32_t left, int32_t top) {
  for (int32_t j = 0; j < image.height; ++j) {
    uint8_t* out = target.At(left, top + j);
    const uint8_t* in = reinterpret_cast<const uint8_t*>(image.data) +
                        static_cast<size_t>(j) * static_cast<size_t>(image.bytes_per_line);
    if (IsFrameLayout(image)) {
      CopyBgrxRow(in, out, image.width, target.layout);
    } else if (image.bits_per_pixel == 24 && StandardMasks(image)) {
      CopyBgrRow(in, out, image.width, target.layout);
    } else {
      ConvertGeneric(image, j, out, target.layout);
    }
  }
}

// ---------------------------------------------------------------------------------------------
// Shared-memory segment

class TShmSegment {
 public:
  explicit TShmSegment(Display* display) : FDisplay(display) {}
  ~TShmSegment() { Release(); }
  TShmSegment(const TShmSegment&) = delete;
  TShmSegment& operator=(const TShmSegment&) = delete;

  // A segment of at least `bytes` attached to the server; false when none can be had.
  bool Reserve(size_t bytes) {
    if (FAttached && FSize >= bytes) return true;
    Release();
    const int id = shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
    if (id < 0) return false;
    void* address = shmat(id, nullptr, 0);
    if (address == reinterpret_cast<void*>(-1)) {
      shmctl(id, IPC_RMID, nullptr);
      return false;
    }
#ifdef MADV_POPULATE_WRITE
    // The pages made in one call rather than by one fault each, on both sides, later.
    madvise(address, bytes, MADV_POPULATE_WRITE);
#endif
    FInfo.shmid = id;
    FInfo.shmaddr = static_cast<char*>(address);
    FInfo.readOnly = False;
    bool attached = false;
    {
      TX11ErrorTrap trap(FDisplay);
      attached = XShmAttach(FDisplay, &FInfo) && trap.Sync() == 0;
    }
    shmctl(id, IPC_RMID, nullptr);  // goes away once both sides have let go
    if (!attached) {
      shmdt(FInfo.shmaddr);
      return false;
    }
    FAttached = true;
    FSize = bytes;
    return true;
  }

  XShmSegmentInfo& Info() {
    return FInfo;
  }

 private:
  void Release() {
    if (!FAttached) return;
    XShmDetach(FDisplay, &FInfo);
    XSync(FDisplay, False);
    shmdt(FInfo.shmaddr);
    FAttached = false;
    FSize = 0;
  }

  Display* FDisplay;
  XShmSegmentInfo FInfo{};
  bool FAttached = false;
  size_t FSize = 0;
};

struct TImageDestroyer {
  void operator()(XImage* image) const { XDestroyImage(image); }
};
using TImagePtr = std::unique_ptr<XImage, TImageDestroyer>;

// An image whose pixels lie in the shared segment: they are not the image's to free.
struct TShmImageDestroyer {
  void operator()(XImage* image) const {
    image->data = nullptr;
    XDestroyImage(image);
  }
};
using TShmImagePtr = std::unique_ptr<XImage, TShmImageDestroyer>;

// The part of a requested rectangle that lies on the screen.
struct TClip {
  int32_t left = 0;  // on the screen
  int32_t top = 0;
  int32_t width = 0;
  int32_t height = 0;
  int32_t offsetX = 0;  // where the part begins in the rectangle
  int32_t offsetY = 0;
  bool whole = false;  // the part is the whole rectangle

  bool Empty() const { return width <= 0 || height <= 0; }
};

TClip ClipToScreen(TSize screen, int32_t x, int32_t y, int32_t width, int32_t height) {
  // In 64 bits: x + width may pass the 32-bit range.
  const int64_t left = std::max<int64_t>(x, 0);
  const int64_t top = std::max<int64_t>(y, 0);
  const int64_t right = std::min<int64_t>(int64_t{x} + width, screen.width);
  const int64_t bottom = std::min<int64_t>(int64_t{y} + height, screen.height);
  TClip clip;
  clip.whole =
      left == x && top == y && right == int64_t{x} + width && bottom == int64_t{y} + height;
  if (right <= left || bottom <= top) return clip;
  clip.left = static_cast<int32_t>(left);
  clip.top = static_cast<int32_t>(top);
  clip.width = static_cast<int32_t>(right - left);
  clip.height = static_cast<int32_t>(bottom - top);
  clip.offsetX = static_cast<int32_t>(left - x);
  clip.offsetY = static_cast<int32_t>(top - y);
  return clip;
}

// Reads the memory as a search does (one byte of every cache line): its pages get mapped here
// and it is warm for the first search.
void ReadThrough(const char* data, size_t bytes) {
  constexpr size_t kCacheLine = 64;
  unsigned sum = 0;
  for (size_t i = 0; i < bytes; i += kCacheLine) sum += static_cast<unsigned char>(data[i]);
  volatile unsigned sink = sum;
  (void)sink;
}

// ---------------------------------------------------------------------------------------------

class TX11Screen : public IX11Screen {
 public:
  explicit TX11Screen(const TX11ScreenOptions& options)
      : FDisplay(OpenX11Display()), FRoot(DefaultRootWindow(FDisplay.get())), FShm(FDisplay.get()) {
    FUseShm = options.allowShm && XShmQueryExtension(FDisplay.get());
    // The root's size is kept here and refreshed from its ConfigureNotify events (a RandR size
    // change sends one), so no capture asks the server for it.
    XSelectInput(FDisplay.get(), FRoot, StructureNotifyMask);
    FRootSize = QueryRootSize();
  }

  bool UsesShm() const override { return FUseShm; }

  TSize ScreenSize() override {
    std::lock_guard<std::mutex> lock(FMutex);
    return RootSize();
  }

  bool CaptureRect(int32_t x, int32_t y, int32_t width, int32_t height, uint8_t* pixels,
                   int32_t lineSize) override {
    if (width <= 0 || height <= 0) return true;
    std::lock_guard<std::mutex> lock(FMutex);
    const TClip clip = ClipToScreen(RootSize(), x, y, width, height);
    if (!clip.whole)
      std::memset(pixels, 0, static_cast<size_t>(lineSize) * static_cast<size_t>(height));
    if (clip.Empty()) return true;
    return CaptureInto(clip, BottomUpBgrTarget(pixels, lineSize, height));
  }

  bool CaptureFrame(int32_t x, int32_t y, int32_t width, int32_t height,
                    const FrameUse& use) override {
    if (width <= 0 || height <= 0) {
      use(TScreenFrame{});
      return true;
    }
    std::lock_guard<std::mutex> lock(FMutex);
    const TClip clip = ClipToScreen(RootSize(), x, y, width, height);
    // The whole rectangle on the screen in the server's 32-bit layout: searched where the server
    // put it.
    if (clip.whole && FUseShm) {
      if (TShmImagePtr image = ShmRead(clip)) {
        if (IsFrameLayout(*image)) {
          use(TScreenFrame{reinterpret_cast<const uint8_t*>(image->data), image->bytes_per_line,
                           width, height});
        } else {
          FFrame.Reset(width, height);
          CopyImage(*image, FFrame.Target(), 0, 0);
          use(FFrame.Frame());
        }
        return true;
      }
    }
    FFrame.Reset(width, height);
    if (!clip.Empty() && !CaptureInto(clip, FFrame.Target())) return false;
    use(FFrame.Frame());
    return true;
  }

  void PrepareCapture() override {
    std::lock_guard<std::mutex> lock(FMutex);
    const TSize screen = RootSize();
    if (!FUseShm || screen.width <= 0 || screen.height <= 0) return;
    // Reads of the whole screen: the segment is made and attached and the server's side of it
    // written; reading our side maps its pages here too. The first copies into a new segment are
    // slower than the later ones (measured: about 2x, 1.5x, 1.2x) until the memory is warm, so a
    // few are made here rather than by the first searches.
    constexpr int kWarmingReads = 3;
    const TClip whole = ClipToScreen(screen, 0, 0, screen.width, screen.height);
    for (int read = 0; read < kWarmingReads; ++read) {
      TShmImagePtr image = ShmRead(whole);
      if (!image) return;
      ReadThrough(image->data,
                  static_cast<size_t>(image->bytes_per_line) * static_cast<size_t>(image->height));
    }
  }

  uint32_t PixelColor(int32_t x, int32_t y) override {
    std::lock_guard<std::mutex> lock(FMutex);
    const TSize screen = RootSize();
    if (x < 0 || y < 0 || x >= screen.width || y >= screen.height) return 0;
    TImagePtr image = PlainImage(x, y, 1, 1);
    if (!image) return 0;
    uint8_t bgr[3] = {0, 0, 0};
    CopyImage(*image, BottomUpBgrTarget(bgr, 3, 1), 0, 0);
    return static_cast<uint32_t>(bgr[2]) | (static_cast<uint32_t>(bgr[1]) << 8) |
           (static_cast<uint32_t>(bgr[0]) << 16);
  }

 private:
  TSize QueryRootSize() {
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(FDisplay.get(), FRoot, &attributes)) return {};
    return {attributes.width, attributes.height};
  }

  // The cached size, brought up to date with the size changes the server has sent.
  TSize RootSize() {
    Display* display = FDisplay.get();
    XEvent event;
    while (XEventsQueued(display, QueuedAfterReading) > 0) {
      XNextEvent(display, &event);
      if (event.type == ConfigureNotify && event.xconfigure.window == FRoot)
        FRootSize = {event.xconfigure.width, event.xconfigure.height};
    }
    return FRootSize;
  }

  TImagePtr PlainImage(int64_t x, int64_t y, int32_t w, int32_t h) {
    TX11ErrorTrap trap(FDisplay.get());
    TImagePtr image(XGetImage(FDisplay.get(), FRoot, static_cast<int>(x), static_cast<int>(y),
                              static_cast<unsigned>(w), static_cast<unsigned>(h), AllPlanes,
                              ZPixmap));
    if (trap.Sync() != 0) return nullptr;
    return image;
  }

  // Copies the on-screen part `clip` into `target` at the part's place in the rectangle, through
  // the shared segment when it can, else with XGetImage.
  bool CaptureInto(const TClip& clip, const TPixelTarget& target) {
    TShmImagePtr shared = FUseShm ? ShmRead(clip) : nullptr;
    if (shared) {
      CopyImage(*shared, target, clip.offsetX, clip.offsetY);
      return true;
    }
    TImagePtr image = PlainImage(clip.left, clip.top, clip.width, clip.height);
    if (!image) return false;
    CopyImage(*image, target, clip.offsetX, clip.offsetY);
    return true;
  }

  // Reads the on-screen part into the shared segment in one request; the image describes it
  // until the next read. Null when the server refuses: the shared path is then not tried again.
  TShmImagePtr ShmRead(const TClip& clip) {
    Display* display = FDisplay.get();
    const int screen = DefaultScreen(display);
    TShmImagePtr image(XShmCreateImage(
        display, DefaultVisual(display, screen),
        static_cast<unsigned>(DefaultDepth(display, screen)), ZPixmap, nullptr, &FShm.Info(),
        static_cast<unsigned>(clip.width), static_cast<unsigned>(clip.height)));
    if (!image) return Abandon();
    const size_t bytes =
        static_cast<size_t>(image->bytes_per_line) * static_cast<size_t>(clip.height);
    if (!FShm.Reserve(bytes)) return Abandon();
    image->data = FShm.Info().shmaddr;
    // Every earlier request of this connection has been answered (each capture waits for its
    // reply), and XShmGetImage waits for its own.
    TX11ErrorTrap trap(display, TX11ErrorTrap::TScope::EndsWithReply);
    const bool read = XShmGetImage(display, FRoot, image.get(), clip.left, clip.top, AllPlanes);
    if (!read || trap.Caught() != 0) return Abandon();
    return image;
  }

  std::nullptr_t Abandon() {
    FUseShm = false;
    return nullptr;
  }

  std::mutex FMutex;
  TDisplayPtr FDisplay;
  Window FRoot;
  TShmSegment FShm;
  bool FUseShm = false;
  TSize FRootSize;
  TFrameBuffer FFrame;  // frames the server's image cannot be as it is
};

}  // namespace

std::unique_ptr<IX11Screen> CreateX11Screen(const TX11ScreenOptions& options) {
  return std::make_unique<TX11Screen>(options);
}

std::unique_ptr<IScreen> CreateX11Screen() {
  TX11ScreenOptions options;
  const char* shm = std::getenv("ZORVEL_X11_SHM");
  if (shm != nullptr && std::strcmp(shm, "0") == 0) options.allowShm = false;
  return CreateX11Screen(options);
}

}  // namespace zorvel
