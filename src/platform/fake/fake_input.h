#pragma once

// Synthetic input for unit tests: every call is written to a transcript, one line per call
// ("SetCursorPos 640 480", "mouse_event 0x0002", "mouse_event 0x0800 -30",
// "keybd_event 0x41 down", "keybd_event 0x41 up", "SendTextToFocus \"ab\""). The cursor
// position and whether a window has the focus are scriptable. Thread-safe, so a test can read
// the transcript while a run thread plays into it.

#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace zorvel {

class TFakeInput : public IInput {
 public:
  TPoint GetCursorPos() override;
  void SetCursorPos(int32_t x, int32_t y) override;
  void mouse_event(uint32_t flags, int32_t dx, int32_t dy, int32_t data) override;
  void keybd_event(uint8_t vk, uint32_t flags) override;
  bool SendTextToFocus(const std::string& text) override;

  // Script
  void SetCursor(TPoint point);
  void SetFocus(bool hasFocus);
  // Called after every call has been written (for example to stop a run at a chosen event).
  void SetOnCall(std::function<void(const std::string& line)> onCall);

  // Adds a line of the test's own (for example a wait) to the transcript, in call order.
  void Note(std::string line) { Write(std::move(line)); }

  std::vector<std::string> Transcript() const;
  void ClearTranscript();

 private:
  void Write(std::string line);

  mutable std::mutex mutex_;
  std::vector<std::string> transcript_;
  TPoint cursor_;
  bool hasFocus_ = true;
  std::function<void(const std::string&)> onCall_;
};

}  // namespace zorvel
