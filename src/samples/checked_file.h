#pragma once

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <string_view>

namespace tessaly {

// A path given as UTF-8 (the core's text), as the system's own path type: wide
// on Windows, so folders outside the ANSI code page work.
std::filesystem::path PathFromUtf8(const std::string& utf8);
std::string PathToUtf8(const std::filesystem::path& path);

// The one way Tessaly writes a file: everything goes to a temporary name in the
// same folder, every write and the close are checked, and only then is the
// temporary renamed to the chosen name. A file that is not committed (a failed
// write, a cancel, an exception) is removed, so a failure never leaves a
// half-written file under the chosen name, nor a stray temporary.
class CheckedFile {
 public:
  explicit CheckedFile(const std::string& path);
  ~CheckedFile();
  CheckedFile(const CheckedFile&) = delete;
  CheckedFile& operator=(const CheckedFile&) = delete;

  // For writers that open files themselves (sound files): where to write.
  const std::filesystem::path& temporary() const { return temporary_; }
  const std::string& path() const { return path_; }

  // Opens the temporary for writing through stream(). false with error.
  bool Open(std::string* error);
  std::ostream& stream() { return out_; }

  // Closes the stream if it was opened, checks it and the temporary, and
  // renames the temporary to the chosen name (replacing an older file).
  bool Commit(std::string* error);

 private:
  bool Fail(const std::string& cause, std::string* error);

  std::string path_;
  std::filesystem::path target_;
  std::filesystem::path temporary_;
  std::ofstream out_;
  bool opened_ = false;
  bool committed_ = false;
};

// Writes bytes to path through a CheckedFile.
bool WriteFileChecked(const std::string& path, std::string_view bytes, std::string* error);

}  // namespace tessaly
