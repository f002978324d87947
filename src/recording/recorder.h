#pragma once

#include <string>

// The input recorder: captures raw input events system-wide between a start and a stop, then turns
// them into actions. While recording only raw copies of the events are kept; the conversion runs
// once, at the stop.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "model/action.h"
#include "platform/platform.h"
#include "recording/event_list.h"

namespace zorvel {

// The two recording filters, read anew for every event. The application controller implements it
// (or hands out a TRecordSettingsRef, record_settings.h).
class IRecordSettings {
 public:
  virtual ~IRecordSettings() = default;
  virtual bool RecordMouseMove() const = 0;
  virtual bool RecordKeyBoard() const = 0;
};

// Hook codes of the journal callback.
inline constexpr int32_t HC_ACTION = 0;

// True when `event` passes the filters: a pointer move only with RecordMouseMove, a key event
// (WM_KEYDOWN, WM_KEYUP, WM_SYSKEYDOWN, WM_SYSKEYUP) only with RecordKeyBoard.
bool PassesRecordFilters(const EVENTMSG& event, const IRecordSettings& settings);

// Milliseconds from `previous` to `next`, taken modulo 2^32, so a wrap of the tick counter between
// the two still gives the short interval.
int32_t EventTimeDifference(uint32_t previous, uint32_t next);

// A new action with the defaults, `actionType` Delay and `delay` = `milliseconds`.
TActionPtr MakeDelayAction(int32_t milliseconds);

// A new action built from one raw event by its message code; an unknown code gives a new action
// with every default (a left single click at the pointer's current position).
TActionPtr EventToAction(const EVENTMSG& event);

// Appends to `actions` one action per event with a Delay between consecutive events: n events give
// 2n - 1 actions, none for n = 0. What `actions` already holds stays in front.
void EventsToActions(const TEventList& events, TActionList& actions);

// The most events one recording may add to a macro whose document takes `documentBytes` now, so
// that the saved document stays within the size the reader accepts (TXMLDocument::kMaxFileSize):
// each event adds an action and the delay before it, each at most RecordedItemBytes().
size_t RecordableEvents(size_t documentBytes);
// What the user is told when a recording reaches that limit.
inline constexpr const char* kRecordLimitText =
    "The recording reached the largest size a macro document can hold; the input after that "
    "was not recorded.";
// The most bytes one recorded action (or delay) takes in a document.
size_t RecordedItemBytes();

// The keys of a recording hotkey: Alt and the F-key of `fKeyIndex`.
std::vector<uint8_t> RecordHotkeyKeys(int32_t fKeyIndex);

// Records from an input source into an event list. The program has one, shared by every recording
// window it opens (zorvel-cli record makes its own); the event list keeps the last recording's
// events until the next start.
class TRecorder {
 public:
  // What a callback with a negative code is handed on to; the result is returned to the source.
  using NextHook = std::function<int32_t(int32_t code, const EVENTMSG& event)>;

  // All three must outlive the recorder.
  TRecorder(IInputSource& source, const IRecordSettings& settings, TEventList& events);
  ~TRecorder();
  TRecorder(const TRecorder&) = delete;
  TRecorder& operator=(const TRecorder&) = delete;

  // Empties the event list and starts capturing. Returns whether the source started; the
  // recorder counts as recording either way, so a refused start simply records nothing.
  // `startKeys` are the keys of the hotkey that started the recording (RecordHotkeyKeys), none
  // when something else started it: the user still holds them, and their releases are left out.
  bool StartHook(const std::vector<uint8_t>& startKeys = {});
  // Why the last StartHook() could not start, for the user; empty when the source gives no reason.
  std::string StartFailure() const { return source_->StartFailure(); }
  // Stops capturing and appends the converted events to `actions`. Returns the number of actions
  // appended. Does nothing (returns 0) when not recording, so a second stop adds nothing.
  // `stopKeys` are the keys of the hotkey that ended the recording (RecordHotkeyKeys), none when
  // something else ended it: their presses at its very end, and what came after them, were the
  // user stopping and are left out. Played back, they would press the hotkey into the window
  // being played into, and hold it into the next pass.
  size_t Stop(TActionList& actions, const std::vector<uint8_t>& stopKeys = {});
  bool Recording() const { return recording_; }
  // Each recording takes at most `maxEvents` events (no limit by default); later events are
  // dropped, and `onLimit` is called once, at the first event dropped. Kept across recordings.
  void SetEventLimit(size_t maxEvents, std::function<void()> onLimit = nullptr);
  // Whether the current (or last) recording dropped events at the limit.
  bool LimitReached() const { return limitReached_; }

  // The callback's logic. code < 0: handed on to the next hook, its result returned; code > 0
  // (system-modal notices): nothing recorded, 0; code = HC_ACTION: the event is appended when it
  // passes the filters, 0.
  int32_t JournalRecordProc(int32_t code, const EVENTMSG& event);
  void SetNextHook(NextHook next) { next_ = std::move(next); }

  const TEventList& Events() const { return *events_; }

 private:
  IInputSource* source_;
  const IRecordSettings* settings_;
  TEventList* events_;
  NextHook next_;
  bool recording_ = false;
  size_t maxEvents_ = SIZE_MAX;
  std::function<void()> onLimit_;
  bool limitReached_ = false;
  std::vector<uint8_t> startKeysDown_;  // start keys held since the start, not let go of yet
};

}  // namespace zorvel
