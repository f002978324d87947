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

// Open the desktop the program runs on, all of it or one part; each part has its own connection.
// Each throws Error when the desktop cannot be reached.
TDesktop OpenDesktop();
std::unique_ptr<IScreen> OpenScreen();
std::unique_ptr<IInput> OpenInput();
std::unique_ptr<IInputSource> OpenInputSource();
std::unique_ptr<IHotkeys> OpenHotkeys();

}  // namespace zorvel
