// zorvel-cli record: records the desktop's input into a macro until the stop hotkey or Ctrl+C.

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <filesystem>
#include <iostream>
#include <memory>

#include "cli/cli_common.h"
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
    "the stop hotkey (Alt+F3 unless zorvelconfig.xml says otherwise) or Ctrl+C, then saves it\n"
    "and prints the number of actions recorded. Mouse moves and keys are recorded as\n"
    "zorvelconfig.xml says (created with both on when missing).\n"
    "  --append   add to the existing macro NAME instead of creating a new one\n",
    {{"--append", false}},
    1,
    1};

constexpr int kStopHotkeyId = 1;

// Turns SIGINT and SIGTERM into a readable pipe while it lives, so the wait loop can poll for them
// beside the X connections.
class SignalPipe {
 public:
  SignalPipe() {
    if (pipe2(fds_, O_CLOEXEC | O_NONBLOCK) != 0) throw Error("Cannot create a pipe for signals.");
    writeFd_ = fds_[1];
    struct sigaction action {};
    action.sa_handler = &SignalPipe::OnSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, &oldInt_);
    sigaction(SIGTERM, &action, &oldTerm_);
  }
  ~SignalPipe() {
    sigaction(SIGINT, &oldInt_, nullptr);
    sigaction(SIGTERM, &oldTerm_, nullptr);
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
  struct sigaction oldInt_ {};
  struct sigaction oldTerm_ {};
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

// Dispatches the recorder and the hotkeys until the stop hotkey or a signal.
void WaitForStop(IInputSource& source, IHotkeys& hotkeys, const SignalPipe& signals,
                 uint32_t stopVk) {
  bool stop = false;
  hotkeys.SetCallback([&](int id, uint32_t modifiers, uint32_t vk) {
    if (id == kStopHotkeyId && modifiers == MOD_ALT && vk == stopVk) stop = true;
  });
  while (!stop) {
    pollfd watched[3] = {{source.FileDescriptor(), POLLIN, 0},
                         {hotkeys.FileDescriptor(), POLLIN, 0},
                         {signals.FileDescriptor(), POLLIN, 0}};
    poll(watched, 3, 100);  // a timeout too: Xlib may hold data it has already read
    source.Dispatch();
    hotkeys.Dispatch();
    if (watched[2].revents & POLLIN) stop = true;
  }
  hotkeys.SetCallback(nullptr);
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

    std::unique_ptr<IInputSource> source = OpenInputSource();
    std::unique_ptr<IHotkeys> hotkeys = OpenHotkeys();
    PrintDesktopNotice();
    const bool hasStopKey = RegisterStopHotkey(*hotkeys, settings.RecordStopHotkey);
    SignalPipe signals;

    TEventList events;
    TRecordSettingsRef filters(settings);
    TRecorder recorder(*source, filters, events);
    if (!recorder.StartHook()) {
      const std::string reason = recorder.StartFailure();
      throw Error(reason.empty() ? "the X server refused to start recording" : reason);
    }
    std::cerr << "Recording; stop with "
              << (hasStopKey ? "Alt+F" + std::to_string(settings.RecordStopHotkey + 1) + " or "
                             : std::string())
              << "Ctrl+C\n";
    WaitForStop(*source, *hotkeys, signals, FKeyVk(settings.RecordStopHotkey));
    const size_t recorded = recorder.Stop(macro->Actions);
    hotkeys->Unregister(kStopHotkeyId);

    macro->FCreateTime = FormatShortDate(TSystemClock().Now());
    // Refused when another program wrote the document meanwhile: a new macro's file appeared, or
    // the appended one changed since it was read.
    RemoveLeftoverTemporaryFiles(parsed.folder);
    try {
      macro->SaveDocument(TActionCtrl::TOverwrite::IfUnchanged);
    } catch (const FileChangedError& error) {
      throw Error(std::string(error.what()) +
                  " It was left as it is; the recording was not saved.");
    }
    std::cout << recorded << (recorded == 1 ? " action" : " actions") << " recorded into \""
              << macro->FName << "\"\n";
    return kExitOk;
  });
}

}  // namespace zorvel::cli
