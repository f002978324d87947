#include "gui/main/ctrl.h"

#include <QFileSystemWatcher>
#include <QObject>
#include <QSocketNotifier>
#include <QTimer>
#include <chrono>
#include <vector>

#include "common/atomic_file.h"
#include "common/error.h"
#include "gui/main/view_ctrl.h"
#include "gui/widgets/guard.h"
#include "model/folder_scan.h"
#include "model/xml_document.h"
#include "playback/run_ctrl.h"
#include "playback/run_report.h"
#include "recording/record_settings.h"
#include "recording/recorder.h"

namespace zorvel {
namespace {

// Status bar updates from a run: at most this many a second.
constexpr int64_t kProgressIntervalMs = 100;

int64_t SteadyNowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

// Hands the run's progress to the main thread through the throttle: `schedule(delayMs)` is
// called on the run thread when the main thread should take the latest progress that much later.
class TProgressRelay : public IRunObserver {
 public:
  explicit TProgressRelay(std::function<void(int64_t delayMs)> schedule)
      : schedule_(std::move(schedule)) {}
  void ActionStarting(const TRunProgress& progress, const TActionObj&) override {
    if (const std::optional<int64_t> delay = throttle_.Offer(progress, SteadyNowMs()))
      schedule_(*delay);
  }
  void TargetMissed(const std::string&) override {}  // kept by the run log at the end
  TRunProgress Take() { return throttle_.Take(SteadyNowMs()); }

 private:
  std::function<void(int64_t)> schedule_;
  TProgressThrottle throttle_{kProgressIntervalMs};
};

}  // namespace

// Declared in the order of construction; destroyed in reverse, so the run controller (which joins
// its thread) goes before the context its end notifications are posted to, and before the
// desktop parts the run uses.
struct TCtrl::TImpl {
  TImpl(TDesktop desk, IPrompt& prompt, IClock& clock, std::string folder)
      : desktop(std::move(desk)), prompt(prompt), clock(clock), folder(std::move(folder)) {}

  TDesktop desktop;
  IPrompt& prompt;
  IClock& clock;
  std::string folder;
  TRecordSettings settings;
  // Only settings read from the file are written back: a file that could not be read is kept.
  bool settingsLoaded = false;
  TRecordSettingsRef settingsRef{settings};
  TXMLDocument document;
  TEventList events;
  TActionsList macros;
  QObject context;
  std::unique_ptr<TProgressRelay> progress;
  std::unique_ptr<TRecorder> recorder;
  std::unique_ptr<TRunCtrl> runCtrl;
  std::unique_ptr<TViewCtrl> viewCtrl;
  std::vector<std::unique_ptr<QSocketNotifier>> notifiers;
  // Both owned by the context; created by LoadMacros.
  QFileSystemWatcher* watcher = nullptr;
  QTimer* reloadTimer = nullptr;
  std::map<int, THotkeyHandler> hotkeyHandlers;
  // The combinations registered here, by id.
  std::map<int, std::pair<uint32_t, uint32_t>> heldHere;
  std::function<void(const std::string&)> statusSink;
  std::function<void()> runsObserver;
  int32_t widenedStopKey = -1;  // the F-key index registered with MOD_ANYEXTRA, or -1
};

TCtrl::TCtrl(TDesktop desktop, IPrompt& prompt, IClock& clock, std::string folder)
    : impl_(std::make_unique<TImpl>(std::move(desktop), prompt, clock, std::move(folder))) {
  TImpl& d = *impl_;
  d.recorder = std::make_unique<TRecorder>(*d.desktop.recorder, d.settingsRef, d.events);
  d.runCtrl = std::make_unique<TRunCtrl>(
      *d.desktop.input, *d.desktop.screen, d.clock,
      [this](uint64_t runId) { PostToMainThread([this, runId] { OnRunFinished(runId); }); });
  d.progress = std::make_unique<TProgressRelay>([this](int64_t delayMs) {
    PostToMainThread([this, delayMs] {
      QTimer::singleShot(std::chrono::milliseconds(delayMs), &impl_->context,
                         [this] { ShowProgress(impl_->progress->Take()); });
    });
  });
  d.runCtrl->SetObserver(d.progress.get());
  d.viewCtrl = std::make_unique<TViewCtrl>(d.macros, *d.runCtrl, d.prompt, d.document, d.folder);
  d.viewCtrl->SetHooks(
      {[this] { return impl_->recorder->Recording(); },
       [this](const std::string& text) { ShowStatus(text); },
       [this](uint32_t modifiers, uint32_t vk) { return HeldByOtherProgram(modifiers, vk); }});

  d.desktop.hotkeys->SetCallback(
      [this](int id, uint32_t modifiers, uint32_t vk) { DispatchHotkey(id, modifiers, vk); });
  for (IEventPump* pump : {static_cast<IEventPump*>(d.desktop.hotkeys.get()),
                           static_cast<IEventPump*>(d.desktop.recorder.get())}) {
    if (pump->FileDescriptor() < 0) continue;
    auto notifier = std::make_unique<QSocketNotifier>(pump->FileDescriptor(), QSocketNotifier::Read,
                                                      &d.context);
    QObject::connect(notifier.get(), &QSocketNotifier::activated, &d.context, [this, pump] {
      Guarded(
          "Desktop events", [pump] { pump->Dispatch(); }, StatusSink());
    });
    d.notifiers.push_back(std::move(notifier));
  }
}

void TCtrl::PostToMainThread(std::function<void()> call) {
  // The context lives on the main thread; a call still queued when it goes is dropped with it.
  QMetaObject::invokeMethod(&impl_->context, std::move(call), Qt::QueuedConnection);
}

void TCtrl::OnRunFinished(uint64_t runId) {
  Guarded(
      "Run",
      [this, runId] {
        if (!impl_->viewCtrl) return;
        const std::optional<TRunOutcome> outcome = impl_->viewCtrl->RunFinished(runId);
        if (!outcome) return;
        // A run that an error ended must not pass for one that finished.
        if (outcome->kind == TRunOutcome::TKind::Failed)
          ReportError("Run: The macro stopped early: " + outcome->message, StatusSink());
        else
          ShowStatus("Last run: " + impl_->runCtrl->Log().LastLine());
      },
      StatusSink());
  NotifyRunsChanged();
  FollowRunStopHotkey();
}

void TCtrl::ShowProgress(const TRunProgress& progress) {
  if (!impl_->runCtrl || !impl_->runCtrl->Running()) return;  // the end came first
  const auto macro = impl_->runCtrl->CurrentMacro();
  ShowStatus(ProgressText(macro ? macro->FName : std::string(), progress));
}

void TCtrl::SetRunsObserver(std::function<void()> observer) {
  impl_->runsObserver = std::move(observer);
}

void TCtrl::NotifyRunsChanged() {
  if (impl_->runsObserver) impl_->runsObserver();
}

void TCtrl::FollowRunStopHotkey() {
  int32_t wanted = -1;
  if (impl_->runCtrl && impl_->runCtrl->Running())
    if (const auto macro = impl_->runCtrl->CurrentMacro()) wanted = macro->Config.StopHotkey;
  if (!IsFKeyIndex(wanted)) wanted = -1;
  if (wanted == impl_->widenedStopKey) return;
  ReregisterMacroHotkey(impl_->widenedStopKey, MOD_CONTROL);
  ReregisterMacroHotkey(wanted, MOD_CONTROL | MOD_ANYEXTRA);
  impl_->widenedStopKey = wanted;
}

void TCtrl::ReregisterMacroHotkey(int32_t fKey, uint32_t modifiers) {
  if (!IsFKeyIndex(fKey)) return;
  const int id = kMacroHotkeyId + fKey;
  if (impl_->hotkeyHandlers.count(id)) Hotkeys().Register(id, modifiers, FKeyVk(fKey));
}

void TCtrl::DispatchHotkey(int id, uint32_t modifiers, uint32_t vk) {
  const auto found = impl_->hotkeyHandlers.find(id);
  if (found == impl_->hotkeyHandlers.end()) return;
  const THotkeyHandler handler = found->second;  // the handler may unregister itself
  handler(modifiers, vk);
}

TCtrl::~TCtrl() {
  if (impl_->reloadTimer) impl_->reloadTimer->stop();
  impl_->notifiers.clear();
  impl_->viewCtrl.reset();
  impl_->runCtrl.reset();
}

TRecordSettings& TCtrl::Settings() {
  return impl_->settings;
}

void TCtrl::LoadSettings() {
  try {
    zorvel::LoadSettings(impl_->document, impl_->folder, impl_->settings);
  } catch (const Error& error) {
    throw Error(std::string(error.what()) +
                " The settings are not written back at exit, so the file stays as it is.");
  }
  impl_->settingsLoaded = true;
}

void TCtrl::SaveSettings() {
  zorvel::SaveSettings(impl_->document, impl_->folder, impl_->settings);
}

void TCtrl::LoadMacros() {
  RemoveLeftoverTemporaryFiles(impl_->folder);
  impl_->viewCtrl->LoadList();
  WatchFolder();
}

// A save is a burst of events (the temporary file, then the rename); the list is reloaded once
// the burst is over.
void TCtrl::WatchFolder() {
  TImpl& d = *impl_;
  if (d.watcher) return;
  constexpr int kSettleMs = 150;
  d.watcher = new QFileSystemWatcher(&d.context);
  d.reloadTimer = new QTimer(&d.context);
  d.reloadTimer->setSingleShot(true);
  d.reloadTimer->setInterval(kSettleMs);
  QObject::connect(d.reloadTimer, &QTimer::timeout, &d.context, [this] {
    Guarded(
        "Folder", [this] { ReloadChangedDocuments(); }, StatusSink());
  });
  const auto changed = [timer = d.reloadTimer] { timer->start(); };
  QObject::connect(d.watcher, &QFileSystemWatcher::directoryChanged, &d.context, changed);
  QObject::connect(d.watcher, &QFileSystemWatcher::fileChanged, &d.context, changed);
  d.watcher->addPath(QString::fromStdString(d.folder));
  WatchListedFiles();
}

void TCtrl::ReloadChangedDocuments() {
  if (!impl_->viewCtrl || !impl_->watcher) return;
  impl_->viewCtrl->ReloadChangedDocuments();
  WatchListedFiles();
}

// Each listed document is watched too, so a file rewritten in place (not replaced) is noticed.
void TCtrl::WatchListedFiles() {
  TImpl& d = *impl_;
  const QStringList watched = d.watcher->files();
  if (!watched.isEmpty()) d.watcher->removePaths(watched);
  QStringList files;
  for (const TActionCtrlPtr& macro : d.macros) files << QString::fromStdString(macro->FFile);
  if (!files.isEmpty()) d.watcher->addPaths(files);
}

void TCtrl::Shutdown() {
  if (impl_->reloadTimer) impl_->reloadTimer->stop();
  impl_->notifiers.clear();
  impl_->viewCtrl.reset();
  impl_->runCtrl.reset();  // stops the run and waits for its thread
  if (impl_->settingsLoaded) SaveSettings();
}

TXMLDocument& TCtrl::Document() {
  return impl_->document;
}
TActionsList& TCtrl::Macros() {
  return impl_->macros;
}
TViewCtrl& TCtrl::ViewCtrl() {
  return *impl_->viewCtrl;
}
TRunCtrl& TCtrl::RunCtrl() {
  return *impl_->runCtrl;
}
TRecorder& TCtrl::Recorder() {
  return *impl_->recorder;
}
IScreen& TCtrl::Screen() {
  return *impl_->desktop.screen;
}
IInput& TCtrl::Input() {
  return *impl_->desktop.input;
}
IInputSource& TCtrl::InputSource() {
  return *impl_->desktop.recorder;
}
IHotkeys& TCtrl::Hotkeys() {
  return *impl_->desktop.hotkeys;
}
IPrompt& TCtrl::Prompt() {
  return impl_->prompt;
}
IClock& TCtrl::Clock() {
  return impl_->clock;
}
const std::string& TCtrl::Folder() const {
  return impl_->folder;
}

bool TCtrl::RegisterHotkey(int id, uint32_t modifiers, uint32_t vk, THotkeyHandler handler) {
  impl_->hotkeyHandlers[id] = std::move(handler);
  const bool registered = Hotkeys().Register(id, modifiers, vk);
  if (registered)
    impl_->heldHere[id] = {modifiers, vk};
  else
    impl_->heldHere.erase(id);
  PumpEvents();
  return registered;
}

void TCtrl::UnregisterHotkey(int id) {
  Hotkeys().Unregister(id);
  impl_->hotkeyHandlers.erase(id);
  impl_->heldHere.erase(id);
}

bool TCtrl::HeldByOtherProgram(uint32_t modifiers, uint32_t vk) {
  for (const auto& [id, combination] : impl_->heldHere)
    if (combination == std::pair{modifiers, vk}) return false;
  if (!Hotkeys().Register(kProbeHotkeyId, modifiers, vk)) return true;
  Hotkeys().Unregister(kProbeHotkeyId);
  return false;
}

TRecordServices TCtrl::RecordServices() {
  return {Recorder(),
          Settings(),
          Macros(),
          Document(),
          Prompt(),
          Clock(),
          Input(),
          Screen(),
          Folder(),
          StatusSink(),
          [this](int id, uint32_t modifiers, uint32_t vk, THotkeyHandler handler) {
            return RegisterHotkey(id, modifiers, vk, std::move(handler));
          },
          [this](int id) { UnregisterHotkey(id); },
          [this] { return RunCtrl().Running(); },
          [this](uint32_t modifiers, uint32_t vk) { return HeldByOtherProgram(modifiers, vk); }};
}

void TCtrl::PumpEvents() {
  Hotkeys().Dispatch();
  InputSource().Dispatch();
}

void TCtrl::SetStatusSink(std::function<void(const std::string&)> sink) {
  impl_->statusSink = std::move(sink);
}

TReportSink TCtrl::StatusSink() {
  return [this](const std::string& text) { ShowStatus(text); };
}

void TCtrl::ShowStatus(const std::string& text) {
  if (impl_->statusSink) impl_->statusSink(text);
}

}  // namespace zorvel
