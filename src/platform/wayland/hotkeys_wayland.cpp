// Global hotkeys on sway, through its IPC socket.
//
// Each hotkey is a binding whose command does nothing but carry a marker ("nop zorvel-hotkey PID
// COMBINATION"); sway reports the binding's use as an event on a second, subscribed socket. A
// binding made over IPC silently replaces an existing one, so a combination that the
// configuration, or another running Zorvel, already binds is refused. The bindings are removed
// again on exit; a ledger in the runtime folder lists them with their owner's process id, so the
// next start removes those of a process that died without removing its own.
// Other compositors have no such interface: their hotkeys cannot be had.

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <vector>

#include "common/error.h"
#include "platform/wayland/sway_ipc_wayland.h"
#include "platform/wayland/wayland_desktop.h"

namespace zorvel {
namespace {

constexpr char kMarker[] = "zorvel-hotkey";

bool ProcessAlive(long pid) {
  return pid > 0 && (kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM);
}

// The bindings every Zorvel process made on one sway instance: "PID COMBINATION" lines in a file
// of the runtime folder, read and written under a lock.
class TBindingLedger {
 public:
  struct TEntry {
    long pid = 0;
    std::string combination;
  };

  explicit TBindingLedger(const std::string& socketPath) {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    const std::string folder = runtime && *runtime ? runtime : "/tmp";
    path_ = folder + "/zorvel-sway-hotkeys-" +
            std::to_string(std::hash<std::string>{}(socketPath) % 1000000007);
  }

  // Runs `change` on the entries, under the lock, and writes back what it leaves.
  void Change(const std::function<void(std::vector<TEntry>&)>& change) {
    const int fd = open(path_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) return;  // without a ledger, stale bindings simply stay until sway restarts
    flock(fd, LOCK_EX);
    std::vector<TEntry> entries = Read();
    change(entries);
    Write(entries);
    flock(fd, LOCK_UN);
    close(fd);
  }

 private:
  std::vector<TEntry> Read() const {
    std::vector<TEntry> entries;
    std::ifstream in(path_);
    for (std::string line; std::getline(in, line);) {
      std::istringstream words(line);
      TEntry entry;
      if (words >> entry.pid >> entry.combination) entries.push_back(entry);
    }
    return entries;
  }
  void Write(const std::vector<TEntry>& entries) const {
    const std::string temporary = path_ + ".tmp";
    {
      std::ofstream out(temporary, std::ios::trunc);
      for (const auto& entry : entries) out << entry.pid << ' ' << entry.combination << '\n';
      if (!out.flush()) return;
    }
    std::rename(temporary.c_str(), path_.c_str());
  }

  std::string path_;
};

class TSwayHotkeys final : public IHotkeys {
 public:
  explicit TSwayHotkeys(const std::string& socketPath)
      : commands_(socketPath), events_(socketPath), ledger_(socketPath), pid_(getpid()) {
    const std::string reply = events_.Request(TSwayIpc::kSubscribe, "[\"binding\"]");
    if (reply.find("true") == std::string::npos)
      throw Error("sway refused to report its key bindings.");
    RemoveStaleBindings();
  }

  ~TSwayHotkeys() override {
    try {
      for (const auto& [combination, ids] : Combinations()) Unbind(combination);
    } catch (const Error&) {
      // sway is gone, and our bindings with it.
    }
  }

  int FileDescriptor() const override { return events_.FileDescriptor(); }

  void Dispatch() override {
    while (events_.Readable()) {
      uint32_t type = 0;
      const std::string payload = events_.Read(type);
      if (type == TSwayIpc::kBindingEvent) Deliver(payload);
    }
  }

  void SetCallback(Callback callback) override { callback_ = std::move(callback); }

  bool Register(int id, uint32_t modifiers, uint32_t vk) override {
    Unregister(id);
    const std::string written = SwayCombination(modifiers, vk);
    if (written.empty()) return false;
    const std::string combination = NormalizedCombination(written);
    const bool ours = !IdsOf(combination).empty();
    if (!ours && (Taken(combination) || !Bind(written, combination))) return false;
    hotkeys_[id] = {modifiers, vk, combination};
    return true;
  }

  void Unregister(int id) override {
    const auto found = hotkeys_.find(id);
    if (found == hotkeys_.end()) return;
    const std::string combination = found->second.combination;
    hotkeys_.erase(found);
    if (IdsOf(combination).empty()) Unbind(combination);
  }

 private:
  struct THotkey {
    uint32_t modifiers = 0;
    uint32_t vk = 0;
    std::string combination;  // normalized
  };

  std::vector<int> IdsOf(const std::string& combination) const {
    std::vector<int> ids;
    for (const auto& [id, hotkey] : hotkeys_)
      if (hotkey.combination == combination) ids.push_back(id);
    return ids;
  }

  std::map<std::string, std::vector<int>> Combinations() const {
    std::map<std::string, std::vector<int>> combinations;
    for (const auto& [id, hotkey] : hotkeys_) combinations[hotkey.combination].push_back(id);
    return combinations;
  }

  // True when the configuration or another live Zorvel binds the combination.
  bool Taken(const std::string& combination) {
    const std::string config = commands_.Request(TSwayIpc::kGetConfig, "");
    const auto text = JsonString(config, "config");
    if (text && ConfiguredCombinations(*text).count(combination)) return true;
    bool taken = false;
    ledger_.Change([&](std::vector<TBindingLedger::TEntry>& entries) {
      for (const auto& entry : entries)
        taken = taken || (entry.combination == combination && ProcessAlive(entry.pid));
    });
    return taken;
  }

  bool Run(const std::string& command) {
    const std::string reply = commands_.Request(TSwayIpc::kRunCommand, command);
    return reply.find("\"success\": true") != std::string::npos ||
           reply.find("\"success\":true") != std::string::npos;
  }

  bool Bind(const std::string& written, const std::string& combination) {
    if (!Run("bindsym --no-repeat " + written + " nop " + kMarker + " " + std::to_string(pid_) +
             " " + combination))
      return false;
    ledger_.Change([&](std::vector<TBindingLedger::TEntry>& entries) {
      entries.push_back({pid_, combination});
    });
    return true;
  }

  void Unbind(const std::string& combination) {
    Run("unbindsym --no-repeat " + combination);
    ledger_.Change([&](std::vector<TBindingLedger::TEntry>& entries) {
      std::erase_if(entries, [&](const auto& entry) {
        return entry.pid == pid_ && entry.combination == combination;
      });
    });
  }

  // Removes the bindings of Zorvel processes that ended without removing their own.
  void RemoveStaleBindings() {
    std::vector<std::string> stale;
    ledger_.Change([&](std::vector<TBindingLedger::TEntry>& entries) {
      std::erase_if(entries, [&](const auto& entry) {
        if (ProcessAlive(entry.pid)) return false;
        stale.push_back(entry.combination);
        return true;
      });
    });
    for (const auto& combination : stale) Run("unbindsym --no-repeat " + combination);
  }

  void Deliver(const std::string& payload) {
    const auto command = JsonString(payload, "command");
    if (!command) return;
    std::istringstream words(*command);
    std::string nop, marker, combination;
    long pid = 0;
    if (!(words >> nop >> marker >> pid >> combination) || marker != kMarker || pid != pid_) return;
    std::vector<std::pair<int, THotkey>> matches;
    for (const int id : IdsOf(combination)) matches.emplace_back(id, hotkeys_.at(id));
    for (const auto& [id, hotkey] : matches)
      if (callback_) callback_(id, hotkey.modifiers, hotkey.vk);
  }

  TSwayIpc commands_;
  TSwayIpc events_;
  TBindingLedger ledger_;
  long pid_;
  std::map<int, THotkey> hotkeys_;
  Callback callback_;
};

// A desktop without a hotkey interface: no combination can be had.
class TNoHotkeys final : public IHotkeys {
 public:
  int FileDescriptor() const override { return -1; }
  void Dispatch() override {}
  void SetCallback(Callback) override {}
  bool Register(int, uint32_t, uint32_t) override { return false; }
  void Unregister(int) override {}
};

}  // namespace

std::unique_ptr<IHotkeys> CreateWaylandHotkeys() {
  const std::string path = SwaySocketPath();
  if (path.empty()) return std::make_unique<TNoHotkeys>();
  return std::make_unique<TSwayHotkeys>(path);
}

}  // namespace zorvel
