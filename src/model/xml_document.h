#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include <pugixml.hpp>

#include "common/atomic_file.h"

namespace zorvel {

// The program's one XML document object. Every document (macros, settings) is read and written
// through it, one operation at a time; nothing stays in it between operations. Errors are thrown
// as Error with a message a user can read.
class TXMLDocument {
 public:
  // Files above this size are refused rather than read into memory.
  static constexpr size_t kMaxFileSize = size_t{256} << 20;

  // Parses the file at `path`, replacing the content. Throws Error naming the file and the
  // reason: not found, a directory, unreadable, too large, or not well-formed XML (with line and
  // column). After a failure the document is empty.
  void LoadFromFile(const std::string& path);
  // Parses `size` bytes of XML; `source` names them in error messages.
  void LoadFromBuffer(const void* data, size_t size, const std::string& source = "document");
  // Replaces the content with the document in `text` (throws Error when it is not XML).
  void ResetToText(std::string_view text);
  void Clear();

  // The document element; empty (falsy) when there is none.
  pugi::xml_node DocumentElement() const;

  // Writes the whole document as UTF-8 to `path`: into a temporary file in the same folder
  // (name ending in ".tmp"), flushed and then renamed over `path`, so a failed save leaves the
  // previous file whole. Throws Error with the system's reason, and FileChangedError when the
  // file at `path` is not what `condition` allows (it is then left as it is). Returns the stamp of
  // the file written.
  TFileStamp SaveToFile(const std::string& path, const TReplaceCondition& condition = {}) const;
  // The whole document as UTF-8 text, as SaveToFile writes it.
  std::string SaveToString() const;

  // Element helpers: names are matched exactly, with letter case.
  static pugi::xml_node FindChild(pugi::xml_node parent, const char* name);
  static bool HasAttribute(pugi::xml_node element, const char* name);
  // The attribute's text, or empty text when it is missing.
  static std::string GetAttribute(pugi::xml_node element, const char* name);
  // Sets the attribute, appending it when missing.
  static void SetAttribute(pugi::xml_node element, const char* name, std::string_view value);
  static pugi::xml_node AppendChild(pugi::xml_node parent, const char* name);

 private:
  pugi::xml_document document_;
};

// Empties the document however the operation that holds it ends, so nothing stays in it between
// uses.
class TDocumentUse {
 public:
  explicit TDocumentUse(TXMLDocument& document) : document_(document) {}
  ~TDocumentUse() { document_.Clear(); }
  TDocumentUse(const TDocumentUse&) = delete;
  TDocumentUse& operator=(const TDocumentUse&) = delete;

 private:
  TXMLDocument& document_;
};

}  // namespace zorvel
