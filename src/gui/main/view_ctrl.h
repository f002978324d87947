#pragma once

// The controller of the main window's macro list: loads and fills it and carries out the toolbar
// commands and the macro hotkeys. It knows the list only through IMacroListView, so it runs
// against the real list widget or a test double alike.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "gui/widgets/hotkey_text.h"
#include "model/action_ctrl.h"
#include "playback/run_thread.h"
#include "playback/schedule_index.h"

namespace zorvel {

class IPrompt;
class TRunCtrl;
class TXMLDocument;

// The list view: its own rows, each referring to one macro, in the order of the macro list.
class IMacroListView {
 public:
  virtual ~IMacroListView() = default;
  virtual int RowCount() const = 0;
  virtual TActionCtrlPtr RowMacro(int row) const = 0;
  // The focused row, or -1.
  virtual int FocusedRow() const = 0;
  // Rebuilds all rows from `macros` (repainting held back while it does).
  virtual void SetRows(const TActionsList& macros) = 0;
  // Removes a row; the rows after it move up.
  virtual void DeleteRow(int row) = 0;
  virtual void RepaintRow(int row) = 0;
  virtual void RepaintAll() = 0;
  // Makes `row` the focused (and selected) row.
  virtual void FocusRow(int row) = 0;
};

// The modal windows the commands open; tests answer them without showing anything.
struct TViewDialogs {
  // The recording window on `macro`, or on a new macro when it is null. Returns the macro when OK
  // saved it, null otherwise.
  std::function<TActionCtrlPtr(TActionCtrlPtr macro)> recordView;
  // The options and the schedule dialog, editing the object in place on OK. The options dialog
  // shows what `warning` says of the start and stop keys chosen.
  std::function<void(TActionConfig& config, const TKeyWarning& warning)> actionConfig;
  std::function<void(TActionSchedule& schedule)> schedule;
};

// What the list controller asks of the rest of the program.
struct TViewHooks {
  // True while a recording runs: hotkeys and schedules then start no run.
  std::function<bool()> recording;
  // Shows a one-line report in the status bar.
  std::function<void(const std::string&)> status;
  // True when another program holds the combination.
  std::function<bool(uint32_t modifiers, uint32_t vk)> heldElsewhere;
};

class TViewCtrl {
 public:
  // All references must outlive the controller; the view is attached later (SetView).
  TViewCtrl(TActionsList& macros, TRunCtrl& runCtrl, IPrompt& prompt, TXMLDocument& document,
            std::string folder);

  void SetView(IMacroListView* view) { view_ = view; }
  void SetDialogs(TViewDialogs dialogs) { dialogs_ = std::move(dialogs); }
  void SetHooks(TViewHooks hooks) { hooks_ = std::move(hooks); }

  // Scans the folder into the macro list, then FillList.
  void LoadList();
  // Rebuilds every row from the macro list.
  void FillList();
  // Another program added, changed or removed macro documents in the folder: scans it again and
  // updates the list (MergeRescan), keeping the focused macro focused. A running macro and the
  // one the recording window shows are left alone; their documents are looked at again once the
  // run has ended or the window has closed.
  void ReloadChangedDocuments();

  void NewMacro();
  void EditMacro();
  // Asks first; stops the macro's run when it is the one playing, then removes it and its file.
  void DeleteMacro();
  void ConfigMacro();
  void ScheduleMacro();
  void RunMacro();
  // The tray menu's "Run": plays the macro at `index` of the macro list (nothing while a run is
  // active or when there is no such macro).
  void RunListedMacro(size_t index);
  void StopMacro();

  // A Ctrl+F-key press (vk 0x70 ... 0x7B): starts the first idle match or stops running ones.
  // While recording it starts nothing and says so in the status bar.
  void HotkeyPressed(uint32_t vk);
  // The run thread's end notification, on the main thread. Returns how the run ended, or nothing
  // for the late end of an older run.
  std::optional<TRunOutcome> RunFinished(uint64_t runId);
  // The 500 ms timer tick. While recording a due macro is not started; the status bar says so.
  void CheckSchedules();

 private:
  TActionCtrlPtr FocusedMacro() const;
  // Opens `dialog` on the focused macro's `settings`, then saves the macro and repaints the list.
  // Nothing happens without a focused macro or a dialog.
  template <class Settings>
  void EditFocusedSettings(const std::function<void(Settings&)>& dialog,
                           Settings TActionCtrl::*settings);
  // Saves the macro's document; a failure is told in a warning box and returns false.
  bool SaveMacro(TActionCtrl& macro);
  void RepaintAll();
  // Rebuilds the rows from the macro list and focuses the macro focused before, when still listed.
  void FillListKeepingFocus();
  bool Recording() const { return hooks_.recording && hooks_.recording(); }
  // Names in the status bar the keys several macros share (after New and Config).
  void ReportSharedKeys();
  void Report(const std::string& text);

  TActionsList& macros_;
  TRunCtrl& runCtrl_;
  IPrompt& prompt_;
  TXMLDocument& document_;
  std::string folder_;
  IMacroListView* view_ = nullptr;
  TViewDialogs dialogs_;
  TScheduleIndex scheduleIndex_;
  // The macro the recording window shows, and whether a reload left it or a running macro alone.
  TActionCtrlPtr editing_;
  bool reloadDeferred_ = false;
  TViewHooks hooks_;
};

}  // namespace zorvel
