#pragma once

// A fresh folder under /tmp for one test, removed with everything in it afterwards, and whole-file
// reads and writes. Header-only: the unit tests use it without the test support library.

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace zorvel::test {

// The bytes of a file; empty when it cannot be read.
inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Replaces the file with `text`.
inline void WriteFile(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

// The lines of a text file, without their line ends.
inline std::vector<std::string> ReadFileLines(const std::string& path) {
  std::ifstream in(path);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

class TempFolder {
 public:
  TempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "zorvel-test-XXXXXX").string();
    path_ = mkdtemp(pattern.data());
  }
  ~TempFolder() {
    std::error_code ignored;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ignored);
    std::filesystem::remove_all(path_, ignored);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::string& path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + "/" + name; }

  std::string Write(const std::string& name, const std::string& content) const {
    WriteFile(File(name), content);
    return File(name);
  }
  std::string Read(const std::string& name) const { return ReadFile(File(name)); }
  std::vector<std::string> Lines(const std::string& name) const {
    return ReadFileLines(File(name));
  }
  bool Exists(const std::string& name) const { return std::filesystem::exists(File(name)); }
  // Names of every entry, in directory order.
  std::string Listing() const { return ListingOf(path_); }
  static std::string ListingOf(const std::string& folder) {
    std::string names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
      names += entry.path().filename().string() + ";";
    return names;
  }

 private:
  std::string path_;
};

}  // namespace zorvel::test
