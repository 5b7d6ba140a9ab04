#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>

namespace tessaly {

// Samples count when they lie in 1..200 (0 is "no sample"; 200 is a real count
// of one-bits, although the histogram stops at 199).
inline bool IsCountedSample(int value) {
  return value >= 1 && value <= 200;
}

inline constexpr int64_t kStuckRun = 10;            // seconds of one value
inline constexpr int64_t kHealthMinSamples = 600;   // before bias and variance are judged
inline constexpr double kBiasLimit = 4.0;           // |z of the mean|
inline constexpr double kVarianceLow = 50.0 * 0.8;  // chance gives 50
inline constexpr double kVarianceHigh = 50.0 * 1.25;

// One station's health over a stretch, fed its samples in time order. The sums
// are integers of (value - 100), so they stay exact however long the stretch.
struct StationHealth {
  uint32_t id = 0;
  int64_t count = 0;
  int64_t sum = 0;    // of value - 100
  int64_t sumSq = 0;  // of (value - 100)^2
  int64_t longestRun = 0;

  // t strictly after the last second added; value counted (1..200).
  void Add(int64_t t, int value);
  // The seconds from, from + 1, ... of a column of samples (0 = none), all
  // after the last second added: Add for each, in one pass.
  void AddColumn(int64_t from, const uint8_t* values, size_t count);

  double Mean() const;      // NaN without samples
  double Variance() const;  // divided by count - 1; NaN below two samples
  double MeanZ() const;     // (mean - 100) / sqrt(50 / count); NaN without samples
  bool Stuck() const { return longestRun >= kStuckRun; }
  bool Biased() const;
  bool OutOfVariance() const;
  bool Flagged() const { return Stuck() || Biased() || OutOfVariance(); }

 private:
  int64_t run_ = 0;
  int lastValue_ = 0;
  int64_t lastSecond_ = std::numeric_limits<int64_t>::min();
};

}  // namespace tessaly
