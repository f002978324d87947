#include <virtual-keyboard-unstable-v1-client-protocol.h>
#include <wlr-screencopy-unstable-v1-client-protocol.h>
#include <wlr-virtual-pointer-unstable-v1-client-protocol.h>
#include "common/error.h"
#include "platform/wayland/connection_wayland.h"
#include "platform/wayland/wayland_desktop.h"

namespace zorvel {

bool WaylandBackendAvailable() {
  try {
    TWaylandConnection connection;
    return connection.Offers(&zwlr_virtual_pointer_manager_v1_interface) &&
           connection.Offers(&zwp_virtual_keyboard_manager_v1_interface) &&
           connection.Offers(&zwlr_screencopy_manager_v1_interface) && connection.Seat() &&
           !connection.Outputs().empty();
  } catch (const Error&) {
    return false;
  }
}

}  // namespace zorvel
