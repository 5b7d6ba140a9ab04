#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tessaly {

// One second of the network: N stations with a sample, and the exact integer
// sums of their deviations from 100 from which every measure follows.
struct NetworkSecond {
  int64_t t = 0;
  int32_t n = 0;         // N(t); 0 = no statistics, the second does not count
  int32_t sumDev = 0;    // sum of (value - 100)
  int64_t sumDevSq = 0;  // sum of (value - 100)^2
  double cumDev = 0;     // C after this second (unchanged by an uncounted one)

  double Z() const;       // Stouffer: sum z / sqrt(N), z = (value - 100) / sqrt(50)
  double NetVar() const;  // Z^2
  double DevVar() const;  // sum z^2
};

// What a stretch says: chi-square of the network variance with n degrees of
// freedom, and of the device variance with sum N degrees of freedom.
struct StretchSummary {
  int64_t seconds = 0;  // counted seconds, n
  double chiSquare = 0;
  int64_t df = 0;
  double p = 0;  // P(chi2_df >= chiSquare); NaN for df = 0
  double z = 0;  // (chiSquare - df) / sqrt(2 df); NaN for df = 0
  double deviceChiSquare = 0;
  int64_t deviceDf = 0;
  double deviceP = 0;
  double deviceZ = 0;
};

// The upper tail of the chi-square distribution (NaN for df < 1).
double ChiSquareUpperTail(double chiSquare, int64_t df);

// The network's per-second series and its running sums. Takes seconds strictly
// in order, so nothing is counted twice; no threads, no I/O.
class NetworkStats {
 public:
  // false (and nothing changes) for t at or before the last second taken, or
  // impossible sums.
  bool AddSecond(int64_t t, int32_t n, int32_t sumDev, int64_t sumDevSq);
  // Appends a later stretch; false (nothing changes) when it does not start after this one.
  bool Merge(const NetworkStats& later);
  void Reset() { *this = NetworkStats(); }
  void Reserve(size_t seconds) { series_.reserve(seconds); }

  const std::vector<NetworkSecond>& series() const { return series_; }
  bool empty() const { return series_.empty(); }
  int64_t lastSecond() const { return series_.empty() ? 0 : series_.back().t; }
  StretchSummary Summary() const;

 private:
  std::vector<NetworkSecond> series_;
  int64_t counted_ = 0;
  double netVarSum_ = 0;
  double devVarSum_ = 0;
  int64_t deviceDf_ = 0;
};

// The one-tailed envelope factors of the cumulative deviation: +-f * sqrt(2k).
inline constexpr double kEnvelope05 = 1.6449;
inline constexpr double kEnvelope01 = 2.3263;

}  // namespace tessaly
