#include "cli/record_safety.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>

#include "common/error.h"

namespace zorvel::cli {
namespace {

std::string SystemReason(int error) {
  return std::strerror(error);
}

// Creates and removes a file in `folder`; the errno of a failure, or 0.
int ProbeWritable(const std::string& folder) {
  const std::string probe = folder + "/.zorvel-save-" + std::to_string(getpid()) + "-probe.tmp";
  const int fd = open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  if (fd < 0) return errno;
  close(fd);
  unlink(probe.c_str());
  return 0;
}

}  // namespace

void CheckRecordTarget(const std::string& folder, const std::string& name) {
  const std::string fileName = name + ".xml";
  errno = 0;
  long maxName = pathconf(folder.c_str(), _PC_NAME_MAX);
  if (maxName <= 0) maxName = 255;
  if (fileName.size() > static_cast<size_t>(maxName)) {
    throw Error("the name is too long for a file name in " + folder + " (" +
                std::to_string(fileName.size()) + " bytes with \".xml\"; at most " +
                std::to_string(maxName) + ")");
  }
  if (const int error = ProbeWritable(folder); error != 0)
    throw Error("cannot save into " + folder + ": " + SystemReason(error));
}

std::string FallbackFolder() {
  const char* state = std::getenv("XDG_STATE_HOME");
  if (state && state[0] == '/') return std::string(state) + "/zorvel";
  const char* home = std::getenv("HOME");
  if (!home || home[0] != '/') throw Error("neither XDG_STATE_HOME nor HOME names a folder");
  return std::string(home) + "/.local/state/zorvel";
}

std::string SaveFallback(const TActionCtrl& macro) {
  const std::string folder = FallbackFolder();
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  if (error) throw Error("cannot create " + folder + ": " + error.message());
  const std::string stem =
      folder + "/recording-" + std::to_string(std::time(nullptr)) + "-" + std::to_string(getpid());
  std::string path = stem + ".xml";
  for (int n = 2; std::filesystem::exists(path, error); ++n)
    path = stem + "-" + std::to_string(n) + ".xml";
  macro.WriteCopyTo(path);
  return path;
}

}  // namespace zorvel::cli
