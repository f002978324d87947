#include "model/xml_document.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sstream>
#include <vector>

#include "common/atomic_file.h"
#include "common/error.h"
#include "model/xml_strict.h"

namespace zorvel {
namespace {

// parse_fragment keeps text around the root element as nodes, so that it can be refused.
constexpr unsigned kParseOptions =
    pugi::parse_default | pugi::parse_declaration | pugi::parse_fragment;

std::string SystemReason(int error) {
  return std::strerror(error);
}

// Line and column (both from 1) of byte `offset` in `data`.
std::string PositionText(const char* data, size_t size, ptrdiff_t offset) {
  size_t end = offset < 0 ? 0 : std::min(size, static_cast<size_t>(offset));
  size_t line = 1, column = 1;
  for (size_t i = 0; i < end; ++i) {
    if (data[i] == '\n') {
      ++line;
      column = 1;
    } else {
      ++column;
    }
  }
  return "line " + std::to_string(line) + ", column " + std::to_string(column);
}

class FileCloser {
 public:
  explicit FileCloser(int fd) : fd_(fd) {}
  ~FileCloser() {
    if (fd_ >= 0) close(fd_);
  }
  FileCloser(const FileCloser&) = delete;
  FileCloser& operator=(const FileCloser&) = delete;

 private:
  int fd_;
};

std::vector<char> ReadWholeFile(const std::string& path) {
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) {
    int error = errno;
    if (error == ENOENT) throw Error("File not found: " + path);
    throw Error("Cannot open " + path + ": " + SystemReason(error));
  }
  FileCloser closer(fd);
  struct stat info {};
  if (fstat(fd, &info) != 0) throw Error("Cannot read " + path + ": " + SystemReason(errno));
  if (S_ISDIR(info.st_mode)) throw Error(path + " is a folder, not a file");
  if (!S_ISREG(info.st_mode)) throw Error(path + " is not a regular file");
  if (static_cast<uint64_t>(info.st_size) > TXMLDocument::kMaxFileSize)
    throw Error(path + " is too large (" + std::to_string(info.st_size) + " bytes)");
  std::vector<char> data(static_cast<size_t>(info.st_size));
  size_t done = 0;
  while (done < data.size()) {
    ssize_t n = read(fd, data.data() + done, data.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) throw Error("Cannot read " + path + ": " + SystemReason(errno));
    if (n == 0) break;  // the file shrank while being read
    done += static_cast<size_t>(n);
  }
  data.resize(done);
  return data;
}

// Writes to a file descriptor through a buffer; remembers the first error.
class FdWriter : public pugi::xml_writer {
 public:
  explicit FdWriter(int fd) : fd_(fd) { buffer_.reserve(kBufferSize); }
  void write(const void* data, size_t size) override {
    const char* bytes = static_cast<const char*>(data);
    if (buffer_.size() + size > kBufferSize) Flush();
    if (size >= kBufferSize) {
      Put(bytes, size);
    } else {
      buffer_.insert(buffer_.end(), bytes, bytes + size);
    }
  }
  // Returns 0 or the first errno met.
  int Flush() {
    Put(buffer_.data(), buffer_.size());
    buffer_.clear();
    return error_;
  }

 private:
  static constexpr size_t kBufferSize = 1 << 20;
  void Put(const char* data, size_t size) {
    if (error_ == 0) error_ = WriteAll(fd_, std::string_view(data, size));
  }
  int fd_;
  int error_ = 0;
  std::vector<char> buffer_;
};

}  // namespace

void TXMLDocument::LoadFromFile(const std::string& path) {
  document_.reset();
  std::vector<char> data = ReadWholeFile(path);
  LoadFromBuffer(data.data(), data.size(), path);
}

void TXMLDocument::LoadFromBuffer(const void* data, size_t size, const std::string& source) {
  document_.reset();
  if (size > kMaxFileSize) throw Error(source + " is too large");
  pugi::xml_parse_result result = document_.load_buffer(data, size, kParseOptions);
  if (!result) {
    std::string where = PositionText(static_cast<const char*>(data), size, result.offset);
    document_.reset();
    throw Error(source + " is not well-formed XML (" + result.description() + " at " + where + ")");
  }
  if (!document_.document_element()) {
    document_.reset();
    std::string where =
        PositionText(static_cast<const char*>(data), size, static_cast<ptrdiff_t>(size));
    throw Error(source + " is not well-formed XML (No document element found at " + where + ")");
  }
  const TXmlFault fault =
      FindXmlFault(document_, result.encoding, static_cast<const char*>(data), size);
  if (!fault.reason.empty()) {
    std::string where = PositionText(static_cast<const char*>(data), size, fault.offset);
    document_.reset();
    throw Error(source + " is not well-formed XML (" + fault.reason + " at " + where + ")");
  }
}

void TXMLDocument::ResetToText(std::string_view text) {
  LoadFromBuffer(text.data(), text.size(), "document text");
}

void TXMLDocument::Clear() {
  document_.reset();
}

pugi::xml_node TXMLDocument::DocumentElement() const {
  return document_.document_element();
}

std::string TXMLDocument::SaveToString() const {
  std::ostringstream out;
  document_.save(out, "", pugi::format_raw, pugi::encoding_utf8);
  return out.str();
}

TFileStamp TXMLDocument::SaveToFile(const std::string& path,
                                    const TReplaceCondition& condition) const {
  return WriteFileAtomically(
      path,
      [this](int fd) {
        FdWriter writer(fd);
        document_.save(writer, "", pugi::format_raw, pugi::encoding_utf8);
        return writer.Flush();
      },
      condition);
}

pugi::xml_node TXMLDocument::FindChild(pugi::xml_node parent, const char* name) {
  return parent.child(name);
}

bool TXMLDocument::HasAttribute(pugi::xml_node element, const char* name) {
  return static_cast<bool>(element.attribute(name));
}

std::string TXMLDocument::GetAttribute(pugi::xml_node element, const char* name) {
  return element.attribute(name).value();
}

void TXMLDocument::SetAttribute(pugi::xml_node element, const char* name, std::string_view value) {
  pugi::xml_attribute attribute = element.attribute(name);
  if (!attribute) attribute = element.append_attribute(name);
  attribute.set_value(value.data(), value.size());
}

pugi::xml_node TXMLDocument::AppendChild(pugi::xml_node parent, const char* name) {
  return parent.append_child(name);
}

}  // namespace zorvel
