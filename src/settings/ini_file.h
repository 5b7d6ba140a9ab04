#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tessaly {

// An initialisation file ("[Section]" headers and "Key=Value" lines) that is
// edited in place: every line the program does not touch — unknown keys and
// sections, comments, blank lines, even binary junk — is written back byte for
// byte. Lookups follow the Windows private-profile rules: section and key
// names compare case-insensitively (ASCII) with surrounding white space
// ignored, the first of duplicate sections and the first of duplicate keys
// win, and a value loses its surrounding white space and one pair of matching
// quotes.
class IniFile {
 public:
  enum class LoadResult {
    kRead,     // the file was read
    kMissing,  // there is no such file: an empty document
    kFailed,   // the file exists but could not be read: an empty document
  };

  IniFile() = default;
  // Parses the text of a file; a leading UTF-8 byte-order mark is kept aside.
  explicit IniFile(std::string_view text);

  // Reads the file at path (a UTF-8 path). Never throws.
  static IniFile Load(const std::string& path, LoadResult* result = nullptr);

  // The value of the key, or nothing when the section or key is missing or
  // the line has no '='. An empty value is returned as an empty string.
  std::optional<std::string> Get(std::string_view section, std::string_view key) const;

  // Replaces the value of an existing key in place, or appends the key at the
  // end of its section, or appends the section at the end of the document.
  // A value is cut at its first line break so it cannot add lines.
  void Set(std::string_view section, std::string_view key, std::string_view value);

  // The whole document as it would be written.
  std::string Text() const;

  // Writes the document to path without ever leaving a truncated or
  // half-written file: the text goes to a temporary file in the same folder
  // that is then renamed over the old one. A file without any write
  // permission is treated as read-only and left alone. Returns false when
  // nothing was written; the old file is then unchanged. Never throws.
  bool Save(const std::string& path) const;

  // "\r\n" or "\n": the file's own line-ending style, used for new lines.
  const std::string& LineEnding() const { return eol_; }

 private:
  enum class Kind : uint8_t { kOther, kSection, kKey };
  enum class Eol : uint8_t { kNone, kLf, kCrLf };
  // Kept lean: a pathological file may hold a million lines.
  struct Line {
    std::string text;  // without its line ending
    uint32_t nameBegin = 0;
    uint32_t nameLength = 0;
    Eol eol = Eol::kNone;  // kNone only for a last line without one
    Kind kind = Kind::kOther;
    // The section or key name, trimmed.
    std::string_view Name() const { return std::string_view(text).substr(nameBegin, nameLength); }
  };

  static Line ParseLine(std::string text, Eol eol);
  Eol StyleEol() const { return eol_ == "\r\n" ? Eol::kCrLf : Eol::kLf; }
  // Index of the first header of the section, or -1.
  long FindSection(std::string_view section) const;
  // One past the last line of the section that starts at header.
  size_t SectionEnd(size_t header) const;
  long FindKey(size_t header, std::string_view key) const;
  void Insert(size_t at, std::string text);

  bool bom_ = false;
  std::string eol_ =
#ifdef _WIN32
      "\r\n";
#else
      "\n";
#endif
  std::vector<Line> lines_;
};

}  // namespace tessaly
