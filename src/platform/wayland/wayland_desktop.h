#pragma once

// The backends for Wayland compositors built on wlroots (sway, Hyprland, river, labwc...). Each
// opens its own connection to the compositor named by WAYLAND_DISPLAY, so that each can be used
// from its own thread; each throws Error when the compositor cannot be reached or lacks what it
// needs.

#include <memory>
#include <string>

#include "platform/platform.h"

namespace zorvel {

// True when the compositor offers the virtual pointer, virtual keyboard and screen copy
// interfaces that input and capture need. False when there is no compositor.
bool WaylandBackendAvailable();

std::unique_ptr<IScreen> CreateWaylandScreen();            // screen_wayland.cpp
std::unique_ptr<IInput> CreateWaylandInput();              // input_wayland.cpp
std::unique_ptr<IInputSource> CreateWaylandInputSource();  // record_wayland.cpp
// Hotkeys through sway's IPC socket; on other compositors none can be had.
std::unique_ptr<IHotkeys> CreateWaylandHotkeys();  // hotkeys_wayland.cpp

}  // namespace zorvel
