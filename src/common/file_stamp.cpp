#include "common/file_stamp.h"

#include <sys/stat.h>

namespace zorvel {
namespace {

TFileStamp FromStat(const struct stat& info) {
  TFileStamp stamp;
  stamp.exists = true;
  stamp.device = static_cast<uint64_t>(info.st_dev);
  stamp.inode = static_cast<uint64_t>(info.st_ino);
  stamp.size = static_cast<int64_t>(info.st_size);
  stamp.modifiedSeconds = static_cast<int64_t>(info.st_mtim.tv_sec);
  stamp.modifiedNanoseconds = static_cast<int64_t>(info.st_mtim.tv_nsec);
  return stamp;
}

}  // namespace

TFileStamp StampOf(const std::string& path) {
  struct stat info {};
  if (stat(path.c_str(), &info) != 0) return {};
  return FromStat(info);
}

TFileStamp StampOfDescriptor(int fd) {
  struct stat info {};
  if (fstat(fd, &info) != 0) return {};
  return FromStat(info);
}

}  // namespace zorvel
