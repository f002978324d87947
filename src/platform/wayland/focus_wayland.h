#pragma once

// Which toplevel window is active, from the compositor's list of toplevels.

#include <map>

#include "platform/wayland/connection_wayland.h"

struct zwlr_foreign_toplevel_manager_v1;
struct zwlr_foreign_toplevel_handle_v1;

namespace zorvel {

class TFocusWatch {
 public:
  // Watches the toplevels of `connection`, when the compositor lists them.
  explicit TFocusWatch(TWaylandConnection& connection);
  ~TFocusWatch();
  TFocusWatch(const TFocusWatch&) = delete;
  TFocusWatch& operator=(const TFocusWatch&) = delete;

  // False when the compositor does not tell which window is active.
  bool Known() const { return manager_ != nullptr; }
  // True when a toplevel window is active now (the connection is brought up to date first).
  bool AnyActive();

 private:
  struct THandle {
    bool activatedPending = false;
    bool activated = false;
  };
  static void OnToplevel(void* data, zwlr_foreign_toplevel_manager_v1*,
                         zwlr_foreign_toplevel_handle_v1* handle);
  static void OnFinished(void* data, zwlr_foreign_toplevel_manager_v1*);
  static void OnState(void* data, zwlr_foreign_toplevel_handle_v1* handle, wl_array* state);
  static void OnDone(void* data, zwlr_foreign_toplevel_handle_v1* handle);
  static void OnClosed(void* data, zwlr_foreign_toplevel_handle_v1* handle);

  TWaylandConnection& connection_;
  zwlr_foreign_toplevel_manager_v1* manager_ = nullptr;
  std::map<zwlr_foreign_toplevel_handle_v1*, THandle> handles_;
};

}  // namespace zorvel
