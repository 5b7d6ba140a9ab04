#include "analysis/station_health.h"

#include <cmath>

namespace tessaly {

void StationHealth::Add(int64_t t, int value) {
  const int dev = value - 100;
  ++count;
  sum += dev;
  sumSq += int64_t(dev) * dev;
  // A second without a sample between two equal values breaks the run.
  const bool continues = value == lastValue_ &&
                         lastSecond_ != std::numeric_limits<int64_t>::min() && t == lastSecond_ + 1;
  run_ = continues ? run_ + 1 : 1;
  if (run_ > longestRun) {
    longestRun = run_;
  }
  lastValue_ = value;
  lastSecond_ = t;
}

double StationHealth::Mean() const {
  return count > 0 ? 100.0 + double(sum) / double(count) : std::nan("");
}

double StationHealth::Variance() const {
  if (count < 2) {
    return std::nan("");
  }
  // count * sumSq - sum^2 is exact in 64 bits for any stretch of up to years.
  const int64_t numerator = count * sumSq - sum * sum;
  return double(numerator) / (double(count) * double(count - 1));
}

double StationHealth::MeanZ() const {
  if (count < 1) {
    return std::nan("");
  }
  return (double(sum) / double(count)) / std::sqrt(50.0 / double(count));
}

bool StationHealth::Biased() const {
  return count >= kHealthMinSamples && std::fabs(MeanZ()) > kBiasLimit;
}

bool StationHealth::OutOfVariance() const {
  if (count < kHealthMinSamples) {
    return false;
  }
  const double v = Variance();
  return v < kVarianceLow || v > kVarianceHigh;
}

}  // namespace tessaly
