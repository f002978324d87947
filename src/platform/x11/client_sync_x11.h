#pragma once

// Waiting until the client of a window has handled every event the server sent it so far.
//
// A client decodes a key with the keyboard mapping it holds when it handles that key, so the
// mapping the keys were typed with may change only once the client has handled them. The window
// is pinged (the window manager protocol's _NET_WM_PING, sent to the window after the keys): a
// client answers a ping from its event loop, in the order of its events, so its answer comes
// once it has handled the keys and the mapping notices before them. Clients that do not take
// part in the protocol cannot be waited for this way.

#include <X11/Xlib.h>

#include <chrono>
#include <cstdint>

#include "platform/x11/connection_x11.h"

namespace zorvel {

class TX11ClientSync {
 public:
  // On a connection of its own, opened on first use; without one it syncs with nothing.

  // The window to ping for a focus on `focus`: the focus itself or the nearest window above it
  // (its client's top-level window) that takes part in the ping protocol; None when none does.
  Window PingWindow(Window focus);
  // Pings `window` and waits for the answer. Events sent to the window's client before this call
  // (on any connection, once the server has handled the requests that caused them) are handled
  // by the time it returns true. False when no answer came within `timeout` or the window is
  // gone.
  bool Sync(Window window, std::chrono::milliseconds timeout);

 private:
  bool Open();
  bool Answers(Window window);
  Window Parent(Window window);
  bool Answered(Window window);

  bool tried_ = false;
  TDisplayPtr display_;
  Atom protocols_ = None;
  Atom ping_ = None;
  Window root_ = None;
  uint32_t serial_ = 0;
};

}  // namespace zorvel
