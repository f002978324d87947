#pragma once

// The application controller: owns the macros, the list and run controllers, the recorder and the
// desktop connections, and holds the four recording settings. One instance lives from the main
// window's first showing until it closes.

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "gui/recording/record_services.h"
#include "gui/widgets/guard.h"
#include "model/action_ctrl.h"
#include "platform/desktop.h"

class QObject;
class QSocketNotifier;

namespace zorvel {

class IClock;
class IPrompt;
class TRecorder;
class TRunCtrl;
class TViewCtrl;
struct TRunProgress;
class TXMLDocument;
struct TRecordSettings;

// Hotkey ids: the main window registers Ctrl+F1 ... Ctrl+F12 as kMacroHotkeyId + 0 ... 11;
// the recording window registers its Alt+F-keys from kRecordHotkeyId on.
inline constexpr int kMacroHotkeyId = 0x100;
// Registered for a moment to learn whether a combination is free.
inline constexpr int kProbeHotkeyId = 0x300;

class TCtrl {
 public:
  // `desktop` holds the real X11 parts or fakes; `folder` is the program folder (macro documents
  // and "zorvelconfig.xml"). Nothing is loaded yet: see LoadSettings and TViewCtrl::LoadList.
  TCtrl(TDesktop desktop, IPrompt& prompt, IClock& clock, std::string folder);
  // Stops a run in progress and waits for its thread. Does not save: see Shutdown.
  ~TCtrl();
  TCtrl(const TCtrl&) = delete;
  TCtrl& operator=(const TCtrl&) = delete;

  // The four recording settings (RecordMouseMove, RecordKeyBoard, RecordStartHotkey,
  // RecordStopHotkey). Read and changed in memory; written to the file by SaveSettings.
  TRecordSettings& Settings();
  // Reads "zorvelconfig.xml" in Folder() into Settings(), writing the default document first when
  // it is missing. Throws Error on an unreadable document, saying that it will not be written
  // back.
  void LoadSettings();
  // Writes Settings() back into "zorvelconfig.xml", keeping everything else in it. Throws Error.
  void SaveSettings();
  // Removes temporary files that killed saves left in the folder, scans the folder into the macro
  // list (TViewCtrl::LoadList) and from then on watches it: macro
  // documents that another program adds, changes or removes update the list a moment later.
  void LoadMacros();
  // The controller's part of shutdown: releases the list and run controllers (stopping a run in
  // progress and waiting for its thread), then SaveSettings, which may throw, when LoadSettings
  // succeeded. Afterwards only the destructor may be called.
  void Shutdown();

  TXMLDocument& Document();
  TActionsList& Macros();
  TViewCtrl& ViewCtrl();
  TRunCtrl& RunCtrl();
  TRecorder& Recorder();
  IScreen& Screen();
  IInput& Input();
  IInputSource& InputSource();
  IHotkeys& Hotkeys();
  IPrompt& Prompt();
  IClock& Clock();
  const std::string& Folder() const;

  // Registers a global hotkey whose presses go to `handler` alone, on the GUI thread, then handles
  // what the connection has already buffered. False when another program holds the combination.
  // A handler may unregister hotkeys, its own included, while it runs.
  bool RegisterHotkey(int id, uint32_t modifiers, uint32_t vk, THotkeyHandler handler);
  void UnregisterHotkey(int id);
  // True when another program holds the combination: it is not registered here and cannot be.
  bool HeldByOtherProgram(uint32_t modifiers, uint32_t vk);
  // What the recording window works with.
  TRecordServices RecordServices();
  // Handles the events the hotkey and recorder connections hold (they are also watched for input).
  void PumpEvents();
  // While a run is active, its macro's stop hotkey (Ctrl+F-key) also counts with further
  // modifiers held, as the macro may hold some; afterwards it is plain Ctrl+F-key again. Called
  // after every command and run end.
  void FollowRunStopHotkey();

  // Called on the main thread whenever the run log changed (a run began or ended).
  void SetRunsObserver(std::function<void()> observer);
  void NotifyRunsChanged();

  // Shows a one-line report in the main window's status bar (and nothing else).
  void SetStatusSink(std::function<void(const std::string&)> sink);
  void ShowStatus(const std::string& text);
  // ShowStatus as a sink for guarded handlers.
  TReportSink StatusSink();

 private:
  // Called on the run thread: queues the call for the main thread.
  void PostToMainThread(std::function<void()> call);
  void OnRunFinished(uint64_t runId);
  // The progress of the run in the status bar; posted from the run thread.
  void ShowProgress(const TRunProgress& progress);
  void DispatchHotkey(int id, uint32_t modifiers, uint32_t vk);
  // Registers the main window's Ctrl+F-key `fKey` again with `modifiers` (when it is registered).
  void ReregisterMacroHotkey(int32_t fKey, uint32_t modifiers);
  void WatchFolder();
  void ReloadChangedDocuments();
  void WatchListedFiles();

  struct TImpl;
  std::unique_ptr<TImpl> impl_;
};

}  // namespace zorvel
