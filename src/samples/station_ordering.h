#pragma once

#include <array>
#include <cstdint>
#include <functional>

#include "samples/sample_block.h"

namespace tessaly {

class SampleStore;

// The items of "Order by:".
enum SortMode : int32_t {
  kSortStationIds = 0,
  kSortLongitude = 1,
  kSortCurrentMedian = 2,
  kSortCurrentMedianEachTime = 3,
};

inline constexpr int32_t kNoMedianKey = 999999;

// For the median orderings: the key of a station at the ordering time, 200 minus
// its median over the view's window, or kNoMedianKey when it has no data there.
using MedianKeyFn = std::function<int32_t(uint32_t stationId)>;

// Orders the stations of block and of its neighbours inside the store's window
// for one view. medianKey is needed for the median modes only.
void RankStations(SampleStore& store, SampleBlock* block, int mode, int64_t t, int view,
                  const MedianKeyFn& medianKey = {});

void RankIdentity(SampleBlock& block, int view);
void RankByLongitude(const SampleStore& store, SampleBlock& block, int view);
void AssignRanks(SampleBlock& block, const std::array<int32_t, kMaxStations>& keys, int view);
void CopyRanks(SampleBlock& target, const SampleBlock& source, int view);

}  // namespace tessaly
