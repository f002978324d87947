#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#include <filesystem>

#include "../support/temp_folder.h"
#include "common/error.h"
#include "common/folder_lock.h"

namespace zorvel {
namespace {

using test::TempFolder;
using Result = TFolderLock::Result;

TEST(FolderLock, OneHolderAtATimeAndFreeOnceItGoes) {
  TempFolder folder;
  auto first = std::make_unique<TFolderLock>();
  EXPECT_EQ(first->Acquire(folder.path()), Result::Locked);
  EXPECT_TRUE(first->Held());
  TFolderLock second;
  EXPECT_EQ(second.Acquire(folder.path()), Result::HeldByOther);
  EXPECT_FALSE(second.Held());
  TempFolder other;
  TFolderLock elsewhere;
  EXPECT_EQ(elsewhere.Acquire(other.path()), Result::Locked);
  first.reset();
  EXPECT_EQ(second.Acquire(folder.path()), Result::Locked);
  EXPECT_EQ(folder.Listing(), std::string(kFolderLockFileName) + ";");
}

// A holder that dies without cleaning up leaves the folder free.
TEST(FolderLock, TheKernelReleasesTheLockOfAKilledHolder) {
  TempFolder folder;
  int ready[2];
  ASSERT_EQ(pipe(ready), 0);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    TFolderLock lock;
    const char byte = lock.Acquire(folder.path()) == Result::Locked ? 'y' : 'n';
    if (write(ready[1], &byte, 1) != 1) _exit(2);
    pause();
    _exit(0);
  }
  char byte = 0;
  ASSERT_EQ(read(ready[0], &byte, 1), 1);
  EXPECT_EQ(byte, 'y');
  TFolderLock mine;
  EXPECT_EQ(mine.Acquire(folder.path()), Result::HeldByOther);
  kill(child, SIGKILL);
  int status = 0;
  waitpid(child, &status, 0);
  EXPECT_EQ(mine.Acquire(folder.path()), Result::Locked);
  close(ready[0]);
  close(ready[1]);
}

TEST(FolderLock, AFolderWithoutTheLockFileThatCannotBeWrittenIsStillLocked) {
  if (geteuid() == 0) GTEST_SKIP() << "root writes into read-only folders";
  TempFolder folder;
  std::filesystem::permissions(
      folder.path(), std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
  TFolderLock first, second;
  EXPECT_EQ(first.Acquire(folder.path()), Result::Locked);
  EXPECT_EQ(second.Acquire(folder.path()), Result::HeldByOther);
}

TEST(FolderLock, AMissingFolderIsAnError) {
  TempFolder folder;
  TFolderLock lock;
  EXPECT_THROW(lock.Acquire(folder.File("gone")), Error);
  EXPECT_FALSE(lock.Held());
}

}  // namespace
}  // namespace zorvel
