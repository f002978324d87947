#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "model/action_ctrl.h"
#include "model/xml_document.h"
#include "platform/fake/fake_input_source.h"
#include "recording/record_settings.h"
#include "recording/recorder.h"

namespace zorvel {
namespace {

EVENTMSG Event(uint32_t message, uint32_t paramL, uint32_t paramH, uint32_t time) {
  return EVENTMSG{message, paramL, paramH, time, 0};
}

// Message codes, and delays for Delay actions, of a converted list.
std::vector<std::string> Shape(const TActionList& actions) {
  std::vector<std::string> shape;
  for (const auto& action : actions) {
    if (action->actionType == static_cast<uint8_t>(ActionType::Delay))
      shape.push_back("D" + std::to_string(action->delay));
    else if (action->actionType == static_cast<uint8_t>(ActionType::MouseMove))
      shape.push_back("move");
    else if (action->actionType == static_cast<uint8_t>(ActionType::Keyboard))
      shape.push_back("key");
    else
      shape.push_back("click");
  }
  return shape;
}

class RecorderSession : public testing::Test {
 protected:
  RecorderSession() {
    settings.RecordMouseMove = true;
    settings.RecordKeyBoard = true;
  }

  // One input of each kind, 10 ms apart.
  void DeliverMixedInput(uint32_t start) {
    source.Deliver(Event(WM_MOUSEMOVE, 1, 1, start));
    source.Deliver(Event(WM_KEYDOWN, 0x41, 0, start + 10));
    source.Deliver(Event(WM_MOUSEMOVE, 2, 2, start + 20));
    source.Deliver(Event(WM_SYSKEYDOWN, 0x09, 0, start + 30));
    source.Deliver(Event(WM_LBUTTONDOWN, 3, 3, start + 40));
    source.Deliver(Event(WM_SYSKEYUP, 0x09, 0, start + 50));
    source.Deliver(Event(WM_MOUSEWHEEL, 4, 4, start + 60));
    source.Deliver(Event(WM_KEYUP, 0x41, 0, start + 70));
  }

  TRecordSettings settings;
  TRecordSettingsRef settingsRef{settings};
  TFakeInputSource source;
  TEventList events;
  TRecorder recorder{source, settingsRef, events};
};

TEST_F(RecorderSession, FiltersDropMovesOrKeysAndDelaysSpanTheDroppedEvents) {
  struct Case {
    bool moves, keys;
    std::vector<std::string> shape;
  };
  const std::vector<Case> cases = {
      {true,
       true,
       {"move", "D10", "key", "D10", "move", "D10", "key", "D10", "click", "D10", "key", "D10",
        "click", "D10", "key"}},
      {false,
       true,
       {"key", "D20", "key", "D10", "click", "D10", "key", "D10", "click", "D10", "key"}},
      {true, false, {"move", "D20", "move", "D20", "click", "D20", "click"}},
      {false, false, {"click", "D20", "click"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "moves " << c.moves << " keys " << c.keys);
    settings.RecordMouseMove = c.moves;
    settings.RecordKeyBoard = c.keys;
    TActionList actions;
    EXPECT_TRUE(recorder.StartHook());
    DeliverMixedInput(5000);
    EXPECT_EQ(recorder.Stop(actions), c.shape.size());
    EXPECT_EQ(Shape(actions), c.shape);
  }
}

// What the user pressed to stop with the hotkey is left out; what they pressed for the recording
// stays, also when it uses the hotkey's keys.
TEST_F(RecorderSession, TheStopHotkeysOwnInputAtTheEndIsLeftOut) {
  constexpr uint32_t kAlt = 0x12, kRightAlt = 0xA5, kF3 = 0x72, kB = 0x42;
  struct Case {
    const char* what;
    std::vector<EVENTMSG> input;
    std::vector<uint8_t> stopKeys;
    std::vector<std::string> shape;
  };
  const std::vector<Case> cases = {
      {"pressed and let go of, with moves between",
       {Event(WM_KEYDOWN, kB, 0, 0), Event(WM_KEYUP, kB, 0, 10), Event(WM_MOUSEMOVE, 1, 1, 20),
        Event(WM_SYSKEYDOWN, kAlt, 0, 30), Event(WM_MOUSEMOVE, 2, 2, 40),
        Event(WM_SYSKEYDOWN, kF3, 0, 50), Event(WM_SYSKEYUP, kF3, 0, 60),
        Event(WM_KEYUP, kAlt, 0, 70)},
       RecordHotkeyKeys(2),
       {"key", "D10", "key", "D10", "move"}},
      {"the user's own Alt before it, and the hotkey held with the right Alt",
       {Event(WM_SYSKEYDOWN, kAlt, 0, 0), Event(WM_KEYUP, kAlt, 0, 10),
        Event(WM_SYSKEYDOWN, kRightAlt, 0, 20), Event(WM_SYSKEYDOWN, kF3, 0, 30)},
       RecordHotkeyKeys(2),
       {"key", "D10", "key"}},
      {"Alt held for a click and still down for the hotkey",
       {Event(WM_SYSKEYDOWN, kAlt, 0, 0), Event(WM_LBUTTONDOWN, 5, 5, 10),
        Event(WM_SYSKEYDOWN, kF3, 0, 20)},
       RecordHotkeyKeys(2),
       {"key", "D10", "click"}},
      {"stopped another way",
       {Event(WM_SYSKEYDOWN, kAlt, 0, 0), Event(WM_SYSKEYDOWN, kF3, 0, 10)},
       {},
       {"key", "D10", "key"}},
      {"only Alt at the end, not the hotkey's key",
       {Event(WM_KEYDOWN, kB, 0, 0), Event(WM_SYSKEYDOWN, kAlt, 0, 10)},
       RecordHotkeyKeys(2),
       {"key", "D10", "key"}},
      {"another F-key at the end",
       {Event(WM_SYSKEYDOWN, kAlt, 0, 0), Event(WM_SYSKEYDOWN, kF3 + 1, 0, 10)},
       RecordHotkeyKeys(2),
       {"key", "D10", "key"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_TRUE(recorder.StartHook());
    for (const EVENTMSG& event : c.input) source.Deliver(event);
    TActionList actions;
    EXPECT_EQ(recorder.Stop(actions, c.stopKeys), c.shape.size());
    EXPECT_EQ(Shape(actions), c.shape);
  }
}

// The start hotkey is still held when the recording begins: its releases are left out, until
// the user presses the key again for the recording.
TEST_F(RecorderSession, TheStartHotkeysReleasesAreLeftOut) {
  constexpr uint32_t kAlt = 0x12, kRightAlt = 0xA5, kF2 = 0x71, kB = 0x42;
  ASSERT_TRUE(recorder.StartHook(RecordHotkeyKeys(1)));
  source.Deliver(Event(WM_SYSKEYUP, kF2, 0, 0));
  source.Deliver(Event(WM_MOUSEMOVE, 1, 1, 10));
  source.Deliver(Event(WM_KEYUP, kRightAlt, 0, 20));
  source.Deliver(Event(WM_KEYDOWN, kB, 0, 30));
  source.Deliver(Event(WM_KEYUP, kB, 0, 40));
  source.Deliver(Event(WM_SYSKEYDOWN, kAlt, 0, 50));
  source.Deliver(Event(WM_SYSKEYDOWN, kF2, 0, 60));
  source.Deliver(Event(WM_SYSKEYUP, kF2, 0, 70));
  source.Deliver(Event(WM_KEYUP, kAlt, 0, 80));
  TActionList actions;
  recorder.Stop(actions);
  EXPECT_EQ(Shape(actions),
            (std::vector<std::string>{"move", "D20", "key", "D10", "key", "D10", "key", "D10",
                                      "key", "D10", "key", "D10", "key"}));

  // Started another way, every release is recorded.
  ASSERT_TRUE(recorder.StartHook());
  source.Deliver(Event(WM_SYSKEYUP, kF2, 0, 0));
  source.Deliver(Event(WM_KEYUP, kAlt, 0, 10));
  TActionList more;
  recorder.Stop(more);
  EXPECT_EQ(Shape(more), (std::vector<std::string>{"key", "D10", "key"}));
}

TEST_F(RecorderSession, FiltersAreReadForEveryEvent) {
  recorder.StartHook();
  source.Deliver(Event(WM_MOUSEMOVE, 1, 1, 0));
  settings.RecordMouseMove = false;
  source.Deliver(Event(WM_MOUSEMOVE, 2, 2, 5));
  settings.RecordMouseMove = true;
  source.Deliver(Event(WM_MOUSEMOVE, 3, 3, 9));
  TActionList actions;
  recorder.Stop(actions);
  EXPECT_EQ(Shape(actions), (std::vector<std::string>{"move", "D9", "move"}));
  EXPECT_EQ(actions.Get(2)->mouseMovePosX, 3);
}

TEST_F(RecorderSession, RecordingTwiceAppendsWithoutADelayBetween) {
  TActionList actions;
  recorder.StartHook();
  source.Deliver(Event(WM_KEYDOWN, 0x41, 0, 100));
  source.Deliver(Event(WM_KEYUP, 0x41, 0, 150));
  recorder.Stop(actions);
  recorder.StartHook();
  EXPECT_EQ(events.Count(), 0u) << "a start empties the event list";
  source.Deliver(Event(WM_LBUTTONDOWN, 7, 8, 90000));
  recorder.Stop(actions);
  EXPECT_EQ(Shape(actions), (std::vector<std::string>{"key", "D50", "key", "click"}));
  EXPECT_EQ(events.Count(), 1u) << "the stop keeps the raw events";
}

TEST_F(RecorderSession, StopWithoutRecordingOrAfterARefusedStartAppendsNothing) {
  TActionList actions;
  recorder.StartHook();
  source.Deliver(Event(WM_KEYDOWN, 0x41, 0, 100));
  recorder.Stop(actions);
  EXPECT_EQ(recorder.Stop(actions), 0u) << "a second stop converts nothing again";
  EXPECT_EQ(source.StopCount(), 1);

  source.RefuseStart(true);
  EXPECT_FALSE(recorder.StartHook());
  EXPECT_TRUE(recorder.Recording());
  source.Deliver(Event(WM_KEYDOWN, 0x42, 0, 200));
  EXPECT_EQ(recorder.Stop(actions), 0u);
  EXPECT_EQ(actions.Count(), 1u);
  EXPECT_FALSE(recorder.Recording());
}

TEST_F(RecorderSession, EventsBeforeStartOrAfterStopAreNotRecorded) {
  source.Deliver(Event(WM_KEYDOWN, 0x41, 0, 1));
  recorder.StartHook();
  source.Deliver(Event(WM_KEYDOWN, 0x42, 0, 2));
  TActionList actions;
  recorder.Stop(actions);
  source.Deliver(Event(WM_KEYDOWN, 0x43, 0, 3));
  ASSERT_EQ(actions.Count(), 1u);
  EXPECT_EQ(actions.Get(0)->key, 0x42);
  EXPECT_EQ(events.Count(), 1u);
}

TEST_F(RecorderSession, HookCodesOtherThanActionRecordNothing) {
  int nextCalls = 0;
  recorder.SetNextHook([&](int32_t code, const EVENTMSG& event) {
    ++nextCalls;
    return code * 10 + static_cast<int32_t>(event.paramL);
  });
  recorder.StartHook();
  const EVENTMSG key = Event(WM_KEYDOWN, 0x41, 0, 1);
  EXPECT_EQ(recorder.JournalRecordProc(-1, key), -10 + 0x41);
  EXPECT_EQ(recorder.JournalRecordProc(1, key), 0);
  EXPECT_EQ(recorder.JournalRecordProc(2, key), 0);
  EXPECT_EQ(nextCalls, 1);
  EXPECT_EQ(events.Count(), 0u);
  EXPECT_EQ(recorder.JournalRecordProc(HC_ACTION, key), 0);
  EXPECT_EQ(events.Count(), 1u);
  EXPECT_EQ(nextCalls, 1) << "recorded events are not handed on";
}

TEST_F(RecorderSession, EventsAreStoredByteForByte) {
  recorder.StartHook();
  const EVENTMSG raw{0x0123, 0xDEADBEEF, 0xFEEDF00D, 0xFFFFFFFF, 0x42424242};
  source.Deliver(raw);
  ASSERT_EQ(events.Count(), 1u);
  const EVENTMSG& stored = events.Get(0);
  EXPECT_EQ(std::memcmp(&stored, &raw, sizeof raw), 0);
}

TEST_F(RecorderSession, DestroyingWhileRecordingStopsTheSource) {
  {
    TRecorder local(source, settingsRef, events);
    local.StartHook();
    EXPECT_TRUE(source.Recording());
  }
  EXPECT_FALSE(source.Recording());
}

TEST_F(RecorderSession, TheLimitKeepsTheFirstEventsAndSaysSoOnce) {
  int told = 0;
  recorder.SetEventLimit(3, [&] { ++told; });
  ASSERT_TRUE(recorder.StartHook());
  DeliverMixedInput(100);
  EXPECT_TRUE(recorder.LimitReached());
  EXPECT_EQ(told, 1);
  TActionList actions;
  EXPECT_EQ(recorder.Stop(actions), 5u);
  EXPECT_EQ(Shape(actions), (std::vector<std::string>{"move", "D10", "key", "D10", "move"}));

  ASSERT_TRUE(recorder.StartHook());  // a new recording starts below the limit again
  EXPECT_FALSE(recorder.LimitReached());
  source.Deliver(Event(WM_KEYDOWN, 0x41, 0, 500));
  EXPECT_EQ(recorder.Stop(actions), 1u);
  EXPECT_EQ(told, 1);
}

TEST(RecordLimit, ARecordingAtTheLimitStaysWithinTheReadersSize) {
  TXMLDocument document;
  TActionCtrl macro(document, "/nonexistent");
  macro.FName = "limit";
  const size_t empty = macro.DocumentBytes();
  // Recorded actions at their widest, and the delays between them.
  TEventList events;
  constexpr int kEvents = 200;
  for (int i = 0; i < kEvents; ++i)
    events.Add(EVENTMSG{WM_LBUTTONDOWN, 0x80000000u, 0x80000000u, i % 2 ? 0u : 0x80000000u, 0});
  EventsToActions(events, macro.Actions);
  for (const TActionPtr& action : macro.Actions) action->mouseMovePosX = INT32_MIN;
  const size_t full = macro.DocumentBytes();
  EXPECT_LE(full - empty, kEvents * 2 * RecordedItemBytes());
  EXPECT_GT(full - empty, kEvents * RecordedItemBytes());  // the bound is not far off

  EXPECT_EQ(RecordableEvents(TXMLDocument::kMaxFileSize), 0u);
  EXPECT_EQ(RecordableEvents(TXMLDocument::kMaxFileSize + 5), 0u);
  const size_t fit = RecordableEvents(empty);
  EXPECT_LE(empty + fit * 2 * RecordedItemBytes(), TXMLDocument::kMaxFileSize);
  EXPECT_GT(empty + (fit + 1) * 2 * RecordedItemBytes(), TXMLDocument::kMaxFileSize);
}

}  // namespace
}  // namespace zorvel
