#include "settings/ini_file.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <exception>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

namespace tessaly {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kBom = "\xEF\xBB\xBF";
// Far beyond any real settings file; keeps a runaway file from exhausting memory.
constexpr std::uintmax_t kMaxFileSize = 1024 * 1024;

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

std::string_view TrimLeft(std::string_view s) {
  size_t i = 0;
  while (i < s.size() && IsBlank(s[i])) {
    ++i;
  }
  return s.substr(i);
}

std::string_view TrimRight(std::string_view s) {
  size_t n = s.size();
  while (n > 0 && IsBlank(s[n - 1])) {
    --n;
  }
  return s.substr(0, n);
}

std::string_view Trim(std::string_view s) {
  return TrimRight(TrimLeft(s));
}

char LowerAscii(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) {
    return false;
  }
  for (size_t i = 0; i < a.size(); ++i) {
    if (LowerAscii(a[i]) != LowerAscii(b[i])) {
      return false;
    }
  }
  return true;
}

// Paths arrive as UTF-8; on Windows a plain char path would be taken as the
// ANSI code page instead.
fs::path PathFromUtf8(const std::string& s) {
  return fs::path(std::u8string(reinterpret_cast<const char8_t*>(s.data()), s.size()));
}

std::string TempSuffix() {
  static std::atomic<uint64_t> counter{0};
  uint64_t r = static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
  try {
    std::random_device device;
    r ^= (static_cast<uint64_t>(device()) << 32) ^ device();
  } catch (const std::exception&) {
    // The clock and the counter still make the name unique enough.
  }
  r += counter.fetch_add(1) * 0x9E3779B97F4A7C15ull;
  std::ostringstream out;
  out << ".tmp" << std::hex << r;
  return out.str();
}

}  // namespace

IniFile::IniFile(std::string_view text) {
  if (text.substr(0, kBom.size()) == kBom) {
    bom_ = true;
    text.remove_prefix(kBom.size());
  }
  const size_t firstBreak = text.find('\n');
  if (firstBreak != std::string_view::npos) {
    eol_ = (firstBreak > 0 && text[firstBreak - 1] == '\r') ? "\r\n" : "\n";
  }
  size_t start = 0;
  while (start < text.size()) {
    const size_t end = text.find('\n', start);
    if (end == std::string_view::npos) {
      lines_.push_back(ParseLine(std::string(text.substr(start)), Eol::kNone));
      break;
    }
    std::string_view body = text.substr(start, end - start);
    if (!body.empty() && body.back() == '\r') {
      body.remove_suffix(1);
      lines_.push_back(ParseLine(std::string(body), Eol::kCrLf));
    } else {
      lines_.push_back(ParseLine(std::string(body), Eol::kLf));
    }
    start = end + 1;
  }
}

IniFile::Line IniFile::ParseLine(std::string text, Eol eol) {
  Line line;
  line.text = std::move(text);
  line.eol = eol;
  const auto setName = [&line](std::string_view name) {
    line.nameBegin = static_cast<uint32_t>(name.data() - line.text.data());
    line.nameLength = static_cast<uint32_t>(name.size());
  };
  const std::string_view s = TrimLeft(line.text);
  if (s.empty() || s.front() == ';') {
    return line;
  }
  if (s.front() == '[') {
    const size_t close = s.rfind(']');
    if (close != std::string_view::npos) {
      line.kind = Kind::kSection;
      setName(Trim(s.substr(1, close - 1)));
      return line;
    }
    // A header without its ']' is read like any other line.
  }
  const size_t eq = s.find('=');
  if (eq != std::string_view::npos) {
    line.kind = Kind::kKey;
    setName(Trim(s.substr(0, eq)));
  }
  return line;
}

IniFile IniFile::Load(const std::string& path, LoadResult* result) {
  LoadResult status = LoadResult::kFailed;
  IniFile file;
  try {
    const fs::path p = PathFromUtf8(path);
    std::error_code ec;
    const fs::file_status st = fs::status(p, ec);
    if (st.type() == fs::file_type::not_found) {
      status = LoadResult::kMissing;
    } else if (!ec && fs::is_regular_file(st)) {
      const std::uintmax_t size = fs::file_size(p, ec);
      if (!ec && size <= kMaxFileSize) {
        std::ifstream in(p, std::ios::binary);
        std::string text;
        if (in) {
          text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
          if (!in.bad()) {
            file = IniFile(text);
            status = LoadResult::kRead;
          }
        }
      }
    }
  } catch (const std::exception&) {
    file = IniFile();
    status = LoadResult::kFailed;
  }
  if (result != nullptr) {
    *result = status;
  }
  return file;
}

long IniFile::FindSection(std::string_view section) const {
  for (size_t i = 0; i < lines_.size(); ++i) {
    if (lines_[i].kind == Kind::kSection && EqualNoCase(lines_[i].Name(), section)) {
      return static_cast<long>(i);
    }
  }
  return -1;
}

size_t IniFile::SectionEnd(size_t header) const {
  size_t i = header + 1;
  while (i < lines_.size() && lines_[i].kind != Kind::kSection) {
    ++i;
  }
  return i;
}

long IniFile::FindKey(size_t header, std::string_view key) const {
  const size_t end = SectionEnd(header);
  for (size_t i = header + 1; i < end; ++i) {
    if (lines_[i].kind == Kind::kKey && EqualNoCase(lines_[i].Name(), key)) {
      return static_cast<long>(i);
    }
  }
  return -1;
}

std::optional<std::string> IniFile::Get(std::string_view section, std::string_view key) const {
  const long header = FindSection(Trim(section));
  if (header < 0) {
    return std::nullopt;
  }
  const long at = FindKey(static_cast<size_t>(header), Trim(key));
  if (at < 0) {
    return std::nullopt;
  }
  const std::string& text = lines_[static_cast<size_t>(at)].text;
  std::string_view value = Trim(std::string_view(text).substr(text.find('=') + 1));
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front()) {
    value = value.substr(1, value.size() - 2);
  }
  return std::string(value);
}

void IniFile::Insert(size_t at, std::string text) {
  // The line before may have been the file's unterminated last line.
  if (at > 0 && lines_[at - 1].eol == Eol::kNone) {
    lines_[at - 1].eol = StyleEol();
  }
  lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(at),
                ParseLine(std::move(text), StyleEol()));
}

void IniFile::Set(std::string_view section, std::string_view key, std::string_view value) {
  section = Trim(section);
  key = Trim(key);
  if (section.empty() || key.empty()) {
    return;
  }
  value = value.substr(0, value.find_first_of("\r\n"));
  const std::string entry = std::string(key) + "=" + std::string(value);

  const long header = FindSection(section);
  if (header < 0) {
    std::string head = "[";  // appended piecewise: GCC 12 -O3 misreads the operator+ chain
    head.append(section).append("]");
    Insert(lines_.size(), head);
    Insert(lines_.size(), entry);
    return;
  }
  const long at = FindKey(static_cast<size_t>(header), key);
  if (at >= 0) {
    // Keep the key as the file spells it, with its indent.
    Line& line = lines_[static_cast<size_t>(at)];
    const std::string_view written =
        TrimRight(std::string_view(line.text).substr(0, line.text.find('=')));
    line.text = std::string(written) + "=" + std::string(value);
    return;
  }
  // After the section's last non-blank line, so blank lines that separate it
  // from the next section stay where they are.
  size_t pos = SectionEnd(static_cast<size_t>(header));
  while (pos > static_cast<size_t>(header) + 1 && Trim(lines_[pos - 1].text).empty()) {
    --pos;
  }
  Insert(pos, entry);
}

std::string IniFile::Text() const {
  std::string text;
  if (bom_) {
    text += kBom;
  }
  for (const Line& line : lines_) {
    text += line.text;
    text += line.eol == Eol::kCrLf ? "\r\n" : line.eol == Eol::kLf ? "\n" : "";
  }
  return text;
}

namespace {

// Writes through a symbolic link (a managed dotfile, say) rather than
// replacing the link with a plain file.
fs::path ResolveLink(fs::path target) {
  std::error_code ec;
  if (fs::is_symlink(fs::symlink_status(target, ec))) {
    const fs::path resolved = fs::weakly_canonical(target, ec);
    if (!ec) {
      target = resolved;
    }
  }
  return target;
}

// An existing file is replaced only when it is a regular file someone may write.
bool MayReplace(const fs::file_status& old) {
  constexpr fs::perms kAnyWrite =
      fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;
  return fs::is_regular_file(old) && (old.permissions() & kAnyWrite) != fs::perms::none;
}

// A path beside target that does not exist yet, or an empty path.
fs::path FreeTempPath(const fs::path& target) {
  std::error_code ec;
  for (int attempt = 0; attempt < 4; ++attempt) {
    fs::path candidate = target;
    candidate += TempSuffix();
    if (!fs::exists(fs::symlink_status(candidate, ec))) {
      return candidate;
    }
  }
  return {};
}

// Creates `file` with `text`; on failure no file is left behind.
bool WriteNewFile(const fs::path& file, const std::string& text) {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  if (!out) {
    return false;  // nothing was created
  }
  out.write(text.data(), static_cast<std::streamsize>(text.size()));
  out.flush();
  out.close();
  if (!out) {
    std::error_code ec;
    fs::remove(file, ec);
    return false;
  }
  return true;
}

}  // namespace

bool IniFile::Save(const std::string& path) const {
  fs::path temp;
  try {
    const fs::path target = ResolveLink(PathFromUtf8(path));
    std::error_code ec;
    const fs::file_status old = fs::status(target, ec);
    const bool existed = fs::exists(old);
    if (existed && !MayReplace(old)) {
      return false;
    }
    temp = FreeTempPath(target);
    if (temp.empty()) {
      return false;
    }
    if (!WriteNewFile(temp, Text())) {
      temp.clear();
      return false;
    }
    if (existed) {
      fs::permissions(temp, old.permissions(), ec);
    }
    fs::rename(temp, target, ec);
    if (ec) {
      fs::remove(temp, ec);
      return false;
    }
    return true;
  } catch (const std::exception&) {
    if (!temp.empty()) {
      std::error_code ec;
      fs::remove(temp, ec);
    }
    return false;
  }
}

}  // namespace tessaly
