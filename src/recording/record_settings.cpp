#include "recording/record_settings.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>

#include "common/atomic_file.h"
#include "common/error.h"
#include "common/int_text.h"
#include "model/action_ctrl.h"
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

void CreateDefaultFileIfMissing(const std::string& path) {
  if (!FileExists(path)) WriteFileAtomically(path, DefaultSettingsText());
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
  int32_t value = 0;
  if (!ParseInt32(text, value))
    throw Error(path + ": " + name + " is \"" + text + "\", which is not a whole number.");
  return value;
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
  return folder + "/" + kSettingsDocumentBaseName + ".xml";
}

void LoadSettings(TXMLDocument& document, const std::string& folder, TRecordSettings& settings) {
  const std::string path = SettingsPath(folder);
  CreateDefaultFileIfMissing(path);
  TDocumentUse use(document);
  document.LoadFromFile(path);
  ReadFields(SettingsElement(document, path), path, settings);
}

void SaveSettings(TXMLDocument& document, const std::string& folder,
                  const TRecordSettings& settings) {
  const std::string path = SettingsPath(folder);
  CreateDefaultFileIfMissing(path);
  TDocumentUse use(document);
  document.LoadFromFile(path);
  WriteFields(SettingsElement(document, path), settings);
  document.SaveToFile(path);
}

}  // namespace zorvel
