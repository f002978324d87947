#pragma once

// Writing a whole file so that a failed or interrupted write never leaves it half-written.

#include <functional>
#include <string>
#include <string_view>

#include "common/error.h"
#include "common/file_stamp.h"

namespace zorvel {

// What a write may find at its path when the new file takes its place.
struct TReplaceCondition {
  enum class TKind {
    Anything,      // whatever is there is replaced
    NothingThere,  // the path must be free: a file that appeared meanwhile is kept
    Unchanged,     // the file must still be the one with the stamp `expected`
  };
  TKind kind = TKind::Anything;
  TFileStamp expected;

  static TReplaceCondition Anything() { return {}; }
  static TReplaceCondition NothingThere() { return {TKind::NothingThere, {}}; }
  static TReplaceCondition Unchanged(const TFileStamp& stamp) { return {TKind::Unchanged, stamp}; }
};

// A write refused because the file at its path is not what the condition allows: another
// program wrote it. The file there is left as it is.
class FileChangedError : public Error {
 public:
  using Error::Error;
};

// Writes through a hidden temporary file beside `path` (".zorvel-save-PID-N.tmp": the ".tmp" end
// keeps every folder scan from taking it for a macro), flushes it to disk and renames it over
// `path`, so `path` is always either the old file or the whole new one. `write` fills the open
// file descriptor and returns 0 or an errno value. `condition` is checked just before the new file
// takes the place of the old: throws FileChangedError when it does not hold (NothingThere is
// checked by the rename itself, so of two writers of a new file only one succeeds). Throws Error
// with the system's reason on other failures; the temporary file is removed on every failure.
// Returns the stamp of the file written.
TFileStamp WriteFileAtomically(const std::string& path, const std::function<int(int fd)>& write,
                               const TReplaceCondition& condition = {});
TFileStamp WriteFileAtomically(const std::string& path, std::string_view bytes);

// Removes the temporary files of writes in `folder` whose process no longer exists (a write that
// was killed leaves its temporary file behind). Returns how many were removed.
int RemoveLeftoverTemporaryFiles(const std::string& folder);

// Writes all of `bytes` to `fd`, going on after interrupted calls. Returns 0 or an errno value.
int WriteAll(int fd, std::string_view bytes);

}  // namespace zorvel
