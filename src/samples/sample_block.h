#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace tessaly {

inline constexpr int kMaxStations = 100;
inline constexpr int kViewCount = 2;
// The largest reply taken, far above any real one (a whole day of every
// station is about 36 MB); the buffer grows only as far as a reply needs.
inline constexpr int32_t kDownloadCapacity = 64 * 1024 * 1024;

// Every station's sample for every second of one stretch of one UTC day.
// Once a block is in a store only its ranks change (on the GUI thread), and
// its empty cells, which a live reply may fill with late samples (on the GUI
// thread, under the store's exclusive lock). Other threads therefore read
// samples only under the store's shared lock (SampleStore::Read).
struct SampleBlock {
  int64_t requestStart = 0;  // first second asked for, after the span rules
  int64_t requestEnd = 0;    // last second asked for
  int64_t fetchTime = 0;     // wall-clock creation time; the eviction key
  int64_t serverTime = 0;    // the reply's Date header (server), creation time (pseudorandom)
  int64_t dataStart = 0;     // first second held
  int64_t dataEnd = 0;       // last second held (a trimmed server block ends early)
  int32_t secondCount = 0;   // one-second columns; row stride of values
  int32_t rowsFilled = 0;    // seconds the source actually filled
  int32_t stationCount = 0;  // 0..kMaxStations

  std::string requestUrl;

  // The reply while a server block is being fetched; empty otherwise.
  std::vector<char> downloadBuffer;
  int32_t downloadCapacity = 0;
  int32_t downloadSize = 0;

  // stationCount x secondCount samples, station-major; 0 = no sample.
  std::vector<uint16_t> values;
  std::array<uint32_t, kMaxStations> stationIds{};
  // Per view, the display row of each station column.
  std::array<std::array<int32_t, kMaxStations>, kViewCount> rank{};

  bool Contains(int64_t t) const { return dataStart <= t && t <= dataEnd; }

  // First column holding the station, or -1.
  int FindColumn(uint32_t stationId) const {
    for (int k = 0; k < stationCount; ++k) {
      if (stationIds[size_t(k)] == stationId) {
        return k;
      }
    }
    return -1;
  }

  // The sample of a column at second t, read as signed 16-bit; 0 when t or the
  // column lies outside what the block holds, so no caller can read past it.
  int16_t Sample(int column, int64_t t) const {
    const int64_t j = t - dataStart;
    if (column < 0 || column >= stationCount || t > dataEnd || j < 0 || j >= secondCount) {
      return 0;
    }
    return static_cast<int16_t>(values[size_t(column) * size_t(secondCount) + size_t(j)]);
  }
};

}  // namespace tessaly
