#pragma once

// Synthetic input for unit tests: every call is written to a transcript, one line per call
// ("SetCursorPos 640 480", "mouse_event 0x0002", "mouse_event 0x0800 -30",
// "keybd_event 0x41 down", "keybd_event 0x41 up", "SendTextToFocus \"ab\""). The cursor
// position, whether a window has the focus and the keys the user holds are scriptable. Letting go
// of the user's modifiers and pressing them again are written as "user 0xA2 up" and
// "user 0xA2 down"; the queries of the held keys are only counted. Thread-safe, so a test can
// read the transcript while a run thread plays into it.

#include <functional>
#include <mutex>
#include <set>
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
  using IInput::SendTextToFocus;
  // A text is typed in pieces of kTextPiece bytes, each written as a line of its own when the
  // text is longer; `cancelled` is asked before every piece after the first.
  // " (no Return)" follows a text typed without Return.
  bool SendTextToFocus(const std::string& text, bool pressReturn,
                       const CancelCheck& cancelled) override;
  void Flush() override;
  // Nothing to wait for: a Flush.
  void FlushAndWait() override { Flush(); }
  std::vector<uint8_t> UserHeldKeys() override;
  bool SuspendUserModifiers() override;
  void ResumeUserModifiers() override;

  static constexpr size_t kTextPiece = 256;

  // Script
  void SetCursor(TPoint point);
  void SetFocus(bool hasFocus);
  // The user presses or lets go of a key (a virtual-key code, modifiers by hand).
  void SetUserKey(uint8_t vk, bool down);
  // Number of UserHeldKeys calls so far.
  int UserHeldQueries() const;
  // Called after every call has been written (for example to stop a run at a chosen event).
  void SetOnCall(std::function<void(const std::string& line)> onCall);

  // Adds a line of the test's own (for example a wait) to the transcript, in call order.
  void Note(std::string line) { Write(std::move(line)); }

  std::vector<std::string> Transcript() const;
  // Calls written since the last Flush() (Flush itself is not in the transcript).
  size_t Unflushed() const;
  size_t Flushes() const;
  void ClearTranscript();

 private:
  void Write(std::string line);

  mutable std::mutex mutex_;
  std::vector<std::string> transcript_;
  size_t flushedAt_ = 0;  // transcript lines written before the last Flush()
  size_t flushes_ = 0;
  TPoint cursor_;
  bool hasFocus_ = true;
  std::set<uint8_t> userHeld_;
  std::set<uint8_t> suspended_;  // user's modifiers let go of, held again on resume
  int heldQueries_ = 0;
  std::function<void(const std::string&)> onCall_;
};

}  // namespace zorvel
