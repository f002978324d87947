#pragma once

// The one run controller: starts a macro on a run thread, stops it, and starts macros whose
// schedule is due. Every member is called on one thread: the GUI's main thread, or the command
// line's only one.
//
// The end of every run is reported through `onFinished(runId)`, called on the run thread; the
// owner hands it to its main thread (the GUI posts it, the command line wakes its loop), which
// then calls RunFinished(runId).

#include <cstdint>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "common/date_time.h"
#include "model/action_ctrl.h"
#include "platform/platform.h"
#include "playback/run_report.h"
#include "playback/run_thread.h"
#include "playback/schedule_index.h"

namespace zorvel {

// The present moment as schedules compare it: the texts are formatted once per check.
struct TScheduleMoment {
  TDateTime now;
  std::string timeText;  // long time
  std::string dateText;  // short date
  int32_t weekday = 0;   // 0 = Sunday

  static TScheduleMoment At(const TDateTime& now);
  // Whether `schedule` starts its macro at this moment (day and time).
  bool Due(const TActionSchedule& schedule) const;
};

class TRunCtrl {
 public:
  using FinishedCallback = TRunThread::FinishedCallback;

  // `input`, `screen`, `clock` (and `timer` when given) must outlive the controller.
  TRunCtrl(IInput& input, IScreen& screen, const IClock& clock, FinishedCallback onFinished,
           IRunTimer* timer = nullptr);
  // Stops the run and waits for its thread.
  ~TRunCtrl();
  TRunCtrl(const TRunCtrl&) = delete;
  TRunCtrl& operator=(const TRunCtrl&) = delete;

  // Plays `macro` unless a run is active (then nothing happens). The run plays copies of the
  // macro's actions and settings taken now. Waits first for a stopped run's thread to end.
  // `startKeys` are the keys that started it (see TRunThread::SetStartKeys); `startedBy` goes
  // into the run log.
  void Start(const std::shared_ptr<TActionCtrl>& macro, TKeyChord startKeys = {},
             TStartedBy startedBy = TStartedBy::Button);
  // Asks the active run to stop and clears the running flags; does not wait.
  void Stop();
  bool Running() const { return running_; }
  // Starts the first macro in list order whose schedule is due now; true when it started one
  // (the caller repaints). Looks at nothing while a run is active.
  bool CheckSchedules(const TActionsList& macros);
  // The same, looking only at the macros `index` gives for this second.
  bool CheckSchedules(const TActionsList& macros, TScheduleIndex& index);
  // The first macro in list order whose schedule is due now, or null.
  std::shared_ptr<TActionCtrl> DueMacro(const TActionsList& macros) const;
  // Starts `macro` when the current time text equals its SelectedTime, nothing runs, and the
  // schedule has not started it for this moment (this date and second) already: a short run that
  // ends within its second is not started again by the next check.
  bool StartIfTimeDue(const std::shared_ptr<TActionCtrl>& macro);
  // The end notification of run `runId` has reached the main thread: ignored when it belongs to
  // an older run, else the run is cleaned up as by Stop().
  void RunFinished(uint64_t runId);

  std::shared_ptr<TActionCtrl> CurrentMacro() const { return currentMacro_.lock(); }
  // How the last run handled by RunFinished ended.
  const TRunOutcome& LastOutcome() const { return lastOutcome_; }
  // Id of the last run started (0 before the first).
  uint64_t CurrentRunId() const { return runId_; }
  // Every run from now on tells `observer` (nullptr: nobody) how it goes, on its run thread.
  void SetObserver(IRunObserver* observer) { observer_ = observer; }
  // The last runs, with how they were started and how they ended.
  const TRunLog& Log() const { return log_; }

 private:
  // Starts `macro` for the scheduled moment `now` unless a run is active or the schedule has
  // started it for that moment already.
  bool StartScheduled(const std::shared_ptr<TActionCtrl>& macro, const TDateTime& now);
  void JoinThread();
  // Keeps the ended run's outcome and misses, then lets its thread object go.
  void ReleaseRun();
  // Whether the schedule started `macro` for the moment `now` already; forgets released macros.
  bool StartedFor(const std::shared_ptr<TActionCtrl>& macro, const TDateTime& now);

  // The moment the schedule last started a macro for, per macro.
  struct TScheduledStart {
    std::weak_ptr<TActionCtrl> macro;
    TDateTime moment;
  };

  IInput& input_;
  IScreen& screen_;
  const IClock& clock_;
  FinishedCallback onFinished_;
  TSteadyRunTimer steadyTimer_;
  IRunTimer& timer_;
  bool running_ = false;
  uint64_t runId_ = 0;
  std::weak_ptr<TActionCtrl> currentMacro_;
  std::unique_ptr<TRunThread> runThread_;
  std::thread thread_;
  TRunOutcome lastOutcome_;
  IRunObserver* observer_ = nullptr;
  TRunLog log_;
  std::vector<TScheduledStart> scheduledStarts_;
};

}  // namespace zorvel
