// zorvel-test-wayland-paint: a native Wayland window that fills its output with a known scene and
// logs the input it gets.
//
// Usage: zorvel-test-wayland-paint [--out FILE]
// The window asks to be full screen, so its pixel (x, y) is the screen pixel (x, y) of the
// output at the layout's origin. It paints paint_scene::ScenePixel everywhere.
//
// Log lines:
//   ready window=1                       the scene is on screen and the window has the keyboard
//   button 272 pressed 1400 670          pointer button (evdev code), state, pointer position
//   wheel -1                             one wheel step (negative: away from the user)
//   key a pressed mods=Control           key by keysym name with the modifiers in effect
//   text "é"                             the text a key press gives, when it gives any
//   leave                                the keyboard focus went to another window

#include <linux/input-event-codes.h>
#include <poll.h>
#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>
#include <xkbcommon/xkbcommon.h>

#include <cstring>
#include <string>

#include "paint_window_scene.h"
#include "tool_options.h"
#include "xdg-shell-client-protocol.h"

namespace {

namespace scene = zorvel::test::paint_scene;

struct App {
  zorvel::test::ToolLog log;
  wl_display* display = nullptr;
  wl_compositor* compositor = nullptr;
  wl_shm* shm = nullptr;
  wl_seat* seat = nullptr;
  xdg_wm_base* wmBase = nullptr;
  wl_surface* surface = nullptr;
  xdg_surface* xdgSurface = nullptr;
  xdg_toplevel* toplevel = nullptr;
  wl_pointer* pointer = nullptr;
  wl_keyboard* keyboard = nullptr;
  xkb_context* xkb = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
  xkb_keymap* keymap = nullptr;
  xkb_state* state = nullptr;
  int width = 0;
  int height = 0;
  int pointerX = 0;
  int pointerY = 0;
  bool fullscreen = false;  // the last configure made the window full screen
  bool painted = false;     // a full-screen frame is on screen
  bool focused = false;
  bool readySaid = false;
  bool closed = false;
};

void SayReadyOnce(App& app) {
  if (app.readySaid || !app.painted || !app.focused) return;
  app.readySaid = true;
  app.log.Ready(1);
}

void OnFrameDone(void* data, wl_callback* callback, uint32_t) {
  wl_callback_destroy(callback);
  auto& app = *static_cast<App*>(data);
  app.painted = app.fullscreen;
  SayReadyOnce(app);
}
const wl_callback_listener kFrameListener = {OnFrameDone};

void Paint(App& app) {
  const int stride = app.width * 4;
  const size_t size = static_cast<size_t>(stride) * app.height;
  const int fd = memfd_create("scene", MFD_CLOEXEC);
  if (fd < 0 || ftruncate(fd, static_cast<off_t>(size)) != 0) return;
  auto* pixels =
      static_cast<uint32_t*>(mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0));
  for (int y = 0; y < app.height; ++y)
    for (int x = 0; x < app.width; ++x) pixels[y * app.width + x] = scene::ScenePixel(x, y);
  wl_shm_pool* pool = wl_shm_create_pool(app.shm, fd, static_cast<int32_t>(size));
  wl_buffer* buffer =
      wl_shm_pool_create_buffer(pool, 0, app.width, app.height, stride, WL_SHM_FORMAT_XRGB8888);
  wl_shm_pool_destroy(pool);
  munmap(pixels, size);
  close(fd);
  wl_surface_attach(app.surface, buffer, 0, 0);
  wl_surface_damage(app.surface, 0, 0, app.width, app.height);
  wl_callback_add_listener(wl_surface_frame(app.surface), &kFrameListener, &app);
  wl_surface_commit(app.surface);
}

void OnWmPing(void*, xdg_wm_base* base, uint32_t serial) {
  xdg_wm_base_pong(base, serial);
}
const xdg_wm_base_listener kWmListener = {OnWmPing};

void OnSurfaceConfigure(void* data, xdg_surface* surface, uint32_t serial) {
  auto& app = *static_cast<App*>(data);
  xdg_surface_ack_configure(surface, serial);
  if (app.width > 0 && app.height > 0) Paint(app);
}
const xdg_surface_listener kSurfaceListener = {OnSurfaceConfigure};

void OnToplevelConfigure(void* data, xdg_toplevel*, int32_t width, int32_t height,
                         wl_array* states) {
  auto& app = *static_cast<App*>(data);
  app.fullscreen = false;
  const auto* values = static_cast<const uint32_t*>(states->data);
  for (size_t i = 0; i < states->size / sizeof(uint32_t); ++i)
    app.fullscreen = app.fullscreen || values[i] == XDG_TOPLEVEL_STATE_FULLSCREEN;
  if (width > 0 && height > 0 && (width != app.width || height != app.height)) {
    app.width = width;
    app.height = height;
  }
  if (app.width == 0) {
    app.width = 640;
    app.height = 480;
  }
}
void OnToplevelClose(void* data, xdg_toplevel*) {
  static_cast<App*>(data)->closed = true;
}
void OnToplevelBounds(void*, xdg_toplevel*, int32_t, int32_t) {}
void OnToplevelCapabilities(void*, xdg_toplevel*, wl_array*) {}
const xdg_toplevel_listener kToplevelListener = {OnToplevelConfigure, OnToplevelClose,
                                                 OnToplevelBounds, OnToplevelCapabilities};

void OnPointerEnter(void* data, wl_pointer*, uint32_t, wl_surface*, wl_fixed_t x, wl_fixed_t y) {
  auto& app = *static_cast<App*>(data);
  app.pointerX = wl_fixed_to_int(x);
  app.pointerY = wl_fixed_to_int(y);
}
void OnPointerLeave(void*, wl_pointer*, uint32_t, wl_surface*) {}
void OnPointerMotion(void* data, wl_pointer*, uint32_t, wl_fixed_t x, wl_fixed_t y) {
  auto& app = *static_cast<App*>(data);
  app.pointerX = wl_fixed_to_int(x);
  app.pointerY = wl_fixed_to_int(y);
}
void OnPointerButton(void* data, wl_pointer*, uint32_t, uint32_t, uint32_t button, uint32_t state) {
  auto& app = *static_cast<App*>(data);
  app.log.Line("button " + std::to_string(button) +
               (state == WL_POINTER_BUTTON_STATE_PRESSED ? " pressed " : " released ") +
               std::to_string(app.pointerX) + " " + std::to_string(app.pointerY));
}
void OnPointerAxis(void*, wl_pointer*, uint32_t, uint32_t, wl_fixed_t) {}
void OnPointerFrame(void*, wl_pointer*) {}
void OnPointerAxisSource(void*, wl_pointer*, uint32_t) {}
void OnPointerAxisStop(void*, wl_pointer*, uint32_t, uint32_t) {}
void OnPointerAxisDiscrete(void* data, wl_pointer*, uint32_t axis, int32_t discrete) {
  if (axis != WL_POINTER_AXIS_VERTICAL_SCROLL) return;
  auto& app = *static_cast<App*>(data);
  // Protocol steps grow towards the user; the log counts away from the user as negative.
  for (int i = 0; i < (discrete < 0 ? -discrete : discrete); ++i)
    app.log.Line(discrete < 0 ? "wheel -1" : "wheel 1");
}
void OnPointerAxis120(void*, wl_pointer*, uint32_t, int32_t) {}
const wl_pointer_listener kPointerListener = {
    OnPointerEnter,        OnPointerLeave,  OnPointerMotion,     OnPointerButton,
    OnPointerAxis,         OnPointerFrame,  OnPointerAxisSource, OnPointerAxisStop,
    OnPointerAxisDiscrete, OnPointerAxis120};

void OnKeymap(void* data, wl_keyboard*, uint32_t format, int32_t fd, uint32_t size) {
  auto& app = *static_cast<App*>(data);
  if (format != WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1) {
    close(fd);
    return;
  }
  char* text = static_cast<char*>(mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0));
  close(fd);
  if (text == MAP_FAILED) return;
  xkb_keymap* keymap = xkb_keymap_new_from_string(app.xkb, text, XKB_KEYMAP_FORMAT_TEXT_V1,
                                                  XKB_KEYMAP_COMPILE_NO_FLAGS);
  munmap(text, size);
  if (!keymap) {
    app.log.Line("keymap refused");
    return;
  }
  if (app.state) xkb_state_unref(app.state);
  if (app.keymap) xkb_keymap_unref(app.keymap);
  app.keymap = keymap;
  app.state = xkb_state_new(keymap);
}
void OnKeyboardEnter(void* data, wl_keyboard*, uint32_t, wl_surface*, wl_array*) {
  auto& app = *static_cast<App*>(data);
  app.focused = true;
  SayReadyOnce(app);
}
void OnKeyboardLeave(void* data, wl_keyboard*, uint32_t, wl_surface*) {
  auto& app = *static_cast<App*>(data);
  app.focused = false;
  if (app.readySaid) app.log.Line("leave");
}

std::string ModifierNames(App& app) {
  std::string names;
  for (const char* name :
       {XKB_MOD_NAME_SHIFT, XKB_MOD_NAME_CTRL, XKB_MOD_NAME_ALT, XKB_MOD_NAME_LOGO}) {
    if (xkb_state_mod_name_is_active(app.state, name, XKB_STATE_MODS_EFFECTIVE) > 0)
      names += std::string(names.empty() ? "" : "+") + name;
  }
  return names.empty() ? "none" : names;
}

void OnKey(void* data, wl_keyboard*, uint32_t, uint32_t, uint32_t key, uint32_t state) {
  auto& app = *static_cast<App*>(data);
  if (!app.state) return;
  const xkb_keycode_t code = key + 8;
  const xkb_keysym_t sym = xkb_state_key_get_one_sym(app.state, code);
  char name[64] = {};
  xkb_keysym_get_name(sym, name, sizeof name);
  const bool pressed = state == WL_KEYBOARD_KEY_STATE_PRESSED;
  app.log.Line(std::string("key ") + name + (pressed ? " pressed" : " released") +
               " mods=" + ModifierNames(app));
  if (!pressed) return;
  char text[64] = {};
  xkb_state_key_get_utf8(app.state, code, text, sizeof text);
  if (text[0] != '\0' && static_cast<unsigned char>(text[0]) >= 0x20 && text[0] != 0x7F)
    app.log.Line(std::string("text \"") + text + "\"");
}
void OnModifiers(void* data, wl_keyboard*, uint32_t, uint32_t depressed, uint32_t latched,
                 uint32_t locked, uint32_t group) {
  auto& app = *static_cast<App*>(data);
  if (app.state) xkb_state_update_mask(app.state, depressed, latched, locked, 0, 0, group);
}
void OnRepeatInfo(void*, wl_keyboard*, int32_t, int32_t) {}
const wl_keyboard_listener kKeyboardListener = {OnKeymap, OnKeyboardEnter, OnKeyboardLeave,
                                                OnKey,    OnModifiers,     OnRepeatInfo};

void OnSeatCapabilities(void* data, wl_seat* seat, uint32_t caps) {
  auto& app = *static_cast<App*>(data);
  if ((caps & WL_SEAT_CAPABILITY_POINTER) && !app.pointer) {
    app.pointer = wl_seat_get_pointer(seat);
    wl_pointer_add_listener(app.pointer, &kPointerListener, &app);
  }
  if ((caps & WL_SEAT_CAPABILITY_KEYBOARD) && !app.keyboard) {
    app.keyboard = wl_seat_get_keyboard(seat);
    wl_keyboard_add_listener(app.keyboard, &kKeyboardListener, &app);
  }
}
void OnSeatName(void*, wl_seat*, const char*) {}
const wl_seat_listener kSeatListener = {OnSeatCapabilities, OnSeatName};

void OnGlobal(void* data, wl_registry* registry, uint32_t name, const char* interface,
              uint32_t version) {
  auto& app = *static_cast<App*>(data);
  const std::string which = interface;
  if (which == wl_compositor_interface.name) {
    app.compositor =
        static_cast<wl_compositor*>(wl_registry_bind(registry, name, &wl_compositor_interface, 4));
  } else if (which == wl_shm_interface.name) {
    app.shm = static_cast<wl_shm*>(wl_registry_bind(registry, name, &wl_shm_interface, 1));
  } else if (which == wl_seat_interface.name) {
    app.seat = static_cast<wl_seat*>(
        wl_registry_bind(registry, name, &wl_seat_interface, version < 5 ? version : 5));
    wl_seat_add_listener(app.seat, &kSeatListener, &app);
  } else if (which == xdg_wm_base_interface.name) {
    app.wmBase =
        static_cast<xdg_wm_base*>(wl_registry_bind(registry, name, &xdg_wm_base_interface, 1));
    xdg_wm_base_add_listener(app.wmBase, &kWmListener, &app);
  }
}
void OnGlobalRemove(void*, wl_registry*, uint32_t) {}
const wl_registry_listener kRegistryListener = {OnGlobal, OnGlobalRemove};

}  // namespace

int main(int argc, char** argv) {
  zorvel::test::ToolOptions options;
  auto none = [](const std::string&, const char*) { return 0; };
  if (!zorvel::test::ParseToolOptions(argc, argv, options, none))
    return zorvel::test::ToolUsage(argv[0], "");
  App app;
  if (!app.log.Open(options.out)) return 1;
  app.display = wl_display_connect(nullptr);
  if (!app.display) return 1;
  wl_registry* registry = wl_display_get_registry(app.display);
  wl_registry_add_listener(registry, &kRegistryListener, &app);
  wl_display_roundtrip(app.display);
  if (!app.compositor || !app.shm || !app.wmBase || !app.seat) return 1;
  app.surface = wl_compositor_create_surface(app.compositor);
  app.xdgSurface = xdg_wm_base_get_xdg_surface(app.wmBase, app.surface);
  xdg_surface_add_listener(app.xdgSurface, &kSurfaceListener, &app);
  app.toplevel = xdg_surface_get_toplevel(app.xdgSurface);
  xdg_toplevel_add_listener(app.toplevel, &kToplevelListener, &app);
  xdg_toplevel_set_title(app.toplevel, "zorvel wayland paint");
  xdg_toplevel_set_fullscreen(app.toplevel, nullptr);
  wl_surface_commit(app.surface);
  while (!app.closed && wl_display_dispatch(app.display) >= 0) {
  }
  return 0;
}
