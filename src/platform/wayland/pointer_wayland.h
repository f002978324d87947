#pragma once

// Where the pointer is. No Wayland interface tells a client where the pointer is over other
// clients' windows; on wlroots compositors a transparent overlay surface laid over every output
// receives the pointer once it moves, and the position it enters at is the answer. The overlay
// takes no keyboard focus and is gone again before the probe returns; the window under the pointer
// sees the pointer leave and come back.

#include <wayland-client.h>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "platform/platform.h"
#include "platform/wayland/connection_wayland.h"

struct zwlr_layer_shell_v1;
struct zwlr_layer_surface_v1;

namespace zorvel {

class TPointerProbe {
 public:
  // Uses `connection`, whose seat must have a pointer (a virtual one will do).
  explicit TPointerProbe(TWaylandConnection& connection);
  ~TPointerProbe();
  TPointerProbe(const TPointerProbe&) = delete;
  TPointerProbe& operator=(const TPointerProbe&) = delete;

  // False when the compositor has no layer shell.
  bool Available() const { return shell_ && compositor_ && pointer_; }
  // The pointer position in the output layout. `nudge` must move the pointer by nothing (and
  // flush), so that the compositor looks again at what lies under it. Nothing when no answer came.
  std::optional<TPoint> Read(const std::function<void()>& nudge);

 private:
  struct TCover;
  static void OnEnter(void* data, wl_pointer*, uint32_t, wl_surface* surface, wl_fixed_t x,
                      wl_fixed_t y);
  static void OnMotion(void* data, wl_pointer*, uint32_t, wl_fixed_t x, wl_fixed_t y);

  bool Cover(std::vector<std::unique_ptr<TCover>>& covers);

  TWaylandConnection& connection_;
  wl_compositor* compositor_ = nullptr;
  zwlr_layer_shell_v1* shell_ = nullptr;
  wl_pointer* pointer_ = nullptr;
  wl_surface* entered_ = nullptr;
  wl_fixed_t x_ = 0;
  wl_fixed_t y_ = 0;
};

}  // namespace zorvel
