#include "platform/fake/fake_input.h"

#include <algorithm>
#include <cstdio>

namespace zorvel {
namespace {

std::string Hex(uint32_t value, int digits) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "0x%0*X", digits, value);
  return buffer;
}

}  // namespace

TPoint TFakeInput::GetCursorPos() {
  std::lock_guard lock(mutex_);
  return cursor_;
}

void TFakeInput::SetCursorPos(int32_t x, int32_t y) {
  {
    std::lock_guard lock(mutex_);
    cursor_ = {x, y};
  }
  Write("SetCursorPos " + std::to_string(x) + " " + std::to_string(y));
}

void TFakeInput::mouse_event(uint32_t flags, int32_t dx, int32_t dy, int32_t data) {
  std::string line = "mouse_event " + Hex(flags, 4);
  if (dx != 0 || dy != 0 || data != 0)
    for (int32_t value : {dx, dy, data}) line.append(" ").append(std::to_string(value));
  Write(std::move(line));
}

void TFakeInput::keybd_event(uint8_t vk, uint32_t flags) {
  std::string line = "keybd_event " + Hex(vk, 2);
  line += (flags & KEYEVENTF_KEYUP) ? " up" : " down";
  Write(std::move(line));
}

bool TFakeInput::SendTextToFocus(const std::string& text, bool pressReturn,
                                 const CancelCheck& cancelled) {
  bool focus = false;
  {
    std::lock_guard lock(mutex_);
    focus = hasFocus_;
  }
  if (!focus || text.size() <= kTextPiece) {
    Write(std::string("SendTextToFocus \"") + text + "\"" + (pressReturn ? "" : " (no Return)") +
          (focus ? "" : " (no focus)"));
    return focus;
  }
  for (size_t at = 0; at < text.size(); at += kTextPiece) {
    if (at > 0 && cancelled && cancelled()) {
      Write("SendTextToFocus cancelled at " + std::to_string(at));
      return true;
    }
    Write("SendTextToFocus piece " + std::to_string(at));
  }
  return true;
}

std::vector<uint8_t> TFakeInput::UserHeldKeys() {
  std::lock_guard lock(mutex_);
  ++heldQueries_;
  std::set<uint8_t> held = userHeld_;
  held.insert(suspended_.begin(), suspended_.end());
  return {held.begin(), held.end()};
}

bool TFakeInput::SuspendUserModifiers() {
  std::vector<uint8_t> released;
  {
    std::lock_guard lock(mutex_);
    for (uint8_t vk : userHeld_) {
      if (IsModifierVk(vk)) released.push_back(vk);
    }
    for (uint8_t vk : released) {
      userHeld_.erase(vk);
      suspended_.insert(vk);
    }
  }
  for (uint8_t vk : released) Write("user " + Hex(vk, 2) + " up");
  return !released.empty();
}

void TFakeInput::ResumeUserModifiers() {
  std::set<uint8_t> restored;
  {
    std::lock_guard lock(mutex_);
    restored.swap(suspended_);
    userHeld_.insert(restored.begin(), restored.end());
  }
  for (uint8_t vk : restored) Write("user " + Hex(vk, 2) + " down");
}

void TFakeInput::Flush() {
  std::lock_guard lock(mutex_);
  flushedAt_ = transcript_.size();
  ++flushes_;
}

size_t TFakeInput::Flushes() const {
  std::lock_guard lock(mutex_);
  return flushes_;
}

size_t TFakeInput::Unflushed() const {
  std::lock_guard lock(mutex_);
  return transcript_.size() - std::min(flushedAt_, transcript_.size());
}

void TFakeInput::SetCursor(TPoint point) {
  std::lock_guard lock(mutex_);
  cursor_ = point;
}

void TFakeInput::SetFocus(bool hasFocus) {
  std::lock_guard lock(mutex_);
  hasFocus_ = hasFocus;
}

void TFakeInput::SetUserKey(uint8_t vk, bool down) {
  std::lock_guard lock(mutex_);
  if (down)
    userHeld_.insert(vk);
  else
    userHeld_.erase(vk);
}

int TFakeInput::UserHeldQueries() const {
  std::lock_guard lock(mutex_);
  return heldQueries_;
}

void TFakeInput::SetOnCall(std::function<void(const std::string&)> onCall) {
  std::lock_guard lock(mutex_);
  onCall_ = std::move(onCall);
}

std::vector<std::string> TFakeInput::Transcript() const {
  std::lock_guard lock(mutex_);
  return transcript_;
}

void TFakeInput::ClearTranscript() {
  std::lock_guard lock(mutex_);
  transcript_.clear();
  flushedAt_ = 0;
  flushes_ = 0;
}

void TFakeInput::Write(std::string line) {
  std::function<void(const std::string&)> onCall;
  {
    std::lock_guard lock(mutex_);
    transcript_.push_back(line);
    onCall = onCall_;
  }
  if (onCall) onCall(line);
}

}  // namespace zorvel
