// Feeds arbitrary bytes to the settings document reader as "zorvelconfig.xml". When they are
// accepted, changed settings are saved and read back: the second read must give exactly what was
// saved, and a refused document must be left on disk byte for byte.

#include <stdlib.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

#include "common/error.h"
#include "model/xml_document.h"
#include "recording/record_settings.h"

namespace {

// A folder of this process's own, on a memory file system when there is one.
const std::string& Folder() {
  static const std::string folder = [] {
    std::string pattern = access("/dev/shm", W_OK) == 0 ? "/dev/shm/zorvel-fuzz-settings-XXXXXX"
                                                        : "/tmp/zorvel-fuzz-settings-XXXXXX";
    if (!mkdtemp(pattern.data())) std::abort();
    return pattern;
  }();
  return folder;
}

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string path = zorvel::SettingsPath(Folder());
  const std::string input(reinterpret_cast<const char*>(data), size);
  {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << input;
  }
  zorvel::TXMLDocument document;
  zorvel::TRecordSettings settings;
  try {
    zorvel::LoadSettings(document, Folder(), settings);
  } catch (const zorvel::Error&) {
    if (ReadAll(path) != input) std::abort();  // a refused document is never touched
    return 0;
  }
  zorvel::TRecordSettings changed = settings;
  changed.RecordMouseMove = !settings.RecordMouseMove;
  changed.RecordStartHotkey = static_cast<int32_t>(size % 12);
  changed.RecordStopHotkey = settings.RecordStartHotkey;
  zorvel::SaveSettings(document, Folder(), changed);
  zorvel::TRecordSettings again;
  zorvel::LoadSettings(document, Folder(), again);
  if (!(again == changed)) std::abort();
  return 0;
}
