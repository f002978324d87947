#pragma once

// The body of one run: plays a snapshot of a macro's actions with its run settings.
//
// TRunCtrl runs Execute() on a thread of its own. The run ends normally, on a stop request, or
// on the first error; in every case the player releases what it holds and the end callback is
// called exactly once, on the run thread, with the run's id.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "model/action.h"
#include "model/action_ctrl.h"
#include "platform/platform.h"
#include "playback/action_player.h"
#include "playback/key_chord.h"
#include "playback/run_report.h"

namespace zorvel {

// Delay after the speed step: speed 0 keeps it, 1..9 divides by speed + 1, -1..-9 multiplies
// by 1 - speed (32-bit, wrapping like the stored integers).
int32_t ScaleDelay(int32_t delay, int32_t speed);

// The stop request of a run, and waits that end early when it comes.
class TStopSignal {
 public:
  void Request();
  bool Requested() const { return requested_.load(std::memory_order_acquire); }
  // Waits until `deadline` or the request, whichever comes first; true when stopped.
  bool WaitUntil(std::chrono::steady_clock::time_point deadline);

 private:
  std::atomic<bool> requested_{false};
  std::mutex mutex_;
  std::condition_variable changed_;
};

// How a run passes time: the real one sleeps; tests put in one that only records.
class IRunTimer {
 public:
  virtual ~IRunTimer() = default;
  // Sleeps `ms` (> 0) in one piece.
  virtual void Sleep(int32_t ms) = 0;
  // Waits `ms` (> 0) or until `stop` is requested.
  virtual void Wait(int32_t ms, TStopSignal& stop) = 0;
  // Milliseconds on a steady clock.
  virtual int64_t NowMs();
};

class TSteadyRunTimer : public IRunTimer {
 public:
  void Sleep(int32_t ms) override;
  void Wait(int32_t ms, TStopSignal& stop) override;
};

// How a run ended: it played to its end, a stop request ended it, or an error did.
struct TRunOutcome {
  enum class TKind { Finished, Stopped, Failed };
  TKind kind = TKind::Finished;
  std::string message;  // what went wrong, for Failed

  static TRunOutcome Failed(std::string message) { return {TKind::Failed, std::move(message)}; }
  bool operator==(const TRunOutcome&) const = default;
};

// The four run settings a run copies from its macro.
struct TRunSettings {
  int32_t RepeatType = 0;
  int32_t RepeatTimes = 1;
  int32_t RepeatSpeed = 1;
  int32_t Interval = 1000;

  static TRunSettings From(const TActionConfig& config) {
    return {config.RepeatType, config.RepeatTimes, config.RepeatSpeed, config.Interval};
  }
};

class TRunThread : private IClickWait {
 public:
  using FinishedCallback = std::function<void(uint64_t runId)>;

  // `input`, `screen` and `timer` must outlive the run.
  TRunThread(uint64_t runId, std::vector<TActionObj> actions, const TRunSettings& settings,
             IInput& input, IScreen& screen, IRunTimer& timer, FinishedCallback onFinished);

  // Keys the user may still hold when the run begins (the hotkey that started it): the run
  // waits, before its first action, until none of them is held, for two seconds at most.
  void SetStartKeys(TKeyChord keys) { startKeys_ = std::move(keys); }
  // The stop hotkey (an F-key index, with Ctrl). Its grab misses it while the player has let go
  // of the user's modifiers, or when the macro holds Alt; so the run also stops when it finds the
  // user holding it during a long wait, between pieces of a text or after such an action.
  void SetStopHotkey(int32_t fKey);
  // Told of the progress and of clicks that found nothing, on the run thread; must outlive the
  // run.
  void SetObserver(IRunObserver* observer) { observer_ = observer; }

  // The run: passes, waits, release of held input, then the end callback. Never throws.
  void Execute();
  // Asks the run to end at its next check (before an action, or during a wait of 100 ms or more).
  void RequestStop() { stop_.Request(); }
  bool StopRequested() const { return stop_.Requested(); }
  // Returns at once for ms <= 0; sleeps in one piece below 100 ms; otherwise waits until the
  // time is up or the stop request comes (or the user holds the stop hotkey, looked at every
  // 25 ms when there is one).
  void WaitInterval(int32_t ms);

  uint64_t RunId() const { return runId_; }
  // How the run ended. Read it once the run has ended.
  const TRunOutcome& Outcome() const { return outcome_; }
  // The colour and picture clicks that found nothing and went on ("action 3: the colour ...").
  // Read it once the run has ended.
  const std::vector<std::string>& Misses() const { return misses_; }

 private:
  // Polls the user's keys until the start keys are up, the stop request comes or time is up.
  void WaitForStartKeys();
  // Asked between pieces of a text and after an action that let go of the user's modifiers:
  // the stop hotkey held makes the stop request. True when the run is to stop.
  bool CheckStop();
  // One pass over the actions; false when the stop request ended it. An error is thrown again
  // with the action's number in front ("action 3: ...").
  bool PlayPass(TActionPlayer& player);
  void PlayOne(TActionPlayer& player, size_t index);
  // IClickWait: the timer's time, and its waits cut short by the stop request.
  int64_t NowMs() override { return timer_.NowMs(); }
  bool Pause(int32_t ms) override;
  // Whether another pass follows, counting RepeatTimes down.
  bool AnotherPass();

  uint64_t runId_;
  std::vector<TActionObj> actions_;
  TRunSettings settings_;
  IInput& input_;
  IScreen& screen_;
  IRunTimer& timer_;
  FinishedCallback onFinished_;
  TKeyChord startKeys_;
  TKeyChord stopKeys_;
  TStopSignal stop_;
  TRunOutcome outcome_;
  IRunObserver* observer_ = nullptr;
  int32_t pass_ = 0;
  int32_t passes_ = 1;
  std::vector<std::string> misses_;
};

}  // namespace zorvel
