#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "analysis/stats_table.h"

namespace tessaly {

struct SampleBlock;

// A computed stretch that grows by played seconds: a new second is added to the
// sums (health and network); when that changes which stations are flagged while
// the exclusions follow the flags, the caller computes the stretch again once.
class LiveStretch {
 public:
  // The health pass, then the network pass without `excluded` (the flagged
  // stations when not given: the default, which then follows the flags).
  void Compute(StretchSamples samples, std::optional<std::vector<uint32_t>> excluded);
  // Appends second t, which must follow the stretch's last, from the block that
  // holds it (null: a second without samples). false when t does not follow.
  bool AddSecond(int64_t t, const SampleBlock* block);
  // The flags no longer match the default exclusions: compute again.
  bool stale() const { return stale_; }
  // The user's exclusions, when chosen; otherwise the flagged stations.
  const std::optional<std::vector<uint32_t>>& chosenExclusions() const { return chosen_; }

  const StretchSamples& samples() const { return samples_; }
  const StretchResult& result() const { return result_; }

 private:
  StretchSamples samples_;
  StretchResult result_;
  std::optional<std::vector<uint32_t>> chosen_;
  std::vector<char> excludedColumn_;  // per samples_ column
  bool stale_ = false;
};

}  // namespace tessaly
