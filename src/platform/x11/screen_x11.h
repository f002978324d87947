#pragma once

// The X11 screen: root window size, captures through MIT-SHM when the server offers it (XGetImage
// otherwise), single pixels. One connection of its own; calls from several threads take turns.

#include <memory>

#include "platform/platform.h"

namespace zorvel {

struct TX11ScreenOptions {
  // Use MIT-SHM when the server offers it. CreateX11Screen() clears it when the environment
  // variable ZORVEL_X11_SHM is "0", so tests and benchmarks can compare the two paths.
  bool allowShm = true;
};

// An X11 screen that also tells which capture path it uses.
class IX11Screen : public IScreen {
 public:
  // True while captures go through a shared-memory segment.
  virtual bool UsesShm() const = 0;
};

// Throws Error when the display cannot be opened.
std::unique_ptr<IX11Screen> CreateX11Screen(const TX11ScreenOptions& options);

}  // namespace zorvel
