// Recording on a Wayland desktop: no interface lets a client see the input other clients get, so
// the recorder says so instead of recording nothing. A recorder that reads the input devices
// themselves can take this place later.

#include "platform/wayland/wayland_desktop.h"

namespace zorvel {
namespace {

class TWaylandInputSource final : public IInputSource {
 public:
  int FileDescriptor() const override { return -1; }
  void Dispatch() override {}
  bool Start(Callback) override { return false; }
  void Stop() override {}
  bool Recording() const override { return false; }
  std::string StartFailure() const override {
    return "Recording needs an X11 session on this desktop: a Wayland compositor does not let "
           "programs see the input of other windows.";
  }
};

}  // namespace

std::unique_ptr<IInputSource> CreateWaylandInputSource() {
  return std::make_unique<TWaylandInputSource>();
}

}  // namespace zorvel
