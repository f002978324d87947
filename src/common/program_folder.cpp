#include "common/program_folder.h"

#include <unistd.h>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>

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

std::string CreatedFolder(const std::string& folder) {
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  if (error || !std::filesystem::is_directory(folder))
    throw Error("Cannot create the folder " + folder + ": " + error.message());
  return folder;
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
  if (IsWritableDirectory(executableFolder)) return executableFolder;
  return CreatedFolder(UserDataFolder());
}

}  // namespace zorvel
