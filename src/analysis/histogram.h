#pragma once

#include <array>
#include <cstdint>

namespace tessaly {

class SampleStore;

inline constexpr int kBinCount = 200;

// Weighting of the histogram window: the "SoundFade" choices.
enum Weighting : int {
  kWeightNone = 0,
  kWeightFadeOut = 1,  // the newest second weighs n, the oldest 1
  kWeightFadeIn = 2,   // the oldest second weighs n, the newest 1
};

// How often each sample value occurs for one station over a window of seconds.
class CHistogram {
 public:
  virtual ~CHistogram() = default;

  // Fills bins for seconds start .. start + n - 1 of the station. Returns n, or
  // -1 (n < 1), -2 (window not covered without a gap), -3 (first block lacks
  // the station), -4 (window runs past the loaded blocks). weighting is one of
  // Weighting (the audio engine passes the "SoundFade" setting, everyone else kWeightNone).
  int32_t Compute(const SampleStore& store, uint32_t stationId, int64_t start, int32_t n,
                  int weighting = kWeightNone);

  // 0x00BBGGRR colour of the current bins for a window of n seconds (n >= 1).
  uint32_t Colour(int32_t n) const;

  // First value m at which twice the running sum reaches the total (0 when empty).
  int MedianBin() const;

  // The panel's working copy: 10 x bins, then p passes of neighbour averaging.
  std::array<int32_t, kBinCount> Smoothed(int p) const;

  int32_t stationId = 0;
  int32_t sampleCount = 0;
  std::array<uint32_t, kBinCount> bins{};
  std::array<uint8_t, 6> hexagramLines{};  // 6..9, bottom line first
};

}  // namespace tessaly
