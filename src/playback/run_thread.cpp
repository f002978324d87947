#include "playback/run_thread.h"

#include <algorithm>
#include <thread>

#include "common/error.h"

namespace zorvel {
namespace {

constexpr int32_t kLongWaitMs = 100;
// The start keys are looked at every 5 ms, for two seconds at most.
constexpr int32_t kKeysUpPollMs = 5;
constexpr int32_t kKeysUpPolls = 2000 / kKeysUpPollMs;
// During a long wait the stop hotkey is looked for every 25 ms as well: its grab does not see it
// when the macro holds Alt (Ctrl+Alt+F-key is the server's own key).
constexpr int32_t kStopKeysPollMs = 25;

}  // namespace

int32_t ScaleDelay(int32_t delay, int32_t speed) {
  if (speed == 0) return delay;
  // 32-bit wrapping arithmetic, done unsigned so that no overflow is undefined.
  if (speed > 0) return static_cast<int32_t>(delay / (static_cast<int64_t>(speed) + 1));
  const auto factor = static_cast<uint32_t>(1 - static_cast<int64_t>(speed));
  return static_cast<int32_t>(static_cast<uint32_t>(delay) * factor);
}

void TStopSignal::Request() {
  {
    std::lock_guard lock(mutex_);
    requested_.store(true, std::memory_order_release);
  }
  changed_.notify_all();
}

bool TStopSignal::WaitUntil(std::chrono::steady_clock::time_point deadline) {
  std::unique_lock lock(mutex_);
  return changed_.wait_until(lock, deadline, [this] { return Requested(); });
}

int64_t IRunTimer::NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

void TSteadyRunTimer::Sleep(int32_t ms) {
  std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

void TSteadyRunTimer::Wait(int32_t ms, TStopSignal& stop) {
  stop.WaitUntil(std::chrono::steady_clock::now() + std::chrono::milliseconds(ms));
}

TRunThread::TRunThread(uint64_t runId, std::vector<TActionObj> actions,
                       const TRunSettings& settings, IInput& input, IScreen& screen,
                       IRunTimer& timer, FinishedCallback onFinished)
    : runId_(runId),
      actions_(std::move(actions)),
      settings_(settings),
      input_(input),
      screen_(screen),
      timer_(timer),
      onFinished_(std::move(onFinished)) {
  switch (static_cast<RepeatMode>(settings_.RepeatType)) {
    case RepeatMode::RepeatOnce:
      passes_ = 1;
      break;
    case RepeatMode::RepeatCount:
      passes_ = std::max<int32_t>(settings_.RepeatTimes, 1);
      break;
    default:
      passes_ = 0;  // until stopped
  }
}

void TRunThread::WaitInterval(int32_t ms) {
  if (ms <= 0) return;
  if (ms < kLongWaitMs) {
    timer_.Sleep(ms);
    return;
  }
  if (stopKeys_.Empty()) {
    if (!stop_.Requested()) timer_.Wait(ms, stop_);
    return;
  }
  for (int32_t left = ms; left > 0 && !CheckStop(); left -= kStopKeysPollMs)
    timer_.Wait(std::min(left, kStopKeysPollMs), stop_);
}

void TRunThread::SetStopHotkey(int32_t fKey) {
  stopKeys_ = IsFKeyIndex(fKey) ? TKeyChord::Hotkey(MOD_CONTROL, FKeyVk(fKey)) : TKeyChord();
}

void TRunThread::WaitForStartKeys() {
  if (startKeys_.Empty()) return;
  for (int32_t poll = 0; poll < kKeysUpPolls && !stop_.Requested(); ++poll) {
    if (!startKeys_.AnyHeld(input_.UserHeldKeys())) return;
    timer_.Sleep(kKeysUpPollMs);
  }
}

bool TRunThread::CheckStop() {
  if (!stop_.Requested() && !stopKeys_.Empty() && stopKeys_.AllHeld(input_.UserHeldKeys()))
    stop_.Request();
  return stop_.Requested();
}

bool TRunThread::Pause(int32_t ms) {
  if (CheckStop()) return false;
  timer_.Wait(ms, stop_);
  return !CheckStop();
}

bool TRunThread::PlayPass(TActionPlayer& player) {
  ++pass_;
  for (size_t index = 0; index < actions_.size(); ++index) {
    if (stop_.Requested()) return false;
    try {
      PlayOne(player, index);
    } catch (const std::exception& error) {
      throw Error("action " + std::to_string(index + 1) + ": " + error.what());
    }
  }
  return true;
}

void TRunThread::PlayOne(TActionPlayer& player, size_t index) {
  TActionObj& action = actions_[index];
  if (observer_) observer_->ActionStarting({pass_, passes_, index + 1, actions_.size()}, action);
  if (action.actionType == static_cast<uint8_t>(ActionType::Delay)) {
    WaitInterval(ScaleDelay(action.delay, settings_.RepeatSpeed));
    return;
  }
  player.PlayAction(action);
  if (player.TakeUserModifiersPaused()) CheckStop();
  if (std::optional<std::string> miss = player.TakeMiss()) {
    misses_.push_back("action " + std::to_string(index + 1) + ": " + *miss);
    if (observer_) observer_->TargetMissed(misses_.back());
  }
}

bool TRunThread::AnotherPass() {
  switch (static_cast<RepeatMode>(settings_.RepeatType)) {
    case RepeatMode::RepeatOnce:
      return false;
    case RepeatMode::RepeatCount:
      // RepeatTimes is the number of passes in all; 1 or less gives one.
      if (settings_.RepeatTimes <= 1) return false;
      --settings_.RepeatTimes;
      return true;
    default:
      return true;
  }
}

void TRunThread::Execute() {
  TActionPlayer player(
      input_, screen_, [this] { return CheckStop(); }, this);
  try {
    // Made ready now, so that the first look at the screen costs what the later ones do.
    if (LooksAtScreen(actions_)) screen_.PrepareCapture();
    WaitForStartKeys();
    if (!actions_.empty()) {
      while (PlayPass(player) && AnotherPass()) {
        if (settings_.Interval > 0) WaitInterval(settings_.Interval);
      }
    }
    outcome_.kind = stop_.Requested() ? TRunOutcome::TKind::Stopped : TRunOutcome::TKind::Finished;
  } catch (const std::exception& error) {
    // An error ends the run; the end is reported below like any other.
    outcome_ = TRunOutcome::Failed(error.what());
  } catch (...) {
    outcome_ = TRunOutcome::Failed("unknown error");
  }
  try {
    player.ReleaseHeld();
  } catch (...) {
  }
  if (onFinished_) {
    try {
      onFinished_(runId_);
    } catch (...) {
    }
  }
}

}  // namespace zorvel
