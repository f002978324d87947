#include "common/atomic_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <stdio.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <memory>

#include "common/error.h"

namespace zorvel {
namespace {

constexpr std::string_view kTemporaryPrefix = ".zorvel-save-";
constexpr std::string_view kTemporarySuffix = ".tmp";

// Short whatever the length of the file's own name, and unique within the process.
std::string TemporaryPathFor(const std::string& path) {
  static std::atomic<unsigned> counter{0};
  const size_t slash = path.find_last_of('/');
  const std::string folder = slash == std::string::npos ? std::string(".") : path.substr(0, slash);
  return folder + "/" + std::string(kTemporaryPrefix) + std::to_string(getpid()) + "-" +
         std::to_string(counter++) + std::string(kTemporarySuffix);
}

// The process id in a temporary file name of ours ("PREFIX<pid>-<n>SUFFIX"); 0 for other names.
pid_t WriterOf(std::string_view name) {
  if (!name.starts_with(kTemporaryPrefix) || !name.ends_with(kTemporarySuffix)) return 0;
  name.remove_prefix(kTemporaryPrefix.size());
  name.remove_suffix(kTemporarySuffix.size());
  const size_t dash = name.find('-');
  if (dash == std::string_view::npos || dash + 1 == name.size()) return 0;
  pid_t pid = 0;
  const auto [end, error] = std::from_chars(name.data(), name.data() + dash, pid);
  if (error != std::errc() || end != name.data() + dash || pid <= 0) return 0;
  for (const char c : name.substr(dash + 1))
    if (c < '0' || c > '9') return 0;
  return pid;
}

bool ProcessExists(pid_t pid) {
  return kill(pid, 0) == 0 || errno == EPERM;
}

// Puts the temporary file in place of `path` when `condition` allows it; 0 or an errno value.
int MoveIntoPlace(const std::string& temporary, const std::string& path,
                  const TReplaceCondition& condition) {
  using TKind = TReplaceCondition::TKind;
  if (condition.kind == TKind::Unchanged && StampOf(path) != condition.expected)
    throw FileChangedError(path + " was changed by another program since it was read.");
  if (condition.kind != TKind::NothingThere)
    return rename(temporary.c_str(), path.c_str()) == 0 ? 0 : errno;
  if (renameat2(AT_FDCWD, temporary.c_str(), AT_FDCWD, path.c_str(), RENAME_NOREPLACE) == 0)
    return 0;
  int error = errno;
  if (error == EINVAL || error == ENOSYS) {  // a file system without it: a hard link says the same
    error = link(temporary.c_str(), path.c_str()) == 0 ? 0 : errno;
    if (error == 0) unlink(temporary.c_str());
  }
  if (error == EEXIST) throw FileChangedError(path + " was created by another program meanwhile.");
  return error;
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

TFileStamp WriteFileAtomically(const std::string& path, const std::function<int(int fd)>& write,
                               const TReplaceCondition& condition) {
  const std::string temporary = TemporaryPathFor(path);
  const int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0) throw Error("Cannot write " + path + ": " + std::strerror(errno));
  int error = write(fd);
  if (error == 0 && fdatasync(fd) != 0) error = errno;
  const TFileStamp written = StampOfDescriptor(fd);  // a rename keeps it
  if (close(fd) != 0 && error == 0) error = errno;
  try {
    if (error == 0) error = MoveIntoPlace(temporary, path, condition);
  } catch (const FileChangedError&) {
    unlink(temporary.c_str());
    throw;
  }
  if (error != 0) {
    unlink(temporary.c_str());
    throw Error("Cannot write " + path + ": " + std::strerror(error));
  }
  return written;
}

int RemoveLeftoverTemporaryFiles(const std::string& folder) {
  std::unique_ptr<DIR, int (*)(DIR*)> dir(opendir(folder.c_str()), closedir);
  if (!dir) return 0;
  int removed = 0;
  while (const dirent* entry = readdir(dir.get())) {
    const pid_t writer = WriterOf(entry->d_name);
    if (writer == 0 || ProcessExists(writer)) continue;
    if (unlinkat(dirfd(dir.get()), entry->d_name, 0) == 0) ++removed;
  }
  return removed;
}

TFileStamp WriteFileAtomically(const std::string& path, std::string_view bytes) {
  return WriteFileAtomically(path, [bytes](int fd) { return WriteAll(fd, bytes); });
}

}  // namespace zorvel
