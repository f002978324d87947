#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include <pugixml.hpp>

#include "common/file_stamp.h"
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
  // The file the macro was loaded from or last saved to, and its stamp then; empty for a macro
  // that has no document yet. The macro is that file: it is saved to and deleted from it,
  // whatever its name says.
  std::string FFile;
  TFileStamp FFileStamp;
  std::string FName;
  std::string FCreateTime;
  bool FRunning = false;
  TActionList Actions;
  TActionConfig Config;
  TActionSchedule Schedule;

  // FFile, or for a macro without a document NamedPath(FName).
  std::string DocumentPath() const;
  // FFolder + "/" + name + ".xml": where a new macro of that name is saved.
  std::string NamedPath(const std::string& name) const;
  bool OpenDocumentFile(const std::string& path);
  // Loads the macro from `path` (empty: DocumentPath()), which becomes its file. False when the
  // file is missing, not XML, or not a macro document; the macro is then unchanged. Throws Error
  // on a bad value.
  bool LoadDocument(const std::string& path = {});
  // Like LoadDocument, but every refusal is an Error with a readable reason (file not found, not
  // well-formed XML with line and column, no Zorvel marker, a bad value). The macro changes only
  // when the whole document was read.
  void LoadDocumentOrThrow(const std::string& path = {});
  void ReadFromNode(pugi::xml_node root);
  void WriteToNode(pugi::xml_node root) const;
  // Whether a save may replace what another program wrote: IfUnchanged replaces the macro's own
  // file only while it is still the version the macro read or wrote, and creates any other file
  // only where none exists; Always replaces whatever is there.
  enum class TOverwrite { IfUnchanged, Always };
  // Writes the macro to DocumentPath() through a temporary file; that file is then its file.
  // Throws FileChangedError when `overwrite` forbids the replacement, Error on other failures or
  // when the macro has no file yet and its name cannot be a document name; the document on the
  // disk then stays whole.
  void SaveDocument(TOverwrite overwrite = TOverwrite::IfUnchanged);
  // Renames the macro: sets FName to `name` and writes NamedPath(name); only once that has
  // succeeded is the file it came from removed (when it is another one). On failure nothing
  // changes, the name included.
  void SaveDocumentAs(const std::string& name, TOverwrite overwrite = TOverwrite::IfUnchanged);
  // Writes the macro to `path`, where no file may be yet, without making it the macro's file: a
  // copy kept elsewhere. Throws Error on failure.
  void WriteCopyTo(const std::string& path) const;
  // Bytes of the document SaveDocument would write for the macro as it is now.
  size_t DocumentBytes() const;
  // Removes the macro's file (DocumentPath()); a missing file or failed removal is ignored.
  // Throws Error when the macro has no file yet and its name cannot be a document name.
  void DeleteDocument();
  // Takes over everything `other` holds but its running flag: a macro reloaded in place.
  void TakeContentOf(const TActionCtrl& other);

  TXMLDocument& Document() const { return *document_; }

 private:
  // Reads `root` into a copy of this macro and takes it over only when that succeeds.
  void ReadWholeDocument(pugi::xml_node root);
  // The path a load from `path` reads: `path`, or DocumentPath() when it is empty.
  std::string SourcePath(const std::string& path) const;
  // Writes the macro to `path` and makes that its file.
  void WriteDocumentTo(const std::string& path, TOverwrite overwrite);

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
