#include "analysis/stats_table.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "samples/utc_time.h"

namespace tessaly {

StretchResult ComputeStretch(const StretchSamples& samples, bool includeFlagged) {
  StretchResult result;
  result.health = ComputeHealth(samples);
  if (!includeFlagged) {
    result.excluded = FlaggedStations(result.health);
  }
  result.network = ComputeNetwork(samples, result.excluded);
  return result;
}

StretchResult ComputeStretch(const StretchSamples& samples, const std::vector<uint32_t>& excluded) {
  StretchResult result;
  result.health = ComputeHealth(samples);
  result.excluded = excluded;
  result.network = ComputeNetwork(samples, result.excluded);
  return result;
}

std::string StatNumber(double value) {
  if (std::isnan(value)) {
    return {};
  }
  char text[40];
  std::snprintf(text, sizeof text, "%.15g", value);
  return text;
}

void WriteStatsCsv(std::ostream& out, const NetworkStats& network) {
  out << kStatsCsvHeader << '\n';
  for (const NetworkSecond& s : network.series()) {
    out << FormatTime(s.t) << ',' << s.n;
    if (s.n > 0) {
      out << ',' << StatNumber(s.Z()) << ',' << StatNumber(s.NetVar()) << ','
          << StatNumber(s.DevVar()) << ',' << StatNumber(s.cumDev) << '\n';
    } else {
      out << ",,,,\n";
    }
  }
}

std::string IdList(const std::vector<uint32_t>& ids) {
  std::string text;
  for (const uint32_t id : ids) {
    text += (text.empty() ? "" : " ") + std::to_string(id);
  }
  return text;
}

namespace {

// The summary's keys and values, in the order both outputs list them.
std::vector<std::pair<std::string, std::string>> SummaryPairs(const StretchSummary& s) {
  return {{"seconds", std::to_string(s.seconds)},
          {"chi-square", StatNumber(s.chiSquare)},
          {"df", std::to_string(s.df)},
          {"p", StatNumber(s.p)},
          {"z", StatNumber(s.z)},
          {"device-chi-square", StatNumber(s.deviceChiSquare)},
          {"device-df", std::to_string(s.deviceDf)},
          {"device-p", StatNumber(s.deviceP)}};
}

}  // namespace

std::string SummaryLines(const StretchSummary& summary, const std::vector<uint32_t>& excluded) {
  std::string text;
  for (const auto& [key, value] : SummaryPairs(summary)) {
    text += key + ": " + value + "\n";
  }
  return text + "excluded: " + IdList(excluded) + "\n";
}

void WriteSummaryCsv(std::ostream& out, const std::string& source, int64_t from, int64_t to,
                     const StretchResult& result) {
  const StretchSummary summary = result.network.Summary();
  out << "Key,Value\n"
      << "source," << source << '\n'
      << "from," << FormatTime(from) << '\n'
      << "to," << FormatTime(to) << '\n'
      << "excluded," << IdList(result.excluded) << '\n';
  for (const auto& [key, value] : SummaryPairs(summary)) {
    out << key << ',' << value << '\n';
  }
  out << "device-z," << StatNumber(summary.deviceZ) << "\n\n"
      << "Station,Samples,Mean,Variance,Mean z,Longest run,Flags,Excluded\n";
  for (const StationHealth& h : result.health) {
    std::string flags = h.Stuck() ? "stuck" : "";
    if (h.Biased()) {
      flags += flags.empty() ? "biased" : " biased";
    }
    if (h.OutOfVariance()) {
      flags += flags.empty() ? "out of variance" : " out of variance";
    }
    const bool excluded =
        std::find(result.excluded.begin(), result.excluded.end(), h.id) != result.excluded.end();
    out << h.id << ',' << h.count << ',' << StatNumber(h.Mean()) << ',' << StatNumber(h.Variance())
        << ',' << StatNumber(h.MeanZ()) << ',' << h.longestRun << ',' << flags << ','
        << (excluded ? "yes" : "no") << '\n';
  }
}

}  // namespace tessaly
