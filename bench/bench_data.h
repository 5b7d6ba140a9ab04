#pragma once

// Data shared by the benchmarks that play a 100-station server store.

#include <cstdint>
#include <vector>

namespace tessaly::bench {

// Station ids 1..100.
inline std::vector<uint32_t> HundredStationIds() {
  std::vector<uint32_t> ids;
  for (uint32_t id = 1; id <= 100; ++id) {
    ids.push_back(id);
  }
  return ids;
}

// A sample of 80..120 that varies with station and second like real data.
inline int SpreadSample(uint32_t id, int64_t t) {
  return 80 + int(((uint64_t(id) * 2654435761u + uint64_t(t) * 40503u) >> 9) % 41);
}

}  // namespace tessaly::bench
