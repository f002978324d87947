#include "recording/recorder.h"

#include <algorithm>
#include <cstdint>
#include <sstream>

#include "model/xml_document.h"

namespace zorvel {

namespace {

bool IsKeyMessage(uint32_t message) {
  return message == WM_KEYDOWN || message == WM_KEYUP || message == WM_SYSKEYDOWN ||
         message == WM_SYSKEYUP;
}

bool IsKeyPress(uint32_t message) {
  return message == WM_KEYDOWN || message == WM_SYSKEYDOWN;
}

// The virtual-key code of a key event.
uint8_t KeyOf(const EVENTMSG& event) {
  return static_cast<uint8_t>(event.paramL & 0xFFu);
}

uint8_t Code(auto value) {
  return static_cast<uint8_t>(value);
}

TActionPtr MakeKeyAction(const EVENTMSG& event, KeyAction keyAction) {
  auto action = std::make_shared<TActionObj>();
  action->actionType = Code(ActionType::Keyboard);
  action->key = KeyOf(event);
  action->keyAction = Code(keyAction);
  return action;
}

TActionPtr MakeClickAction(const EVENTMSG& event, MouseButton button, MouseAction mouseAction) {
  auto action = std::make_shared<TActionObj>();
  action->actionType = Code(ActionType::MouseClick);
  action->mousePoint = Code(MousePoint::FixedPoint);
  action->mouseButton = Code(button);
  action->mouseAction = Code(mouseAction);
  action->mouseClickPosX = static_cast<int32_t>(event.paramL);
  action->mouseClickPosY = static_cast<int32_t>(event.paramH);
  return action;
}

TActionPtr MakeMoveAction(const EVENTMSG& event) {
  auto action = std::make_shared<TActionObj>();
  action->actionType = Code(ActionType::MouseMove);
  action->mouseMovePosX = static_cast<int32_t>(event.paramL);
  action->mouseMovePosY = static_cast<int32_t>(event.paramH);
  return action;
}

// Where `vk` is among `keys` (SameKey).
std::vector<uint8_t>::const_iterator FindKey(const std::vector<uint8_t>& keys, uint8_t vk) {
  return std::find_if(keys.begin(), keys.end(), [vk](uint8_t key) { return SameKey(key, vk); });
}

// Where the input of the stop hotkey begins at the end of `events`: in the run of its key events
// (and pointer moves) that ends the recording, the press of the hotkey's own key and the presses
// of its modifiers held down for it. A release that comes before the hotkey's press ends a key
// pressed earlier, which the user pressed for the recording: the search stops there.
// events.Count() when the run holds no press of the hotkey's own key.
size_t StopKeysStart(const TEventList& events, const std::vector<uint8_t>& stopKeys) {
  size_t start = events.Count();
  bool hotkeyPressed = false;
  for (size_t i = events.Count(); i > 0; --i) {
    const EVENTMSG& event = events.Get(i - 1);
    if (event.message == WM_MOUSEMOVE) continue;
    const uint8_t vk = KeyOf(event);
    if (!IsKeyMessage(event.message) || FindKey(stopKeys, vk) == stopKeys.end()) break;
    if (IsKeyPress(event.message)) {
      start = i - 1;
      hotkeyPressed = hotkeyPressed || !IsModifierVk(vk);
    } else if (hotkeyPressed) {
      break;
    }
  }
  return hotkeyPressed ? start : events.Count();
}

}  // namespace

std::vector<uint8_t> RecordHotkeyKeys(int32_t fKeyIndex) {
  return {VK_MENU, static_cast<uint8_t>(FKeyVk(fKeyIndex))};
}

size_t RecordedItemBytes() {
  static const size_t bytes = [] {
    // Every number a recorded action holds at its widest; the texts keep their defaults, which
    // recording never changes.
    TActionObj widest;
    widest.mouseClickPosX = widest.mouseClickPosY = INT32_MIN;
    widest.mouseMovePosX = widest.mouseMovePosY = INT32_MIN;
    widest.fColorSimplar = widest.fBMPSimplar = widest.key = widest.delay = INT32_MIN;
    widest.actionType = widest.mouseButton = widest.mouseAction = widest.mousePoint = 255;
    widest.keyAction = widest.screenType = 255;
    pugi::xml_document document;
    WriteAction(widest, document.append_child("ActionList"));
    std::ostringstream text;
    document.document_element().first_child().print(text, "", pugi::format_raw);
    return text.str().size();
  }();
  return bytes;
}

size_t RecordableEvents(size_t documentBytes) {
  if (documentBytes >= TXMLDocument::kMaxFileSize) return 0;
  return (TXMLDocument::kMaxFileSize - documentBytes) / (2 * RecordedItemBytes());
}

bool PassesRecordFilters(const EVENTMSG& event, const IRecordSettings& settings) {
  if (event.message == WM_MOUSEMOVE) return settings.RecordMouseMove();
  if (IsKeyMessage(event.message)) return settings.RecordKeyBoard();
  return true;
}

int32_t EventTimeDifference(uint32_t previous, uint32_t next) {
  return static_cast<int32_t>(next - previous);  // unsigned arithmetic wraps modulo 2^32
}

TActionPtr MakeDelayAction(int32_t milliseconds) {
  auto action = std::make_shared<TActionObj>();
  action->actionType = Code(ActionType::Delay);
  action->delay = milliseconds;
  return action;
}

TActionPtr EventToAction(const EVENTMSG& event) {
  switch (event.message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
      return MakeKeyAction(event, KeyAction::KeyDown);
    case WM_KEYUP:
    case WM_SYSKEYUP:
      return MakeKeyAction(event, KeyAction::KeyUp);
    case WM_MOUSEMOVE:
      return MakeMoveAction(event);
    case WM_LBUTTONDOWN:
      return MakeClickAction(event, MouseButton::Left, MouseAction::ButtonDown);
    case WM_LBUTTONUP:
      return MakeClickAction(event, MouseButton::Left, MouseAction::ButtonUp);
    case WM_RBUTTONDOWN:
      return MakeClickAction(event, MouseButton::Right, MouseAction::ButtonDown);
    case WM_RBUTTONUP:
      return MakeClickAction(event, MouseButton::Right, MouseAction::ButtonUp);
    case WM_MBUTTONDOWN:
      return MakeClickAction(event, MouseButton::Middle, MouseAction::ButtonDown);
    case WM_MBUTTONUP:
      return MakeClickAction(event, MouseButton::Middle, MouseAction::ButtonUp);
    case WM_MOUSEWHEEL:
      return MakeClickAction(event, MouseButton::Middle, MouseAction::Wheel);
    default:
      return std::make_shared<TActionObj>();
  }
}

void EventsToActions(const TEventList& events, TActionList& actions) {
  const size_t count = events.Count();
  for (size_t i = 0; i < count; ++i) {
    const EVENTMSG& event = events.Get(i);
    if (i > 0)
      actions.Add(MakeDelayAction(EventTimeDifference(events.Get(i - 1).time, event.time)));
    actions.Add(EventToAction(event));
  }
}

TRecorder::TRecorder(IInputSource& source, const IRecordSettings& settings, TEventList& events)
    : source_(&source), settings_(&settings), events_(&events) {}

TRecorder::~TRecorder() {
  if (recording_) source_->Stop();
}

void TRecorder::SetEventLimit(size_t maxEvents, std::function<void()> onLimit) {
  maxEvents_ = maxEvents;
  onLimit_ = std::move(onLimit);
}

bool TRecorder::StartHook(const std::vector<uint8_t>& startKeys) {
  if (recording_) source_->Stop();
  events_->Clear();
  startKeysDown_ = startKeys;
  limitReached_ = false;
  recording_ = true;
  return source_->Start([this](const EVENTMSG& event) { JournalRecordProc(HC_ACTION, event); });
}

size_t TRecorder::Stop(TActionList& actions, const std::vector<uint8_t>& stopKeys) {
  if (!recording_) return 0;
  source_->Stop();
  recording_ = false;
  for (size_t end = StopKeysStart(*events_, stopKeys); events_->Count() > end;)
    events_->Delete(events_->Count() - 1);
  const size_t before = actions.Count();
  EventsToActions(*events_, actions);
  return actions.Count() - before;
}

int32_t TRecorder::JournalRecordProc(int32_t code, const EVENTMSG& event) {
  if (code < 0) return next_ ? next_(code, event) : 0;
  if (code > 0) return 0;
  if (!PassesRecordFilters(event, *settings_)) return 0;
  if (IsKeyMessage(event.message) && !startKeysDown_.empty()) {
    // A start key pressed again is the user's own input from then on; the release of one still
    // held from the start is not.
    const auto held = FindKey(startKeysDown_, KeyOf(event));
    if (held != startKeysDown_.end()) {
      startKeysDown_.erase(held);
      if (!IsKeyPress(event.message)) return 0;
    }
  }
  if (events_->Count() < maxEvents_) {
    events_->Add(event);
  } else if (!limitReached_) {
    limitReached_ = true;
    if (onLimit_) onLimit_();
  }
  return 0;
}

}  // namespace zorvel
