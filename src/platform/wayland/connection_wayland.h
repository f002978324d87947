#pragma once

// A connection of its own to the Wayland compositor named by WAYLAND_DISPLAY, with the globals it
// offers and the outputs laid out in the compositor's global space.

#include <wayland-client.h>

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

struct zxdg_output_manager_v1;
struct zxdg_output_v1;

namespace zorvel {

// One output: its place and size in the global layout, in layout pixels.
struct TWaylandOutput {
  wl_output* output = nullptr;
  zxdg_output_v1* xdgOutput = nullptr;
  uint32_t name = 0;
  int32_t x = 0;
  int32_t y = 0;
  int32_t width = 0;
  int32_t height = 0;
};

// The smallest rectangle holding every output.
struct TLayoutBox {
  int32_t x = 0;
  int32_t y = 0;
  int32_t width = 0;
  int32_t height = 0;
};

class TWaylandConnection {
 public:
  // Connects and reads the globals and outputs. Throws Error when no compositor can be reached.
  TWaylandConnection();
  ~TWaylandConnection();
  TWaylandConnection(const TWaylandConnection&) = delete;
  TWaylandConnection& operator=(const TWaylandConnection&) = delete;

  wl_display* Display() const { return display_; }
  wl_seat* Seat() const { return seat_; }
  wl_shm* Shm() const { return shm_; }
  const std::vector<std::unique_ptr<TWaylandOutput>>& Outputs() const { return outputs_; }
  TLayoutBox Layout() const;

  bool Offers(const wl_interface* interface) const;
  // Binds the global of `interface` at the highest version both sides know, at most
  // `maxVersion`; nullptr when the compositor does not offer it.
  void* Bind(const wl_interface* interface, uint32_t maxVersion);
  uint32_t BoundVersion(const wl_interface* interface) const;

  // Waits until the compositor has handled every request so far and the events it sent are
  // handled. Throws Error when the connection is lost.
  void Roundtrip();
  // Sends every queued request, waiting while the socket is full. Throws Error when the
  // connection is lost.
  void Flush();
  // Handles the events that have arrived, without waiting.
  void DispatchPending();
  // Waits for events up to `timeoutMs` (negative: no limit) and handles them; false on time-out.
  bool DispatchWait(int timeoutMs);

 private:
  struct TGlobal {
    uint32_t name = 0;
    uint32_t version = 0;
  };
  static void OnGlobal(void* data, wl_registry* registry, uint32_t name, const char* interface,
                       uint32_t version);
  static void OnGlobalRemove(void* data, wl_registry* registry, uint32_t name);
  void AddOutput(uint32_t name, uint32_t version);
  [[noreturn]] void ThrowLost() const;

  wl_display* display_ = nullptr;
  wl_registry* registry_ = nullptr;
  wl_seat* seat_ = nullptr;
  wl_shm* shm_ = nullptr;
  zxdg_output_manager_v1* xdgOutputs_ = nullptr;
  std::map<std::string, TGlobal> globals_;
  std::map<std::string, uint32_t> bound_;
  std::vector<std::unique_ptr<TWaylandOutput>> outputs_;
};

}  // namespace zorvel
