#include "gui/main/view_ctrl.h"

#include <filesystem>

#include "common/error.h"
#include "gui/main/hotkey_conflicts.h"
#include "gui/widgets/prompt.h"
#include "gui/widgets/save_question.h"
#include "model/folder_scan.h"
#include "playback/run_ctrl.h"

namespace zorvel {

TViewCtrl::TViewCtrl(TActionsList& macros, TRunCtrl& runCtrl, IPrompt& prompt,
                     TXMLDocument& document, std::string folder)
    : macros_(macros),
      runCtrl_(runCtrl),
      prompt_(prompt),
      document_(document),
      folder_(std::move(folder)) {}

void TViewCtrl::LoadList() {
  macros_ = ScanMacroFolder(document_, folder_);
  FillList();
}

void TViewCtrl::FillList() {
  scheduleIndex_.Invalidate();
  if (view_) view_->SetRows(macros_);
}

void TViewCtrl::FillListKeepingFocus() {
  scheduleIndex_.Invalidate();
  if (!view_) return;
  const TActionCtrlPtr focused = FocusedMacro();
  view_->SetRows(macros_);
  for (int row = 0; focused && row < view_->RowCount(); ++row)
    if (view_->RowMacro(row) == focused) view_->FocusRow(row);
}

void TViewCtrl::ReloadChangedDocuments() {
  const TActionCtrlPtr running = runCtrl_.Running() ? runCtrl_.CurrentMacro() : nullptr;
  reloadDeferred_ = running || editing_;
  const auto pinned = [&](const TActionCtrl& macro) {
    return &macro == running.get() || &macro == editing_.get();
  };
  if (MergeRescan(macros_, RescanMacroFolder(document_, folder_, macros_), pinned))
    FillListKeepingFocus();
}

TActionCtrlPtr TViewCtrl::FocusedMacro() const {
  if (!view_) return nullptr;
  const int row = view_->FocusedRow();
  if (row < 0 || row >= view_->RowCount()) return nullptr;
  return view_->RowMacro(row);
}

// Every change to a macro is shown, so every change passes here or through FillList: the
// schedule index is made anew from the next check on.
void TViewCtrl::RepaintAll() {
  scheduleIndex_.Invalidate();
  if (view_) view_->RepaintAll();
}

bool TViewCtrl::SaveMacro(TActionCtrl& macro) {
  try {
    return SaveAskingBeforeReplacing(
        prompt_, macro.FName, [&macro](TActionCtrl::TOverwrite how) { macro.SaveDocument(how); });
  } catch (const std::exception& error) {
    prompt_.Warning("Warning",
                    "The macro \"" + macro.FName + "\" could not be saved.\n" + error.what());
    return false;
  }
}

void TViewCtrl::NewMacro() {
  if (!dialogs_.recordView) return;
  TActionCtrlPtr macro = dialogs_.recordView(nullptr);
  if (!macro) return;
  macros_.Add(macro);
  // Saving it may have replaced another listed macro's document, which then left the list.
  FillListKeepingFocus();
  ReportSharedKeys();
}

void TViewCtrl::ReportSharedKeys() {
  const std::string report = SharedKeysReport(macros_);
  if (!report.empty()) Report(report);
}

// While the recording window shows the macro, its rows are what OK saves: a reload must not
// change the macro under them (OK then asks when another program changed its document).
void TViewCtrl::EditMacro() {
  TActionCtrlPtr macro = FocusedMacro();
  if (!macro || !dialogs_.recordView) return;
  editing_ = macro;
  try {
    dialogs_.recordView(macro);
  } catch (...) {
    editing_ = nullptr;
    throw;
  }
  editing_ = nullptr;
  FillListKeepingFocus();
  if (reloadDeferred_) ReloadChangedDocuments();
}

void TViewCtrl::DeleteMacro() {
  const int row = view_ ? view_->FocusedRow() : -1;
  TActionCtrlPtr macro = FocusedMacro();
  if (!macro) return;
  if (!prompt_.Question("Warning", "Are you sure to delete the click?")) return;
  if (runCtrl_.Running() && runCtrl_.CurrentMacro() == macro) runCtrl_.Stop();
  const std::ptrdiff_t index = macros_.IndexOf(macro.get());
  if (index >= 0) macros_.Delete(static_cast<size_t>(index));
  view_->DeleteRow(row);
  macro->DeleteDocument();
  const std::string path = macro->DocumentPath();
  std::error_code error;
  if (std::filesystem::exists(path, error))
    prompt_.Warning("Warning", "The macro's document could not be removed:\n" + path);
  RepaintAll();
}

template <class Settings>
void TViewCtrl::EditFocusedSettings(const std::function<void(Settings&)>& dialog,
                                    Settings TActionCtrl::*settings) {
  TActionCtrlPtr macro = FocusedMacro();
  if (!macro || !dialog) return;
  dialog((*macro).*settings);
  SaveMacro(*macro);
  RepaintAll();
}

void TViewCtrl::ConfigMacro() {
  const TActionCtrlPtr macro = FocusedMacro();
  if (!macro || !dialogs_.actionConfig) return;
  const TKeyHeld held = [this](int32_t key) {
    return hooks_.heldElsewhere && hooks_.heldElsewhere(MOD_CONTROL, FKeyVk(key));
  };
  const TKeyWarning warning = [this, self = macro.get(), held](int32_t start, int32_t stop) {
    return MacroKeyWarning(macros_, self, start, stop, held);
  };
  EditFocusedSettings<TActionConfig>(
      [this, &warning](TActionConfig& config) { dialogs_.actionConfig(config, warning); },
      &TActionCtrl::Config);
  ReportSharedKeys();
}

void TViewCtrl::ScheduleMacro() {
  EditFocusedSettings(dialogs_.schedule, &TActionCtrl::Schedule);
}

void TViewCtrl::RunMacro() {
  if (runCtrl_.Running()) return;
  TActionCtrlPtr macro = FocusedMacro();
  if (!macro) return;
  // Started from the keyboard (Alt+R), it waits until the keys are let go of.
  runCtrl_.Start(macro, TKeyChord::AnyKey(), TStartedBy::Button);
  view_->RepaintRow(view_->FocusedRow());
}

void TViewCtrl::RunListedMacro(size_t index) {
  if (runCtrl_.Running() || index >= macros_.Count()) return;
  runCtrl_.Start(macros_.Get(index), TKeyChord::AnyKey(), TStartedBy::TrayMenu);
  RepaintAll();
}

void TViewCtrl::StopMacro() {
  runCtrl_.Stop();
  RepaintAll();
}

void TViewCtrl::Report(const std::string& text) {
  if (hooks_.status) hooks_.status(text);
}

void TViewCtrl::HotkeyPressed(uint32_t vk) {
  if (!view_ || !IsFKeyVk(vk)) return;
  const int32_t key = FKeyIndex(vk);
  for (int row = 0; row < view_->RowCount(); ++row) {
    TActionCtrlPtr macro = view_->RowMacro(row);
    if (key == macro->Config.StartHotkey && !runCtrl_.Running() && Recording()) {
      Report("\"" + macro->FName + "\" was not started: a recording is in progress");
      return;
    }
    if (key == macro->Config.StartHotkey && !runCtrl_.Running()) {
      runCtrl_.Start(macro, TKeyChord::Hotkey(MOD_CONTROL, vk), TStartedBy::Hotkey);
      view_->RepaintRow(row);
      return;
    }
    if (key == macro->Config.StopHotkey && macro->FRunning) {
      runCtrl_.Stop();
      macro->FRunning = false;
    }
  }
  RepaintAll();
}

std::optional<TRunOutcome> TViewCtrl::RunFinished(uint64_t runId) {
  const bool current = runId == runCtrl_.CurrentRunId();
  runCtrl_.RunFinished(runId);
  RepaintAll();
  if (reloadDeferred_ && !runCtrl_.Running()) ReloadChangedDocuments();
  if (!current) return std::nullopt;
  return runCtrl_.LastOutcome();
}

void TViewCtrl::CheckSchedules() {
  if (Recording()) {
    const TActionCtrlPtr due = runCtrl_.Running() ? nullptr : runCtrl_.DueMacro(macros_);
    if (due)
      Report("The schedule of \"" + due->FName + "\" was skipped: a recording is in progress");
    return;
  }
  if (runCtrl_.CheckSchedules(macros_, scheduleIndex_)) RepaintAll();
}

}  // namespace zorvel
