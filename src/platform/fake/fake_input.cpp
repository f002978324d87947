#include "platform/fake/fake_input.h"

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
    line += " " + std::to_string(dx) + " " + std::to_string(dy) + " " + std::to_string(data);
  Write(std::move(line));
}

void TFakeInput::keybd_event(uint8_t vk, uint32_t flags) {
  std::string line = "keybd_event " + Hex(vk, 2);
  line += (flags & KEYEVENTF_KEYUP) ? " up" : " down";
  Write(std::move(line));
}

bool TFakeInput::SendTextToFocus(const std::string& text) {
  bool focus = false;
  {
    std::lock_guard lock(mutex_);
    focus = hasFocus_;
  }
  Write(std::string("SendTextToFocus \"") + text + "\"" + (focus ? "" : " (no focus)"));
  return focus;
}

void TFakeInput::SetCursor(TPoint point) {
  std::lock_guard lock(mutex_);
  cursor_ = point;
}

void TFakeInput::SetFocus(bool hasFocus) {
  std::lock_guard lock(mutex_);
  hasFocus_ = hasFocus;
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
