#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "samples/sample_store.h"

namespace tessaly {

class IniFile;

// Reads an integer setting the way the program always has: a missing key or
// an empty value gives the default; otherwise leading white space and one
// sign are accepted, parsing stops at the first non-digit, and text without
// digits gives 0. Values beyond 32 bits saturate.
int32_t ReadIniInteger(const IniFile& ini, std::string_view section, std::string_view key,
                       int32_t defaultValue);
// The integer rule on its own, for a value already looked up.
int32_t ParseIniInteger(const std::optional<std::string>& value, int32_t defaultValue);

// The record of the stored user choices. Per-view values are pairs indexed by
// the view number (0 = View 1, 1 = View 2). The values are plain fields that
// the dialog changes in place.
//
// Nothing is read or written implicitly: start-up calls Read once, and the
// application calls Write once at exit, after the window keys of CIni.
class CSettings {
 public:
  // The data server host used when the file has none: the configure-time default.
  explicit CSettings(std::string defaultServerHost = DefaultServerHost());

  // Every key, in the stored order; missing keys take their defaults.
  void Read(const std::string& path);
  void Read(const IniFile& ini);
  // Every key in the same order, then "Server" "Host". Re-reads the file
  // first so that everything else in it survives. Returns false when the
  // file could not be written (the values are then lost; the old file stays
  // as it was).
  bool Write(const std::string& path) const;
  void Write(IniFile& ini) const;
  // Only "Server" "Host", at once: a host the user has just chosen survives a
  // crash. false when the file could not be read or written.
  bool WriteServerHost(const std::string& path) const;

  int32_t view2 = 0;
  std::array<int32_t, 2> sound = {1, 0};
  std::array<int32_t, 2> source = {1, 3};
  std::array<int32_t, 2> station = {1, 1};
  std::array<int32_t, 2> histogramValues = {3, 3};
  std::array<int32_t, 2> histogramSmooth = {2, 2};
  std::array<int32_t, 2> stationSortMode = {0, 0};
  std::array<int32_t, 2> hexagramMethod = {0, 0};
  std::array<int32_t, 2> hexagramLanguage = {0, 0};
  int32_t musicScale = 3;
  int32_t baseFrequency = 3;
  int32_t volume = 50;
  int32_t mute = 0;
  int32_t soundFade = 1;
  // "View" → "Follow Live" per view, and how far behind the present it plays.
  std::array<int32_t, 2> followLive = {0, 0};
  int32_t liveDelay = 60;

  std::string serverHost;

  static constexpr int32_t kMinBaseFrequency = -21;
  static constexpr int32_t kMaxBaseFrequency = 15;
  // Most stations have reported a second this long after it; less is not worth it.
  static constexpr int32_t kMinLiveDelay = 10;
  static constexpr int32_t kMaxLiveDelay = 3600;

 private:
  std::string defaultServerHost_;
};

}  // namespace tessaly
