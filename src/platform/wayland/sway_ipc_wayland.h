#pragma once

// sway's IPC socket (SWAYSOCK): commands, the configuration text and binding events, and the
// small text rules around them: how a hotkey is written in a binding, which bindings a
// configuration holds, and the command field of an event.

#include <cstdint>
#include <optional>
#include <set>
#include <string>

namespace zorvel {

class TSwayIpc {
 public:
  static constexpr uint32_t kRunCommand = 0;
  static constexpr uint32_t kSubscribe = 2;
  static constexpr uint32_t kGetConfig = 9;
  static constexpr uint32_t kBindingEvent = 0x80000005;

  // Connects to the socket at `path`. Throws Error when it cannot.
  explicit TSwayIpc(const std::string& path);
  ~TSwayIpc();
  TSwayIpc(const TSwayIpc&) = delete;
  TSwayIpc& operator=(const TSwayIpc&) = delete;

  int FileDescriptor() const { return fd_; }
  // Sends one message and returns the payload of the reply. Throws Error when the socket fails.
  std::string Request(uint32_t type, const std::string& payload);
  // Reads one message (a reply or an event); its type goes to `type`. Throws Error on failure.
  std::string Read(uint32_t& type);
  // True when a message can be read without waiting.
  bool Readable() const;

 private:
  int fd_ = -1;
};

// The socket of the sway instance this program runs under; empty when none.
std::string SwaySocketPath();

// A hotkey as sway writes a key combination ("Ctrl+Shift+F5"); empty when the key has no name.
std::string SwayCombination(uint32_t modifiers, uint32_t vk);

// The same combination in one spelling whatever aliases and letter case it was written with
// ("control+F5" and "Ctrl+f5" give the same), modifiers in a fixed order.
std::string NormalizedCombination(const std::string& combination);

// The combinations that `bindsym` lines of a configuration text bind, normalized, with the
// configuration's variables put in.
std::set<std::string> ConfiguredCombinations(const std::string& config);

// The string value of `key` in a JSON text (the first one), unescaped; nothing when absent.
std::optional<std::string> JsonString(const std::string& json, const std::string& key);

}  // namespace zorvel
