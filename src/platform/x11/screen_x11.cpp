// Screen size, captures and single pixels on X11.
//
// A capture reads the part of the requested rectangle that lies on the root window, through a
// shared-memory segment (MIT-SHM) when the server offers one and XGetImage otherwise, and turns
// the server's image (usually 32 bits per pixel, blue-green-red-unused) into rows of blue, green,
// red bytes, bottom row first. The rest of the rectangle is black.

#include "platform/x11/screen_x11.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <sys/ipc.h>
#include <sys/shm.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "common/error.h"
#include "platform/x11/connection_x11.h"
#include "platform/x11/x11_desktop.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define ZORVEL_SCREEN_X86 1
#endif

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

// Blue, green, red, unused -> blue, green, red.
void ConvertBgrxPortable(const uint8_t* in, uint8_t* out, int32_t pixels) {
  for (int32_t i = 0; i < pixels; ++i) {
    out[3 * i] = in[4 * i];
    out[3 * i + 1] = in[4 * i + 1];
    out[3 * i + 2] = in[4 * i + 2];
  }
}

#ifdef ZORVEL_SCREEN_X86
__attribute__((target("ssse3"))) void ConvertBgrxSsse3(const uint8_t* in, uint8_t* out,
                                                       int32_t pixels) {
  const __m128i pack = _mm_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1);
  int32_t i = 0;
  // Each step stores 16 bytes of which 12 are pixels; the last 4 are overwritten by the next
  // step, so stop while a whole 16 bytes still belong to this row.
  for (; i + 6 <= pixels; i += 4) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + 4 * i));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 3 * i), _mm_shuffle_epi8(v, pack));
  }
  ConvertBgrxPortable(in + 4 * i, out + 3 * i, pixels - i);
}
#endif

using TConvertBgrx = void (*)(const uint8_t*, uint8_t*, int32_t);

TConvertBgrx BgrxConverter() {
#ifdef ZORVEL_SCREEN_X86
  if (__builtin_cpu_supports("ssse3")) return ConvertBgrxSsse3;
#endif
  return ConvertBgrxPortable;
}

void ConvertGeneric(const XImage& image, int32_t row, uint8_t* out) {
  const TChannel red(image.red_mask), green(image.green_mask), blue(image.blue_mask);
  XImage& source = const_cast<XImage&>(image);  // XGetPixel does not change the image
  for (int32_t i = 0; i < image.width; ++i) {
    const unsigned long pixel = XGetPixel(&source, i, row);
    out[3 * i] = blue.Value(pixel);
    out[3 * i + 1] = green.Value(pixel);
    out[3 * i + 2] = red.Value(pixel);
  }
}

// Writes `image` into the capture buffer (`height` rows of `lineSize` bytes, bottom row first)
// with its top-left corner at column `left`, row `top` of the capture.
void CopyImage(const XImage& image, uint8_t* pixels, int32_t lineSize, int32_t height, int32_t left,
               int32_t top) {
  static const TConvertBgrx convertBgrx = BgrxConverter();
  for (int32_t j = 0; j < image.height; ++j) {
    uint8_t* out =
        pixels + static_cast<size_t>(height - 1 - (top + j)) * lineSize + 3 * size_t(left);
    const uint8_t* in = reinterpret_cast<const uint8_t*>(image.data) +
                        static_cast<size_t>(j) * static_cast<size_t>(image.bytes_per_line);
    if (image.bits_per_pixel == 32 && StandardMasks(image)) {
      convertBgrx(in, out, image.width);
    } else if (image.bits_per_pixel == 24 && StandardMasks(image)) {
      std::memcpy(out, in, 3 * static_cast<size_t>(image.width));
    } else {
      ConvertGeneric(image, j, out);
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

  XShmSegmentInfo& Info() { return FInfo; }

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

// Where a captured image goes: the capture buffer and the image's top-left corner in it.
struct TTarget {
  uint8_t* pixels = nullptr;
  int32_t lineSize = 0;
  int32_t height = 0;
  int32_t left = 0;
  int32_t top = 0;
};

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
    const TSize screen = RootSize();
    // The part of the rectangle on the screen, in 64 bits.
    const int64_t left = std::max<int64_t>(x, 0);
    const int64_t top = std::max<int64_t>(y, 0);
    const int64_t right = std::min<int64_t>(int64_t{x} + width, screen.width);
    const int64_t bottom = std::min<int64_t>(int64_t{y} + height, screen.height);
    const bool whole =
        left == x && top == y && right == int64_t{x} + width && bottom == int64_t{y} + height;
    if (!whole) std::memset(pixels, 0, static_cast<size_t>(lineSize) * static_cast<size_t>(height));
    if (right <= left || bottom <= top) return true;
    const auto w = static_cast<int32_t>(right - left);
    const auto h = static_cast<int32_t>(bottom - top);
    const TTarget target{pixels, lineSize, height, static_cast<int32_t>(left - x),
                         static_cast<int32_t>(top - y)};
    if (FUseShm && ShmCapture(left, top, w, h, target)) return true;
    TImagePtr image = PlainImage(left, top, w, h);
    if (!image) return false;
    CopyImage(*image, target.pixels, target.lineSize, target.height, target.left, target.top);
    return true;
  }

  uint32_t PixelColor(int32_t x, int32_t y) override {
    std::lock_guard<std::mutex> lock(FMutex);
    const TSize screen = RootSize();
    if (x < 0 || y < 0 || x >= screen.width || y >= screen.height) return 0;
    TImagePtr image = PlainImage(x, y, 1, 1);
    if (!image) return 0;
    uint8_t bgr[3] = {0, 0, 0};
    CopyImage(*image, bgr, 3, 1, 0, 0);
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

  // Reads the rectangle through the shared segment in one request and converts it in one pass.
  // False when the server refuses; the shared path is then not tried again.
  bool ShmCapture(int64_t x, int64_t y, int32_t w, int32_t h, const TTarget& target) {
    Display* display = FDisplay.get();
    const int screen = DefaultScreen(display);
    TShmImagePtr image(XShmCreateImage(display, DefaultVisual(display, screen),
                                       static_cast<unsigned>(DefaultDepth(display, screen)),
                                       ZPixmap, nullptr, &FShm.Info(), static_cast<unsigned>(w),
                                       static_cast<unsigned>(h)));
    if (!image) return Abandon();
    const size_t bytes = static_cast<size_t>(image->bytes_per_line) * static_cast<size_t>(h);
    if (!FShm.Reserve(bytes)) return Abandon();
    image->data = FShm.Info().shmaddr;
    TX11ErrorTrap trap(display);
    const bool read = XShmGetImage(display, FRoot, image.get(), static_cast<int>(x),
                                   static_cast<int>(y), AllPlanes);
    if (!read || trap.Sync() != 0) return Abandon();
    CopyImage(*image, target.pixels, target.lineSize, target.height, target.left, target.top);
    return true;
  }

  bool Abandon() {
    FUseShm = false;
    return false;
  }

  std::mutex FMutex;
  TDisplayPtr FDisplay;
  Window FRoot;
  TShmSegment FShm;
  bool FUseShm = false;
  TSize FRootSize;
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
