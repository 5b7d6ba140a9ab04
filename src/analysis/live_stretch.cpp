#include "analysis/live_stretch.h"

#include <algorithm>

#include "samples/sample_block.h"

namespace tessaly {

namespace {
// An hour of played seconds before a column has to move.
constexpr int64_t kGrowthReserve = 3600;
}  // namespace

void LiveStretch::Compute(StretchSamples samples, std::optional<std::vector<uint32_t>> excluded) {
  samples_ = std::move(samples);
  samples_.ReserveMore(kGrowthReserve);
  chosen_ = std::move(excluded);
  result_ = chosen_ ? ComputeStretch(samples_, *chosen_) : ComputeStretch(samples_, false);
  excludedColumn_.assign(samples_.ids().size(), 0);
  for (size_t k = 0; k < samples_.ids().size(); ++k) {
    const uint32_t id = samples_.ids()[k];
    excludedColumn_[k] =
        std::find(result_.excluded.begin(), result_.excluded.end(), id) != result_.excluded.end();
  }
  stale_ = false;
}

bool LiveStretch::AddSecond(int64_t t, const SampleBlock* block) {
  if (t != samples_.to() + 1) {
    return false;
  }
  std::vector<uint32_t> ids;
  std::vector<int> values;
  if (block != nullptr && block->Contains(t)) {
    for (int k = 0; k < block->stationCount; ++k) {
      const uint32_t id = block->stationIds[size_t(k)];
      if (block->FindColumn(id) == k) {
        ids.push_back(id);
        values.push_back(block->Sample(k, t));
      }
    }
  }
  samples_.AppendSecond(ids, values);
  SecondSums sums;
  for (size_t k = 0; k < samples_.ids().size(); ++k) {
    if (k >= result_.health.size()) {  // a station new to the stretch
      result_.health.emplace_back().id = samples_.ids()[k];
      const uint32_t id = samples_.ids()[k];
      excludedColumn_.push_back(chosen_ &&
                                std::find(chosen_->begin(), chosen_->end(), id) != chosen_->end());
    }
    const int v = samples_.column(k).back();
    if (v == 0) {
      continue;
    }
    StationHealth& health = result_.health[k];
    const bool wasFlagged = health.Flagged();
    health.Add(t, v);
    stale_ = stale_ || (!chosen_ && health.Flagged() != wasFlagged);
    if (!excludedColumn_[k]) {
      sums.Add(v);
    }
  }
  return result_.network.AddSecond(t, sums.n, sums.sumDev, sums.sumDevSq);
}

}  // namespace tessaly
