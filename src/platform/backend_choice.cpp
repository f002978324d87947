#include "platform/backend_choice.h"

#include <cstring>

#include "common/error.h"

namespace zorvel {

bool IsWaylandSession(const char* waylandDisplay, const char* sessionType) {
  if (waylandDisplay && *waylandDisplay) return true;
  return sessionType && std::strcmp(sessionType, "wayland") == 0;
}

TBackend ChooseBackend(const std::string& requested, bool waylandSession, bool waylandUsable) {
  if (requested == "x11") return TBackend::kX11;
  if (requested == "wayland") {
    if (!waylandUsable)
      throw Error(
          "The Wayland backend cannot be used: it needs a Wayland compositor that offers virtual "
          "pointers, virtual keyboards and screen copies (sway and other wlroots desktops).");
    return TBackend::kWayland;
  }
  if (!requested.empty())
    throw Error("Unknown desktop backend \"" + requested + "\": use x11 or wayland.");
  return waylandSession && waylandUsable ? TBackend::kWayland : TBackend::kX11;
}

std::string BackendNotice(TBackend backend, bool waylandSession) {
  if (backend != TBackend::kX11 || !waylandSession) return {};
  return "Wayland session: input reaches only X11 programs, the screen cannot be read, hotkeys "
         "work only while an X11 window has the focus";
}

}  // namespace zorvel
