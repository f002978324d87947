#pragma once

#include <memory>
#include <string>

#include "platform/platform.h"

namespace zorvel {

// Everything the program needs of the desktop, each part on its own connection.
struct TDesktop {
  std::unique_ptr<IScreen> screen;
  std::unique_ptr<IInput> input;
  std::unique_ptr<IInputSource> recorder;
  std::unique_ptr<IHotkeys> hotkeys;
  // What does not work on this desktop, for the user to read once; empty when all works.
  std::string notice;
};

// Asks for the backend `name` ("x11" or "wayland"; empty: ZORVEL_BACKEND, or else the one that
// suits the session). Call it before opening any part: every part uses the same backend.
void RequestBackend(const std::string& name);

// Open the desktop the program runs on, all of it or one part; each part has its own connection.
// Each throws Error when the desktop cannot be reached or the requested backend cannot be used.
TDesktop OpenDesktop();

// By default a broken connection to the desktop (the X server gone) ends the process. After this
// call it no longer does: DesktopLost() turns true and every later call on the broken connections
// does nothing. For a program that still has work to finish then, such as saving a recording.
void SurviveDesktopLoss();
bool DesktopLost();
std::unique_ptr<IScreen> OpenScreen();
std::unique_ptr<IInput> OpenInput();
std::unique_ptr<IInputSource> OpenInputSource();
std::unique_ptr<IHotkeys> OpenHotkeys();

// What does not work with the backend in use (TDesktop::notice); empty when all works.
std::string DesktopNotice();

}  // namespace zorvel
