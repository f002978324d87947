#include "common/atomic_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>

#include "common/error.h"

namespace zorvel {
namespace {

// Short whatever the length of the file's own name, and unique within the process.
std::string TemporaryPathFor(const std::string& path) {
  static std::atomic<unsigned> counter{0};
  const size_t slash = path.find_last_of('/');
  const std::string folder = slash == std::string::npos ? std::string(".") : path.substr(0, slash);
  return folder + "/.zorvel-save-" + std::to_string(getpid()) + "-" + std::to_string(counter++) +
         ".tmp";
}

}  // namespace

int WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return errno;
    bytes.remove_prefix(static_cast<size_t>(n));
  }
  return 0;
}

void WriteFileAtomically(const std::string& path, const std::function<int(int fd)>& write) {
  const std::string temporary = TemporaryPathFor(path);
  const int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0) throw Error("Cannot write " + path + ": " + std::strerror(errno));
  int error = write(fd);
  if (error == 0 && fdatasync(fd) != 0) error = errno;
  if (close(fd) != 0 && error == 0) error = errno;
  if (error == 0 && rename(temporary.c_str(), path.c_str()) != 0) error = errno;
  if (error != 0) {
    unlink(temporary.c_str());
    throw Error("Cannot write " + path + ": " + std::strerror(error));
  }
}

void WriteFileAtomically(const std::string& path, std::string_view bytes) {
  WriteFileAtomically(path, [bytes](int fd) { return WriteAll(fd, bytes); });
}

}  // namespace zorvel
