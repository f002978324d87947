#include "platform/wayland/sway_ipc_wayland.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <map>
#include <sstream>
#include <vector>

#include "common/error.h"
#include "platform/platform.h"
#include "platform/wayland/keymap_wayland.h"

namespace zorvel {
namespace {

constexpr char kMagic[] = {'i', '3', '-', 'i', 'p', 'c'};
constexpr size_t kHeaderSize = sizeof kMagic + 8;
constexpr uint32_t kMaxPayload = 64 * 1024 * 1024;

void WriteAll(int fd, const char* data, size_t size) {
  while (size > 0) {
    const ssize_t n = send(fd, data, size, MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) throw Error(std::string("Lost the sway IPC socket: ") + std::strerror(errno));
    data += n;
    size -= static_cast<size_t>(n);
  }
}

void ReadAll(int fd, char* data, size_t size) {
  while (size > 0) {
    const ssize_t n = recv(fd, data, size, 0);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) throw Error("Lost the sway IPC socket.");
    data += n;
    size -= static_cast<size_t>(n);
  }
}

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

std::vector<std::string> Words(const std::string& line) {
  std::istringstream in(line);
  std::vector<std::string> words;
  for (std::string word; in >> word;) words.push_back(word);
  return words;
}

// Modifier names sway knows, in the order NormalizedCombination writes them.
const std::vector<std::pair<std::string, std::string>>& ModifierAliases() {
  static const std::vector<std::pair<std::string, std::string>> aliases = {
      {"shift", "Shift"}, {"lock", "Lock"},  {"ctrl", "Ctrl"}, {"control", "Ctrl"},
      {"alt", "Mod1"},    {"mod1", "Mod1"},  {"mod2", "Mod2"}, {"mod3", "Mod3"},
      {"mod4", "Mod4"},   {"super", "Mod4"}, {"mod5", "Mod5"}};
  return aliases;
}

}  // namespace

TSwayIpc::TSwayIpc(const std::string& path) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (path.empty() || path.size() >= sizeof address.sun_path)
    throw Error("No usable sway IPC socket path.");
  std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
  fd_ = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd_ < 0 || connect(fd_, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
    const std::string reason = std::strerror(errno);
    if (fd_ >= 0) close(fd_);
    throw Error("Cannot connect to sway's IPC socket " + path + ": " + reason);
  }
}

TSwayIpc::~TSwayIpc() {
  close(fd_);
}

std::string TSwayIpc::Request(uint32_t type, const std::string& payload) {
  char header[kHeaderSize];
  std::memcpy(header, kMagic, sizeof kMagic);
  const auto length = static_cast<uint32_t>(payload.size());
  std::memcpy(header + sizeof kMagic, &length, 4);
  std::memcpy(header + sizeof kMagic + 4, &type, 4);
  WriteAll(fd_, header, sizeof header);
  WriteAll(fd_, payload.data(), payload.size());
  // Events that arrive before the reply are not for this caller.
  for (;;) {
    uint32_t replyType = 0;
    std::string reply = Read(replyType);
    if (replyType == type) return reply;
  }
}

std::string TSwayIpc::Read(uint32_t& type) {
  char header[kHeaderSize];
  ReadAll(fd_, header, sizeof header);
  if (std::memcmp(header, kMagic, sizeof kMagic) != 0)
    throw Error("sway's IPC socket sent something that is not a message.");
  uint32_t length = 0;
  std::memcpy(&length, header + sizeof kMagic, 4);
  std::memcpy(&type, header + sizeof kMagic + 4, 4);
  if (length > kMaxPayload) throw Error("sway's IPC socket sent an oversized message.");
  std::string payload(length, '\0');
  ReadAll(fd_, payload.data(), length);
  return payload;
}

bool TSwayIpc::Readable() const {
  pollfd fd{fd_, POLLIN, 0};
  return poll(&fd, 1, 0) > 0 && (fd.revents & (POLLIN | POLLHUP | POLLERR));
}

std::string SwaySocketPath() {
  const char* path = std::getenv("SWAYSOCK");
  return path ? path : "";
}

std::string SwayCombination(uint32_t modifiers, uint32_t vk) {
  if (vk > 0xFF) return {};
  const uint32_t code = EvdevCodeForVk(static_cast<uint8_t>(vk));
  if (code == 0) return {};
  static const TXkbContextPtr context = NewXkbContext();
  static const TXkbKeymapPtr keymap = BaseKeymap(context.get());
  const xkb_keysym_t* syms = nullptr;
  if (xkb_keymap_key_get_syms_by_level(keymap.get(), code + kEvdevToXkb, 0, 0, &syms) < 1)
    return {};
  char name[64] = {};
  if (xkb_keysym_get_name(syms[0], name, sizeof name) <= 0) return {};
  std::string combination;
  if (modifiers & MOD_SHIFT) combination += "Shift+";
  if (modifiers & MOD_CONTROL) combination += "Ctrl+";
  if (modifiers & MOD_ALT) combination += "Mod1+";
  if (modifiers & MOD_WIN) combination += "Mod4+";
  return combination + name;
}

std::string NormalizedCombination(const std::string& combination) {
  std::set<std::string> modifiers;
  std::string key;
  size_t start = 0;
  while (start <= combination.size()) {
    size_t end = combination.find('+', start);
    // A '+' at the very end is the key itself ("Ctrl++").
    if (end == combination.size() - 1 && end == start) end = std::string::npos;
    const std::string part =
        combination.substr(start, end == std::string::npos ? std::string::npos : end - start);
    bool isModifier = false;
    for (const auto& [alias, name] : ModifierAliases()) {
      if (Lower(part) == alias && end != std::string::npos) {
        modifiers.insert(name);
        isModifier = true;
      }
    }
    if (!isModifier) key = Lower(part);
    if (end == std::string::npos) break;
    start = end + 1;
  }
  std::string out;
  for (const auto& [alias, name] : ModifierAliases())
    if (modifiers.count(name) && out.find(name + "+") == std::string::npos) out += name + "+";
  return out + key;
}

std::set<std::string> ConfiguredCombinations(const std::string& config) {
  std::map<std::string, std::string> variables;
  std::set<std::string> combinations;
  std::istringstream in(config);
  for (std::string line; std::getline(in, line);) {
    std::vector<std::string> words = Words(line);
    if (words.empty() || words[0][0] == '#') continue;
    if (words[0] == "set" && words.size() >= 3 && words[1][0] == '$') {
      variables[words[1]] = words[2];
      continue;
    }
    if (words[0] != "bindsym") continue;
    size_t i = 1;
    while (i < words.size() && words[i].rfind("--", 0) == 0) ++i;
    if (i >= words.size()) continue;
    std::string combination = words[i];
    // Longest names first, so that $mod does not eat the start of $modifier.
    std::vector<std::pair<std::string, std::string>> ordered(variables.begin(), variables.end());
    std::sort(ordered.begin(), ordered.end(),
              [](const auto& a, const auto& b) { return a.first.size() > b.first.size(); });
    for (const auto& [name, value] : ordered) {
      for (size_t at = combination.find(name); at != std::string::npos;
           at = combination.find(name, at + value.size()))
        combination.replace(at, name.size(), value);
    }
    combinations.insert(NormalizedCombination(combination));
  }
  return combinations;
}

std::optional<std::string> JsonString(const std::string& json, const std::string& key) {
  const std::string quoted = "\"" + key + "\"";
  size_t at = json.find(quoted);
  if (at == std::string::npos) return std::nullopt;
  at = json.find_first_not_of(" \t\r\n", at + quoted.size());
  if (at == std::string::npos || json[at] != ':') return std::nullopt;
  at = json.find_first_not_of(" \t\r\n", at + 1);
  if (at == std::string::npos || json[at] != '"') return std::nullopt;
  std::string value;
  for (++at; at < json.size() && json[at] != '"'; ++at) {
    if (json[at] != '\\' || at + 1 >= json.size()) {
      value += json[at];
      continue;
    }
    const char escaped = json[++at];
    switch (escaped) {
      case 'n':
        value += '\n';
        break;
      case 't':
        value += '\t';
        break;
      case 'r':
        value += '\r';
        break;
      case 'b':
        value += '\b';
        break;
      case 'f':
        value += '\f';
        break;
      case 'u':
        at += 4;
        value += '?';
        break;  // not needed for the fields read here
      default:
        value += escaped;
    }
  }
  if (at >= json.size()) return std::nullopt;
  return value;
}

}  // namespace zorvel
