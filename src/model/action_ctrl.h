#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include <pugixml.hpp>

#include "model/action.h"

namespace zorvel {

class TXMLDocument;

enum class RepeatMode : int32_t { RepeatOnce = 0, RepeatCount = 1, RepeatUntilStop = 2 };
enum class ScheduleKind : int32_t {
  NoSchedule = 0,
  EveryDay = 1,
  EveryWeek = 2,
  EveryMonth = 3,
  OnceAt = 4
};

// A macro's run settings. Hotkeys are F-key indexes: 0 = F1 ... 11 = F12.
struct TActionConfig {
  int32_t StartHotkey = 1;
  int32_t StopHotkey = 2;
  int32_t RepeatType = 0;
  int32_t RepeatTimes = 1;
  int32_t RepeatSpeed = 1;
  int32_t Interval = 1000;

  void ReadFromNode(pugi::xml_node element);
  void WriteToNode(pugi::xml_node element) const;
  bool operator==(const TActionConfig&) const = default;
};

// When the scheduler starts a macro by itself.
struct TActionSchedule {
  int32_t ScheduleType = 0;
  int32_t SelectedIndex = 0;
  std::string SelectedTime;
  std::string SelectedDate;

  void ReadFromNode(pugi::xml_node element);
  void WriteToNode(pugi::xml_node element) const;
  bool operator==(const TActionSchedule&) const = default;
};

// One macro: its name, creation date, actions, run settings and schedule, and its document.
class TActionCtrl {
 public:
  // `document` is the program's one XML document object; it must outlive the macro.
  // `folder` is the macro folder its document lives in.
  TActionCtrl(TXMLDocument& document, std::string folder);

  std::string FFolder;
  std::string FName;
  std::string FCreateTime;
  bool FRunning = false;
  TActionList Actions;
  TActionConfig Config;
  TActionSchedule Schedule;

  // FFolder + "/" + FName + ".xml".
  std::string DocumentPath() const;
  bool OpenDocumentFile(const std::string& path);
  // Loads the macro from `path` (empty: DocumentPath()). False when the file is missing, not XML,
  // or not a macro document; the macro is then unchanged. Throws Error on a bad value.
  bool LoadDocument(const std::string& path = {});
  // Like LoadDocument, but every refusal is an Error with a readable reason (file not found, not
  // well-formed XML with line and column, no Zorvel marker, a bad value). The macro changes only
  // when the whole document was read.
  void LoadDocumentOrThrow(const std::string& path = {});
  void ReadFromNode(pugi::xml_node root);
  void WriteToNode(pugi::xml_node root) const;
  // Writes the macro to DocumentPath() through a temporary file. Throws Error on failure or on a
  // name that cannot be a document name; the old document then stays whole.
  void SaveDocument();
  // Removes the file at DocumentPath(); a missing file or failed removal is ignored. Throws Error
  // for a name that cannot be a document name.
  void DeleteDocument();

  TXMLDocument& Document() const { return *document_; }

 private:
  // Reads `root` into a copy of this macro and takes it over only when that succeeds.
  void ReadWholeDocument(pugi::xml_node root);

  TXMLDocument* document_;
};

// Throws Error when `name` cannot be a document name: it holds "/", a backslash or NUL, is "." or
// "..", or is the settings document's base name "zorvelconfig" in any letter case. Empty is
// allowed.
void CheckDocumentName(const std::string& name);

// Base name of the settings document in the program folder.
inline constexpr const char* kSettingsDocumentBaseName = "zorvelconfig";

using TActionCtrlPtr = std::shared_ptr<TActionCtrl>;
using TActionsList = TSharedList<TActionCtrl>;

}  // namespace zorvel
