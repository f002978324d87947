// System-wide input recording through the RECORD extension.
//
// Two connections: the control connection creates, disables and frees the record context and
// reads the keyboard mapping; the data connection only carries the enabled context's stream
// (XRecordEnableContextAsync / XRecordProcessReplies). Disabling a context over the connection
// that streams it hangs.

#include <X11/Xlib.h>
#include <X11/Xproto.h>
#include <X11/extensions/record.h>
#include <X11/keysym.h>
#include <poll.h>

#include <chrono>
#include <cstring>
#include <exception>
#include <optional>
#include <utility>

#include "common/error.h"
#include "platform/x11/connection_x11.h"
#include "platform/x11/keymap_x11.h"
#include "platform/x11/x11_desktop.h"

namespace zorvel {

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kStartTimeout = std::chrono::seconds(2);
constexpr auto kStopTimeout = std::chrono::seconds(1);

// The fields of a 32-byte wire event that recording needs.
struct WireEvent {
  uint8_t type = 0;
  uint8_t detail = 0;
  uint32_t time = 0;
  int16_t rootX = 0;
  int16_t rootY = 0;
  uint16_t state = 0;
};

template <typename T>
T ReadAt(const unsigned char* bytes, size_t offset) {
  T value;
  std::memcpy(&value, bytes + offset, sizeof value);
  return value;
}

WireEvent ParseWireEvent(const unsigned char* bytes) {
  WireEvent event;
  event.type = bytes[0] & 0x7f;
  event.detail = bytes[1];
  event.time = ReadAt<uint32_t>(bytes, 4);
  event.rootX = ReadAt<int16_t>(bytes, 20);
  event.rootY = ReadAt<int16_t>(bytes, 22);
  event.state = ReadAt<uint16_t>(bytes, 28);
  return event;
}

// Message code of a button event; 0 for what the records cannot express.
uint32_t ButtonMessage(const WireEvent& event) {
  const bool press = event.type == ButtonPress;
  switch (event.detail) {
    case Button1:
      return press ? WM_LBUTTONDOWN : WM_LBUTTONUP;
    case Button2:
      return press ? WM_MBUTTONDOWN : WM_MBUTTONUP;
    case Button3:
      return press ? WM_RBUTTONDOWN : WM_RBUTTONUP;
    case Button4:
    case Button5:
      return press ? WM_MOUSEWHEEL : 0;
    default:
      return 0;
  }
}

// The modifier bit of the Alt keys; Mod1 when no modifier holds them.
unsigned AltMask(Display* display) {
  unsigned mask = ModifierMaskOf(display, XK_Alt_L);
  if (mask == 0) mask = ModifierMaskOf(display, XK_Alt_R);
  return mask != 0 ? mask : Mod1Mask;
}

class TX11InputSource final : public IInputSource {
 public:
  TX11InputSource() : control_(OpenX11Display()), data_(OpenX11Display()), keymap_(control_.get()) {
    int major = 0, minor = 0;
    if (!XRecordQueryVersion(control_.get(), &major, &minor))
      throw Error("The X server does not offer the RECORD extension.");
    altMask_ = AltMask(control_.get());
  }

  ~TX11InputSource() override {
    callback_ = nullptr;
    Stop();
  }

  int FileDescriptor() const override { return ConnectionNumber(data_.get()); }

  void Dispatch() override {
    ProcessReplies();
    if (stopRequested_) Stop();
  }

  bool Start(Callback callback) override {
    if (context_ != 0) {
      callback_ = std::move(callback);
      return true;
    }
    if (!CreateContext()) return false;
    callback_ = std::move(callback);
    started_ = ended_ = false;
    if (!XRecordEnableContextAsync(data_.get(), context_, &TX11InputSource::OnRecord,
                                   reinterpret_cast<XPointer>(this))) {
      FreeContext();
      return false;
    }
    XFlush(data_.get());
    WaitOnData(started_, kStartTimeout);
    if (!started_) {
      Stop();
      return false;
    }
    return true;
  }

  void Stop() override {
    if (context_ == 0) return;
    if (dispatching_) {  // called from the callback: finish once the replies are processed
      stopRequested_ = true;
      return;
    }
    stopRequested_ = false;
    XRecordDisableContext(control_.get(), context_);
    XSync(control_.get(), False);
    std::exception_ptr error;
    try {
      WaitOnData(ended_, kStopTimeout);  // events already on their way are still delivered
    } catch (...) {
      error = std::current_exception();
    }
    FreeContext();
    callback_ = nullptr;
    if (error) std::rethrow_exception(error);
  }

  bool Recording() const override { return context_ != 0 && !stopRequested_; }

 private:
  bool CreateContext() {
    XRecordRange* range = XRecordAllocRange();
    if (!range) return false;
    range->device_events.first = KeyPress;
    range->device_events.last = MotionNotify;
    XRecordClientSpec clients = XRecordAllClients;
    TX11ErrorTrap trap(control_.get());
    context_ = XRecordCreateContext(control_.get(), 0, &clients, 1, &range, 1);
    XFree(range);
    if (trap.Sync() != 0) context_ = 0;
    return context_ != 0;
  }

  void FreeContext() {
    TX11ErrorTrap trap(control_.get());
    XRecordFreeContext(control_.get(), context_);
    trap.Sync();
    context_ = 0;
  }

  // Processes the data connection until `flag` is set or the time is up.
  void WaitOnData(const bool& flag, Clock::duration timeout) {
    const auto deadline = Clock::now() + timeout;
    ProcessReplies();
    while (!flag && Clock::now() < deadline) {
      const auto left =
          std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
      pollfd watch{FileDescriptor(), POLLIN, 0};
      poll(&watch, 1, static_cast<int>(left.count()) + 1);
      ProcessReplies();
    }
  }

  // Delivers the records that have arrived, translated with the keyboard mapping as it is now.
  // An error thrown by the callback must not unwind through Xlib: it is kept, the rest of the
  // batch is dropped, and it is thrown again here.
  void ProcessReplies() {
    ReadControlEvents();
    dispatching_ = true;
    XRecordProcessReplies(data_.get());
    dispatching_ = false;
    if (std::exception_ptr error = std::exchange(callbackError_, nullptr))
      std::rethrow_exception(error);
  }

  // Keeps the keyboard mapping current: the server tells every connection about changes.
  void ReadControlEvents() {
    Display* display = control_.get();
    while (XPending(display) > 0) {
      XEvent event;
      XNextEvent(display, &event);
      if (keymap_.HandleEvent(event)) altMask_ = AltMask(display);
    }
  }

  static void OnRecord(XPointer closure, XRecordInterceptData* data) {
    auto* self = reinterpret_cast<TX11InputSource*>(closure);
    switch (data->category) {
      case XRecordStartOfData:
        self->started_ = true;
        break;
      case XRecordEndOfData:
        self->ended_ = true;
        break;
      case XRecordFromServer:
        if (data->data_len * 4 >= sizeof(xEvent)) self->Deliver(ParseWireEvent(data->data));
        break;
      default:
        break;
    }
    XRecordFreeData(data);
  }

  void Deliver(const WireEvent& wire) {
    if (!callback_ || callbackError_) return;
    try {
      if (std::optional<EVENTMSG> event = Translate(wire)) callback_(*event);
    } catch (...) {
      callbackError_ = std::current_exception();
    }
  }

  std::optional<EVENTMSG> Translate(const WireEvent& wire) const {
    EVENTMSG event;
    event.time = wire.time;
    switch (wire.type) {
      case KeyPress:
      case KeyRelease:
        return TranslateKey(wire, event);
      case ButtonPress:
      case ButtonRelease:
        event.message = ButtonMessage(wire);
        break;
      case MotionNotify:
        event.message = WM_MOUSEMOVE;
        break;
      default:
        return std::nullopt;
    }
    if (event.message == 0) return std::nullopt;
    event.paramL = static_cast<uint32_t>(wire.rootX);
    event.paramH = static_cast<uint32_t>(wire.rootY);
    return event;
  }

  std::optional<EVENTMSG> TranslateKey(const WireEvent& wire, EVENTMSG event) const {
    const uint8_t vk = keymap_.VkForKeycode(wire.detail);
    if (vk == 0) return std::nullopt;
    const bool press = wire.type == KeyPress;
    // The Alt key's own press counts as pressed with Alt, as its release does.
    const bool alt = (wire.state & altMask_) != 0 || (press && vk == VK_MENU);
    if (press) {
      event.message = alt ? WM_SYSKEYDOWN : WM_KEYDOWN;
    } else {
      event.message = alt ? WM_SYSKEYUP : WM_KEYUP;
    }
    event.paramL = vk;
    return event;
  }

  TDisplayPtr control_;
  TDisplayPtr data_;
  TX11Keymap keymap_;
  unsigned altMask_ = Mod1Mask;
  XRecordContext context_ = 0;
  Callback callback_;
  bool started_ = false;
  bool ended_ = false;
  bool dispatching_ = false;
  bool stopRequested_ = false;
  std::exception_ptr callbackError_;
};

}  // namespace

std::unique_ptr<IInputSource> CreateX11InputSource() {
  return std::make_unique<TX11InputSource>();
}

}  // namespace zorvel
