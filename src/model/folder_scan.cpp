#include "model/folder_scan.h"

#include <dirent.h>
#include <sys/stat.h>
#include <algorithm>
#include <cctype>
#include <memory>

#include "common/error.h"
#include "model/xml_document.h"

namespace zorvel {
namespace {

struct DirCloser {
  void operator()(DIR* dir) const { closedir(dir); }
};

bool IsRegularFile(const std::string& path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

std::string Upper(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return text;
}

TActionCtrlPtr FindByFile(const TActionsList& macros, const std::string& file) {
  for (const TActionCtrlPtr& macro : macros)
    if (macro->FFile == file) return macro;
  return nullptr;
}

}  // namespace

std::string ExtensionOf(const std::string& path) {
  size_t dot = path.find_last_of(".");
  if (dot == std::string::npos) return "";
  if (path.find_first_of("/\\:", dot) != std::string::npos) return "";
  return path.substr(dot + 1);
}

bool IsMacroCandidateName(const std::string& path) {
  return std::string(".").append(Upper(ExtensionOf(path))).append(";").find("XML") !=
         std::string::npos;
}

TActionsList ScanMacroFolder(TXMLDocument& document, const std::string& folder) {
  return RescanMacroFolder(document, folder, {});
}

TActionsList RescanMacroFolder(TXMLDocument& document, const std::string& folder,
                               const TActionsList& known) {
  TActionsList macros;
  std::unique_ptr<DIR, DirCloser> dir(opendir(folder.c_str()));
  if (!dir) return macros;
  while (dirent* entry = readdir(dir.get())) {
    std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    if (entry->d_type == DT_DIR) continue;
    std::string path = folder + "/" + name;
    if (!IsMacroCandidateName(path) || !IsRegularFile(path)) continue;
    const TActionCtrlPtr same = FindByFile(known, path);
    if (same && same->FFileStamp == StampOf(path)) {
      macros.Add(same);
      continue;
    }
    try {
      auto macro = std::make_shared<TActionCtrl>(document, folder);
      if (macro->LoadDocument(path)) macros.Add(std::move(macro));
    } catch (const std::exception&) {
      // A document with a bad value is left out; the scan goes on.
    }
  }
  return macros;
}

bool MergeRescan(TActionsList& macros, const TActionsList& scanned,
                 const std::function<bool(const TActionCtrl&)>& pinned) {
  bool changed = false;
  TActionsList merged;
  for (const TActionCtrlPtr& macro : macros) {
    const TActionCtrlPtr fresh = FindByFile(scanned, macro->FFile);
    if (pinned && pinned(*macro)) {
      merged.Add(macro);
    } else if (!fresh) {
      changed = true;
    } else {
      if (fresh->FFileStamp != macro->FFileStamp) {
        macro->TakeContentOf(*fresh);
        changed = true;
      }
      merged.Add(macro);
    }
  }
  for (const TActionCtrlPtr& fresh : scanned) {
    if (FindByFile(macros, fresh->FFile)) continue;
    merged.Add(fresh);
    changed = true;
  }
  macros = std::move(merged);
  return changed;
}

std::string ExamineMacroFile(TActionCtrl& macro, const std::string& path) {
  if (!IsMacroCandidateName(path))
    return path + ": the extension does not contain \"xml\", so the file is not looked at";
  try {
    macro.LoadDocumentOrThrow(path);
  } catch (const Error& error) {
    return error.what();
  }
  return "";
}

}  // namespace zorvel
