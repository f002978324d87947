// zorvel-test-xlog-window: a plain Xlib window that logs the input it receives, for tests.
//
// Usage: zorvel-test-xlog-window [--geometry WxH+X+Y] [--out FILE] [--motion] [--no-focus]
//                                [--title TITLE]
//   --geometry  size and position of the window (default 400x300+100+100); no window manager
//               runs under Xvfb, so the window lands exactly there, without a frame
//   --out       append the log to FILE instead of stdout (one line per event, flushed at once)
//   --motion    also log pointer motion
//   --no-focus  do not take the keyboard focus when mapped
//   --title     window title (default "zorvel xlog window")
//
// Log lines (x/y relative to the window, rx/ry to the root, state in hex):
//   ready window=0x1a00002                    mapped (and focused, unless --no-focus)
//   ButtonPress button=1 x=10 y=20 rx=110 ry=120 state=0x0
//   ButtonRelease button=1 x=10 y=20 rx=110 ry=120 state=0x100
//   MotionNotify x=10 y=20 rx=110 ry=120 state=0x0                       (with --motion)
//   KeyPress keycode=38 keysym=a state=0x0 text="a"
//   KeyRelease keycode=38 keysym=a state=0x0
//   Line "héllo"          the text typed since the last Return, written when Return is pressed
//   FocusIn / FocusOut
// The text is what the input method makes of the key (Xutf8LookupString), in UTF-8. The program
// runs until it is killed or its window is closed.

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>

#include <clocale>
#include <cstdio>
#include <cstring>
#include <string>

#include "tool_options.h"

namespace {

struct Options : zorvel::test::ToolOptions {
  const char* title = "zorvel xlog window";
  bool motion = false;
  bool focus = true;
};

bool ParseOptions(int argc, char** argv, Options& options) {
  auto own = [&](const std::string& arg, const char* next) {
    if (arg == "--title" && next) {
      options.title = next;
      return 2;
    }
    if (arg == "--motion") {
      options.motion = true;
    } else if (arg == "--no-focus") {
      options.focus = false;
    } else {
      return 0;
    }
    return 1;
  };
  return zorvel::test::ParseToolOptions(argc, argv, options, own);
}

// UTF-8 of a keysym when no input method is there: Latin-1 and Unicode keysyms only.
std::string KeysymText(KeySym keysym) {
  unsigned long cp = 0;
  if ((keysym >= 0x20 && keysym <= 0x7E) || (keysym >= 0xA0 && keysym <= 0xFF))
    cp = keysym;
  else if ((keysym & 0xFF000000) == 0x01000000)
    cp = keysym & 0x00FFFFFF;
  else
    return {};
  std::string out;
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
  return out;
}

std::string Hex(unsigned long value) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "0x%lx", value);
  return buffer;
}

std::string Where(int x, int y, int rx, int ry, unsigned state) {
  return " x=" + std::to_string(x) + " y=" + std::to_string(y) + " rx=" + std::to_string(rx) +
         " ry=" + std::to_string(ry) + " state=" + Hex(state);
}

class KeyReader {
 public:
  KeyReader(Display* display, Window window) {
    XSetLocaleModifiers("");
    im_ = XOpenIM(display, nullptr, nullptr, nullptr);
    if (im_)
      ic_ = XCreateIC(im_, XNInputStyle, XIMPreeditNothing | XIMStatusNothing, XNClientWindow,
                      window, XNFocusWindow, window, nullptr);
    if (ic_) XSetICFocus(ic_);
  }
  ~KeyReader() {
    if (ic_) XDestroyIC(ic_);
    if (im_) XCloseIM(im_);
  }
  // Keysym and text of a KeyPress.
  std::string Read(XKeyEvent& event, KeySym& keysym) {
    char buffer[64] = {};
    keysym = NoSymbol;
    if (ic_) {
      Status status = 0;
      const int length =
          Xutf8LookupString(ic_, &event, buffer, sizeof buffer - 1, &keysym, &status);
      if (status == XLookupChars || status == XLookupBoth) return std::string(buffer, length);
      return {};
    }
    XLookupString(&event, buffer, sizeof buffer - 1, &keysym, nullptr);
    return KeysymText(keysym);
  }

 private:
  XIM im_ = nullptr;
  XIC ic_ = nullptr;
};

std::string KeysymName(KeySym keysym) {
  const char* name = XKeysymToString(keysym);
  return name ? name : Hex(keysym);
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!ParseOptions(argc, argv, options))
    return zorvel::test::ToolUsage(argv[0], "[--motion] [--no-focus] [--title TITLE]");
  if (!std::setlocale(LC_ALL, "") || !std::strstr(std::setlocale(LC_CTYPE, nullptr), "UTF-8"))
    std::setlocale(LC_CTYPE, "C.UTF-8");
  zorvel::test::ToolLog log;
  if (!log.Open(options.out)) return 1;
  Display* display = XOpenDisplay(nullptr);
  if (!display) {
    std::fprintf(stderr, "cannot open the display\n");
    return 1;
  }
  const int screen = DefaultScreen(display);
  XSetWindowAttributes attributes{};
  attributes.background_pixel = WhitePixel(display, screen);
  attributes.override_redirect = False;
  long mask = ButtonPressMask | ButtonReleaseMask | KeyPressMask | KeyReleaseMask |
              StructureNotifyMask | FocusChangeMask | ExposureMask;
  if (options.motion) mask |= PointerMotionMask;
  attributes.event_mask = mask;
  const Window window = XCreateWindow(display, RootWindow(display, screen), options.x, options.y,
                                      options.width, options.height, 0, CopyFromParent, InputOutput,
                                      CopyFromParent, CWBackPixel | CWEventMask, &attributes);
  XStoreName(display, window, options.title);
  XSizeHints hints{};
  hints.flags = USPosition | USSize;
  hints.x = options.x;
  hints.y = options.y;
  hints.width = options.width;
  hints.height = options.height;
  XSetWMNormalHints(display, window, &hints);
  Atom deleteWindow = XInternAtom(display, "WM_DELETE_WINDOW", False);
  XSetWMProtocols(display, window, &deleteWindow, 1);
  KeyReader reader(display, window);
  XMapRaised(display, window);

  std::string line;
  for (;;) {
    XEvent event;
    XNextEvent(display, &event);
    if (XFilterEvent(&event, None)) continue;
    switch (event.type) {
      case MapNotify:
        // Read the keyboard mapping now rather than at the first key, so that a mapping change
        // made with the first keys is not lost while it is being read.
        XKeysymToKeycode(display, XK_a);
        if (options.focus) XSetInputFocus(display, window, RevertToPointerRoot, CurrentTime);
        XSync(display, False);
        log.Ready(window);
        break;
      case MappingNotify:
        XRefreshKeyboardMapping(&event.xmapping);
        break;
      case ButtonPress:
      case ButtonRelease: {
        const XButtonEvent& b = event.xbutton;
        log.Line(std::string(event.type == ButtonPress ? "ButtonPress" : "ButtonRelease") +
                 " button=" + std::to_string(b.button) +
                 Where(b.x, b.y, b.x_root, b.y_root, b.state));
        break;
      }
      case MotionNotify: {
        const XMotionEvent& m = event.xmotion;
        log.Line("MotionNotify" + Where(m.x, m.y, m.x_root, m.y_root, m.state));
        break;
      }
      case KeyPress: {
        KeySym keysym = NoSymbol;
        const std::string text = reader.Read(event.xkey, keysym);
        log.Line("KeyPress keycode=" + std::to_string(event.xkey.keycode) + " keysym=" +
                 KeysymName(keysym) + " state=" + Hex(event.xkey.state) + " text=\"" + text + "\"");
        if (keysym == XK_Return || keysym == XK_KP_Enter) {
          log.Line("Line \"" + line + "\"");
          line.clear();
        } else if (!text.empty() && static_cast<unsigned char>(text[0]) >= 0x20) {
          line += text;
        }
        break;
      }
      case KeyRelease: {
        const KeySym keysym = XLookupKeysym(&event.xkey, 0);
        log.Line("KeyRelease keycode=" + std::to_string(event.xkey.keycode) +
                 " keysym=" + KeysymName(keysym) + " state=" + Hex(event.xkey.state));
        break;
      }
      case FocusIn:
        log.Line("FocusIn");
        break;
      case FocusOut:
        log.Line("FocusOut");
        break;
      case ClientMessage:
        if (static_cast<Atom>(event.xclient.data.l[0]) == deleteWindow) {
          XCloseDisplay(display);
          return 0;
        }
        break;
      default:
        break;
    }
  }
}
