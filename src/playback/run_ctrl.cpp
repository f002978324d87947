#include "playback/run_ctrl.h"

#include <algorithm>

#include "common/error.h"

namespace zorvel {
namespace {

// Copies of the macro's actions. A picture click's decoded picture is built here first, on the
// macro's own action, so that it is decoded once and shared by every later run's copies.
std::vector<TActionObj> SnapshotActions(const TActionCtrl& macro) {
  std::vector<TActionObj> actions;
  actions.reserve(macro.Actions.Count());
  for (const TActionPtr& action : macro.Actions) {
    if (!action) continue;
    if (action->actionType == static_cast<uint8_t>(ActionType::MouseClick) &&
        action->mousePoint == static_cast<uint8_t>(MousePoint::Picture) && !action->fBMP.empty()) {
      try {
        action->GetBMPData();
      } catch (const Error&) {
        // The copy decodes again when the run reaches it, and that error ends the run there.
      }
    }
    actions.push_back(*action);
  }
  return actions;
}

}  // namespace

TRunCtrl::TRunCtrl(IInput& input, IScreen& screen, const IClock& clock, FinishedCallback onFinished,
                   IRunTimer* timer)
    : input_(input),
      screen_(screen),
      clock_(clock),
      onFinished_(std::move(onFinished)),
      timer_(timer ? *timer : steadyTimer_) {}

TRunCtrl::~TRunCtrl() {
  Stop();
  JoinThread();
}

void TRunCtrl::Start(const std::shared_ptr<TActionCtrl>& macro, TKeyChord startKeys,
                     TStartedBy startedBy) {
  if (running_ || !macro) return;
  // A stopped run may still be finishing its present action or a short wait.
  JoinThread();
  running_ = true;
  macro->FRunning = true;
  currentMacro_ = macro;
  ++runId_;
  runThread_ = std::make_unique<TRunThread>(runId_, SnapshotActions(*macro),
                                            TRunSettings::From(macro->Config), input_, screen_,
                                            timer_, onFinished_);
  runThread_->SetStartKeys(std::move(startKeys));
  runThread_->SetStopHotkey(macro->Config.StopHotkey);
  runThread_->SetObserver(observer_);
  try {
    thread_ = std::thread([run = runThread_.get()] { run->Execute(); });
  } catch (const std::system_error&) {
    runThread_.reset();
    running_ = false;
    macro->FRunning = false;
    throw Error("The run could not be started: no thread could be created.");
  }
  const TDateTime now = clock_.Now();
  log_.Begin(FormatShortDate(now) + " " + FormatLongTime(now), macro->FName, startedBy);
}

void TRunCtrl::Stop() {
  if (!running_ && !runThread_) return;
  if (runThread_) runThread_->RequestStop();
  if (auto macro = currentMacro_.lock()) macro->FRunning = false;
  running_ = false;
}

void TRunCtrl::RunFinished(uint64_t runId) {
  if (runId != runId_) return;
  Stop();
  // The thread's last deed was the notification; it is ending or has ended.
  if (thread_.joinable() && thread_.get_id() == std::this_thread::get_id()) return;
  if (thread_.joinable()) thread_.join();
  ReleaseRun();
}

void TRunCtrl::ReleaseRun() {
  if (!runThread_) return;
  lastOutcome_ = runThread_->Outcome();
  log_.End(lastOutcome_, runThread_->Misses());
  runThread_.reset();
}

void TRunCtrl::JoinThread() {
  if (thread_.joinable()) {
    if (thread_.get_id() == std::this_thread::get_id()) return;
    if (runThread_) runThread_->RequestStop();
    thread_.join();
  }
  ReleaseRun();
}

TScheduleMoment TScheduleMoment::At(const TDateTime& now) {
  return {now, FormatLongTime(now), FormatShortDate(now), DayOfWeek(now)};
}

bool TScheduleMoment::Due(const TActionSchedule& schedule) const {
  if (schedule.SelectedTime != timeText) return false;
  switch (static_cast<ScheduleKind>(schedule.ScheduleType)) {
    case ScheduleKind::EveryDay:
      return true;
    case ScheduleKind::EveryWeek:
      return weekday == schedule.SelectedIndex;
    case ScheduleKind::EveryMonth:
      return now.day == static_cast<int64_t>(schedule.SelectedIndex) + 1;
    case ScheduleKind::OnceAt:
      return dateText == schedule.SelectedDate;
    default:
      return false;
  }
}

bool TRunCtrl::CheckSchedules(const TActionsList& macros) {
  if (running_) return false;
  // Formatted once per check: the check itself runs twice a second.
  const TScheduleMoment moment = TScheduleMoment::At(clock_.Now());
  for (const TActionCtrlPtr& macro : macros) {
    if (macro && moment.Due(macro->Schedule) && StartScheduled(macro, moment.now)) return true;
  }
  return false;
}

bool TRunCtrl::CheckSchedules(const TActionsList& macros, TScheduleIndex& index) {
  if (running_) return false;
  const TScheduleMoment moment = TScheduleMoment::At(clock_.Now());
  for (size_t position : index.At(macros, moment.timeText)) {
    const TActionCtrlPtr& macro = macros.Get(position);
    if (macro && moment.Due(macro->Schedule) && StartScheduled(macro, moment.now)) return true;
  }
  return false;
}

std::shared_ptr<TActionCtrl> TRunCtrl::DueMacro(const TActionsList& macros) const {
  const TScheduleMoment moment = TScheduleMoment::At(clock_.Now());
  for (const TActionCtrlPtr& macro : macros)
    if (macro && moment.Due(macro->Schedule)) return macro;
  return nullptr;
}

bool TRunCtrl::StartIfTimeDue(const std::shared_ptr<TActionCtrl>& macro) {
  const TDateTime now = clock_.Now();
  if (!macro || FormatLongTime(now) != macro->Schedule.SelectedTime) return false;
  return StartScheduled(macro, now);
}

bool TRunCtrl::StartScheduled(const std::shared_ptr<TActionCtrl>& macro, const TDateTime& now) {
  if (running_ || StartedFor(macro, now)) return false;
  Start(macro, {}, TStartedBy::Schedule);
  if (running_) scheduledStarts_.push_back({macro, now});
  return running_;
}

bool TRunCtrl::StartedFor(const std::shared_ptr<TActionCtrl>& macro, const TDateTime& now) {
  std::erase_if(scheduledStarts_, [&](const TScheduledStart& start) {
    return start.macro.expired() || (start.macro.lock() == macro && start.moment != now);
  });
  return std::any_of(scheduledStarts_.begin(), scheduledStarts_.end(),
                     [&](const TScheduledStart& start) { return start.macro.lock() == macro; });
}

}  // namespace zorvel
