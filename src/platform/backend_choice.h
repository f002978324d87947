#pragma once

// Which desktop backend the program uses, and what it tells the user about that choice.

#include <string>

namespace zorvel {

enum class TBackend { kX11, kWayland };

// True when the program runs in a Wayland session, from the values of WAYLAND_DISPLAY and
// XDG_SESSION_TYPE (nullptr when unset).
bool IsWaylandSession(const char* waylandDisplay, const char* sessionType);

// The backend to use. `requested` is what --backend or ZORVEL_BACKEND asks for ("x11",
// "wayland", or empty for the automatic choice: Wayland in a Wayland session whose compositor
// offers what the Wayland backend needs, X11 otherwise). Throws Error for an unknown name and
// for "wayland" when the compositor cannot serve it.
TBackend ChooseBackend(const std::string& requested, bool waylandSession, bool waylandUsable);

// What the user must know about the chosen backend; empty when everything works.
std::string BackendNotice(TBackend backend, bool waylandSession);

}  // namespace zorvel
