// zorvel-cli play: plays one macro on the X display and waits for its end.

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <memory>

#include "cli/cli_common.h"
#include "common/date_time.h"
#include "common/error.h"
#include "model/action_text.h"
#include "model/xml_document.h"
#include "platform/desktop.h"
#include "playback/run_ctrl.h"
#include "playback/screen_on_demand.h"

namespace zorvel::cli {
namespace {

const CommandSyntax kSyntax{
    "usage: zorvel-cli play NAME|FILE [--folder DIR] [--verbose]\n"
    "Plays a macro on the X display with its own run settings (repeat, speed, interval) and\n"
    "prints one line when the run ends. The run begins once the keys held when the command\n"
    "started (the Return that started it) are let go of. Ctrl+C, or the macro's stop hotkey\n"
    "Ctrl+F<n>, stops it; the command returns once every key and button the macro held is\n"
    "released. A signal that ends it (Ctrl+C, a closed terminal, kill ...) gives the exit status\n"
    "128 + the signal's number. --verbose prints each action as it plays, with the seconds\n"
    "since the run began, and each colour or picture click that found nothing.\n",
    {{"--verbose", false}},
    1,
    1};

constexpr int kStopHotkeyId = 1;

// Every signal whose default is to end the program and that can be caught, as a file descriptor;
// the signals are blocked (in the run thread too, which inherits the mask) while it lives. The
// faults a program causes itself (SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT, SIGTRAP, SIGSYS)
// keep their default.
class TSignalWatch {
 public:
  TSignalWatch() {
    sigemptyset(&signals_);
    for (int signal : {SIGHUP, SIGINT, SIGQUIT, SIGUSR1, SIGUSR2, SIGPIPE, SIGALRM, SIGTERM,
                       SIGSTKFLT, SIGVTALRM, SIGPROF, SIGXCPU, SIGXFSZ, SIGIO, SIGPWR})
      sigaddset(&signals_, signal);
    for (int signal = SIGRTMIN; signal <= SIGRTMAX; ++signal) sigaddset(&signals_, signal);
    pthread_sigmask(SIG_BLOCK, &signals_, &previous_);
    fd_ = signalfd(-1, &signals_, SFD_CLOEXEC | SFD_NONBLOCK);
    if (fd_ < 0) {
      pthread_sigmask(SIG_SETMASK, &previous_, nullptr);
      throw Error(std::string("Cannot watch for Ctrl+C: ") + std::strerror(errno));
    }
  }
  ~TSignalWatch() {
    close(fd_);
    pthread_sigmask(SIG_SETMASK, &previous_, nullptr);
  }
  TSignalWatch(const TSignalWatch&) = delete;
  TSignalWatch& operator=(const TSignalWatch&) = delete;

  int FileDescriptor() const { return fd_; }
  // Reads the signals that came; the number of the first one (0 when none) is kept.
  void Drain() {
    signalfd_siginfo info;
    while (read(fd_, &info, sizeof info) == static_cast<ssize_t>(sizeof info))
      if (first_ == 0) first_ = static_cast<int>(info.ssi_signo);
  }
  int FirstSignal() const { return first_; }

 private:
  sigset_t signals_{};
  sigset_t previous_{};
  int fd_ = -1;
  int first_ = 0;
};

// The end notification of a run, carried from the run thread to the loop through a pipe.
class TEndPipe {
 public:
  TEndPipe() {
    if (pipe2(fds_, O_CLOEXEC | O_NONBLOCK) != 0)
      throw Error(std::string("Cannot create a pipe: ") + std::strerror(errno));
  }
  ~TEndPipe() {
    close(fds_[0]);
    close(fds_[1]);
  }
  TEndPipe(const TEndPipe&) = delete;
  TEndPipe& operator=(const TEndPipe&) = delete;

  int FileDescriptor() const { return fds_[0]; }
  // On the run thread.
  void Post(uint64_t runId) {
    while (write(fds_[1], &runId, sizeof runId) < 0 && errno == EINTR) {
    }
  }
  bool Take(uint64_t& runId) {
    return read(fds_[0], &runId, sizeof runId) == static_cast<ssize_t>(sizeof runId);
  }

 private:
  int fds_[2] = {-1, -1};
};

// The macro's stop hotkey; nothing when it is out of range or cannot be had.
std::unique_ptr<IHotkeys> GrabStopHotkey(const TActionConfig& config, TRunCtrl& ctrl) {
  if (!IsFKeyIndex(config.StopHotkey)) return nullptr;
  std::unique_ptr<IHotkeys> hotkeys;
  try {
    hotkeys = OpenHotkeys();
  } catch (const Error&) {
    return nullptr;
  }
  hotkeys->SetCallback([&ctrl](int id, uint32_t, uint32_t) {
    if (id == kStopHotkeyId) ctrl.Stop();
  });
  const auto vk = FKeyVk(config.StopHotkey);
  // With further modifiers too: the macro may hold Shift, Alt or Ctrl when the user presses it.
  if (!hotkeys->Register(kStopHotkeyId, MOD_CONTROL | MOD_ANYEXTRA, vk)) {
    std::cerr << "zorvel-cli play: the stop hotkey Ctrl+F" << config.StopHotkey + 1
              << " is taken by another program; stop with Ctrl+C\n";
    return nullptr;
  }
  return hotkeys;
}

// Waits for the end of the run, stopping it on a signal or the stop hotkey.
void WaitForEnd(TRunCtrl& ctrl, TEndPipe& ends, TSignalWatch& signals, IHotkeys* hotkeys) {
  for (;;) {
    pollfd fds[3] = {{ends.FileDescriptor(), POLLIN, 0},
                     {signals.FileDescriptor(), POLLIN, 0},
                     {hotkeys ? hotkeys->FileDescriptor() : -1, POLLIN, 0}};
    // Events already read into the hotkey connection's queue do not show on its descriptor.
    if (hotkeys) hotkeys->Dispatch();
    if (poll(fds, 3, -1) < 0) {
      if (errno == EINTR) continue;
      throw Error(std::string("poll failed: ") + std::strerror(errno));
    }
    if (fds[1].revents & POLLIN) {
      signals.Drain();
      ctrl.Stop();
    }
    if (hotkeys && (fds[2].revents & POLLIN)) hotkeys->Dispatch();
    uint64_t runId = 0;
    if ((fds[0].revents & POLLIN) && ends.Take(runId)) {
      ctrl.RunFinished(runId);
      if (runId == ctrl.CurrentRunId()) return;
    }
  }
}

// --verbose: one line per action as it plays, and one per click that found nothing.
class TVerbosePrinter : public IRunObserver {
 public:
  explicit TVerbosePrinter(std::string name) : name_(std::move(name)) {}
  void ActionStarting(const TRunProgress& progress, const TActionObj& action) override {
    std::cout << Elapsed() << "  " << ProgressText(name_, progress) << ": "
              << OneLine(ActionText(action, "Action")) << std::endl;
  }
  void TargetMissed(const std::string& what) override {
    std::cout << Elapsed() << "  " << OneLine(what) << std::endl;
  }

 private:
  std::string Elapsed() const {
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                        std::chrono::steady_clock::now() - start_)
                        .count();
    char text[32];
    std::snprintf(text, sizeof text, "%lld.%03lld s", static_cast<long long>(ms / 1000),
                  static_cast<long long>(ms % 1000));
    return text;
  }

  std::string name_;
  std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

int PlayMacro(const std::string& folder, const std::string& operand, bool verbose) {
  TXMLDocument document;
  TActionCtrlPtr macro = FindMacro(document, folder, operand);
  auto input = OpenInput();
  // Opened by the run only when the macro looks at the screen (colour and picture clicks).
  TScreenOnDemand screen([] { return OpenScreen(); });
  PrintDesktopNotice();
  TSystemClock clock;
  TSignalWatch signals;
  TVerbosePrinter printer(OneLine(macro->FName));  // outlives the run controller's thread
  TEndPipe ends;
  TRunCtrl ctrl(*input, screen, clock, [&ends](uint64_t runId) { ends.Post(runId); });
  auto hotkeys = GrabStopHotkey(macro->Config, ctrl);
  if (verbose) ctrl.SetObserver(&printer);
  // The Return that started the command may still be down.
  ctrl.Start(macro, TKeyChord::AnyKey(), TStartedBy::CommandLine);
  WaitForEnd(ctrl, ends, signals, hotkeys.get());
  const std::string name = OneLine(macro->FName);
  const TRunOutcome& outcome = ctrl.LastOutcome();
  if (outcome.kind == TRunOutcome::TKind::Failed) {
    std::cerr << "zorvel-cli play: \"" << name
              << "\" ended on an error: " << OneLine(outcome.message) << "\n";
    return kExitFailure;
  }
  std::cout << "\"" << name << "\" "
            << (outcome.kind == TRunOutcome::TKind::Stopped ? "stopped" : "finished") << "\n";
  if (signals.FirstSignal() != 0) return 128 + signals.FirstSignal();
  return kExitOk;
}

}  // namespace

int RunPlay(const std::vector<std::string>& args) {
  ParsedArgs parsed;
  if (auto done = ParseCommandLine("play", args, kSyntax, parsed)) return *done;
  return RunReporting("play", [&] {
    return PlayMacro(parsed.folder, parsed.positional[0], parsed.Has("--verbose"));
  });
}

}  // namespace zorvel::cli
