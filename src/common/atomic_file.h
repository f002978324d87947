#pragma once

// Writing a whole file so that a failed or interrupted write never leaves it half-written.

#include <functional>
#include <string>
#include <string_view>

namespace zorvel {

// Writes through a hidden temporary file beside `path` (".zorvel-save-PID-N.tmp": the ".tmp" end
// keeps every folder scan from taking it for a macro), flushes it to disk and renames it over
// `path`, so `path` is always either the old file or the whole new one. `write` fills the open
// file descriptor and returns 0 or an errno value. Throws Error with the system's reason; the
// temporary file is removed on every failure.
void WriteFileAtomically(const std::string& path, const std::function<int(int fd)>& write);
void WriteFileAtomically(const std::string& path, std::string_view bytes);

// Writes all of `bytes` to `fd`, going on after interrupted calls. Returns 0 or an errno value.
int WriteAll(int fd, std::string_view bytes);

}  // namespace zorvel
