#include "gui/recording/record_view_ctrl.h"

#include <filesystem>
#include <pugixml.hpp>
#include <sstream>

#include "common/date_time.h"
#include "common/error.h"
#include "gui/widgets/prompt.h"
#include "gui/widgets/save_question.h"
#include "recording/record_settings.h"
#include "recording/recorder.h"

namespace zorvel {

namespace {

constexpr const char* kWarning = "Warning";
constexpr int kRecordStartHotkeyId = kRecordHotkeyId;
constexpr int kRecordStopHotkeyId = kRecordHotkeyId + 1;

// The actions as their document would hold them.
template <typename Actions>
std::string ActionsText(const Actions& actions) {
  pugi::xml_document document;
  const pugi::xml_node list = document.append_child("Actions");
  for (const TActionPtr& action : actions) WriteAction(*action, list);
  std::ostringstream text;
  document.save(text, "", pugi::format_raw);
  return text.str();
}

// "Alt+F2 is held" or "Alt+F2 and Alt+F3 are held".
std::string HeldKeys(const std::vector<std::string>& keys) {
  return keys.size() > 1 ? keys.front() + " and " + keys.back() + " are held"
                         : keys.front() + " is held";
}

}  // namespace

TRecordViewCtrl::TRecordViewCtrl(TRecordServices services, TActionCtrlPtr macro,
                                 IRecordViewDialogs& dialogs)
    : ctrl_(std::move(services)), dialogs_(dialogs), FActionCtrl(std::move(macro)) {}

// A window closed the usual way has let go of the recorder and the hotkeys already; one that was
// never closed does it here, without the reload.
TRecordViewCtrl::~TRecordViewCtrl() {
  if (closed_) return;
  if (FRecording) ctrl_.recorder.Stop(FActionCtrl->Actions);
  UnregisterRecordHotkeys();
}

void TRecordViewCtrl::SetRecordingObserver(std::function<void(bool recording)> observer) {
  observer_ = std::move(observer);
}

void TRecordViewCtrl::InitView() {
  if (!FActionCtrl) {
    FActionCtrl = std::make_shared<TActionCtrl>(ctrl_.document, ctrl_.folder);
    FActionCtrl->FName = NewMacroName(ctrl_.clock.Now());
    newMacro_ = true;
  }
  rows_.Fill(FActionCtrl->Actions);
  loadedActions_ = ActionsText(FActionCtrl->Actions);
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

void TRecordViewCtrl::StartRecording(const std::vector<uint8_t>& startKeys) {
  if (FRecording) return;
  if (ctrl_.macroPlaying && ctrl_.macroPlaying()) {
    ctrl_.prompt.Warning(kWarning,
                         "A macro is playing. Stop it before recording, or the recording "
                         "would take in its input.");
    return;
  }
  FRecording = true;
  SetRecordingState(true);
  ctrl_.recorder.SetEventLimit(RecordableEvents(FActionCtrl->DocumentBytes()));
  if (ctrl_.recorder.StartHook(startKeys)) return;
  // The desktop delivers no input events: say so rather than show a recording that records
  // nothing.
  const std::string reason = ctrl_.recorder.StartFailure();
  ctrl_.recorder.Stop(FActionCtrl->Actions);
  FRecording = false;
  SetRecordingState(false);
  ctrl_.prompt.Warning(kWarning, !reason.empty()
                                     ? reason
                                     : "The recording could not start: the desktop does not "
                                       "deliver its input events.");
}

void TRecordViewCtrl::StopRecording(const std::vector<uint8_t>& stopKeys) {
  if (!FRecording) return;
  FRecording = false;
  SetRecordingState(false);
  FinishRecording(stopKeys);
}

// The recording follows the rows in their present order, so moves and insertions made before it
// are kept.
void TRecordViewCtrl::FinishRecording(const std::vector<uint8_t>& stopKeys) {
  StoreViewOrder();
  ctrl_.recorder.Stop(FActionCtrl->Actions, stopKeys);
  rows_.Fill(FActionCtrl->Actions);
  if (ctrl_.recorder.LimitReached()) ctrl_.prompt.Warning(kWarning, kRecordLimitText);
}

int TRecordViewCtrl::NewAction(int focusedRow) {
  std::vector<TActionObj> made;
  try {
    if (!dialogs_.RunNewActionEditor(made)) return focusedRow;
  } catch (const Error& error) {
    ctrl_.prompt.Warning(kWarning, error.what());
    return focusedRow;
  }
  int row = focusedRow;
  for (TActionObj& action : made) {
    auto shared = std::make_shared<TActionObj>(std::move(action));
    row = rows_.InsertAfter(row, shared);
    FActionCtrl->Actions.Add(shared);
  }
  return row;
}

void TRecordViewCtrl::EditAction(int focusedRow) {
  if (!rows_.IsRow(focusedRow)) return;
  const TActionPtr action = rows_.At(focusedRow);
  try {
    if (dialogs_.RunActionEditor("Edit Action", action.get(), *action)) rows_.Refresh(focusedRow);
  } catch (const Error& error) {
    ctrl_.prompt.Warning(kWarning, error.what());
  }
}

int TRecordViewCtrl::DeleteAction(int focusedRow) {
  if (!rows_.IsRow(focusedRow)) return focusedRow;
  if (!ctrl_.prompt.Question(kWarning, "Are you sure to delete the click?")) return focusedRow;
  const std::ptrdiff_t index = FActionCtrl->Actions.IndexOf(rows_.At(focusedRow).get());
  if (index >= 0) FActionCtrl->Actions.Delete(static_cast<size_t>(index));
  rows_.Remove(focusedRow);
  if (rows_.IsRow(focusedRow)) return focusedRow;
  return rows_.IsRow(focusedRow - 1) ? focusedRow - 1 : -1;
}

void TRecordViewCtrl::ClearActions() {
  if (!ctrl_.prompt.Question(kWarning, "Are you sure to clear the list?")) return;
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

std::string TRecordViewCtrl::TargetFile(const std::string& name) const {
  const bool renamed = newMacro_ || name != FActionCtrl->FName;
  return renamed ? FActionCtrl->NamedPath(name) : FActionCtrl->DocumentPath();
}

bool TRecordViewCtrl::TargetTakenByOther(const std::string& name) const {
  const std::string target = TargetFile(name);
  if (!newMacro_ && target == FActionCtrl->FFile) return false;  // its own document
  std::error_code ignored;
  return std::filesystem::exists(target, ignored);
}

bool TRecordViewCtrl::Confirm(const std::string& name) {
  StopRecording();
  if (name.empty()) {
    ctrl_.prompt.Message("Zorvel", "Must Input Macro Name!");
    return false;
  }
  try {
    CheckDocumentName(name);
  } catch (const Error& error) {
    ctrl_.prompt.Warning(kWarning, error.what());
    return false;
  }
  const bool replaceAgreed = TargetTakenByOther(name);
  if (replaceAgreed &&
      !ctrl_.prompt.Question(
          kWarning, "A macro named \"" + name + "\" already exists. Do you want to replace it?"))
    return false;
  StoreViewOrder();
  const std::string target = TargetFile(name);
  try {
    if (!SaveAs(name, replaceAgreed)) return false;
  } catch (const Error& error) {
    ctrl_.prompt.Warning(kWarning, std::string("The macro could not be saved: ") + error.what());
    return false;
  }
  DropOtherMacrosOf(target);
  loadedActions_ = ActionsText(FActionCtrl->Actions);
  saved_ = true;
  return true;
}

bool TRecordViewCtrl::ActionsChanged() const {
  return FRecording || ActionsText(rows_.Rows()) != loadedActions_;
}

bool TRecordViewCtrl::ConfirmDiscard() {
  StopRecording();
  return !ActionsChanged() ||
         ctrl_.prompt.Question(kWarning, "Discard the changes to this macro?", false);
}

// A new name is a new file (the old one goes once it is written); the same name keeps the file
// the macro came from. A document another program changed meanwhile is replaced only when the
// user agrees, before or now. A save that does not happen puts the date back, so the reload on
// closing still finds the macro's own document as it was.
bool TRecordViewCtrl::SaveAs(const std::string& name, bool replaceAgreed) {
  const std::string oldCreateTime = FActionCtrl->FCreateTime;
  FActionCtrl->FCreateTime = FormatShortDate(ctrl_.clock.Now());
  const bool keepFile = !newMacro_ && name == FActionCtrl->FName;
  const auto save = [&](TActionCtrl::TOverwrite how) {
    if (keepFile)
      FActionCtrl->SaveDocument(how);
    else
      FActionCtrl->SaveDocumentAs(name, how);
  };
  bool saved = false;
  try {
    if (replaceAgreed) save(TActionCtrl::TOverwrite::Always);
    saved = replaceAgreed || SaveAskingBeforeReplacing(ctrl_.prompt, name, save);
  } catch (...) {
    FActionCtrl->FCreateTime = oldCreateTime;
    throw;
  }
  if (!saved) FActionCtrl->FCreateTime = oldCreateTime;
  return saved;
}

// The listed macros whose document was just replaced are gone: they leave the list.
void TRecordViewCtrl::DropOtherMacrosOf(const std::string& file) {
  TActionsList kept;
  for (const TActionCtrlPtr& other : ctrl_.macros)
    if (other == FActionCtrl || other->FFile != file) kept.Add(other);
  ctrl_.macros = std::move(kept);
}

void TRecordViewCtrl::FormClose() {
  if (closed_) return;
  StopRecording();
  UnregisterRecordHotkeys();
  closed_ = true;
  ReloadMacro();
}

void TRecordViewCtrl::ReloadMacro() {
  if (!FActionCtrl || (newMacro_ && !saved_)) return;  // a new macro that was never saved
  std::error_code ignored;
  if (!std::filesystem::exists(FActionCtrl->DocumentPath(), ignored)) return;
  try {
    FActionCtrl->LoadDocumentOrThrow();
  } catch (const Error& error) {
    ctrl_.prompt.Warning(kWarning, error.what());
  }
}

void TRecordViewCtrl::RecordConfig() {
  const TKeyWarning warning = [this](int32_t start, int32_t stop) {
    return RecordKeyWarning(start, stop);
  };
  if (dialogs_.RunRecordConfig(ctrl_.settings, warning)) RegisterRecordHotkeys();
}

void TRecordViewCtrl::RegisterRecordHotkeys() {
  UnregisterRecordHotkeys();
  const TRecordSettings& settings = ctrl_.settings;
  // An index outside F1 ... F12 (a hand-edited settings file) would grab a key the handler
  // ignores; it is not registered at all.
  const THotkeyHandler handler = [this](uint32_t modifiers, uint32_t vk) {
    WMHotKey(modifiers, vk);
  };
  startKeyHeld_ = IsFKeyIndex(settings.RecordStartHotkey) &&
                  !ctrl_.registerHotkey(kRecordStartHotkeyId, MOD_ALT,
                                        FKeyVk(settings.RecordStartHotkey), handler);
  stopKeyHeld_ = IsFKeyIndex(settings.RecordStopHotkey) &&
                 !ctrl_.registerHotkey(kRecordStopHotkeyId, MOD_ALT,
                                       FKeyVk(settings.RecordStopHotkey), handler);
  hotkeysRegistered_ = true;
}

void TRecordViewCtrl::UnregisterRecordHotkeys() {
  if (!hotkeysRegistered_) return;
  ctrl_.unregisterHotkey(kRecordStartHotkeyId);
  ctrl_.unregisterHotkey(kRecordStopHotkeyId);
  hotkeysRegistered_ = false;
}

void TRecordViewCtrl::WMHotKey(uint32_t modifiers, uint32_t vk) {
  if (closed_ || !FActionCtrl || modifiers != MOD_ALT || !IsFKeyVk(vk)) return;
  const int32_t index = FKeyIndex(vk);
  const TRecordSettings& settings = ctrl_.settings;
  if (index == settings.RecordStartHotkey)
    StartRecording(RecordHotkeyKeys(index));
  else if (index == settings.RecordStopHotkey)
    StopRecording(RecordHotkeyKeys(index));
}

std::string TRecordViewCtrl::StartKeyName() const {
  return FKeyName("Alt", ctrl_.settings.RecordStartHotkey);
}

std::string TRecordViewCtrl::StopKeyName() const {
  return FKeyName("Alt", ctrl_.settings.RecordStopHotkey);
}

std::string TRecordViewCtrl::HotkeyLine() const {
  std::string line = StartKeyName() + " starts and " + StopKeyName() + " stops a recording.";
  std::vector<std::string> held;
  if (startKeyHeld_) held.push_back(StartKeyName());
  if (stopKeyHeld_ && StopKeyName() != StartKeyName()) held.push_back(StopKeyName());
  if (held.empty()) return line;
  return line + " " + HeldKeys(held) + " by another program: choose another key in Record Config.";
}

std::string TRecordViewCtrl::RecordKeyWarning(int32_t start, int32_t stop) const {
  if (IsFKeyIndex(start) && start == stop)
    return "Start and stop are the same key: a recording could not be stopped with it.";
  std::vector<std::string> held;
  for (const int32_t key : {start, stop})
    if (IsFKeyIndex(key) && ctrl_.heldElsewhere && ctrl_.heldElsewhere(MOD_ALT, FKeyVk(key)))
      held.push_back(FKeyName("Alt", key));
  if (held.empty()) return {};
  return HeldKeys(held) + " by another program and would not work here.";
}

}  // namespace zorvel
