#pragma once

// Turns one action into synthetic input. Each action is carried out at once and completely; the
// player never waits. It keeps track of every key and mouse button it pressed and has not
// released, so that ReleaseHeld() can let go of them when a run ends, however it ends.

#include <cstdint>
#include <optional>
#include <vector>

#include "model/action.h"
#include "platform/platform.h"

namespace zorvel {

class TActionPlayer {
 public:
  TActionPlayer(IInput& input, IScreen& screen) : input_(input), screen_(screen) {}

  // Carries out one action by its actionType; Delay and unknown kinds do nothing. Errors (a
  // colour text that does not read, a picture that does not decode) are thrown as Error.
  void PlayAction(TActionObj& action);
  void PlayMouseClick(TActionObj& action);
  void PlayMouseMove(const TActionObj& action);
  void PlayKeystroke(const TActionObj& action);
  void PlayTypeText(const TActionObj& action);

  // Releases every key and button still held down, last pressed first.
  void ReleaseHeld();
  bool HoldsInput() const { return !held_.empty(); }

 private:
  struct Held {
    bool isKey = false;
    uint32_t code = 0;  // virtual-key code, or the button's MOUSEEVENTF_*UP flag
    bool operator==(const Held&) const = default;
  };

  // Where a click goes; nothing when its colour or picture is not on the screen.
  std::optional<TPoint> FindClickPoint(TActionObj& action);
  void SendButton(uint32_t flags, uint32_t upFlags);
  void SendKey(uint8_t vk, bool up);
  void Hold(Held held);
  void Unhold(Held held);

  IInput& input_;
  IScreen& screen_;
  std::vector<Held> held_;
};

}  // namespace zorvel
