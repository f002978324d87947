#include "platform/desktop.h"

#include "platform/x11/x11_desktop.h"

// The one place that picks the desktop backend.

namespace zorvel {

std::unique_ptr<IScreen> OpenScreen() {
  return CreateX11Screen();
}

std::unique_ptr<IInput> OpenInput() {
  return CreateX11Input();
}

std::unique_ptr<IInputSource> OpenInputSource() {
  return CreateX11InputSource();
}

std::unique_ptr<IHotkeys> OpenHotkeys() {
  return CreateX11Hotkeys();
}

void SurviveDesktopLoss() {
  SurviveX11ConnectionLoss();
}

bool DesktopLost() {
  return X11ConnectionLost();
}

TDesktop OpenDesktop() {
  TDesktop desktop;
  desktop.screen = OpenScreen();
  desktop.input = OpenInput();
  desktop.recorder = OpenInputSource();
  desktop.hotkeys = OpenHotkeys();
  return desktop;
}

}  // namespace zorvel
