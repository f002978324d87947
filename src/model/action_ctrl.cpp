#include "model/action_ctrl.h"

#include <strings.h>
#include <unistd.h>
#include <algorithm>
#include <cstdio>

#include "common/error.h"
#include "model/xml_document.h"
#include "model/xml_values.h"

namespace zorvel {
namespace {

constexpr const char* kMarkerAttribute = "Zorvel";
constexpr const char* kEmptyDocument =
    "<?xml version=\"1.0\" encoding=\"utf-8\"?><zorvel Zorvel=\"1.1\"/>";

// Reads an integer attribute of a settings element, naming the element in the error.
void ReadSetting(pugi::xml_node element, const char* name, int32_t& field) {
  try {
    ReadIntAttribute(element.attribute(name), name, field);
  } catch (const Error& error) {
    throw Error(std::string(element.name()) + ": " + error.what());
  }
}

// Counts what a document save would write.
class CountingWriter : public pugi::xml_writer {
 public:
  void write(const void*, size_t size) override { bytes += size; }
  size_t bytes = 0;
};

// Empties the document object when an operation ends, however it ends: nothing of a macro stays
// in it between operations.
}  // namespace

void TActionConfig::ReadFromNode(pugi::xml_node element) {
  ReadSetting(element, "StartHotkey", StartHotkey);
  ReadSetting(element, "StopHotkey", StopHotkey);
  ReadSetting(element, "RepeatType", RepeatType);
  ReadSetting(element, "RepeatTimes", RepeatTimes);
  ReadSetting(element, "RepeatSpeed", RepeatSpeed);
  ReadSetting(element, "Interval", Interval);
}

void TActionConfig::WriteToNode(pugi::xml_node element) const {
  WriteIntAttribute(element, "StartHotkey", StartHotkey);
  WriteIntAttribute(element, "StopHotkey", StopHotkey);
  WriteIntAttribute(element, "RepeatType", RepeatType);
  WriteIntAttribute(element, "RepeatTimes", RepeatTimes);
  WriteIntAttribute(element, "RepeatSpeed", RepeatSpeed);
  WriteIntAttribute(element, "Interval", Interval);
}

void TActionSchedule::ReadFromNode(pugi::xml_node element) {
  ReadSetting(element, "ScheduleType", ScheduleType);
  ReadSetting(element, "SelectedIndex", SelectedIndex);
  ReadTextAttribute(element.attribute("SelectedTime"), SelectedTime);
  ReadTextAttribute(element.attribute("SelectedDate"), SelectedDate);
}

void TActionSchedule::WriteToNode(pugi::xml_node element) const {
  WriteIntAttribute(element, "ScheduleType", ScheduleType);
  WriteIntAttribute(element, "SelectedIndex", SelectedIndex);
  WriteTextAttribute(element, "SelectedTime", SelectedTime);
  WriteTextAttribute(element, "SelectedDate", SelectedDate);
}

void CheckDocumentName(const std::string& name) {
  if (name.find_first_of(std::string("/\\\0", 3)) != std::string::npos) {
    std::string shown = name;
    std::replace(shown.begin(), shown.end(), '\0', '?');
    throw Error("The macro name \"" + shown +
                "\" cannot be a file name: it holds a slash, a backslash or a NUL character.");
  }
  if (name == "." || name == "..")
    throw Error("The macro name \"" + name + "\" cannot be a file name.");
  if (strcasecmp(name.c_str(), kSettingsDocumentBaseName) == 0)
    throw Error("The macro name \"" + name + "\" is taken by the settings document.");
}

TActionCtrl::TActionCtrl(TXMLDocument& document, std::string folder)
    : FFolder(std::move(folder)), document_(&document) {}

std::string TActionCtrl::DocumentPath() const {
  return FFile.empty() ? NamedPath(FName) : FFile;
}

std::string TActionCtrl::NamedPath(const std::string& name) const {
  return FFolder + "/" + name + ".xml";
}

std::string TActionCtrl::SourcePath(const std::string& path) const {
  return path.empty() ? DocumentPath() : path;
}

bool TActionCtrl::OpenDocumentFile(const std::string& path) {
  if (path.empty()) return false;
  try {
    document_->LoadFromFile(path);
    return true;
  } catch (const Error&) {
    return false;
  }
}

// The stamp is taken before the file is read: a file replaced in between then looks changed
// later, which is asked about, rather than unchanged, which would lose the replacement.
bool TActionCtrl::LoadDocument(const std::string& path) {
  TDocumentUse use(*document_);
  const std::string source = SourcePath(path);
  const TFileStamp stamp = StampOf(source);
  if (!OpenDocumentFile(source)) return false;
  pugi::xml_node root = document_->DocumentElement();
  if (!TXMLDocument::HasAttribute(root, kMarkerAttribute)) return false;
  ReadWholeDocument(root);
  FFile = source;
  FFileStamp = stamp;
  return true;
}

void TActionCtrl::LoadDocumentOrThrow(const std::string& path) {
  TDocumentUse use(*document_);
  const std::string source = SourcePath(path);
  const TFileStamp stamp = StampOf(source);
  document_->LoadFromFile(source);
  pugi::xml_node root = document_->DocumentElement();
  if (!TXMLDocument::HasAttribute(root, kMarkerAttribute))
    throw Error(source + " is not a macro document: its document element has no Zorvel attribute");
  try {
    ReadWholeDocument(root);
  } catch (const Error& error) {
    throw Error(source + ": " + error.what());
  }
  FFile = source;
  FFileStamp = stamp;
}

void TActionCtrl::ReadWholeDocument(pugi::xml_node root) {
  TActionCtrl loaded(*this);
  loaded.ReadFromNode(root);
  FName = std::move(loaded.FName);
  FCreateTime = std::move(loaded.FCreateTime);
  Actions = std::move(loaded.Actions);
  Config = loaded.Config;
  Schedule = std::move(loaded.Schedule);
}

void TActionCtrl::ReadFromNode(pugi::xml_node root) {
  if (auto element = TXMLDocument::FindChild(root, "Config")) Config.ReadFromNode(element);
  if (auto element = TXMLDocument::FindChild(root, "Schedule")) Schedule.ReadFromNode(element);
  if (auto element = TXMLDocument::FindChild(root, "ActionList")) Actions.ReadFromNode(element);
  ReadTextAttribute(root.attribute("FName"), FName);
  ReadTextAttribute(root.attribute("FCreateTime"), FCreateTime);
}

void TActionCtrl::WriteToNode(pugi::xml_node root) const {
  TXMLDocument::SetAttribute(root, "FName", FName);
  TXMLDocument::SetAttribute(root, "FCreateTime", FCreateTime);
  Config.WriteToNode(TXMLDocument::AppendChild(root, "Config"));
  Schedule.WriteToNode(TXMLDocument::AppendChild(root, "Schedule"));
  Actions.WriteToNode(TXMLDocument::AppendChild(root, "ActionList"));
}

void TActionCtrl::SaveDocument(TOverwrite overwrite) {
  if (FFile.empty()) CheckDocumentName(FName);
  WriteDocumentTo(DocumentPath(), overwrite);
}

void TActionCtrl::SaveDocumentAs(const std::string& name, TOverwrite overwrite) {
  CheckDocumentName(name);
  const std::string oldFile = FFile;
  const std::string oldName = FName;
  const std::string target = NamedPath(name);
  FName = name;
  try {
    WriteDocumentTo(target, overwrite);
  } catch (...) {
    FName = oldName;
    throw;
  }
  // A failed removal leaves a second document behind, which the next scan lists; the renamed
  // macro itself is safe in its new file either way.
  if (!oldFile.empty() && oldFile != target) unlink(oldFile.c_str());
}

void TActionCtrl::WriteDocumentTo(const std::string& path, TOverwrite overwrite) {
  TReplaceCondition condition;
  if (overwrite == TOverwrite::IfUnchanged)
    condition = path == FFile ? TReplaceCondition::Unchanged(FFileStamp)
                              : TReplaceCondition::NothingThere();
  TFileStamp written;
  {
    TDocumentUse use(*document_);
    document_->ResetToText(kEmptyDocument);
    WriteToNode(document_->DocumentElement());
    written = document_->SaveToFile(path, condition);
  }
  FFile = path;
  FFileStamp = written;
}

void TActionCtrl::WriteCopyTo(const std::string& path) const {
  TDocumentUse use(*document_);
  document_->ResetToText(kEmptyDocument);
  WriteToNode(document_->DocumentElement());
  document_->SaveToFile(path, TReplaceCondition::NothingThere());
}

size_t TActionCtrl::DocumentBytes() const {
  // A document of its own: measuring is no document operation and must not disturb one.
  pugi::xml_document measured;
  measured.load_string(kEmptyDocument, pugi::parse_default | pugi::parse_declaration);
  WriteToNode(measured.document_element());
  CountingWriter writer;
  measured.save(writer, "", pugi::format_raw, pugi::encoding_utf8);
  return writer.bytes;
}

void TActionCtrl::DeleteDocument() {
  if (FFile.empty()) CheckDocumentName(FName);
  unlink(DocumentPath().c_str());
}

void TActionCtrl::TakeContentOf(const TActionCtrl& other) {
  const bool running = FRunning;
  *this = other;
  FRunning = running;
}

}  // namespace zorvel
