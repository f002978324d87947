#pragma once

#include <memory>

#include "platform/platform.h"

namespace zorvel {

// Everything the program needs of the desktop, each part on its own connection.
struct TDesktop {
  std::unique_ptr<IScreen> screen;
  std::unique_ptr<IInput> input;
  std::unique_ptr<IInputSource> recorder;
  std::unique_ptr<IHotkeys> hotkeys;
};

// Opens the desktop the program runs on. Throws Error when it cannot be reached.
TDesktop OpenDesktop();

}  // namespace zorvel
