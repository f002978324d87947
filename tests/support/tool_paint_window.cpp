// zorvel-test-paint-window: a plain Xlib window showing a known scene (paint_window_scene.h): a
// background colour, a solid block and a picture of varied pixels, at fixed screen places.
//
// Usage: zorvel-test-paint-window [--out FILE]
//   --out  write the log to FILE instead of stdout
// Log: "ready window=0x..." once the window is mapped and painted. Runs until killed.

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "paint_window_scene.h"
#include "tool_options.h"

namespace scene = zorvel::test::paint_scene;

namespace {

// The scene as an image in the server's format (TrueColor).
XImage* SceneImage(Display* display) {
  const int screen = DefaultScreen(display);
  Visual* visual = DefaultVisual(display, screen);
  const int depth = DefaultDepth(display, screen);
  char* data = static_cast<char*>(std::malloc(4 * scene::kWindowWidth * scene::kWindowHeight));
  XImage* image = XCreateImage(display, visual, static_cast<unsigned>(depth), ZPixmap, 0, data,
                               scene::kWindowWidth, scene::kWindowHeight, 32, 0);
  if (!image) return nullptr;
  for (int y = 0; y < scene::kWindowHeight; ++y) {
    for (int x = 0; x < scene::kWindowWidth; ++x) {
      const uint32_t rgb = scene::ScenePixel(scene::kWindowX + x, scene::kWindowY + y);
      XPutPixel(image, x, y, rgb);  // TrueColor with red in the high byte
    }
  }
  return image;
}

}  // namespace

int main(int argc, char** argv) {
  const char* out = nullptr;
  for (int i = 1; i + 1 < argc; ++i) {
    if (std::strcmp(argv[i], "--out") == 0) out = argv[i + 1];
  }
  zorvel::test::ToolLog log;
  if (!log.Open(out)) return 2;
  Display* display = XOpenDisplay(nullptr);
  if (!display) {
    std::fprintf(stderr, "cannot open display\n");
    return 1;
  }
  const int screen = DefaultScreen(display);
  XSetWindowAttributes attributes{};
  attributes.override_redirect = True;
  attributes.background_pixel = scene::kBackground;
  attributes.event_mask = ExposureMask | StructureNotifyMask;
  const Window window =
      XCreateWindow(display, RootWindow(display, screen), scene::kWindowX, scene::kWindowY,
                    scene::kWindowWidth, scene::kWindowHeight, 0, CopyFromParent, InputOutput,
                    CopyFromParent, CWOverrideRedirect | CWBackPixel | CWEventMask, &attributes);
  XImage* image = SceneImage(display);
  if (!image) return 1;
  const GC gc = XCreateGC(display, window, 0, nullptr);
  XMapRaised(display, window);

  bool ready = false;
  for (;;) {
    XEvent event;
    XNextEvent(display, &event);
    if (event.type != Expose) continue;
    XPutImage(display, window, gc, image, 0, 0, 0, 0, scene::kWindowWidth, scene::kWindowHeight);
    XSync(display, False);
    if (!ready) {
      ready = true;
      log.Ready(window);
    }
  }
}
