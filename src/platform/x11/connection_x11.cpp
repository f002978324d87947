#include "platform/x11/connection_x11.h"

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <thread>

#include "common/error.h"
#include "platform/x11/x11_desktop.h"

namespace zorvel {

namespace {

constexpr int kOpenAttempts = 10;

std::mutex& TrapMutex() {
  static std::mutex mutex;
  return mutex;
}

// Set and cleared under TrapMutex(); read by the handler on whichever thread meets an error.
std::atomic<TX11ErrorTrap*> activeTrap{nullptr};

std::atomic<bool> surviveLoss{false};
std::atomic<bool> connectionLost{false};

// Called by Xlib once a connection has broken. Returning leaves the connection dead (later calls
// on it do nothing); Xlib's own choice is to end the process, kept unless told otherwise.
void OnConnectionLost(Display*, void*) {
  connectionLost = true;
  if (!surviveLoss) std::exit(1);
}

}  // namespace

void SurviveX11ConnectionLoss() {
  surviveLoss = true;
  // Xlib's own first handler prints and ends the process before the exit handler is reached.
  XSetIOErrorHandler([](Display*) { return 0; });
}

bool X11ConnectionLost() {
  return connectionLost;
}

TDisplayPtr OpenX11Display() {
  // A server busy accepting other connections now and then refuses one; a retry soon after
  // gets through.
  for (int attempt = 1; attempt <= kOpenAttempts; ++attempt) {
    if (Display* display = XOpenDisplay(nullptr)) {
      XSetIOErrorExitHandler(display, &OnConnectionLost, nullptr);
      return TDisplayPtr(display);
    }
    if (!std::getenv("DISPLAY")) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(5 * attempt));
  }
  throw Error("Cannot open the X display (is DISPLAY set?).");
}

unsigned ModifierMaskOf(Display* display, unsigned long keysym) {
  const KeyCode keycode = XKeysymToKeycode(display, keysym);
  XModifierKeymap* map = XGetModifierMapping(display);
  if (!map) return 0;
  unsigned mask = 0;
  for (int modifier = 0; keycode != 0 && modifier < 8 && mask == 0; ++modifier) {
    for (int i = 0; i < map->max_keypermod; ++i)
      if (map->modifiermap[modifier * map->max_keypermod + i] == keycode) mask = 1u << modifier;
  }
  XFreeModifiermap(map);
  return mask;
}

TX11ErrorTrap::TX11ErrorTrap(Display* display, TScope scope)
    : lock_(TrapMutex()), display_(display), syncs_(scope == TScope::Synced) {
  if (syncs_) XSync(display_, False);  // errors of earlier requests are not ours to catch
  activeTrap = this;
  previous_ = XSetErrorHandler(&TX11ErrorTrap::Handle);
}

TX11ErrorTrap::~TX11ErrorTrap() {
  if (syncs_) XSync(display_, False);
  XSetErrorHandler(previous_);
  activeTrap = nullptr;
}

int TX11ErrorTrap::Sync() {
  XSync(display_, False);
  const int error = firstError_;
  firstError_ = 0;
  return error;
}

int TX11ErrorTrap::Handle(Display* display, XErrorEvent* error) {
  TX11ErrorTrap* trap = activeTrap.load();
  if (trap && display == trap->display_) {
    if (trap->firstError_ == 0) trap->firstError_ = error->error_code;
    return 0;
  }
  return trap && trap->previous_ ? trap->previous_(display, error) : 0;
}

}  // namespace zorvel
