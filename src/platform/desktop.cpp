#include "platform/desktop.h"

#include "platform/x11/x11_desktop.h"

namespace zorvel {

TDesktop OpenDesktop() {
  TDesktop desktop;
#if defined(__linux__) || defined(__unix__)
  desktop.screen = CreateX11Screen();
  desktop.input = CreateX11Input();
  desktop.recorder = CreateX11InputSource();
  desktop.hotkeys = CreateX11Hotkeys();
#else
#error "No desktop backend for this platform yet"
#endif
  return desktop;
}

}  // namespace zorvel
