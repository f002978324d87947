// Recording real input: xdotool drives the X server through XTest, the recorder captures it through
// RECORD, and a full-screen window of the test watches the same input as an independent witness
// (its events carry the same server times).

// gtest and the core first: Xlib defines None, Bool and KeyPress as macros.
#include <gtest/gtest.h>

#include "input_test_tools.h"
#include "recording/recorder.h"
#include "support_process.h"
// clang-format off
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include "platform/x11/connection_x11.h"
#include "platform/x11/keymap_x11.h"
#include "platform/x11/x11_desktop.h"
// clang-format on

#include <poll.h>

#include <chrono>
#include <optional>
#include <stdexcept>

#include <string>
#include <vector>

namespace zorvel {
namespace {

// Runs xdotool (a refused connection is tried again); the test goes on when it fails.
void RunXdotoolCommand(const std::string& args) {
  const test::CommandResult result = test::RunXdotool(args);
  EXPECT_EQ(result.status, test::Exited(0)) << result.output;
}

std::string Describe(const EVENTMSG& event) {
  char text[80];
  std::snprintf(text, sizeof text, "%03X %u,%u", event.message, event.paramL, event.paramH);
  return text;
}

std::vector<std::string> Describe(const std::vector<EVENTMSG>& events) {
  std::vector<std::string> lines;
  for (const EVENTMSG& event : events) lines.push_back(Describe(event));
  return lines;
}

// A full-screen window with the keyboard focus that turns what it receives into the records the
// recorder should produce.
class WitnessWindow {
 public:
  WitnessWindow() : display_(OpenX11Display().release()), keymap_(display_) {
    const int screen = DefaultScreen(display_);
    XSetWindowAttributes attributes{};
    attributes.override_redirect = True;
    attributes.event_mask =
        KeyPressMask | KeyReleaseMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask;
    window_ =
        XCreateWindow(display_, RootWindow(display_, screen), 0, 0, DisplayWidth(display_, screen),
                      DisplayHeight(display_, screen), 0, CopyFromParent, InputOutput,
                      CopyFromParent, CWOverrideRedirect | CWEventMask, &attributes);
    XMapRaised(display_, window_);
    XSync(display_, False);
    XSetInputFocus(display_, window_, RevertToParent, CurrentTime);
    XSync(display_, False);
    Drain();
  }
  ~WitnessWindow() {
    XDestroyWindow(display_, window_);
    XCloseDisplay(display_);
  }

  // Discards what arrived so far.
  void Drain() { Collect(); }

  // What arrived since the last call, as records.
  std::vector<EVENTMSG> Collect() {
    XSync(display_, False);
    std::vector<EVENTMSG> events;
    while (XPending(display_) > 0) {
      XEvent event;
      XNextEvent(display_, &event);
      keymap_.HandleEvent(event);
      if (auto record = ToRecord(event)) events.push_back(*record);
    }
    return events;
  }

 private:
  std::optional<EVENTMSG> ToRecord(const XEvent& event) const {
    EVENTMSG record;
    switch (event.type) {
      case KeyPress:
      case KeyRelease: {
        record.time = static_cast<uint32_t>(event.xkey.time);
        record.paramL = keymap_.VkForKeycode(static_cast<KeyCode>(event.xkey.keycode));
        const bool alt = (event.xkey.state & Mod1Mask) || record.paramL == VK_MENU;
        if (event.type == KeyPress)
          record.message = alt ? WM_SYSKEYDOWN : WM_KEYDOWN;
        else
          record.message = (event.xkey.state & Mod1Mask) ? WM_SYSKEYUP : WM_KEYUP;
        return record;
      }
      case ButtonPress:
      case ButtonRelease: {
        static const uint32_t down[] = {
            0, WM_LBUTTONDOWN, WM_MBUTTONDOWN, WM_RBUTTONDOWN, WM_MOUSEWHEEL, WM_MOUSEWHEEL};
        static const uint32_t up[] = {0, WM_LBUTTONUP, WM_MBUTTONUP, WM_RBUTTONUP, 0, 0};
        const unsigned button = event.xbutton.button;
        if (button > 5) return std::nullopt;
        record.message = event.type == ButtonPress ? down[button] : up[button];
        if (record.message == 0) return std::nullopt;
        record.time = static_cast<uint32_t>(event.xbutton.time);
        record.paramL = static_cast<uint32_t>(event.xbutton.x_root);
        record.paramH = static_cast<uint32_t>(event.xbutton.y_root);
        return record;
      }
      case MotionNotify:
        record.message = WM_MOUSEMOVE;
        record.time = static_cast<uint32_t>(event.xmotion.time);
        record.paramL = static_cast<uint32_t>(event.xmotion.x_root);
        record.paramH = static_cast<uint32_t>(event.xmotion.y_root);
        return record;
      default:
        return std::nullopt;
    }
  }

  Display* display_;
  TX11Keymap keymap_;
  Window window_ = 0;
};

// xdotool arguments and the raw records (Describe) they should give.
struct RecordCase {
  const char* args;
  std::vector<std::string> records;
};

class RecordX11 : public testing::Test {
 protected:
  void SetUp() override {
    RunXdotoolCommand("mousemove 0 0");
    source = CreateX11InputSource();
    witness.Drain();
  }

  void RunXdotool(const std::string& args) { RunXdotoolCommand(args); }

  // Records what `xdotool ARGS` does, as the raw records the source delivers.
  std::vector<EVENTMSG> RecordRaw(const std::string& xdotoolArgs) {
    std::vector<EVENTMSG> events;
    EXPECT_TRUE(source->Start([&](const EVENTMSG& event) { events.push_back(event); }));
    RunXdotool(xdotoolArgs);
    source->Stop();
    return events;
  }

  // Records each case's xdotool arguments on their own and compares the raw records.
  void ExpectRecords(const std::vector<RecordCase>& cases) {
    for (const RecordCase& c : cases) {
      SCOPED_TRACE(c.args);
      EXPECT_EQ(Describe(RecordRaw(c.args)), c.records);
    }
  }

  // Records what `xdotool ARGS` does through the recorder, with the given filters.
  TActionList RecordActions(const std::string& xdotoolArgs, bool moves, bool keys) {
    struct Filters : IRecordSettings {
      bool moves, keys;
      bool RecordMouseMove() const override { return moves; }
      bool RecordKeyBoard() const override { return keys; }
    } filters;
    filters.moves = moves;
    filters.keys = keys;
    TEventList events;
    TRecorder recorder(*source, filters, events);
    EXPECT_TRUE(recorder.StartHook());
    RunXdotool(xdotoolArgs);
    TActionList actions;
    recorder.Stop(actions);
    return actions;
  }

  WitnessWindow witness;
  std::unique_ptr<IInputSource> source;
};

std::vector<uint32_t> Times(const std::vector<EVENTMSG>& events) {
  std::vector<uint32_t> times;
  for (const EVENTMSG& event : events) times.push_back(event.time);
  return times;
}

TEST_F(RecordX11, PointerButtonsAndKeysGiveExactRecordsWithServerTimes) {
  const auto recorded = RecordRaw("mousemove 100 200 click 1 key a type Hi");
  const auto seen = witness.Collect();
  // type Hi: Shift held for H (xdotool lets it go before the h key), then i
  EXPECT_EQ(Describe(recorded),
            (std::vector<std::string>{"200 100,200", "201 100,200", "202 100,200", "100 65,0",
                                      "101 65,0", "100 16,0", "100 72,0", "101 16,0", "101 72,0",
                                      "100 73,0", "101 73,0"}));
  EXPECT_EQ(Describe(recorded), Describe(seen));
  EXPECT_EQ(Times(recorded), Times(seen));
  for (const EVENTMSG& event : recorded) EXPECT_EQ(event.hwnd, 0u);
}

TEST_F(RecordX11, ButtonsAndWheelAsTheRecordsExpressThem) {
  const std::vector<RecordCase> cases = {
      {"mousemove 30 40 click 2", {"200 30,40", "207 30,40", "208 30,40"}},
      {"mousemove 31 41 click 3", {"200 31,41", "204 31,41", "205 31,41"}},
      {"mousemove 32 42 click 4", {"200 32,42", "20A 32,42"}},  // wheel: the press only
      {"mousemove 33 43 click 5", {"200 33,43", "20A 33,43"}},
      {"mousemove 34 44 click 8 click 9", {"200 34,44"}},  // side buttons: not expressible
      {"mousedown 1 mousemove 1919 1079 mouseup 1",
       {"201 34,44", "200 1919,1079", "202 1919,1079"}},
  };
  ExpectRecords(cases);
}

TEST_F(RecordX11, KeysHeldWithAltAreSystemKeys) {
  const std::vector<RecordCase> cases = {
      // xdotool lets the modifiers go before the key
      {"key alt+Tab", {"104 18,0", "104 9,0", "105 18,0", "101 9,0"}},
      {"key alt+F4", {"104 18,0", "104 115,0", "105 18,0", "101 115,0"}},
      {"key ctrl+F2", {"100 17,0", "100 113,0", "101 17,0", "101 113,0"}},
      {"key shift+F12 Return",
       {"100 16,0", "100 123,0", "101 16,0", "101 123,0", "100 13,0", "101 13,0"}},
  };
  ExpectRecords(cases);
}

int32_t Delay(const TActionList& actions, size_t index) {
  EXPECT_EQ(actions.Get(index)->actionType, static_cast<uint8_t>(ActionType::Delay));
  return actions.Get(index)->delay;
}

TEST_F(RecordX11, RecordedMacroCarriesTheServerTimeDifferences) {
  const TActionList actions =
      RecordActions("mousemove 100 200 click 1 key a type Hi", /*moves=*/true, /*keys=*/true);
  const auto seen = witness.Collect();
  ASSERT_EQ(seen.size(), 11u);
  ASSERT_EQ(actions.Count(), 2 * seen.size() - 1);
  for (size_t i = 1; i < seen.size(); ++i)
    EXPECT_EQ(Delay(actions, 2 * i - 1), static_cast<int32_t>(seen[i].time - seen[i - 1].time));
  const TActionObj& move = *actions.Get(0);
  EXPECT_EQ(move.actionType, static_cast<uint8_t>(ActionType::MouseMove));
  EXPECT_EQ(move.mouseMovePosX, 100);
  EXPECT_EQ(move.mouseMovePosY, 200);
  const TActionObj& down = *actions.Get(2);
  EXPECT_EQ(down.actionType, static_cast<uint8_t>(ActionType::MouseClick));
  EXPECT_EQ(down.mouseAction, static_cast<uint8_t>(MouseAction::ButtonDown));
  EXPECT_EQ(down.mousePoint, static_cast<uint8_t>(MousePoint::FixedPoint));
  EXPECT_EQ(down.mouseClickPosX, 100);
  EXPECT_EQ(down.mouseClickPosY, 200);
  const TActionObj& key = *actions.Get(6);
  EXPECT_EQ(key.actionType, static_cast<uint8_t>(ActionType::Keyboard));
  EXPECT_EQ(key.key, 0x41);
  EXPECT_EQ(key.keyAction, static_cast<uint8_t>(KeyAction::KeyDown));
}

TEST_F(RecordX11, WithoutMovesTheDelaySpansTheDroppedMoves) {
  const TActionList actions = RecordActions(
      "mousemove 10 10 click 3 mousemove 50 60 sleep 0.05 mousemove 70 80 click 2", false, true);
  const auto seen = witness.Collect();
  // witness: move, R down, R up, move, move, M down, M up
  ASSERT_EQ(Describe(seen),
            (std::vector<std::string>{"200 10,10", "204 10,10", "205 10,10", "200 50,60",
                                      "200 70,80", "207 70,80", "208 70,80"}));
  ASSERT_EQ(actions.Count(), 7u);  // R down, R up, M down, M up and three delays
  EXPECT_EQ(Delay(actions, 1), static_cast<int32_t>(seen[2].time - seen[1].time));
  EXPECT_EQ(Delay(actions, 3), static_cast<int32_t>(seen[5].time - seen[2].time));
  EXPECT_GE(Delay(actions, 3), 50);
  EXPECT_EQ(Delay(actions, 5), static_cast<int32_t>(seen[6].time - seen[5].time));
  for (size_t i = 0; i < actions.Count(); i += 2)
    EXPECT_EQ(actions.Get(i)->actionType, static_cast<uint8_t>(ActionType::MouseClick));
}

TEST_F(RecordX11, KeyboardMappingChangesAreFollowed) {
  Display* display = OpenX11Display().release();
  TX11Keymap keymap(display);
  const auto spare = keymap.SpareKeycodes();
  ASSERT_FALSE(spare.empty());
  const KeyCode keycode = spare.front();
  auto press = [&] {
    XTestFakeKeyEvent(display, keycode, True, CurrentTime);
    XTestFakeKeyEvent(display, keycode, False, CurrentTime);
    XSync(display, False);
  };
  auto map = [&](KeySym keysym) {
    XChangeKeyboardMapping(display, keycode, 1, &keysym, 1);
    XSync(display, False);
  };
  std::vector<EVENTMSG> events;
  // Dispatches the source until `count` events are in or a while has passed.
  auto pump = [&](size_t count) {
    (void)test::PumpUntil(
        *source, "the events", [&] { return events.size() >= count; },
        std::chrono::milliseconds(300), 20);
  };
  ASSERT_TRUE(source->Start([&](const EVENTMSG& event) { events.push_back(event); }));
  press();  // no keysym: not delivered
  pump(1);
  map(XK_F5);
  press();
  pump(2);
  map(XK_EuroSign);  // a keysym without a virtual-key code: not delivered
  press();
  pump(3);
  map(NoSymbol);
  source->Stop();
  XCloseDisplay(display);
  EXPECT_EQ(Describe(events), (std::vector<std::string>{"100 116,0", "101 116,0"}));
}

TEST_F(RecordX11, StartsAgainAfterAStopAndStopsTwiceQuietly) {
  EXPECT_EQ(Describe(RecordRaw("mousemove 5 6")), (std::vector<std::string>{"200 5,6"}));
  source->Stop();
  EXPECT_FALSE(source->Recording());
  EXPECT_EQ(Describe(RecordRaw("mousemove 7 8")), (std::vector<std::string>{"200 7,8"}));
  RunXdotool("mousemove 9 9");
  EXPECT_EQ(source->FileDescriptor() >= 0, true);
}

TEST_F(RecordX11, ErrorFromTheCallbackReachesTheDispatcher) {
  int calls = 0;
  ASSERT_TRUE(source->Start([&](const EVENTMSG&) {
    if (calls++ == 0) throw std::runtime_error("no room");
  }));
  RunXdotool("mousemove 5 6 click 1");
  bool thrown = false;
  const std::function<void()> dispatch = test::DispatchRound(*source, 20);
  EXPECT_TRUE(test::WaitUntil(
      "the callback's error out of Dispatch", [&] { return thrown; }, {},
      test::TWait(std::chrono::seconds(2), [&] {
        try {
          dispatch();
        } catch (const std::runtime_error& error) {
          thrown = std::string(error.what()) == "no room";
        }
      })));
  EXPECT_NO_THROW(source->Stop());
  EXPECT_FALSE(source->Recording());
  EXPECT_EQ(Describe(RecordRaw("mousemove 7 8")), (std::vector<std::string>{"200 7,8"}));
}

}  // namespace
}  // namespace zorvel
