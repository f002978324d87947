#include "support_process.h"

#include <fcntl.h>
#include <spawn.h>
#include <string.h>
#include <sys/wait.h>

#include <thread>
#include <utility>

#include "temp_folder.h"

extern char** environ;

namespace zorvel::test {
namespace {

// This process's environment with `changes` (NAME=VALUE sets, NAME removes) applied.
std::vector<std::string> ChildEnvironment(const std::vector<std::string>& changes) {
  std::vector<std::string> result;
  for (char** entry = environ; *entry != nullptr; ++entry) result.emplace_back(*entry);
  for (const std::string& change : changes) {
    const std::string name = change.substr(0, change.find('='));
    std::erase_if(result, [&](const std::string& entry) {
      return entry.compare(0, name.size() + 1, name + "=") == 0;
    });
    if (change.find('=') != std::string::npos) result.push_back(change);
  }
  return result;
}

std::vector<char*> NullTerminated(std::vector<std::string>& strings) {
  std::vector<char*> pointers;
  for (std::string& s : strings) pointers.push_back(s.data());
  pointers.push_back(nullptr);
  return pointers;
}

// The child's file actions; posix_spawn_file_actions_t is an owned C resource.
class TFileActions {
 public:
  TFileActions() { posix_spawn_file_actions_init(&actions_); }
  ~TFileActions() { posix_spawn_file_actions_destroy(&actions_); }
  TFileActions(const TFileActions&) = delete;
  TFileActions& operator=(const TFileActions&) = delete;
  void Open(int fd, const std::string& path, int flags) {
    posix_spawn_file_actions_addopen(&actions_, fd, path.c_str(), flags, 0600);
  }
  void Dup(int from, int to) { posix_spawn_file_actions_adddup2(&actions_, from, to); }
  const posix_spawn_file_actions_t* Get() const { return &actions_; }

 private:
  posix_spawn_file_actions_t actions_;
};

constexpr int kWriteFlags = O_WRONLY | O_CREAT | O_TRUNC;

}  // namespace

TExitStatus TExitStatus::FromWaitStatus(int status) {
  if (WIFSIGNALED(status)) return Signalled(WTERMSIG(status));
  return Exited(WEXITSTATUS(status));
}

std::ostream& operator<<(std::ostream& out, const TExitStatus& status) {
  switch (status.Kind()) {
    case TExitStatus::TKind::Exited:
      return out << "exited with " << status.Value();
    case TExitStatus::TKind::Signalled:
      return out << "ended by signal " << status.Value() << " (" << strsignal(status.Value())
                 << ")";
    case TExitStatus::TKind::TimedOut:
      return out << "still running";
    case TExitStatus::TKind::NotStarted:
      return out << "could not be started";
  }
  return out;
}

TChildProcess::TChildProcess(std::vector<std::string> args, TChildOptions options)
    : endSignal_(options.endSignal) {
  TFileActions actions;
  const bool files =
      options.input || options.output == TStream::Capture || options.errors == TStream::Capture;
  if (files) files_ = std::make_unique<TempFolder>();
  if (options.input) {
    files_->Write("input", *options.input);
    actions.Open(0, files_->File("input"), O_RDONLY);
  }
  if (options.output == TStream::Capture) actions.Open(1, files_->File("output"), kWriteFlags);
  if (options.errors == TStream::Capture) actions.Open(2, files_->File("errors"), kWriteFlags);
  if (options.errors == TStream::IntoOutput) actions.Dup(1, 2);

  std::vector<std::string> environment = ChildEnvironment(options.environment);
  const std::vector<char*> argv = NullTerminated(args);
  const std::vector<char*> envp = NullTerminated(environment);
  pid_t pid = -1;
  if (posix_spawn(&pid, argv[0], actions.Get(), nullptr, argv.data(), envp.data()) == 0)
    pid_ = pid;
  else
    status_ = TExitStatus::NotStarted();
}

TChildProcess::~TChildProcess() {
  Stop(endSignal_);
}

void TChildProcess::Signal(int signal) const {
  if (pid_ > 0 && !status_) kill(pid_, signal);
}

TExitStatus TChildProcess::Wait(std::chrono::milliseconds timeout) {
  if (status_) return *status_;
  int status = 0;
  if (timeout == kNoTimeout) {
    if (waitpid(pid_, &status, 0) != pid_) return TExitStatus::TimedOut();
  } else {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (waitpid(pid_, &status, WNOHANG) != pid_) {
      if (std::chrono::steady_clock::now() >= deadline) return TExitStatus::TimedOut();
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
  }
  status_ = TExitStatus::FromWaitStatus(status);
  return *status_;
}

TExitStatus TChildProcess::Stop(int signal) {
  Signal(signal);
  const TExitStatus ended = Wait();
  if (ended.Kind() != TExitStatus::TKind::TimedOut) return ended;
  Signal(SIGKILL);
  return Wait(kNoTimeout);
}

std::string TChildProcess::Output() const {
  return files_ ? files_->Read("output") : std::string();
}

std::string TChildProcess::Errors() const {
  return files_ ? files_->Read("errors") : std::string();
}

CommandResult RunCommand(const std::string& command) {
  TChildProcess shell({"/bin/sh", "-c", command},
                      TChildOptions().WithOutput(TStream::Capture).WithErrors(TStream::IntoOutput));
  CommandResult result;
  result.status = shell.Wait(TChildProcess::kNoTimeout);
  result.output = shell.Output();
  return result;
}

CommandResult RunXdotool(const std::string& args) {
  CommandResult result;
  for (int attempt = 0; attempt < 5; ++attempt) {
    result = RunCommand("xdotool " + args);
    if (result.output.find("Can't open display") == std::string::npos) break;
  }
  return result;
}

std::string BuiltProgram(const std::string& name) {
#ifdef ZORVEL_BINARY_DIR
  return std::string(ZORVEL_BINARY_DIR) + "/" + name;
#else
  return name;
#endif
}

}  // namespace zorvel::test
