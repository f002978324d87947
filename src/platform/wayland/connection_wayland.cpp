#include "platform/wayland/connection_wayland.h"

#include <poll.h>

#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <cstring>

#include <xdg-output-unstable-v1-client-protocol.h>
#include "common/error.h"

namespace zorvel {
namespace {

void OnOutputGeometry(void* data, wl_output*, int32_t x, int32_t y, int32_t, int32_t, int32_t,
                      const char*, const char*, int32_t) {
  auto* output = static_cast<TWaylandOutput*>(data);
  if (output->xdgOutput) return;
  output->x = x;
  output->y = y;
}
void OnOutputMode(void* data, wl_output*, uint32_t flags, int32_t width, int32_t height, int32_t) {
  auto* output = static_cast<TWaylandOutput*>(data);
  if (output->xdgOutput || !(flags & WL_OUTPUT_MODE_CURRENT)) return;
  output->width = width;
  output->height = height;
}
void OnOutputDone(void*, wl_output*) {}
void OnOutputScale(void*, wl_output*, int32_t) {}
void OnOutputText(void*, wl_output*, const char*) {}
const wl_output_listener kOutputListener = {OnOutputGeometry, OnOutputMode, OnOutputDone,
                                            OnOutputScale,    OnOutputText, OnOutputText};

// The logical place of an output, which the compositor's global space uses.
void OnLogicalPosition(void* data, zxdg_output_v1*, int32_t x, int32_t y) {
  auto* output = static_cast<TWaylandOutput*>(data);
  output->x = x;
  output->y = y;
}
void OnLogicalSize(void* data, zxdg_output_v1*, int32_t width, int32_t height) {
  auto* output = static_cast<TWaylandOutput*>(data);
  output->width = width;
  output->height = height;
}
void OnXdgDone(void*, zxdg_output_v1*) {}
void OnXdgName(void*, zxdg_output_v1*, const char*) {}
void OnXdgDescription(void*, zxdg_output_v1*, const char*) {}
const zxdg_output_v1_listener kXdgOutputListener = {OnLogicalPosition, OnLogicalSize, OnXdgDone,
                                                    OnXdgName, OnXdgDescription};

// The client library logs its errors to stderr; ours go to the caller as Error instead.
void IgnoreLog(const char*, va_list) {}

}  // namespace

TWaylandConnection::TWaylandConnection() {
  wl_log_set_handler_client(IgnoreLog);
  display_ = wl_display_connect(nullptr);
  if (!display_)
    throw Error("Cannot connect to the Wayland compositor (WAYLAND_DISPLAY is not usable).");
  static const wl_registry_listener listener = {&TWaylandConnection::OnGlobal,
                                                &TWaylandConnection::OnGlobalRemove};
  registry_ = wl_display_get_registry(display_);
  wl_registry_add_listener(registry_, &listener, this);
  Roundtrip();
  seat_ = static_cast<wl_seat*>(Bind(&wl_seat_interface, 1));
  shm_ = static_cast<wl_shm*>(Bind(&wl_shm_interface, 1));
  xdgOutputs_ = static_cast<zxdg_output_manager_v1*>(Bind(&zxdg_output_manager_v1_interface, 2));
  std::vector<std::pair<uint32_t, uint32_t>> outputs;
  for (const auto& [key, global] : globals_)
    if (key.rfind("wl_output#", 0) == 0) outputs.emplace_back(global.name, global.version);
  for (const auto& [name, version] : outputs) AddOutput(name, version);
  Roundtrip();
}

TWaylandConnection::~TWaylandConnection() {
  for (auto& output : outputs_) {
    if (output->xdgOutput) zxdg_output_v1_destroy(output->xdgOutput);
    wl_output_destroy(output->output);
  }
  if (xdgOutputs_) zxdg_output_manager_v1_destroy(xdgOutputs_);
  if (shm_) wl_shm_destroy(shm_);
  if (seat_) wl_seat_destroy(seat_);
  wl_registry_destroy(registry_);
  wl_display_disconnect(display_);
}

void TWaylandConnection::OnGlobal(void* data, wl_registry*, uint32_t name, const char* interface,
                                  uint32_t version) {
  auto* self = static_cast<TWaylandConnection*>(data);
  std::string key = interface;
  // Several outputs share an interface: each is kept under its own key.
  if (key == wl_output_interface.name) key.append("#").append(std::to_string(name));
  self->globals_[key] = {name, version};
}

void TWaylandConnection::OnGlobalRemove(void* data, wl_registry*, uint32_t name) {
  auto* self = static_cast<TWaylandConnection*>(data);
  std::erase_if(self->globals_, [name](const auto& entry) { return entry.second.name == name; });
  std::erase_if(self->outputs_, [name](const auto& output) {
    if (output->name != name) return false;
    if (output->xdgOutput) zxdg_output_v1_destroy(output->xdgOutput);
    wl_output_destroy(output->output);
    return true;
  });
}

void TWaylandConnection::AddOutput(uint32_t name, uint32_t version) {
  auto output = std::make_unique<TWaylandOutput>();
  output->name = name;
  output->output = static_cast<wl_output*>(
      wl_registry_bind(registry_, name, &wl_output_interface, std::min<uint32_t>(version, 2)));
  wl_output_add_listener(output->output, &kOutputListener, output.get());
  if (xdgOutputs_) {
    output->xdgOutput = zxdg_output_manager_v1_get_xdg_output(xdgOutputs_, output->output);
    zxdg_output_v1_add_listener(output->xdgOutput, &kXdgOutputListener, output.get());
  }
  outputs_.push_back(std::move(output));
}

TLayoutBox TWaylandConnection::Layout() const {
  if (outputs_.empty()) return {};
  int32_t left = INT32_MAX, top = INT32_MAX, right = INT32_MIN, bottom = INT32_MIN;
  for (const auto& output : outputs_) {
    left = std::min(left, output->x);
    top = std::min(top, output->y);
    right = std::max(right, output->x + output->width);
    bottom = std::max(bottom, output->y + output->height);
  }
  return {left, top, right - left, bottom - top};
}

bool TWaylandConnection::Offers(const wl_interface* interface) const {
  return globals_.count(interface->name) > 0;
}

void* TWaylandConnection::Bind(const wl_interface* interface, uint32_t maxVersion) {
  const auto found = globals_.find(interface->name);
  if (found == globals_.end()) return nullptr;
  const uint32_t version =
      std::min({maxVersion, found->second.version, static_cast<uint32_t>(interface->version)});
  bound_[interface->name] = version;
  return wl_registry_bind(registry_, found->second.name, interface, version);
}

uint32_t TWaylandConnection::BoundVersion(const wl_interface* interface) const {
  const auto found = bound_.find(interface->name);
  return found == bound_.end() ? 0 : found->second;
}

void TWaylandConnection::ThrowLost() const {
  const int error = wl_display_get_error(display_);
  throw Error(std::string("The connection to the Wayland compositor was lost: ") +
              std::strerror(error ? error : EPIPE));
}

void TWaylandConnection::Roundtrip() {
  if (wl_display_roundtrip(display_) < 0) ThrowLost();
}

void TWaylandConnection::Flush() {
  while (wl_display_flush(display_) < 0) {
    if (errno != EAGAIN) ThrowLost();
    pollfd fd{wl_display_get_fd(display_), POLLOUT, 0};
    if (poll(&fd, 1, 1000) < 0 && errno != EINTR) ThrowLost();
  }
}

void TWaylandConnection::DispatchPending() {
  if (wl_display_prepare_read(display_) == 0) {
    pollfd fd{wl_display_get_fd(display_), POLLIN, 0};
    if (poll(&fd, 1, 0) > 0)
      wl_display_read_events(display_);
    else
      wl_display_cancel_read(display_);
  }
  if (wl_display_dispatch_pending(display_) < 0) ThrowLost();
}

bool TWaylandConnection::DispatchWait(int timeoutMs) {
  if (wl_display_prepare_read(display_) != 0) {
    // Events are already queued: they are what was waited for.
    if (wl_display_dispatch_pending(display_) < 0) ThrowLost();
    return true;
  }
  Flush();
  pollfd fd{wl_display_get_fd(display_), POLLIN, 0};
  const int ready = poll(&fd, 1, timeoutMs);
  if (ready <= 0) {
    wl_display_cancel_read(display_);
    return false;
  }
  if (wl_display_read_events(display_) < 0) ThrowLost();
  if (wl_display_dispatch_pending(display_) < 0) ThrowLost();
  return true;
}

}  // namespace zorvel
