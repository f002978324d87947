#include "platform/desktop.h"

#include <cstdlib>

#include "platform/backend_choice.h"
#include "platform/wayland/wayland_desktop.h"
#include "platform/x11/x11_desktop.h"

// The one place that picks the desktop backend.

namespace zorvel {
namespace {

std::string& Requested() {
  static std::string requested;
  return requested;
}

struct TChoice {
  TBackend backend = TBackend::kX11;
  bool waylandSession = false;
};

// Decided once, when the first part opens.
const TChoice& Choice() {
  static const TChoice choice = [] {
    const char* fromEnvironment = std::getenv("ZORVEL_BACKEND");
    const std::string requested = !Requested().empty() ? Requested()
                                  : fromEnvironment    ? fromEnvironment
                                                       : "";
    TChoice made;
    made.waylandSession =
        IsWaylandSession(std::getenv("WAYLAND_DISPLAY"), std::getenv("XDG_SESSION_TYPE"));
    const bool waylandUsable =
        (made.waylandSession || requested == "wayland") && WaylandBackendAvailable();
    made.backend = ChooseBackend(requested, made.waylandSession, waylandUsable);
    return made;
  }();
  return choice;
}

bool UseWayland() {
  return Choice().backend == TBackend::kWayland;
}

}  // namespace

void RequestBackend(const std::string& name) {
  Requested() = name;
}

std::unique_ptr<IScreen> OpenScreen() {
  return UseWayland() ? CreateWaylandScreen() : CreateX11Screen();
}

std::unique_ptr<IInput> OpenInput() {
  return UseWayland() ? CreateWaylandInput() : CreateX11Input();
}

std::unique_ptr<IInputSource> OpenInputSource() {
  return UseWayland() ? CreateWaylandInputSource() : CreateX11InputSource();
}

std::unique_ptr<IHotkeys> OpenHotkeys() {
  return UseWayland() ? CreateWaylandHotkeys() : CreateX11Hotkeys();
}

std::string DesktopNotice() {
  return BackendNotice(Choice().backend, Choice().waylandSession);
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
  desktop.notice = DesktopNotice();
  return desktop;
}

}  // namespace zorvel
