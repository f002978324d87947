#pragma once

// What the test window programs share: the --geometry and --out options, the log they write and
// its "ready window=0x..." line. Header-only: every tool is a program of its own.

#include <cstdio>
#include <string>

namespace zorvel::test {

struct ToolOptions {
  int width = 400;
  int height = 300;
  int x = 100;
  int y = 100;
  const char* out = nullptr;
};

// Reads the command line into `options` (--geometry WxH+X+Y, --out FILE); every other argument
// goes to `own(argument, next)`, which returns how many it used (1 for a flag, 2 for an option
// and its value; `next` is null at the end) or 0 when the argument is not one of the tool's.
// False on an unknown argument or a bad geometry.
template <class Own>
bool ParseToolOptions(int argc, char** argv, ToolOptions& options, Own own) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool hasValue = i + 1 < argc;
    if (arg == "--geometry" && hasValue) {
      if (std::sscanf(argv[++i], "%dx%d+%d+%d", &options.width, &options.height, &options.x,
                      &options.y) != 4)
        return false;
    } else if (arg == "--out" && hasValue) {
      options.out = argv[++i];
    } else {
      const int used = own(arg, hasValue ? argv[i + 1] : nullptr);
      if (used == 0) return false;
      i += used - 1;
    }
  }
  return true;
}

// Prints the usage line (the shared options, then `own`) to stderr; returns the exit code 2.
inline int ToolUsage(const char* program, const char* own) {
  std::fprintf(stderr, "usage: %s [--geometry WxH+X+Y] [--out FILE] %s\n", program, own);
  return 2;
}

// The log: appended to the --out file, else stdout; every line flushed at once.
class ToolLog {
 public:
  // False (with the reason on stderr) when the file cannot be opened.
  bool Open(const char* out) {
    file_ = out ? std::fopen(out, "a") : stdout;
    if (!file_) std::perror(out);
    return file_ != nullptr;
  }
  void Line(const std::string& line) const {
    std::fputs(line.c_str(), file_);
    std::fputc('\n', file_);
    std::fflush(file_);
  }
  // "ready window=0x1a00002": the window is up and the test may start.
  void Ready(unsigned long long window) const {
    char id[32];
    std::snprintf(id, sizeof id, "0x%llx", window);
    Line(std::string("ready window=") + id);
  }

 private:
  FILE* file_ = nullptr;
};

}  // namespace zorvel::test
