#include "analysis/station_health.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>

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

void StationHealth::AddColumn(int64_t from, const uint8_t* values, size_t count) {
  // The sums in slices whose 32-bit partial sums cannot overflow, so they vectorise.
  constexpr size_t kSlice = 65536;
  for (size_t start = 0; start < count; start += kSlice) {
    const size_t end = std::min(count, start + kSlice);
    int32_t n = 0;
    int32_t s = 0;
    int32_t sq = 0;
    for (size_t j = start; j < end; ++j) {
      const int32_t v = values[j];
      const int32_t has = v != 0;
      const int32_t dev = has * (v - 100);
      n += has;
      s += dev;
      sq += dev * dev;
    }
    this->count += n;
    sum += s;
    sumSq += sq;
  }
  // Runs: one step a second, but eight seconds at once where no sample equals
  // the one before it (most of them), since every run there is one second long.
  int prev = lastSecond_ == from - 1 ? lastValue_ : 0;
  int64_t run = lastSecond_ == from - 1 ? run_ : 0;
  int64_t longest = longestRun;
  int64_t lastSeen = -1;
  auto step = [&](size_t j) {
    const int v = values[j];
    const int64_t has = v != 0;
    run = (v == prev && has) ? run + 1 : has;
    longest = std::max(longest, run);
    prev = v;
    lastSeen = has ? int64_t(j) : lastSeen;
  };
  size_t j = 0;
  if (count > 0) {
    step(j++);
  }
  if constexpr (std::endian::native == std::endian::little) {
    constexpr uint64_t kOnes = 0x0101010101010101u;
    constexpr uint64_t kHighs = 0x8080808080808080u;
    for (; j + 8 <= count; j += 8) {
      uint64_t now = 0;
      uint64_t before = 0;
      std::memcpy(&now, values + j, 8);
      std::memcpy(&before, values + j - 1, 8);
      if (now == 0) {  // no sample at all
        run = 0;
        prev = 0;
        continue;
      }
      const uint64_t diff = now ^ before;
      if (((diff - kOnes) & ~diff & kHighs) != 0) {  // some byte equals the one before
        for (size_t k = 0; k < 8; ++k) {
          step(j + k);
        }
        continue;
      }
      longest = std::max<int64_t>(longest, 1);
      lastSeen = int64_t(j) + 7 - std::countl_zero(now) / 8;
      prev = int(now >> 56);
      run = prev != 0 ? 1 : 0;
    }
  }
  for (; j < count; ++j) {
    step(j);
  }
  longestRun = longest;
  if (lastSeen >= 0) {
    // Whatever follows continues only from a sample in the column's last second.
    lastSecond_ = from + lastSeen;
    lastValue_ = values[size_t(lastSeen)];
    run_ = size_t(lastSeen) + 1 == count ? run : 1;
  }
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
