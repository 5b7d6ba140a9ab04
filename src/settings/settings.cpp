#include "settings/settings.h"

#include <algorithm>
#include <cstddef>
#include <limits>

#include "settings/ini_file.h"

namespace tessaly {

namespace {

constexpr std::string_view kApplication = "Application";
constexpr std::string_view kServer = "Server";
constexpr std::string_view kHost = "Host";

// The values were read into an 80-character buffer; longer text is cut there.
constexpr size_t kIntegerTextLimit = 79;

struct Key {
  std::string_view name;
  int32_t CSettings::*single;
  std::array<int32_t, 2> CSettings::*pair;
  int view;
  int32_t defaultValue;
};

constexpr Key Single(std::string_view name, int32_t CSettings::*field, int32_t def) {
  return Key{name, field, nullptr, 0, def};
}

constexpr Key Pair(std::string_view name, std::array<int32_t, 2> CSettings::*field, int view,
                   int32_t def) {
  return Key{name, nullptr, field, view, def};
}

// The order in which the keys are read and written.
constexpr std::array<Key, 25> kKeys = {
    Single("View2", &CSettings::view2, 0),
    Pair("Source1", &CSettings::source, 0, 1),
    Pair("Source2", &CSettings::source, 1, 3),
    Pair("Site1", &CSettings::station, 0, 1),
    Pair("Site2", &CSettings::station, 1, 1),
    Pair("Sound1", &CSettings::sound, 0, 1),
    Pair("Sound2", &CSettings::sound, 1, 0),
    Pair("HistogramValues1", &CSettings::histogramValues, 0, 3),
    Pair("HistogramValues2", &CSettings::histogramValues, 1, 3),
    Pair("HistogramSmooth1", &CSettings::histogramSmooth, 0, 2),
    Pair("HistogramSmooth2", &CSettings::histogramSmooth, 1, 2),
    Pair("HostSortMode1", &CSettings::stationSortMode, 0, 0),
    Pair("HostSortMode2", &CSettings::stationSortMode, 1, 0),
    Pair("HexagramMethod1", &CSettings::hexagramMethod, 0, 0),
    Pair("HexagramMethod2", &CSettings::hexagramMethod, 1, 0),
    Pair("HexagramLanguage1", &CSettings::hexagramLanguage, 0, 0),
    Pair("HexagramLanguage2", &CSettings::hexagramLanguage, 1, 0),
    Single("SoundFade", &CSettings::soundFade, 1),
    Single("MusicScale", &CSettings::musicScale, 3),
    Single("BaseFrequency", &CSettings::baseFrequency, 3),
    Single("Volume", &CSettings::volume, 50),
    Single("Mute", &CSettings::mute, 0),
    // Keys of later versions; an older one ignores them and keeps them in the file.
    Pair("FollowLive1", &CSettings::followLive, 0, 0),
    Pair("FollowLive2", &CSettings::followLive, 1, 0),
    Single("LiveDelay", &CSettings::liveDelay, 60),
};

int32_t& Field(CSettings& s, const Key& key) {
  return key.single != nullptr ? s.*key.single : (s.*key.pair)[static_cast<size_t>(key.view)];
}

int32_t Field(const CSettings& s, const Key& key) {
  return key.single != nullptr ? s.*key.single : (s.*key.pair)[static_cast<size_t>(key.view)];
}

bool IsSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

}  // namespace

int32_t ParseIniInteger(const std::optional<std::string>& value, int32_t defaultValue) {
  if (!value || value->empty()) {
    return defaultValue;
  }
  const std::string_view text = std::string_view(*value).substr(0, kIntegerTextLimit);
  size_t i = 0;
  while (i < text.size() && IsSpace(text[i])) {
    ++i;
  }
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  // Accumulate in 64 bits and stop growing once past the 32-bit range.
  constexpr int64_t kLimit = static_cast<int64_t>(std::numeric_limits<int32_t>::max()) + 1;
  int64_t magnitude = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    magnitude = std::min(kLimit, magnitude * 10 + (text[i] - '0'));
  }
  const int64_t result = negative ? -magnitude : magnitude;
  return static_cast<int32_t>(std::clamp<int64_t>(result, std::numeric_limits<int32_t>::min(),
                                                  std::numeric_limits<int32_t>::max()));
}

int32_t ReadIniInteger(const IniFile& ini, std::string_view section, std::string_view key,
                       int32_t defaultValue) {
  return ParseIniInteger(ini.Get(section, key), defaultValue);
}

CSettings::CSettings(std::string defaultServerHost)
    : serverHost(defaultServerHost), defaultServerHost_(std::move(defaultServerHost)) {}

void CSettings::Read(const std::string& path) {
  Read(IniFile::Load(path));
}

void CSettings::Read(const IniFile& ini) {
  for (const Key& key : kKeys) {
    Field(*this, key) = ReadIniInteger(ini, kApplication, key.name, key.defaultValue);
  }
  // A hand-edited value past the ends would index beyond the frequency table.
  baseFrequency = std::clamp(baseFrequency, kMinBaseFrequency, kMaxBaseFrequency);
  liveDelay = std::clamp(liveDelay, kMinLiveDelay, kMaxLiveDelay);
  for (int32_t& on : followLive) {
    on = on != 0 ? 1 : 0;
  }
  // Only these two sources exist; anything else would leave the view without
  // a store.
  for (size_t v = 0; v < source.size(); ++v) {
    if (source[v] != 1 && source[v] != 3) {
      source[v] = v == 0 ? 1 : 3;
    }
  }
  const std::optional<std::string> host = ini.Get(kServer, kHost);
  serverHost = (host && !host->empty()) ? *host : defaultServerHost_;
}

void CSettings::Write(IniFile& ini) const {
  for (const Key& key : kKeys) {
    int32_t value = Field(*this, key);
    // "Current median" is not kept across runs: the next start orders by id.
    if (key.pair == &CSettings::stationSortMode && value == 2) {
      value = 0;
    }
    ini.Set(kApplication, key.name, std::to_string(value));
  }
  ini.Set(kServer, kHost, serverHost);
}

bool CSettings::WriteServerHost(const std::string& path) const {
  IniFile::LoadResult loaded;
  IniFile ini = IniFile::Load(path, &loaded);
  if (loaded == IniFile::LoadResult::kFailed) {
    return false;
  }
  ini.Set(kServer, kHost, serverHost);
  return ini.Save(path);
}

bool CSettings::Write(const std::string& path) const {
  IniFile::LoadResult loaded;
  IniFile ini = IniFile::Load(path, &loaded);
  // A file that exists but cannot be read must not be replaced by our keys alone.
  if (loaded == IniFile::LoadResult::kFailed) {
    return false;
  }
  Write(ini);
  return ini.Save(path);
}

}  // namespace tessaly
