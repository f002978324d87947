#include "common/folder_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#include <cerrno>
#include <cstring>

#include "common/error.h"

namespace zorvel {
namespace {

// The lock file, created when missing; failing that the folder itself, which any reader of the
// folder can lock as well.
int OpenLockTarget(const std::string& folder) {
  const std::string path = folder + "/" + kFolderLockFileName;
  int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644);
  if (fd < 0) fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
  if (fd < 0) fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) throw Error("Cannot lock the folder " + folder + ": " + std::strerror(errno));
  return fd;
}

}  // namespace

TFolderLock::~TFolderLock() {
  if (fd_ >= 0) close(fd_);  // closing the last descriptor releases the lock
}

TFolderLock::Result TFolderLock::Acquire(const std::string& folder) {
  if (fd_ >= 0) return Result::Locked;
  const int fd = OpenLockTarget(folder);
  int status;
  do {
    status = flock(fd, LOCK_EX | LOCK_NB);
  } while (status != 0 && errno == EINTR);
  if (status == 0) {
    fd_ = fd;
    return Result::Locked;
  }
  const int error = errno;
  close(fd);
  if (error == EWOULDBLOCK) return Result::HeldByOther;
  throw Error("Cannot lock the folder " + folder + ": " + std::strerror(error));
}

}  // namespace zorvel
