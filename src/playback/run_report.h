#pragma once

// What a run tells while it plays and what is kept once it has ended: its progress, the
// colour and picture clicks that found nothing, and a log of the last runs.

#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "model/action.h"

namespace zorvel {

// Where a run stands: pass `pass` (from 1) of `passes` (0: until stopped), about to play action
// `action` (from 1) of `count`.
struct TRunProgress {
  int32_t pass = 1;
  int32_t passes = 1;
  size_t action = 1;
  size_t count = 0;
  bool operator==(const TRunProgress&) const = default;
};

// "NAME: pass 2 of 5, action 14 of 40"; until stopped "NAME: pass 7, action 14 of 40".
std::string ProgressText(const std::string& name, const TRunProgress& progress);

// Told by the run thread, on the run thread, as the run goes.
class IRunObserver {
 public:
  virtual ~IRunObserver() = default;
  // Before each action (delays included).
  virtual void ActionStarting(const TRunProgress& progress, const TActionObj& action) = 0;
  // A colour or picture click found nothing and went on: "action 3: the colour ... was not
  // found on the screen".
  virtual void TargetMissed(const std::string& what) = 0;
};

// Hands a run's progress from the run thread to another at most once per interval, and always
// the latest. Offer() (run thread) keeps the progress and, when no hand-over is pending, says
// in how many milliseconds the receiver should Take() it; Take() (receiver) returns the latest.
class TProgressThrottle {
 public:
  explicit TProgressThrottle(int64_t intervalMs) : intervalMs_(intervalMs) {}
  std::optional<int64_t> Offer(const TRunProgress& progress, int64_t nowMs);
  TRunProgress Take(int64_t nowMs);

 private:
  std::mutex mutex_;
  int64_t intervalMs_;
  bool pending_ = false;
  bool taken_ = false;
  int64_t lastTaken_ = 0;
  TRunProgress latest_;
};

enum class TStartedBy { Button, Hotkey, Schedule, CommandLine, TrayMenu };

struct TRunOutcome;

// The last kMaxRuns runs, oldest first.
class TRunLog {
 public:
  static constexpr size_t kMaxRuns = 200;

  struct TEntry {
    std::string startTime;  // "12/08/26 14:03:07"
    std::string macro;
    TStartedBy startedBy = TStartedBy::Button;
    bool ended = false;
    std::string end;  // "finished", "stopped", "failed: reason"
    std::vector<std::string> misses;
  };

  // A run begins; the oldest entry goes when there are kMaxRuns already.
  void Begin(std::string startTime, std::string macro, TStartedBy startedBy);
  // The latest run ended, with the clicks that found nothing.
  void End(const TRunOutcome& outcome, std::vector<std::string> misses);
  const std::deque<TEntry>& Entries() const { return entries_; }
  // "12/08/26 14:03:07  NAME  (hotkey)  failed: reason  [2 clicks found nothing]"; empty when
  // there is no run yet.
  std::string LastLine() const;
  // One line per run, each followed by its misses indented.
  std::vector<std::string> Lines() const;

 private:
  static std::string EntryLine(const TEntry& entry);
  std::deque<TEntry> entries_;
};

}  // namespace zorvel
