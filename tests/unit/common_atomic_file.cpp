// Replacing a file only when the one there is what the writer expects, and tidying up what killed
// writers left behind.

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <thread>
#include <vector>

#include "../support/temp_folder.h"
#include "common/atomic_file.h"

namespace zorvel {
namespace {

using test::TempFolder;

TFileStamp WriteText(const std::string& path, const std::string& text,
                     const TReplaceCondition& condition) {
  return WriteFileAtomically(
      path, [&text](int fd) { return WriteAll(fd, text); }, condition);
}

TEST(ReplaceCondition, EachKindReplacesOnlyWhatItAllows) {
  struct Case {
    const char* name;
    // Prepares the folder as the writer finds it; returns what the writer allows.
    std::function<TReplaceCondition(const TempFolder&)> setUp;
    bool written;
  };
  const auto theirs = [](const TempFolder& folder) {
    folder.Write("doc.xml", "theirs");
    return StampOf(folder.File("doc.xml"));
  };
  const Case cases[] = {
      {"anything over a file",
       [&](auto& f) {
         theirs(f);
         return TReplaceCondition::Anything();
       },
       true},
      {"anything where none is", [](auto&) { return TReplaceCondition::Anything(); }, true},
      {"a new file where none is", [](auto&) { return TReplaceCondition::NothingThere(); }, true},
      {"a new file where one appeared",
       [&](auto& f) {
         theirs(f);
         return TReplaceCondition::NothingThere();
       },
       false},
      {"the file as read", [&](auto& f) { return TReplaceCondition::Unchanged(theirs(f)); }, true},
      {"replaced since it was read, same size",
       [&](auto& f) {
         const TFileStamp read = theirs(f);
         f.Write(".other", "THEIRS");
         std::filesystem::rename(f.File(".other"), f.File("doc.xml"));
         return TReplaceCondition::Unchanged(read);
       },
       false},
      {"removed since it was read",
       [&](auto& f) {
         const TFileStamp read = theirs(f);
         std::filesystem::remove(f.File("doc.xml"));
         return TReplaceCondition::Unchanged(read);
       },
       false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempFolder folder;
    const TReplaceCondition condition = c.setUp(folder);
    const std::string before = folder.Listing() + folder.Read("doc.xml");
    const std::string path = folder.File("doc.xml");
    if (c.written) {
      const TFileStamp stamp = WriteText(path, "mine", condition);
      EXPECT_EQ(folder.Read("doc.xml"), "mine");
      EXPECT_EQ(stamp, StampOf(path));
      EXPECT_EQ(folder.Listing(), "doc.xml;") << "no temporary file";
    } else {
      EXPECT_THROW(WriteText(path, "mine", condition), FileChangedError);
      EXPECT_EQ(folder.Listing() + folder.Read("doc.xml"), before);
    }
  }
}

// Of writers racing to create one new file, exactly one succeeds and the file is whole.
TEST(ReplaceCondition, OfRacingCreatorsOneWins) {
  TempFolder folder;
  const std::string path = folder.File("new.xml");
  std::vector<std::thread> writers;
  std::vector<int> outcomes(8, -1);
  for (size_t i = 0; i < outcomes.size(); ++i) {
    writers.emplace_back([&, i] {
      try {
        WriteText(path, std::string(1000, static_cast<char>('a' + i)),
                  TReplaceCondition::NothingThere());
        outcomes[i] = 1;
      } catch (const FileChangedError&) {
        outcomes[i] = 0;
      }
    });
  }
  for (auto& writer : writers) writer.join();
  EXPECT_EQ(std::count(outcomes.begin(), outcomes.end(), 1), 1);
  EXPECT_EQ(std::count(outcomes.begin(), outcomes.end(), 0), 7);
  const std::string text = folder.Read("new.xml");
  ASSERT_EQ(text.size(), 1000u);
  EXPECT_EQ(text, std::string(1000, text[0]));
  EXPECT_EQ(folder.Listing(), "new.xml;");
}

// A process id that no process has: a child that has ended and been waited for.
pid_t EndedProcessId() {
  const pid_t child = fork();
  if (child == 0) _exit(0);
  int status = 0;
  waitpid(child, &status, 0);
  return child;
}

TEST(LeftoverTemporaryFiles, OnlyOursOfEndedProcessesAreRemoved) {
  TempFolder folder;
  const std::string dead = std::to_string(EndedProcessId());
  const std::string alive = std::to_string(getpid());
  folder.Write(".zorvel-save-" + dead + "-0.tmp", "killed");
  folder.Write(".zorvel-save-" + dead + "-17.tmp", "killed");
  folder.Write(".zorvel-save-" + alive + "-3.tmp", "still writing");
  folder.Write(".zorvel-save-1-0.tmp", "a live process");
  for (const std::string& kept :
       std::vector<std::string>{".zorvel-save-" + dead + ".tmp", ".zorvel-save-" + dead + "-x.tmp",
                                ".zorvel-save-" + dead + "-0.tmp.xml", ".zorvel-save--0.tmp",
                                "zorvel-save-" + dead + "-0.tmp", ".zorvel-save-" + dead + "-.tmp",
                                "macro.xml", ".zorvel-save-99999999999999-0.tmp"})
    folder.Write(kept, "not ours or not a leftover");
  const size_t entries = std::distance(std::filesystem::directory_iterator(folder.path()),
                                       std::filesystem::directory_iterator());
  EXPECT_EQ(RemoveLeftoverTemporaryFiles(folder.path()), 2);
  EXPECT_FALSE(folder.Exists(".zorvel-save-" + dead + "-0.tmp"));
  EXPECT_FALSE(folder.Exists(".zorvel-save-" + dead + "-17.tmp"));
  EXPECT_EQ(static_cast<size_t>(std::distance(std::filesystem::directory_iterator(folder.path()),
                                              std::filesystem::directory_iterator())),
            entries - 2);
  EXPECT_EQ(RemoveLeftoverTemporaryFiles(folder.File("missing")), 0);
}

}  // namespace
}  // namespace zorvel
