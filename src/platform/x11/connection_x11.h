#pragma once

// Helpers shared by the X11 backends that keep a connection of their own: opening and closing
// it, trapping the asynchronous errors of its requests, and reading its modifier mapping.

#include <X11/Xlib.h>

#include <memory>
#include <mutex>

namespace zorvel {

struct TDisplayCloser {
  void operator()(Display* display) const { XCloseDisplay(display); }
};
using TDisplayPtr = std::unique_ptr<Display, TDisplayCloser>;

// A new connection to the display named by DISPLAY, retried a few times when the server refuses
// it. Throws Error when it cannot be opened.
TDisplayPtr OpenX11Display();

// The modifier bit (ShiftMask ... Mod5Mask) that the key carrying `keysym` sets; 0 when no
// modifier holds it.
unsigned ModifierMaskOf(Display* display, unsigned long keysym);

// While it lives, errors on `display` are caught and remembered; errors on other connections go to
// the handler that was installed before. One trap at a time in the process: a second one waits.
class TX11ErrorTrap {
 public:
  enum class TScope {
    // Any requests: the trap syncs when it is set and when it ends.
    Synced,
    // No request of `display` awaits an answer when the trap is set, and the trapped requests end
    // with one that waits for its reply: every error has arrived when that returns, so the trap
    // never syncs (a round trip saved on each capture).
    EndsWithReply,
  };
  explicit TX11ErrorTrap(Display* display, TScope scope = TScope::Synced);
  ~TX11ErrorTrap();
  TX11ErrorTrap(const TX11ErrorTrap&) = delete;
  TX11ErrorTrap& operator=(const TX11ErrorTrap&) = delete;

  // Waits until the server has handled every request sent so far, then returns the code of the
  // first error caught since the trap was set or last synced (0: none), and forgets it.
  int Sync();
  // The code of the first error caught so far (0: none), without waiting.
  int Caught() const { return firstError_; }

 private:
  static int Handle(Display* display, XErrorEvent* error);

  std::unique_lock<std::mutex> lock_;
  Display* display_;
  bool syncs_;
  int firstError_ = 0;
  XErrorHandler previous_ = nullptr;
};

}  // namespace zorvel
