#include "recording/gui/record_view_ctrl.h"

#include <filesystem>

#include "app/ctrl.h"
#include "app/prompt.h"
#include "common/date_time.h"
#include "common/error.h"
#include "common/program_folder.h"
#include "recording/record_settings.h"
#include "recording/recorder.h"

namespace zorvel {

namespace {

constexpr const char* kWarning = "Warning";
constexpr int kRecordStartHotkeyId = kRecordHotkeyId;
constexpr int kRecordStopHotkeyId = kRecordHotkeyId + 1;
constexpr uint32_t kLastFKey = VK_F1 + 11;

bool IsFKeyIndex(int32_t index) {
  return index >= 0 && index <= 11;
}

// Loads `macro` from its document again; a document that cannot be read is told in a warning.
void ReloadOrWarn(TActionCtrl& macro, IPrompt& prompt) {
  try {
    macro.LoadDocumentOrThrow();
  } catch (const Error& error) {
    prompt.Warning(kWarning, error.what());
  }
}

}  // namespace

TRecordViewCtrl::TRecordViewCtrl(TCtrl& ctrl, TActionCtrlPtr macro, IRecordViewDialogs& dialogs)
    : ctrl_(ctrl), dialogs_(dialogs), FActionCtrl(std::move(macro)) {
  listenerId_ = ctrl_.AddHotkeyListener(
      [this](int, uint32_t modifiers, uint32_t vk) { WMHotKey(modifiers, vk); });
}

// A window closed the usual way has let go of the application controller already; one that was
// never closed does it here, without the reload.
TRecordViewCtrl::~TRecordViewCtrl() {
  if (closed_) return;
  ctrl_.RemoveHotkeyListener(listenerId_);
  if (FRecording) ctrl_.Recorder().Stop(FActionCtrl->Actions);
  UnregisterRecordHotkeys();
}

void TRecordViewCtrl::SetRecordingObserver(std::function<void(bool recording)> observer) {
  observer_ = std::move(observer);
}

void TRecordViewCtrl::InitView() {
  if (!FActionCtrl) {
    FActionCtrl = std::make_shared<TActionCtrl>(ctrl_.Document());
    FActionCtrl->FName = NewMacroName(ctrl_.Clock().Now());
    newMacro_ = true;
  }
  rows_.Fill(FActionCtrl->Actions);
  FRecording = false;
  SetRecordingState(false);
  RegisterRecordHotkeys();
}

std::string TRecordViewCtrl::MacroName() const {
  return FActionCtrl ? FActionCtrl->FName : std::string();
}

void TRecordViewCtrl::SetRecordingState(bool recording) {
  if (observer_) observer_(recording);
}

void TRecordViewCtrl::StartRecording() {
  if (FRecording) return;
  FRecording = true;
  SetRecordingState(true);
  if (ctrl_.Recorder().StartHook()) return;
  // The desktop delivers no input events: say so rather than show a recording that records
  // nothing.
  ctrl_.Recorder().Stop(FActionCtrl->Actions);
  FRecording = false;
  SetRecordingState(false);
  ctrl_.Prompt().Warning(kWarning,
                         "The recording could not start: the desktop does not deliver "
                         "its input events.");
}

void TRecordViewCtrl::StopRecording() {
  if (!FRecording) return;
  FRecording = false;
  SetRecordingState(false);
  FinishRecording();
}

// The recording follows the rows in their present order, so moves and insertions made before it
// are kept.
void TRecordViewCtrl::FinishRecording() {
  StoreViewOrder();
  ctrl_.Recorder().Stop(FActionCtrl->Actions);
  rows_.Fill(FActionCtrl->Actions);
}

int TRecordViewCtrl::NewAction(int focusedRow) {
  auto action = std::make_shared<TActionObj>();
  try {
    if (!dialogs_.RunActionEditor("New Action", nullptr, *action)) return focusedRow;
  } catch (const Error& error) {
    ctrl_.Prompt().Warning(kWarning, error.what());
    return focusedRow;
  }
  const int row = rows_.InsertAfter(focusedRow, action);
  FActionCtrl->Actions.Add(action);
  return row;
}

void TRecordViewCtrl::EditAction(int focusedRow) {
  if (!rows_.IsRow(focusedRow)) return;
  const TActionPtr action = rows_.At(focusedRow);
  try {
    if (dialogs_.RunActionEditor("Edit Action", action.get(), *action)) rows_.Refresh(focusedRow);
  } catch (const Error& error) {
    ctrl_.Prompt().Warning(kWarning, error.what());
  }
}

int TRecordViewCtrl::DeleteAction(int focusedRow) {
  if (!rows_.IsRow(focusedRow)) return focusedRow;
  if (!ctrl_.Prompt().Question(kWarning, "Are you sure to delete the click?")) return focusedRow;
  const std::ptrdiff_t index = FActionCtrl->Actions.IndexOf(rows_.At(focusedRow).get());
  if (index >= 0) FActionCtrl->Actions.Delete(static_cast<size_t>(index));
  rows_.Remove(focusedRow);
  if (rows_.IsRow(focusedRow)) return focusedRow;
  return rows_.IsRow(focusedRow - 1) ? focusedRow - 1 : -1;
}

void TRecordViewCtrl::ClearActions() {
  if (!ctrl_.Prompt().Question(kWarning, "Are you sure to clear the list?")) return;
  rows_.Clear();
  FActionCtrl->Actions.Clear();
}

int TRecordViewCtrl::MoveUp(int focusedRow) {
  return rows_.Move(focusedRow, -1);
}

int TRecordViewCtrl::MoveDown(int focusedRow) {
  return rows_.Move(focusedRow, +1);
}

void TRecordViewCtrl::StoreViewOrder() {
  FActionCtrl->Actions.Clear();
  for (const TActionPtr& action : rows_.Rows()) FActionCtrl->Actions.Add(action);
}

bool TRecordViewCtrl::NameTakenByOther(const std::string& name) const {
  for (const TActionCtrlPtr& other : ctrl_.Macros())
    if (other != FActionCtrl && other->FName == name) return true;
  if (!newMacro_ && name == FActionCtrl->FName) return false;  // its own document
  std::error_code ignored;
  return std::filesystem::exists(ProgramFolder() + "/" + name + ".xml", ignored);
}

bool TRecordViewCtrl::Confirm(const std::string& name) {
  if (name.empty()) {
    ctrl_.Prompt().Message("Zorvel", "Must Input Macro Name!");
    return false;
  }
  try {
    CheckDocumentName(name);
  } catch (const Error& error) {
    ctrl_.Prompt().Warning(kWarning, error.what());
    return false;
  }
  if (NameTakenByOther(name) &&
      !ctrl_.Prompt().Question(
          kWarning, "A macro named \"" + name + "\" already exists. Do you want to replace it?"))
    return false;
  StoreViewOrder();
  try {
    SaveAs(name);
  } catch (const Error& error) {
    ctrl_.Prompt().Warning(kWarning, std::string("The macro could not be saved: ") + error.what());
    return false;
  }
  ReloadOtherMacrosNamed(name);
  saved_ = true;
  return true;
}

// Sets the name and date and writes the document; a failed save puts both back, so the reload on
// closing still finds the macro's own document.
void TRecordViewCtrl::SaveAs(const std::string& name) {
  const std::string oldName = FActionCtrl->FName;
  const std::string oldCreateTime = FActionCtrl->FCreateTime;
  FActionCtrl->FName = name;
  FActionCtrl->FCreateTime = FormatShortDate(ctrl_.Clock().Now());
  try {
    FActionCtrl->SaveDocument();
  } catch (...) {
    FActionCtrl->FName = oldName;
    FActionCtrl->FCreateTime = oldCreateTime;
    throw;
  }
}

// Another listed macro whose document was just replaced now holds what that document says.
void TRecordViewCtrl::ReloadOtherMacrosNamed(const std::string& name) {
  for (const TActionCtrlPtr& other : ctrl_.Macros()) {
    if (other == FActionCtrl || other->FName != name) continue;
    ReloadOrWarn(*other, ctrl_.Prompt());
  }
}

void TRecordViewCtrl::FormClose() {
  if (closed_) return;
  StopRecording();
  UnregisterRecordHotkeys();
  ctrl_.RemoveHotkeyListener(listenerId_);
  closed_ = true;
  ReloadMacro();
}

void TRecordViewCtrl::ReloadMacro() {
  if (!FActionCtrl || (newMacro_ && !saved_)) return;  // a new macro that was never saved
  std::error_code ignored;
  if (!std::filesystem::exists(FActionCtrl->DocumentPath(), ignored)) return;
  ReloadOrWarn(*FActionCtrl, ctrl_.Prompt());
}

void TRecordViewCtrl::RecordConfig() {
  if (dialogs_.RunRecordConfig(ctrl_.Settings())) RegisterRecordHotkeys();
}

void TRecordViewCtrl::RegisterRecordHotkeys() {
  UnregisterRecordHotkeys();
  const TRecordSettings& settings = ctrl_.Settings();
  // An index outside F1 ... F12 (a hand-edited settings file) would grab a key the handler
  // ignores; it is not registered at all.
  if (IsFKeyIndex(settings.RecordStartHotkey))
    ctrl_.RegisterHotkey(kRecordStartHotkeyId, MOD_ALT,
                         VK_F1 + static_cast<uint32_t>(settings.RecordStartHotkey));
  if (IsFKeyIndex(settings.RecordStopHotkey))
    ctrl_.RegisterHotkey(kRecordStopHotkeyId, MOD_ALT,
                         VK_F1 + static_cast<uint32_t>(settings.RecordStopHotkey));
  hotkeysRegistered_ = true;
}

void TRecordViewCtrl::UnregisterRecordHotkeys() {
  if (!hotkeysRegistered_) return;
  ctrl_.UnregisterHotkey(kRecordStartHotkeyId);
  ctrl_.UnregisterHotkey(kRecordStopHotkeyId);
  hotkeysRegistered_ = false;
}

void TRecordViewCtrl::WMHotKey(uint32_t modifiers, uint32_t vk) {
  if (closed_ || !FActionCtrl || modifiers != MOD_ALT || vk < VK_F1 || vk > kLastFKey) return;
  const auto index = static_cast<int32_t>(vk - VK_F1);
  const TRecordSettings& settings = ctrl_.Settings();
  if (index == settings.RecordStartHotkey)
    StartRecording();
  else if (index == settings.RecordStopHotkey)
    StopRecording();
}

}  // namespace zorvel
