#include "recording/record_settings.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstring>
#include <limits>

#include "common/error.h"
#include "model/xml_document.h"

namespace zorvel {

namespace {

constexpr const char* kMouseMove = "RecordMouseMove";
constexpr const char* kKeyBoard = "RecordKeyBoard";
constexpr const char* kStartHotkey = "RecordStartHotkey";
constexpr const char* kStopHotkey = "RecordStopHotkey";

bool FileExists(const std::string& path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0;
}

std::string SystemReason() {
  return std::strerror(errno);
}

// Writes `text` to `path` through a temporary file in the same folder, so that `path` is either
// absent or whole.
void WriteTextFile(const std::string& path, const std::string& text) {
  const std::string temporary = path + "." + std::to_string(getpid()) + ".tmp";
  int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) throw Error("Cannot create " + path + ": " + SystemReason());
  size_t done = 0;
  bool ok = true;
  while (ok && done < text.size()) {
    ssize_t n = write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    ok = n > 0;
    if (ok) done += static_cast<size_t>(n);
  }
  std::string reason = ok ? std::string() : SystemReason();
  if (ok && fsync(fd) != 0) {
    ok = false;
    reason = SystemReason();
  }
  close(fd);
  if (ok && rename(temporary.c_str(), path.c_str()) != 0) {
    ok = false;
    reason = SystemReason();
  }
  if (!ok) {
    unlink(temporary.c_str());
    throw Error("Cannot write " + path + ": " + reason);
  }
}

void CreateDefaultFileIfMissing(const std::string& path) {
  if (!FileExists(path)) WriteTextFile(path, DefaultSettingsText());
}

// The root's first child element, whatever its name.
pugi::xml_node SettingsElement(const TXMLDocument& document, const std::string& path) {
  pugi::xml_node element = document.DocumentElement().first_child();
  while (element && element.type() != pugi::node_element) element = element.next_sibling();
  if (!element) throw Error(path + " holds no settings element inside its root element.");
  return element;
}

std::string RequiredAttribute(pugi::xml_node element, const char* name, const std::string& path) {
  if (!TXMLDocument::HasAttribute(element, name))
    throw Error(path + ": the settings have no " + name + " attribute.");
  return TXMLDocument::GetAttribute(element, name);
}

bool EqualsIgnoringCase(const std::string& text, const char* word) {
  return text.size() == std::strlen(word) && strncasecmp(text.c_str(), word, text.size()) == 0;
}

bool ReadBoolean(pugi::xml_node element, const char* name, const std::string& path) {
  const std::string text = RequiredAttribute(element, name, path);
  if (EqualsIgnoringCase(text, "True") || text == "1") return true;
  if (EqualsIgnoringCase(text, "False") || text == "0") return false;
  throw Error(path + ": " + name + " is \"" + text + "\", which is neither True nor False.");
}

int32_t ReadInteger(pugi::xml_node element, const char* name, const std::string& path) {
  const std::string text = RequiredAttribute(element, name, path);
  int64_t value = 0;
  const char* end = text.data() + text.size();
  auto [stop, error] = std::from_chars(text.data(), end, value);
  if (error != std::errc() || stop != end || text.empty() ||
      value < std::numeric_limits<int32_t>::min() || value > std::numeric_limits<int32_t>::max())
    throw Error(path + ": " + name + " is \"" + text + "\", which is not a whole number.");
  return static_cast<int32_t>(value);
}

void ReadFields(pugi::xml_node element, const std::string& path, TRecordSettings& settings) {
  settings.RecordMouseMove = ReadBoolean(element, kMouseMove, path);
  settings.RecordKeyBoard = ReadBoolean(element, kKeyBoard, path);
  settings.RecordStartHotkey = ReadInteger(element, kStartHotkey, path);
  settings.RecordStopHotkey = ReadInteger(element, kStopHotkey, path);
}

void WriteFields(pugi::xml_node element, const TRecordSettings& settings) {
  auto word = [](bool value) { return value ? "True" : "False"; };
  TXMLDocument::SetAttribute(element, kMouseMove, word(settings.RecordMouseMove));
  TXMLDocument::SetAttribute(element, kKeyBoard, word(settings.RecordKeyBoard));
  TXMLDocument::SetAttribute(element, kStartHotkey, std::to_string(settings.RecordStartHotkey));
  TXMLDocument::SetAttribute(element, kStopHotkey, std::to_string(settings.RecordStopHotkey));
}

// Empties the shared document however the operation ends: nothing stays in it between uses.
class DocumentUse {
 public:
  explicit DocumentUse(TXMLDocument& document) : document_(document) {}
  ~DocumentUse() { document_.Clear(); }
  DocumentUse(const DocumentUse&) = delete;
  DocumentUse& operator=(const DocumentUse&) = delete;

 private:
  TXMLDocument& document_;
};

}  // namespace

const std::string& DefaultSettingsText() {
  static const std::string text =
      " <root versionNo=\"2.0\" generated=\"https://zorvel.org/\">" + std::string(17, ' ') +
      "<config RecordMouseMove=\"True\" RecordKeyBoard=\"True\" RecordStartHotkey=\"1\" "
      "RecordStopHotkey=\"2\" />" +
      std::string(11, ' ') + "</root>" + std::string(79, ' ');
  return text;
}

std::string SettingsPath(const std::string& folder) {
  return folder + "/" + kSettingsFileName;
}

void LoadSettings(TXMLDocument& document, const std::string& folder, TRecordSettings& settings) {
  const std::string path = SettingsPath(folder);
  CreateDefaultFileIfMissing(path);
  DocumentUse use(document);
  document.LoadFromFile(path);
  ReadFields(SettingsElement(document, path), path, settings);
}

void SaveSettings(TXMLDocument& document, const std::string& folder,
                  const TRecordSettings& settings) {
  const std::string path = SettingsPath(folder);
  CreateDefaultFileIfMissing(path);
  DocumentUse use(document);
  document.LoadFromFile(path);
  WriteFields(SettingsElement(document, path), settings);
  document.SaveToFile(path);
}

}  // namespace zorvel
