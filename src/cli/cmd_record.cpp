// zorvel-cli record: records the desktop's input into a macro until the stop hotkey or Ctrl+C.

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <filesystem>
#include <iostream>
#include <iterator>
#include <memory>
#include <vector>

#include "cli/cli_common.h"
#include "cli/record_safety.h"
#include "common/atomic_file.h"
#include "common/date_time.h"
#include "common/error.h"
#include "model/xml_document.h"
#include "platform/desktop.h"
#include "recording/record_settings.h"
#include "recording/recorder.h"

namespace zorvel::cli {
namespace {

const CommandSyntax kSyntax{
    "usage: zorvel-cli record NAME [--append] [--folder DIR]\n"
    "Records the mouse and the keyboard of the whole desktop into the macro NAME, from now until\n"
    "the stop hotkey (Alt+F3 unless zorvelconfig.xml says otherwise, itself not recorded) or\n"
    "Ctrl+C, then saves it and prints the number of actions recorded. Mouse moves and keys are\n"
    "recorded as zorvelconfig.xml says (created with both on when missing). A closed terminal,\n"
    "SIGTERM, SIGQUIT or the X server going away end the recording like Ctrl+C. When the macro\n"
    "cannot be saved, the recording is saved to $XDG_STATE_HOME/zorvel/ (~/.local/state/zorvel)\n"
    "instead and the command says where, exiting with 1.\n"
    "  --append   add to the existing macro NAME instead of creating a new one\n",
    {{"--append", false}},
    1,
    1};

constexpr int kStopHotkeyId = 1;

// The signals that end a recording the way Ctrl+C does, "stop and save": an interrupt, a
// termination request, the terminal closed, a quit request.
constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};
constexpr size_t kStopSignalCount = std::size(kStopSignals);

// Turns the stop signals into a readable pipe while it lives, so the wait loop can poll for them
// beside the X connections.
class SignalPipe {
 public:
  SignalPipe() {
    if (pipe2(fds_, O_CLOEXEC | O_NONBLOCK) != 0) throw Error("Cannot create a pipe for signals.");
    writeFd_ = fds_[1];
    struct sigaction action {};
    action.sa_handler = &SignalPipe::OnSignal;
    sigemptyset(&action.sa_mask);
    for (size_t i = 0; i < kStopSignalCount; ++i) sigaction(kStopSignals[i], &action, &old_[i]);
  }
  ~SignalPipe() {
    for (size_t i = 0; i < kStopSignalCount; ++i) sigaction(kStopSignals[i], &old_[i], nullptr);
    writeFd_ = -1;
    close(fds_[0]);
    close(fds_[1]);
  }
  SignalPipe(const SignalPipe&) = delete;
  SignalPipe& operator=(const SignalPipe&) = delete;

  int FileDescriptor() const { return fds_[0]; }

 private:
  static void OnSignal(int) {
    const int saved = errno;
    const char byte = 1;
    if (writeFd_ >= 0) {
      const ssize_t written = write(writeFd_, &byte, 1);
      static_cast<void>(written);  // a full pipe already holds a stop request
    }
    errno = saved;
  }

  static inline volatile sig_atomic_t writeFd_ = -1;
  int fds_[2] = {-1, -1};
  struct sigaction old_[kStopSignalCount] {};
};

// The macro to record into: a new one, or with --append the stored one. A file of that name is
// never overwritten by a new macro, whatever it holds.
TActionCtrlPtr MacroToRecordInto(TXMLDocument& document, const std::string& folder,
                                 const std::string& name, bool append) {
  CheckDocumentName(name);
  if (name.empty()) throw Error("the macro name is empty");
  auto macro = std::make_shared<TActionCtrl>(document, folder);
  macro->FName = name;
  const std::string path = macro->DocumentPath();
  std::error_code error;
  const bool exists = std::filesystem::exists(path, error);
  if (!append && exists)
    throw Error("a macro \"" + name + "\" exists already; use --append to add to it");
  if (append && !exists) throw Error("no macro \"" + name + "\" to append to in " + folder);
  if (append && !macro->LoadDocument()) throw Error(path + " cannot be read as a macro document");
  CheckRecordTarget(folder, name);
  return macro;
}

// Registers Alt + the stop F-key; tells on stderr when there is none, so Ctrl+C is the way out.
bool RegisterStopHotkey(IHotkeys& hotkeys, int32_t index) {
  if (!IsFKeyIndex(index)) {
    std::cerr << "zorvel-cli record: RecordStopHotkey " << index
              << " is not a function key (0..11); stop with Ctrl+C\n";
    return false;
  }
  if (!hotkeys.Register(kStopHotkeyId, MOD_ALT, FKeyVk(index))) {
    std::cerr << "zorvel-cli record: Alt+F" << index + 1
              << " is held by another program; stop with Ctrl+C\n";
    return false;
  }
  return true;
}

// Dispatches the recorder and the hotkeys until the stop hotkey, a stop signal, the loss of the
// X server or `limitReached`; says on stderr why when it is not the user's own stop. True when
// the stop hotkey ended it.
bool WaitForStop(IInputSource& source, IHotkeys& hotkeys, const SignalPipe& signals,
                 uint32_t stopVk, const bool& limitReached) {
  bool stop = false, byHotkey = false;
  hotkeys.SetCallback([&](int id, uint32_t modifiers, uint32_t vk) {
    if (id == kStopHotkeyId && modifiers == MOD_ALT && vk == stopVk) stop = byHotkey = true;
  });
  while (!stop && !limitReached && !DesktopLost()) {
    pollfd watched[3] = {{source.FileDescriptor(), POLLIN, 0},
                         {hotkeys.FileDescriptor(), POLLIN, 0},
                         {signals.FileDescriptor(), POLLIN, 0}};
    poll(watched, 3, 100);  // a timeout too: Xlib may hold data it has already read
    source.Dispatch();
    hotkeys.Dispatch();
    if (watched[2].revents & POLLIN) stop = true;
  }
  hotkeys.SetCallback(nullptr);
  if (DesktopLost())
    std::cerr << "zorvel-cli record: the X server went away; saving what was recorded\n";
  else if (limitReached)
    std::cerr << "zorvel-cli record: " << kRecordLimitText << "\n";
  return byHotkey;
}

// Saves the recording into its document; when that fails, into a fallback document, and says
// where. Returns whether the macro's own document was written.
bool SaveRecording(TActionCtrl& macro) {
  try {
    // Refused when another program wrote the document meanwhile: a new macro's file appeared, or
    // the appended one changed since it was read. Its document is then left as it is.
    macro.SaveDocument(TActionCtrl::TOverwrite::IfUnchanged);
    return true;
  } catch (const Error& error) {
    std::cerr << "zorvel-cli record: cannot save \"" << OneLine(macro.FName)
              << "\": " << Printable(error.what()) << "\n";
  }
  const std::string fallback = SaveFallback(macro);
  std::cerr << "zorvel-cli record: the recording was saved to " << Printable(fallback)
            << " instead\n";
  return false;
}

}  // namespace

int RunRecord(const std::vector<std::string>& args) {
  ParsedArgs parsed;
  if (auto done = ParseCommandLine("record", args, kSyntax, parsed)) return *done;
  return RunReporting("record", [&] {
    TXMLDocument document;
    TRecordSettings settings;
    LoadSettings(document, parsed.folder, settings);
    TActionCtrlPtr macro =
        MacroToRecordInto(document, parsed.folder, parsed.positional[0], parsed.Has("--append"));

    // A lost X server ends the recording like Ctrl+C, rather than the process.
    SurviveDesktopLoss();
    std::unique_ptr<IInputSource> source = OpenInputSource();
    std::unique_ptr<IHotkeys> hotkeys = OpenHotkeys();
    PrintDesktopNotice();
    const bool hasStopKey = RegisterStopHotkey(*hotkeys, settings.RecordStopHotkey);
    SignalPipe signals;

    TEventList events;
    TRecordSettingsRef filters(settings);
    TRecorder recorder(*source, filters, events);
    bool limitReached = false;
    recorder.SetEventLimit(RecordableEvents(macro->DocumentBytes()), [&] { limitReached = true; });
    if (!recorder.StartHook()) {
      const std::string reason = recorder.StartFailure();
      throw Error(reason.empty() ? "the X server refused to start recording" : reason);
    }
    std::cerr << "Recording; stop with "
              << (hasStopKey ? "Alt+F" + std::to_string(settings.RecordStopHotkey + 1) + " or "
                             : std::string())
              << "Ctrl+C\n";
    const bool byHotkey =
        WaitForStop(*source, *hotkeys, signals, FKeyVk(settings.RecordStopHotkey), limitReached);
    const size_t recorded =
        recorder.Stop(macro->Actions, byHotkey ? RecordHotkeyKeys(settings.RecordStopHotkey)
                                               : std::vector<uint8_t>{});
    hotkeys->Unregister(kStopHotkeyId);

    macro->FCreateTime = FormatShortDate(TSystemClock().Now());
    RemoveLeftoverTemporaryFiles(parsed.folder);
    if (!SaveRecording(*macro)) return kExitFailure;
    std::cout << recorded << (recorded == 1 ? " action" : " actions") << " recorded into \""
              << OneLine(macro->FName) << "\"\n";
    return kExitOk;
  });
}

}  // namespace zorvel::cli
