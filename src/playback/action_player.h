#pragma once

// Turns one action into synthetic input. Each action is carried out at once and completely (a
// typed text may be cut short by the cancel check); the player never waits. A key, click or text
// goes out with only the modifiers the macro holds: the user's are let go of for the action and
// pressed again after it. The player keeps track of every key and mouse button it pressed and
// has not released, so that ReleaseHeld() can let go of them when a run ends, however it ends.

#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

#include "model/action.h"
#include "platform/platform.h"

namespace zorvel {

class TActionPlayer {
 public:
  // `cancelled` is asked between the pieces of a long typed text; true ends the text there.
  TActionPlayer(IInput& input, IScreen& screen, IInput::CancelCheck cancelled = {})
      : input_(input), screen_(screen), cancelled_(std::move(cancelled)) {}

  // Carries out one action by its actionType; Delay and unknown kinds do nothing. An action that
  // cannot be carried out is thrown as Error: a colour text that does not read, a picture that
  // does not decode, a screen that cannot be captured, a text with no window to type into. A
  // picture or colour not found on the screen is no error: the click is skipped. The action's
  // events are sent together when it is done, also when it fails.
  void PlayAction(TActionObj& action);

  // Releases every key and button still held down, last pressed first, and sends the releases.
  void ReleaseHeld();
  bool HoldsInput() const { return !held_.empty(); }
  // Whether the user's modifiers were let go of since the last call (the user's own hotkeys did
  // not reach their grabs meanwhile).
  bool TakeUserModifiersPaused() { return std::exchange(userModifiersPaused_, false); }

 private:
  struct Held {
    bool isKey = false;
    uint32_t code = 0;  // virtual-key code, or the button's MOUSEEVENTF_*UP flag
    bool operator==(const Held&) const = default;
  };

  // The user's modifiers let go of for the time of one action.
  class TUserModifierPause {
   public:
    explicit TUserModifierPause(TActionPlayer& player);
    ~TUserModifierPause();
    TUserModifierPause(const TUserModifierPause&) = delete;
    TUserModifierPause& operator=(const TUserModifierPause&) = delete;

   private:
    IInput& input_;
  };

  void PlayMouseClick(TActionObj& action);
  void PlayMouseMove(const TActionObj& action);
  void PlayKeystroke(const TActionObj& action);
  void PlayTypeText(const TActionObj& action);
  // Where a click goes; nothing when its colour or picture is not on the screen.
  std::optional<TPoint> FindClickPoint(TActionObj& action);
  void SendButton(uint32_t flags, uint32_t upFlags);
  void SendKey(uint8_t vk, bool up);
  void Hold(Held held);
  void Unhold(Held held);

  IInput& input_;
  IScreen& screen_;
  IInput::CancelCheck cancelled_;
  std::vector<Held> held_;
  bool userModifiersPaused_ = false;
};

}  // namespace zorvel
