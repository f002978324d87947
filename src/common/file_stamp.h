#pragma once

// What tells one version of a file from another without reading it: its identity on the disk,
// size and modification time. A file replaced through a rename gets a new identity, so even a
// replacement of the same size within the file system's time resolution is told apart.

#include <cstdint>
#include <string>

namespace zorvel {

struct TFileStamp {
  bool exists = false;
  uint64_t device = 0;
  uint64_t inode = 0;
  int64_t size = 0;
  int64_t modifiedSeconds = 0;
  int64_t modifiedNanoseconds = 0;
  bool operator==(const TFileStamp&) const = default;
};

// The stamp of the file at `path` now; `exists` false when there is none (or it cannot be looked
// at).
TFileStamp StampOf(const std::string& path);
// The stamp of an open file.
TFileStamp StampOfDescriptor(int fd);

}  // namespace zorvel
