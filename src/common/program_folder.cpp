#include "common/program_folder.h"

#include <unistd.h>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <utility>

#include "common/error.h"

namespace zorvel {
namespace {

std::string ParentOf(const std::string& path) {
  return std::filesystem::path(path).parent_path().string();
}

bool IsWritableDirectory(const std::string& folder) {
  std::error_code error;
  return !folder.empty() && std::filesystem::is_directory(folder, error) &&
         access(folder.c_str(), W_OK | X_OK) == 0;
}

std::string UserDataFolder() {
  const char* dataHome = std::getenv("XDG_DATA_HOME");
  if (dataHome && *dataHome == '/') return std::string(dataHome) + "/zorvel";
  const char* home = std::getenv("HOME");
  if (!home || !*home) throw Error("Cannot find a folder for the macros: HOME is not set.");
  return std::string(home) + "/.local/share/zorvel";
}

// Where an installed program keeps its read-only data, relative to its bin folder; the install
// rules put the example macros in its examples/ folder.
constexpr const char* kInstalledDataFromBin = "../share/zorvel";

std::string InstalledDataFolder(const std::string& executableFolder) {
  return (std::filesystem::path(executableFolder) / kInstalledDataFromBin).lexically_normal();
}

bool IsInstalledProgram(const std::string& executableFolder) {
  std::error_code error;
  return !executableFolder.empty() &&
         std::filesystem::is_directory(InstalledDataFolder(executableFolder), error);
}

// Removes a half-built folder unless Keep() was called.
class FolderUnderConstruction {
 public:
  explicit FolderUnderConstruction(std::string path) : path_(std::move(path)) {}
  ~FolderUnderConstruction() {
    std::error_code ignored;
    if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
  }
  FolderUnderConstruction(const FolderUnderConstruction&) = delete;
  FolderUnderConstruction& operator=(const FolderUnderConstruction&) = delete;
  const std::string& path() const { return path_; }
  void Keep() { path_.clear(); }

 private:
  std::string path_;
};

std::string NewSiblingFolder(const std::string& folder) {
  std::error_code error;
  std::filesystem::create_directories(std::filesystem::path(folder).parent_path(), error);
  std::string pattern = folder + ".new-XXXXXX";
  if (!mkdtemp(pattern.data()))
    throw Error("Cannot create the folder " + folder + ": " + std::strerror(errno));
  return pattern;
}

void CopyExamples(const std::string& examplesFolder, const std::string& target) {
  std::error_code missing;
  if (!std::filesystem::is_directory(examplesFolder, missing)) return;
  try {
    for (const auto& entry : std::filesystem::directory_iterator(examplesFolder)) {
      if (entry.is_regular_file())
        std::filesystem::copy_file(entry.path(),
                                   std::filesystem::path(target) / entry.path().filename());
    }
  } catch (const std::filesystem::filesystem_error& error) {
    throw Error("Cannot copy the example macros from " + examplesFolder + ": " +
                error.code().message());
  }
}

// `folder` itself when it exists; otherwise it is built under a temporary name with the examples
// in it and renamed into place, so it appears complete or not at all.
std::string FolderWithExamples(const std::string& folder, const std::string& examplesFolder) {
  std::error_code error;
  if (std::filesystem::is_directory(folder, error)) return folder;
  if (std::filesystem::exists(std::filesystem::symlink_status(folder, error)))
    throw Error("Cannot create the folder " + folder + ": a file of that name is in the way");
  FolderUnderConstruction draft(NewSiblingFolder(folder));
  CopyExamples(examplesFolder, draft.path());
  if (std::rename(draft.path().c_str(), folder.c_str()) == 0) {
    draft.Keep();
    return folder;
  }
  const int renameError = errno;
  // Another start may have created it in the meantime; its folder is as good as ours.
  if (std::filesystem::is_directory(folder, error)) return folder;
  throw Error("Cannot create the folder " + folder + ": " + std::strerror(renameError));
}

}  // namespace

std::string ExecutablePath() {
  std::error_code error;
  auto path = std::filesystem::read_symlink("/proc/self/exe", error);
  return error ? std::string() : path.string();
}

std::string ResolveProgramFolder(const std::string& executablePath,
                                 const std::string& folderOption) {
  if (!folderOption.empty()) {
    std::error_code error;
    if (!std::filesystem::is_directory(folderOption, error))
      throw Error("Not a folder: " + folderOption);
    std::string folder = std::filesystem::absolute(folderOption, error).lexically_normal().string();
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    return folder;
  }
  std::string executableFolder = ParentOf(executablePath);
  const bool installed = IsInstalledProgram(executableFolder);
  if (!installed && IsWritableDirectory(executableFolder)) return executableFolder;
  std::string examples;
  if (installed) examples = InstalledDataFolder(executableFolder) + "/examples";
  return FolderWithExamples(UserDataFolder(), examples);
}

}  // namespace zorvel
