#include "samples/checked_file.h"

#include <cerrno>
#include <cstring>
#include <system_error>

namespace tessaly {

std::filesystem::path PathFromUtf8(const std::string& utf8) {
  return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string PathToUtf8(const std::filesystem::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

CheckedFile::CheckedFile(const std::string& path) : path_(path), target_(PathFromUtf8(path)) {
  std::filesystem::path name = ".";
  name += target_.filename();
  name += ".partial";
  temporary_ = target_.parent_path() / name;
}

CheckedFile::~CheckedFile() {
  if (!committed_) {
    if (out_.is_open()) {
      out_.close();
    }
    std::error_code ignored;
    std::filesystem::remove(temporary_, ignored);
  }
}

bool CheckedFile::Fail(const std::string& cause, std::string* error) {
  if (out_.is_open()) {
    out_.close();
  }
  std::error_code ignored;
  std::filesystem::remove(temporary_, ignored);
  if (error != nullptr) {
    *error = "Cannot write " + path_ + (cause.empty() ? "" : ": " + cause);
  }
  return false;
}

bool CheckedFile::Open(std::string* error) {
  if (target_.filename().empty()) {
    return Fail("no file name", error);
  }
  errno = 0;
  out_.open(temporary_, std::ios::binary | std::ios::trunc);
  if (!out_.is_open()) {
    return Fail(errno != 0 ? std::strerror(errno) : "the file cannot be created", error);
  }
  opened_ = true;
  return true;
}

bool CheckedFile::Commit(std::string* error) {
  if (opened_) {
    errno = 0;
    out_.flush();
    const bool written = bool(out_);
    out_.close();
    if (!written || out_.fail()) {
      return Fail(errno != 0 ? std::strerror(errno) : "the disk refused the data", error);
    }
  }
  std::error_code code;
  if (!std::filesystem::is_regular_file(temporary_, code)) {
    return Fail("nothing was written", error);
  }
  std::filesystem::rename(temporary_, target_, code);
  if (code) {
    return Fail(code.message(), error);
  }
  committed_ = true;
  return true;
}

bool WriteFileChecked(const std::string& path, std::string_view bytes, std::string* error) {
  CheckedFile file(path);
  if (!file.Open(error)) {
    return false;
  }
  file.stream().write(bytes.data(), std::streamsize(bytes.size()));
  return file.Commit(error);
}

}  // namespace tessaly
