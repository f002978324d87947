#include "platform/x11/client_sync_x11.h"

#include <X11/Xutil.h>
#include <poll.h>

#include <algorithm>
#include <exception>

namespace zorvel {

// The connection is opened when the first text needs it: runs of clicks and keys use none.
bool TX11ClientSync::Open() {
  if (tried_) return display_ != nullptr;
  tried_ = true;
  try {
    display_ = OpenX11Display();
  } catch (const std::exception&) {
    return false;
  }
  Display* d = display_.get();
  protocols_ = XInternAtom(d, "WM_PROTOCOLS", False);
  ping_ = XInternAtom(d, "_NET_WM_PING", False);
  root_ = DefaultRootWindow(d);
  return true;
}

Window TX11ClientSync::PingWindow(Window focus) {
  if (focus == None || focus == PointerRoot || !Open()) return None;
  for (Window window = focus; window != None && window != root_; window = Parent(window))
    if (Answers(window)) return window;
  return None;
}

// The parent of `window`; None when it is gone.
Window TX11ClientSync::Parent(Window window) {
  TX11ErrorTrap trap(display_.get());
  Window root = None;
  Window parent = None;
  Window* children = nullptr;
  unsigned int count = 0;
  const bool known = XQueryTree(display_.get(), window, &root, &parent, &children, &count) != 0;
  if (children) XFree(children);
  return trap.Sync() == 0 && known ? parent : None;
}

bool TX11ClientSync::Answers(Window window) {
  TX11ErrorTrap trap(display_.get());
  Atom* protocols = nullptr;
  int count = 0;
  bool answers = false;
  if (XGetWMProtocols(display_.get(), window, &protocols, &count)) {
    answers = std::find(protocols, protocols + count, ping_) != protocols + count;
    XFree(protocols);
  }
  return trap.Sync() == 0 && answers;
}

bool TX11ClientSync::Sync(Window window, std::chrono::milliseconds timeout) {
  if (!display_) return false;
  Display* d = display_.get();
  XEvent ping{};
  ping.xclient.type = ClientMessage;
  ping.xclient.window = window;
  ping.xclient.message_type = protocols_;
  ping.xclient.format = 32;
  ping.xclient.data.l[0] = static_cast<long>(ping_);
  ping.xclient.data.l[1] = static_cast<long>(++serial_);
  ping.xclient.data.l[2] = static_cast<long>(window);
  // Clients send the answer to the root window for structure or substructure notice; this
  // connection listens for them only while it waits.
  struct TListen {
    Display* d;
    Window root;
    TListen(Display* display, Window r) : d(display), root(r) {
      XSelectInput(d, root, StructureNotifyMask | SubstructureNotifyMask);
    }
    ~TListen() { XSelectInput(d, root, NoEventMask); }
  } listen(d, root_);
  {
    TX11ErrorTrap trap(d);
    XSendEvent(d, window, False, NoEventMask, &ping);
    if (trap.Sync() != 0) return false;
  }
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    if (Answered(window)) return true;
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() < 0) return false;
    pollfd watch{ConnectionNumber(d), POLLIN, 0};
    poll(&watch, 1, static_cast<int>(left.count()) + 1);
  }
}

// Takes the events that have arrived; true when the answer to the last ping is among them.
bool TX11ClientSync::Answered(Window window) {
  Display* d = display_.get();
  bool answered = false;
  while (XPending(d) > 0) {
    XEvent event;
    XNextEvent(d, &event);
    const XClientMessageEvent& message = event.xclient;
    answered = answered || (event.type == ClientMessage && message.message_type == protocols_ &&
                            message.format == 32 && static_cast<Atom>(message.data.l[0]) == ping_ &&
                            static_cast<uint32_t>(message.data.l[1]) == serial_ &&
                            static_cast<Window>(message.data.l[2]) == window);
  }
  return answered;
}

}  // namespace zorvel
