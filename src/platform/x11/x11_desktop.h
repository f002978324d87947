#pragma once

// The X11 backends. Each opens its own connection to the display named by DISPLAY, so that each
// can be used from its own thread; each throws Error when the display cannot be opened.

#include <memory>

#include "platform/platform.h"

namespace zorvel {

std::unique_ptr<IScreen> CreateX11Screen();            // screen_x11.cpp
std::unique_ptr<IInput> CreateX11Input();              // input_x11.cpp
std::unique_ptr<IInputSource> CreateX11InputSource();  // record_x11.cpp
std::unique_ptr<IHotkeys> CreateX11Hotkeys();          // hotkeys_x11.cpp

// A broken connection ends the process unless SurviveX11ConnectionLoss() was called; then
// X11ConnectionLost() turns true instead (connection_x11.cpp).
void SurviveX11ConnectionLoss();
bool X11ConnectionLost();

}  // namespace zorvel
