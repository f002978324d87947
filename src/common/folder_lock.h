#pragma once

// One program at a time works on a macro folder: it holds an exclusive lock on a hidden file in
// the folder for as long as it runs. The kernel drops the lock when the process ends, however it
// ends, so a crashed program never leaves the folder locked.

#include <string>

namespace zorvel {

// Name of the lock file in the macro folder (hidden, and no scan takes it for a macro).
inline constexpr const char* kFolderLockFileName = ".zorvel.lock";

class TFolderLock {
 public:
  enum class Result { Locked, HeldByOther };

  TFolderLock() = default;
  ~TFolderLock();
  TFolderLock(const TFolderLock&) = delete;
  TFolderLock& operator=(const TFolderLock&) = delete;

  // Takes the lock of `folder` without waiting. HeldByOther when another open lock holds it
  // (another process, or another TFolderLock of this one). Throws Error when the folder can be
  // neither locked nor looked at. A folder where the lock file cannot be created (read-only) is
  // locked through the folder itself.
  Result Acquire(const std::string& folder);
  bool Held() const { return fd_ >= 0; }

 private:
  int fd_ = -1;
};

}  // namespace zorvel
