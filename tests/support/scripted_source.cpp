#include "support/scripted_source.h"

#include <algorithm>

namespace tessaly {

bool ScriptedSource::Fill(SampleStore& store, SampleBlock& block) {
  ++fillCount;
  requests.emplace_back(block.requestStart, block.requestEnd);
  if (fail) {
    return false;
  }
  const int64_t seconds = block.requestEnd - block.requestStart + 1;
  if (seconds < 1) {
    return false;
  }
  block.dataStart = dataStartFor ? dataStartFor(block) : block.requestStart;
  block.dataEnd = block.requestEnd;
  block.secondCount = static_cast<int32_t>(seconds);
  block.rowsFilled = block.secondCount;
  block.stationIds.fill(0);
  const size_t count = std::min(stations.size(), size_t(kMaxStations));
  block.stationCount = static_cast<int32_t>(count);
  std::copy_n(stations.begin(), count, block.stationIds.begin());
  block.values.assign(count * size_t(seconds), 0);
  for (size_t k = 0; k < count; ++k) {
    uint16_t* row = block.values.data() + k * size_t(seconds);
    for (int64_t j = 0; j < seconds; ++j) {
      row[j] = value ? static_cast<uint16_t>(value(stations[k], block.dataStart + j)) : 0;
    }
  }
  if (dataEndFor) {
    block.dataEnd = std::clamp(dataEndFor(block), block.dataStart - 1, block.requestEnd);
  }
  // Like a reply's Date header: the time of the fetch.
  block.serverTime = store.clock().Now();
  return true;
}

std::function<int64_t(const SampleBlock&)> TrimAt(int64_t last) {
  return [last](const SampleBlock& block) { return std::min(block.requestEnd, last); };
}

}  // namespace tessaly
