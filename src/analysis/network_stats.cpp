#include "analysis/network_stats.h"

#include <boost/math/special_functions/gamma.hpp>
#include <cmath>
#include <exception>

namespace tessaly {

double NetworkSecond::Z() const {
  return n > 0 ? double(sumDev) / std::sqrt(50.0 * double(n)) : std::nan("");
}

double NetworkSecond::NetVar() const {
  return n > 0 ? double(sumDev) * double(sumDev) / (50.0 * double(n)) : std::nan("");
}

double NetworkSecond::DevVar() const {
  return n > 0 ? double(sumDevSq) / 50.0 : std::nan("");
}

double ChiSquareUpperTail(double chiSquare, int64_t df) {
  if (df < 1 || !(chiSquare >= 0)) {
    return std::nan("");
  }
  try {
    return boost::math::gamma_q(double(df) / 2.0, chiSquare / 2.0);
  } catch (const std::exception&) {
    return std::nan("");  // the library could not evaluate it: no p rather than a wrong one
  }
}

bool NetworkStats::AddSecond(int64_t t, int32_t n, int32_t sumDev, int64_t sumDevSq) {
  if ((!series_.empty() && t <= series_.back().t) || n < 0 || sumDevSq < 0 ||
      (n == 0 && (sumDev != 0 || sumDevSq != 0))) {
    return false;
  }
  NetworkSecond s{t, n, sumDev, sumDevSq, series_.empty() ? 0.0 : series_.back().cumDev};
  if (n > 0) {
    const double netVar = s.NetVar();
    s.cumDev += netVar - 1.0;
    ++counted_;
    netVarSum_ += netVar;
    devVarSum_ += s.DevVar();
    deviceDf_ += n;
  }
  series_.push_back(s);
  return true;
}

bool NetworkStats::Merge(const NetworkStats& later) {
  if (later.series_.empty()) {
    return true;
  }
  if (!series_.empty() && later.series_.front().t <= series_.back().t) {
    return false;
  }
  const double base = series_.empty() ? 0.0 : series_.back().cumDev;
  series_.reserve(series_.size() + later.series_.size());
  for (NetworkSecond s : later.series_) {
    s.cumDev += base;
    series_.push_back(s);
  }
  counted_ += later.counted_;
  netVarSum_ += later.netVarSum_;
  devVarSum_ += later.devVarSum_;
  deviceDf_ += later.deviceDf_;
  return true;
}

StretchSummary NetworkStats::Summary() const {
  StretchSummary s;
  s.seconds = counted_;
  s.chiSquare = netVarSum_;
  s.df = counted_;
  s.p = ChiSquareUpperTail(s.chiSquare, s.df);
  s.z = s.df > 0 ? (s.chiSquare - double(s.df)) / std::sqrt(2.0 * double(s.df)) : std::nan("");
  s.deviceChiSquare = devVarSum_;
  s.deviceDf = deviceDf_;
  s.deviceP = ChiSquareUpperTail(s.deviceChiSquare, s.deviceDf);
  s.deviceZ = s.deviceDf > 0
                  ? (s.deviceChiSquare - double(s.deviceDf)) / std::sqrt(2.0 * double(s.deviceDf))
                  : std::nan("");
  return s;
}

}  // namespace tessaly
