#include "playback/run_report.h"

#include <algorithm>

#include "playback/run_thread.h"

namespace zorvel {
namespace {

const char* StartedByText(TStartedBy startedBy) {
  switch (startedBy) {
    case TStartedBy::Button:
      return "button";
    case TStartedBy::Hotkey:
      return "hotkey";
    case TStartedBy::Schedule:
      return "schedule";
    case TStartedBy::CommandLine:
      return "command line";
    case TStartedBy::TrayMenu:
      return "tray";
  }
  return "";
}

std::string EndText(const TRunOutcome& outcome) {
  switch (outcome.kind) {
    case TRunOutcome::TKind::Finished:
      return "finished";
    case TRunOutcome::TKind::Stopped:
      return "stopped";
    case TRunOutcome::TKind::Failed:
      return "failed: " + outcome.message;
  }
  return "";
}

}  // namespace

std::string ProgressText(const std::string& name, const TRunProgress& progress) {
  std::string text = name + ": pass " + std::to_string(progress.pass);
  if (progress.passes > 0) text += " of " + std::to_string(progress.passes);
  return text + ", action " + std::to_string(progress.action) + " of " +
         std::to_string(progress.count);
}

std::optional<int64_t> TProgressThrottle::Offer(const TRunProgress& progress, int64_t nowMs) {
  std::lock_guard lock(mutex_);
  latest_ = progress;
  if (pending_) return std::nullopt;
  pending_ = true;
  if (!taken_) return 0;
  return std::max<int64_t>(0, lastTaken_ + intervalMs_ - nowMs);
}

TRunProgress TProgressThrottle::Take(int64_t nowMs) {
  std::lock_guard lock(mutex_);
  pending_ = false;
  taken_ = true;
  lastTaken_ = nowMs;
  return latest_;
}

void TRunLog::Begin(std::string startTime, std::string macro, TStartedBy startedBy) {
  if (entries_.size() >= kMaxRuns) entries_.pop_front();
  entries_.push_back({std::move(startTime), std::move(macro), startedBy, false, "running", {}});
}

void TRunLog::End(const TRunOutcome& outcome, std::vector<std::string> misses) {
  if (entries_.empty() || entries_.back().ended) return;
  TEntry& entry = entries_.back();
  entry.ended = true;
  entry.end = EndText(outcome);
  entry.misses = std::move(misses);
}

std::string TRunLog::EntryLine(const TEntry& entry) {
  std::string line = entry.startTime + "  " + entry.macro + "  (" + StartedByText(entry.startedBy) +
                     ")  " + entry.end;
  if (!entry.misses.empty())
    line += "  [" + std::to_string(entry.misses.size()) +
            (entry.misses.size() == 1 ? " click" : " clicks") + " found nothing]";
  return line;
}

std::string TRunLog::LastLine() const {
  return entries_.empty() ? std::string() : EntryLine(entries_.back());
}

std::vector<std::string> TRunLog::Lines() const {
  std::vector<std::string> lines;
  for (const TEntry& entry : entries_) {
    lines.push_back(EntryLine(entry));
    for (const std::string& miss : entry.misses) lines.push_back("    " + miss);
  }
  return lines;
}

}  // namespace zorvel
