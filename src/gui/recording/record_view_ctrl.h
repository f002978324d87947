#pragma once

// The logic of the recording window: the macro being recorded and edited, its rows, recording
// through the recorder, the Alt+F-key recording hotkeys, and OK / close. The window only forwards
// its events here, so all of it runs in tests without showing a window.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "gui/recording/action_row_model.h"
#include "gui/recording/record_services.h"
#include "gui/widgets/hotkey_text.h"
#include "model/action_ctrl.h"

namespace zorvel {

struct TRecordSettings;

// The modal dialogs the recording window opens; tests answer them without showing anything.
class IRecordViewDialogs {
 public:
  virtual ~IRecordViewDialogs() = default;
  // The action editor captioned `caption`, showing `shown` first when it is given (Edit). On OK
  // writes the dialog's values into `target` (throws Error naming a field that does not hold a
  // number, `target` then unchanged) and returns true.
  virtual bool RunActionEditor(const std::string& caption, const TActionObj* shown,
                               TActionObj& target) = 0;
  // The editor for a New: on OK the actions it makes (one, or the keys of a captured chord) and
  // true. Errors as for RunActionEditor.
  virtual bool RunNewActionEditor(std::vector<TActionObj>& actions) {
    TActionObj action;
    if (!RunActionEditor("New Action", nullptr, action)) return false;
    actions = {action};
    return true;
  }
  // The recording options dialog on `settings`; true on OK (the settings are then changed).
  // `warning` tells what is wrong with the start and stop key chosen.
  virtual bool RunRecordConfig(TRecordSettings& settings, const TKeyWarning& warning) = 0;
};

class TRecordViewCtrl {
 public:
  // `macro` null: a new macro, created by InitView.
  TRecordViewCtrl(TRecordServices services, TActionCtrlPtr macro, IRecordViewDialogs& dialogs);
  ~TRecordViewCtrl();
  TRecordViewCtrl(const TRecordViewCtrl&) = delete;
  TRecordViewCtrl& operator=(const TRecordViewCtrl&) = delete;

  // Called with the new state whenever recording starts or stops (the window's enabling).
  void SetRecordingObserver(std::function<void(bool recording)> observer);

  // FormShow: creates and names a new macro, fills the rows, registers the hotkeys.
  void InitView();
  // The name InitView puts into the name field.
  std::string MacroName() const;
  const TActionCtrlPtr& Macro() const { return FActionCtrl; }
  TActionRowModel& Rows() { return rows_; }
  bool Recording() const { return FRecording; }
  // True once OK has saved the macro.
  bool Saved() const { return saved_; }

  // Refused with a warning while a macro plays: the recording would take in its input.
  // `startKeys`, `stopKeys`: those of the hotkey that starts or stops it, when one does
  // (TRecorder).
  void StartRecording(const std::vector<uint8_t>& startKeys = {});
  void StopRecording(const std::vector<uint8_t>& stopKeys = {});

  // Each returns the row to focus afterwards (-1: none).
  int NewAction(int focusedRow);
  void EditAction(int focusedRow);
  int DeleteAction(int focusedRow);
  void ClearActions();
  int MoveUp(int focusedRow);
  int MoveDown(int focusedRow);

  // OK with the name field's text: ends a recording (keeping what it recorded), then saves. True
  // when the macro was saved and the window may close.
  bool Confirm(const std::string& name);
  // Cancel: ends a recording; when the rows differ from the actions loaded, asks whether to
  // discard them (default No). True when the window may close.
  bool ConfirmDiscard();
  bool ActionsChanged() const;
  // FormClose: ends a recording, unregisters the hotkeys, reloads the macro from its document.
  // Runs once; later calls do nothing.
  void FormClose();
  void RecordConfig();

  void RegisterRecordHotkeys();
  void UnregisterRecordHotkeys();
  // The handler of both recording hotkeys: only Alt with F1 ... F12 counts.
  void WMHotKey(uint32_t modifiers, uint32_t vk);

  // "Alt+F2" and "Alt+F3": the keys that start and stop a recording now.
  std::string StartKeyName() const;
  std::string StopKeyName() const;
  // The line under the tool bar: which keys start and stop a recording, and which of them another
  // program holds (found when they were registered).
  std::string HotkeyLine() const;
  // What is wrong with the pair chosen in "Record Config": a key another program holds, or the
  // same key for both.
  std::string RecordKeyWarning(int32_t start, int32_t stop) const;

 private:
  void SetRecordingState(bool recording);
  void FinishRecording(const std::vector<uint8_t>& stopKeys);
  void StoreViewOrder();
  // The file OK with `name` writes: the macro's own when the name is unchanged, else NAME.xml.
  std::string TargetFile(const std::string& name) const;
  // Whether that file exists and is not the macro's own (replacing it is asked first).
  bool TargetTakenByOther(const std::string& name) const;
  // Saves under `name`; false when the user kept another program's version of the document.
  bool SaveAs(const std::string& name, bool replaceAgreed);
  void ReloadMacro();
  void DropOtherMacrosOf(const std::string& file);

  TRecordServices ctrl_;
  IRecordViewDialogs& dialogs_;
  TActionCtrlPtr FActionCtrl;
  TActionRowModel rows_;
  bool FRecording = false;
  bool hotkeysRegistered_ = false;
  bool startKeyHeld_ = false;
  bool stopKeyHeld_ = false;
  // The actions as loaded (or as last saved), to tell whether closing throws changes away.
  std::string loadedActions_;
  bool newMacro_ = false;
  bool saved_ = false;
  bool closed_ = false;
  std::function<void(bool)> observer_;
};

}  // namespace zorvel
