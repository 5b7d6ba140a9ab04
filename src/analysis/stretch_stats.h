#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "analysis/network_stats.h"
#include "analysis/station_health.h"

namespace tessaly {

struct SampleBlock;

// Every station's samples over a stretch of seconds, one byte a sample (0 = none),
// filled block by block so the blocks themselves need not stay loaded.
class StretchSamples {
 public:
  StretchSamples() = default;
  StretchSamples(int64_t from, int64_t to);

  int64_t from() const { return from_; }
  int64_t to() const { return to_; }
  int64_t seconds() const { return to_ - from_ + 1; }
  // Station ids in the order the blocks first name them.
  const std::vector<uint32_t>& ids() const { return ids_; }
  const std::vector<uint8_t>& column(size_t station) const { return columns_[station]; }
  // Room for this many more seconds, so growing by one rarely moves a column.
  void ReserveMore(int64_t seconds);

  // Takes the block's samples inside the stretch (a later block wins a second
  // that two blocks hold, as in the store); samples outside 1..200 count as none.
  void AddBlock(const SampleBlock& block);
  // Grows the stretch by one second after to(); values[k] is the sample of ids[k]
  // (new ids are added). false for a mismatched call.
  bool AppendSecond(const std::vector<uint32_t>& ids, const std::vector<int>& values);

 private:
  size_t StationIndex(uint32_t id);

  int64_t from_ = 0;
  int64_t to_ = -1;
  std::vector<uint32_t> ids_;
  std::vector<std::vector<uint8_t>> columns_;
};

// The health of every station of the stretch, in ids() order.
std::vector<StationHealth> ComputeHealth(const StretchSamples& samples);
// The ids of the flagged stations: those left out by default.
std::vector<uint32_t> FlaggedStations(const std::vector<StationHealth>& health);
// The network measures of every second of the stretch, the excluded stations
// counting as having no sample.
NetworkStats ComputeNetwork(const StretchSamples& samples, const std::vector<uint32_t>& excluded);

// The integer sums of one second over the included stations (for a played second).
struct SecondSums {
  int32_t n = 0;
  int32_t sumDev = 0;
  int64_t sumDevSq = 0;
  void Add(int value) {
    const int dev = value - 100;
    ++n;
    sumDev += dev;
    sumDevSq += int64_t(dev) * dev;
  }
};

}  // namespace tessaly
