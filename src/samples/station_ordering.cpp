#include "samples/station_ordering.h"

#include <algorithm>
#include <vector>

#include "samples/sample_store.h"
#include "samples/station_table.h"

namespace tessaly {
namespace {

bool ValidView(int view) {
  return view >= 0 && view < kViewCount;
}

// The blocks next to block inside the store's window: backwards while they
// reach into the window, forwards while they start inside it.
std::vector<SampleBlock*> WindowNeighbours(const SampleStore& store, const SampleBlock& block) {
  std::vector<SampleBlock*> result;
  const BlockList list = store.Blocks();
  const int at = list.IndexOf(&block);
  if (at < 0) {
    return result;
  }
  for (int i = at - 1; i >= 0 && list[size_t(i)]->dataEnd >= store.windowStart; --i) {
    result.push_back(list[size_t(i)].get());
  }
  for (size_t i = size_t(at) + 1; i < list.size() && list[i]->dataStart <= store.windowEnd; ++i) {
    result.push_back(list[i].get());
  }
  return result;
}

}  // namespace

void RankIdentity(SampleBlock& block, int view) {
  if (!ValidView(view)) {
    return;
  }
  for (int k = 0; k < kMaxStations; ++k) {
    block.rank[size_t(view)][size_t(k)] = k;
  }
}

void AssignRanks(SampleBlock& block, const std::array<int32_t, kMaxStations>& keys, int view) {
  if (!ValidView(view)) {
    return;
  }
  auto& ranks = block.rank[size_t(view)];
  ranks.fill(-1);
  std::array<bool, kMaxStations> picked{};
  const int count = std::min(block.stationCount, kMaxStations);
  for (int r = 0; r < count; ++r) {
    int best = -1;
    for (int k = 0; k < count; ++k) {
      // Strictly smaller replaces, so among equal keys the lowest column wins.
      if (!picked[size_t(k)] && (best < 0 || keys[size_t(k)] < keys[size_t(best)])) {
        best = k;
      }
    }
    picked[size_t(best)] = true;
    ranks[size_t(best)] = r;
  }
}

void RankByLongitude(const SampleStore& store, SampleBlock& block, int view) {
  std::array<int32_t, kMaxStations> keys{};
  keys.fill(kUnknownLongitudeKey);
  for (int k = 0; k < block.stationCount && k < kMaxStations; ++k) {
    keys[size_t(k)] = LongitudeKey(store, block.stationIds[size_t(k)]);
  }
  AssignRanks(block, keys, view);
}

void CopyRanks(SampleBlock& target, const SampleBlock& source, int view) {
  if (!ValidView(view)) {
    return;
  }
  // Stations the source lacks go below its stations, in the target's column order.
  int32_t spare = source.stationCount;
  for (int j = 0; j < target.stationCount && j < kMaxStations; ++j) {
    const int p = source.FindColumn(target.stationIds[size_t(j)]);
    target.rank[size_t(view)][size_t(j)] = p >= 0 ? source.rank[size_t(view)][size_t(p)] : spare++;
  }
}

void RankStations(SampleStore& store, SampleBlock* block, int mode, int64_t t, int view,
                  const MedianKeyFn& medianKey) {
  if (block == nullptr || mode < kSortStationIds || mode > kSortCurrentMedianEachTime ||
      !ValidView(view)) {
    return;
  }
  const std::vector<SampleBlock*> neighbours = WindowNeighbours(store, *block);
  if (mode == kSortStationIds) {
    RankIdentity(*block, view);
    for (SampleBlock* n : neighbours) {
      RankIdentity(*n, view);
    }
  } else if (mode == kSortLongitude) {
    RankByLongitude(store, *block, view);
    for (SampleBlock* n : neighbours) {
      RankByLongitude(store, *n, view);
    }
  } else {
    // The ids come from the block holding t (normally block itself).
    const BlockPtr m = store.FindBlock(t, true);
    if (m) {
      std::array<int32_t, kMaxStations> keys{};
      keys.fill(kNoMedianKey);
      for (int k = 0; k < block->stationCount && k < kMaxStations; ++k) {
        keys[size_t(k)] = medianKey ? medianKey(m->stationIds[size_t(k)]) : kNoMedianKey;
      }
      AssignRanks(*block, keys, view);
    }
    for (SampleBlock* n : neighbours) {
      CopyRanks(*n, *block, view);
    }
    store.rankTime = t;
  }
  store.sortMode[size_t(view)] = mode;
}

}  // namespace tessaly
