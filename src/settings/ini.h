#pragma once

#include <cstdint>
#include <string>

namespace tessaly {

// The settings file handle: the file's path, the frame's window position, the
// flags word and whether an earlier run left its version stamp. Start-up calls
// Read; the frame's destruction calls Write.
class CIni {
 public:
  explicit CIni(std::string path) : path_(std::move(path)) {}
  virtual ~CIni() = default;

  // "Application" "Version" (only whether it is empty), "Window" "x" and "y".
  void Read();
  // "Application" "Version" = "1.0.1", "Application" "Flags", "Window" "x"
  // and "y", in that order. Returns false when the file could not be written
  // (the values are then lost; the old file stays as it was).
  bool Write() const;

  const std::string& path() const { return path_; }

  int32_t flags = 0;           // written masked to its low 24 bits; never read back
  bool storedVersion = false;  // the file held a non-empty "Version"
  int32_t x = 0;
  int32_t y = 0;

 private:
  std::string path_;
};

}  // namespace tessaly
