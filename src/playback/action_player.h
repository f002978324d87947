#pragma once

// Turns one action into synthetic input. Each action is carried out at once and completely (a
// typed text may be cut short by the cancel check), except that a colour or picture click with a
// waitTimeout looks for its target again every 25 ms until it shows, the time is up or the run
// is asked to stop. A key, click or text goes out with only the modifiers the macro holds: the
// user's are let go of for the action and pressed again after it. The player keeps track of
// every key and mouse button it pressed and has not released, so that ReleaseHeld() can let go
// of them when a run ends, however it ends.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "model/action.h"
#include "platform/platform.h"

namespace zorvel {

// What a click waiting for its target needs of its run: a steady time and a pause that a stop
// request ends.
class IClickWait {
 public:
  virtual ~IClickWait() = default;
  virtual int64_t NowMs() = 0;
  // Pauses `ms`; false, at once, when the run is asked to stop.
  virtual bool Pause(int32_t ms) = 0;
};

// Time between two looks for a click's target.
inline constexpr int32_t kTargetRetryMs = 25;

// Whether the action (a colour or picture click) or any of the actions looks at the screen.
bool LooksAtScreen(const TActionObj& action);
bool LooksAtScreen(const std::vector<TActionObj>& actions);

class TActionPlayer {
 public:
  // `cancelled` is asked between the pieces of a long typed text; true ends the text there.
  // Without `wait` every click looks for its target once.
  TActionPlayer(IInput& input, IScreen& screen, IInput::CancelCheck cancelled = {},
                IClickWait* wait = nullptr)
      : input_(input), screen_(screen), cancelled_(std::move(cancelled)), wait_(wait) {}

  // Carries out one action by its actionType; Delay and unknown kinds do nothing. An action that
  // cannot be carried out is thrown as Error: a colour text that does not read, a picture that
  // does not decode, a screen that cannot be captured, a text with no window to type into, a
  // target not found by a click whose notFound is stop. Otherwise a picture or colour not found
  // on the screen is no error: the click is skipped (see TakeMiss). The action's events are sent
  // together when it is done, also when it fails.
  void PlayAction(TActionObj& action);

  // Releases every key and button still held down, last pressed first, and returns once the
  // desktop has taken in everything the run sent: the run's end comes after its input.
  void ReleaseHeld();
  bool HoldsInput() const { return !held_.empty(); }
  // Whether the user's modifiers were let go of since the last call (the user's own hotkeys did
  // not reach their grabs meanwhile).
  bool TakeUserModifiersPaused() { return std::exchange(userModifiersPaused_, false); }
  // What the last click skipped for want of its target ("the colour clRed was not found on the
  // screen"), once; nothing when it found it.
  std::optional<std::string> TakeMiss();

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
  // How the look for a click's target ended.
  enum class TLook { Found, NotFound, Stopped };
  // Where a click goes; `look` says why there is none.
  std::optional<TPoint> FindClickPoint(TActionObj& action, TLook& look);
  // Runs `search` until it finds something, waiting as the action says.
  std::optional<TPoint> LookFor(const TActionObj& action,
                                const std::function<std::optional<TPoint>()>& search, TLook& look);
  void SendButton(uint32_t flags, uint32_t upFlags);
  void SendKey(uint8_t vk, bool up);
  void Hold(Held held);
  void Unhold(Held held);

  IInput& input_;
  IScreen& screen_;
  IInput::CancelCheck cancelled_;
  IClickWait* wait_;
  std::vector<Held> held_;
  bool userModifiersPaused_ = false;
  std::optional<std::string> miss_;
};

}  // namespace zorvel
