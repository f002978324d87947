#pragma once

// The recording options and the settings document "zorvelconfig.xml" that keeps them: root `root`
// whose first child element (any name) carries the four attributes.

#include <cstdint>
#include <string>

#include "recording/recorder.h"

namespace zorvel {

class TXMLDocument;

// The four recording options. Hotkeys are F-key indexes (0 = F1 ... 11 = F12) used with Alt.
struct TRecordSettings {
  bool RecordMouseMove = false;
  bool RecordKeyBoard = false;
  int32_t RecordStartHotkey = 0;
  int32_t RecordStopHotkey = 0;
  bool operator==(const TRecordSettings&) const = default;
};

// The recorder's view of a TRecordSettings: reads the fields at every call, so changes made while
// recording take effect at the next event.
class TRecordSettingsRef final : public IRecordSettings {
 public:
  explicit TRecordSettingsRef(const TRecordSettings& settings) : settings_(&settings) {}
  bool RecordMouseMove() const override { return settings_->RecordMouseMove; }
  bool RecordKeyBoard() const override { return settings_->RecordKeyBoard; }

 private:
  const TRecordSettings* settings_;
};

// The exact text of a new settings document.
const std::string& DefaultSettingsText();

// `folder` + "/" + "zorvelconfig.xml".
std::string SettingsPath(const std::string& folder);

// Reads the settings document of `folder` into `settings`, creating the file with the default
// text first when it is missing. The fields are read in order (RecordMouseMove, RecordKeyBoard,
// RecordStartHotkey, RecordStopHotkey); values are taken as they are, with no range check.
// Throws Error when the file cannot be created or read, is not XML, has no settings element, or an
// attribute is missing or holds no boolean word / no number; fields read before the failing one
// keep their new values. Booleans: "True"/"False" in any case, or "1"/"0".
void LoadSettings(TXMLDocument& document, const std::string& folder, TRecordSettings& settings);

// Reloads the settings document of `folder` and sets only the four attributes ("True"/"False" and
// decimal numbers); everything else in the file stays as it was. A missing file is first created
// with the default text. The file is replaced through a temporary file, so a failed save leaves the
// old one whole. Throws Error when the file cannot be read or written or is not a settings
// document.
void SaveSettings(TXMLDocument& document, const std::string& folder,
                  const TRecordSettings& settings);

}  // namespace zorvel
