#include "platform/wayland/pointer_wayland.h"

#include <sys/mman.h>
#include <unistd.h>
#include <wlr-layer-shell-unstable-v1-client-protocol.h>

#include <chrono>

namespace zorvel {
namespace {

constexpr int kAnswerTimeoutMs = 500;

void Ignore(void*, wl_pointer*) {}
void IgnoreLeave(void*, wl_pointer*, uint32_t, wl_surface*) {}
void IgnoreButton(void*, wl_pointer*, uint32_t, uint32_t, uint32_t, uint32_t) {}
void IgnoreAxis(void*, wl_pointer*, uint32_t, uint32_t, wl_fixed_t) {}
void IgnoreSource(void*, wl_pointer*, uint32_t) {}
void IgnoreStop(void*, wl_pointer*, uint32_t, uint32_t) {}
void IgnoreDiscrete(void*, wl_pointer*, uint32_t, int32_t) {}

}  // namespace

// A transparent overlay over one output.
struct TPointerProbe::TCover {
  const TWaylandOutput* output = nullptr;
  wl_surface* surface = nullptr;
  zwlr_layer_surface_v1* layer = nullptr;
  wl_buffer* buffer = nullptr;
  uint32_t serial = 0;
  uint32_t width = 0;
  uint32_t height = 0;
  bool configured = false;
  bool closed = false;

  ~TCover() {
    if (buffer) wl_buffer_destroy(buffer);
    if (layer) zwlr_layer_surface_v1_destroy(layer);
    if (surface) wl_surface_destroy(surface);
  }

  static void OnConfigure(void* data, zwlr_layer_surface_v1*, uint32_t serial, uint32_t width,
                          uint32_t height) {
    auto* cover = static_cast<TCover*>(data);
    cover->serial = serial;
    cover->width = width;
    cover->height = height;
    cover->configured = true;
  }
  static void OnClosed(void* data, zwlr_layer_surface_v1*) {
    static_cast<TCover*>(data)->closed = true;
  }

  // A fully transparent buffer of the configured size (zero-filled memory is transparent black).
  bool Fill(wl_shm* shm) {
    const int32_t stride = static_cast<int32_t>(width) * 4;
    const int64_t size = int64_t{stride} * height;
    const int fd = memfd_create("zorvel-pointer", MFD_CLOEXEC);
    if (fd < 0 || size <= 0 || size > INT32_MAX || ftruncate(fd, size) != 0) {
      if (fd >= 0) close(fd);
      return false;
    }
    wl_shm_pool* pool = wl_shm_create_pool(shm, fd, static_cast<int32_t>(size));
    buffer =
        wl_shm_pool_create_buffer(pool, 0, static_cast<int32_t>(width),
                                  static_cast<int32_t>(height), stride, WL_SHM_FORMAT_ARGB8888);
    wl_shm_pool_destroy(pool);
    close(fd);
    return true;
  }
};

TPointerProbe::TPointerProbe(TWaylandConnection& connection) : connection_(connection) {
  compositor_ = static_cast<wl_compositor*>(connection_.Bind(&wl_compositor_interface, 4));
  shell_ = static_cast<zwlr_layer_shell_v1*>(connection_.Bind(&zwlr_layer_shell_v1_interface, 1));
  if (!compositor_ || !shell_ || !connection_.Seat()) return;
  static const wl_pointer_listener listener = {&TPointerProbe::OnEnter,
                                               IgnoreLeave,
                                               &TPointerProbe::OnMotion,
                                               IgnoreButton,
                                               IgnoreAxis,
                                               Ignore,
                                               IgnoreSource,
                                               IgnoreStop,
                                               IgnoreDiscrete,
                                               IgnoreDiscrete};
  pointer_ = wl_seat_get_pointer(connection_.Seat());
  wl_pointer_add_listener(pointer_, &listener, this);
}

TPointerProbe::~TPointerProbe() {
  if (pointer_) wl_pointer_destroy(pointer_);
  if (shell_) zwlr_layer_shell_v1_destroy(shell_);
  if (compositor_) wl_compositor_destroy(compositor_);
}

void TPointerProbe::OnEnter(void* data, wl_pointer*, uint32_t, wl_surface* surface, wl_fixed_t x,
                            wl_fixed_t y) {
  auto* self = static_cast<TPointerProbe*>(data);
  self->entered_ = surface;
  self->x_ = x;
  self->y_ = y;
}

void TPointerProbe::OnMotion(void* data, wl_pointer*, uint32_t, wl_fixed_t x, wl_fixed_t y) {
  auto* self = static_cast<TPointerProbe*>(data);
  self->x_ = x;
  self->y_ = y;
}

// Lays a mapped transparent overlay over every output.
bool TPointerProbe::Cover(std::vector<std::unique_ptr<TCover>>& covers) {
  static const zwlr_layer_surface_v1_listener listener = {&TCover::OnConfigure, &TCover::OnClosed};
  for (const auto& output : connection_.Outputs()) {
    auto cover = std::make_unique<TCover>();
    cover->output = output.get();
    cover->surface = wl_compositor_create_surface(compositor_);
    cover->layer =
        zwlr_layer_shell_v1_get_layer_surface(shell_, cover->surface, output->output,
                                              ZWLR_LAYER_SHELL_V1_LAYER_OVERLAY, "zorvel-pointer");
    zwlr_layer_surface_v1_add_listener(cover->layer, &listener, cover.get());
    zwlr_layer_surface_v1_set_anchor(
        cover->layer, ZWLR_LAYER_SURFACE_V1_ANCHOR_TOP | ZWLR_LAYER_SURFACE_V1_ANCHOR_BOTTOM |
                          ZWLR_LAYER_SURFACE_V1_ANCHOR_LEFT | ZWLR_LAYER_SURFACE_V1_ANCHOR_RIGHT);
    zwlr_layer_surface_v1_set_exclusive_zone(cover->layer, -1);
    zwlr_layer_surface_v1_set_keyboard_interactivity(cover->layer, 0);
    wl_surface_commit(cover->surface);
    covers.push_back(std::move(cover));
  }
  connection_.Roundtrip();
  for (auto& cover : covers) {
    if (!cover->configured || cover->closed || !cover->Fill(connection_.Shm())) return false;
    zwlr_layer_surface_v1_ack_configure(cover->layer, cover->serial);
    wl_surface_attach(cover->surface, cover->buffer, 0, 0);
    wl_surface_commit(cover->surface);
  }
  connection_.Roundtrip();
  return !covers.empty();
}

std::optional<TPoint> TPointerProbe::Read(const std::function<void()>& nudge) {
  if (!Available()) return std::nullopt;
  std::optional<TPoint> answer;
  {
    std::vector<std::unique_ptr<TCover>> covers;
    entered_ = nullptr;
    if (Cover(covers)) {
      nudge();
      const auto end =
          std::chrono::steady_clock::now() + std::chrono::milliseconds(kAnswerTimeoutMs);
      const TCover* hit = nullptr;
      while (!hit && std::chrono::steady_clock::now() < end) {
        for (const auto& cover : covers)
          if (entered_ == cover->surface) hit = cover.get();
        if (!hit) connection_.DispatchWait(kAnswerTimeoutMs);
      }
      if (hit)
        answer = TPoint{hit->output->x + wl_fixed_to_int(x_), hit->output->y + wl_fixed_to_int(y_)};
    }
  }
  // The overlays are gone: let the window under the pointer have it back.
  connection_.Flush();
  nudge();
  connection_.Roundtrip();
  return answer;
}

}  // namespace zorvel
