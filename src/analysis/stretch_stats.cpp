#include "analysis/stretch_stats.h"

#include <algorithm>

#include "samples/sample_block.h"

namespace tessaly {

StretchSamples::StretchSamples(int64_t from, int64_t to)
    : from_(from), to_(std::max(to, from - 1)) {}

size_t StretchSamples::StationIndex(uint32_t id) {
  const auto found = std::find(ids_.begin(), ids_.end(), id);
  if (found != ids_.end()) {
    return size_t(found - ids_.begin());
  }
  ids_.push_back(id);
  columns_.emplace_back(size_t(seconds()), uint8_t(0));
  return ids_.size() - 1;
}

void StretchSamples::AddBlock(const SampleBlock& block) {
  const int64_t first = std::max(from_, block.dataStart);
  const int64_t last = std::min(to_, block.dataEnd);
  if (first > last) {
    return;
  }
  const size_t offset = size_t(first - block.dataStart);
  const size_t length = size_t(last - first + 1);
  if (block.secondCount < 0 || offset + length > size_t(block.secondCount) ||
      block.values.size() < size_t(block.stationCount) * size_t(block.secondCount)) {
    return;  // not a block as the store makes them
  }
  for (int k = 0; k < block.stationCount; ++k) {
    const uint32_t id = block.stationIds[size_t(k)];
    if (block.FindColumn(id) != k) {
      continue;  // a repeated id: the first column holds the station, as in every lookup
    }
    uint8_t* column = columns_[StationIndex(id)].data() + (first - from_);
    const uint16_t* row = block.values.data() + size_t(k) * size_t(block.secondCount) + offset;
    for (size_t j = 0; j < length; ++j) {
      // Read as the store reads samples: signed 16 bits.
      const int v = int16_t(row[j]);
      column[j] = IsCountedSample(v) ? uint8_t(v) : uint8_t(0);
    }
  }
}

void StretchSamples::ReserveMore(int64_t seconds) {
  for (auto& column : columns_) {
    column.reserve(column.size() + size_t(std::max<int64_t>(seconds, 0)));
  }
}

bool StretchSamples::AppendSecond(const std::vector<uint32_t>& ids,
                                  const std::vector<int>& values) {
  if (ids.size() != values.size()) {
    return false;
  }
  ++to_;
  for (auto& column : columns_) {
    column.push_back(0);
  }
  for (size_t k = 0; k < ids.size(); ++k) {
    const size_t index = StationIndex(ids[k]);
    columns_[index].back() = IsCountedSample(values[k]) ? uint8_t(values[k]) : uint8_t(0);
  }
  return true;
}

std::vector<StationHealth> ComputeHealth(const StretchSamples& samples) {
  std::vector<StationHealth> health(samples.ids().size());
  for (size_t k = 0; k < health.size(); ++k) {
    health[k].id = samples.ids()[k];
    health[k].AddColumn(samples.from(), samples.column(k).data(), samples.column(k).size());
  }
  return health;
}

std::vector<uint32_t> FlaggedStations(const std::vector<StationHealth>& health) {
  std::vector<uint32_t> ids;
  for (const StationHealth& h : health) {
    if (h.Flagged()) {
      ids.push_back(h.id);
    }
  }
  return ids;
}

NetworkStats ComputeNetwork(const StretchSamples& samples, const std::vector<uint32_t>& excluded) {
  const size_t seconds = size_t(samples.seconds());
  // 32 bits hold a second's sums: (value - 100)^2 <= 10000 for each of far fewer
  // than 200,000 stations.
  std::vector<int32_t> n(seconds, 0);
  std::vector<int32_t> sumDev(seconds, 0);
  std::vector<int32_t> sumDevSq(seconds, 0);
  for (size_t k = 0; k < samples.ids().size(); ++k) {
    if (std::find(excluded.begin(), excluded.end(), samples.ids()[k]) != excluded.end()) {
      continue;
    }
    const uint8_t* column = samples.column(k).data();
    for (size_t j = 0; j < seconds; ++j) {
      const int v = column[j];
      const int dev = v - 100;
      const int has = v != 0 ? 1 : 0;
      n[j] += has;
      sumDev[j] += has * dev;
      sumDevSq[j] += has * dev * dev;
    }
  }
  NetworkStats stats;
  stats.Reserve(seconds);
  for (size_t j = 0; j < seconds; ++j) {
    stats.AddSecond(samples.from() + int64_t(j), n[j], sumDev[j], sumDevSq[j]);
  }
  return stats;
}

}  // namespace tessaly
