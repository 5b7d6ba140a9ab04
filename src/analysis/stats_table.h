#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "analysis/stretch_stats.h"

namespace tessaly {

// A stretch's statistics: the health of every station, the stations left out and
// the network series over the rest.
struct StretchResult {
  std::vector<StationHealth> health;
  std::vector<uint32_t> excluded;
  NetworkStats network;
};

// The health pass over the whole stretch, then the network pass without the
// excluded stations: the flagged ones, unless includeFlagged.
StretchResult ComputeStretch(const StretchSamples& samples, bool includeFlagged);
// The same with the user's own choice of excluded stations.
StretchResult ComputeStretch(const StretchSamples& samples, const std::vector<uint32_t>& excluded);

inline constexpr const char* kStatsCsvHeader = "UTC time,Stations,Z,Netvar,Devvar,CumDev";

// One row per second: time as the samples table writes it, N, Z, Z^2, D and C
// with 15 significant digits; a second without a station has N 0 and empty cells.
void WriteStatsCsv(std::ostream& out, const NetworkStats& network);

// "12 37 1021" (empty for none).
std::string IdList(const std::vector<uint32_t>& ids);

// The summary as "key: value" lines (seconds, chi-square, df, p, z,
// device-chi-square, device-df, device-p, excluded); a value that does not
// exist (no counted second) is left empty.
std::string SummaryLines(const StretchSummary& summary, const std::vector<uint32_t>& excluded);

// The summary and the health table beside the per-second table: source,
// stretch, excluded ids, the summary's keys, then one row per station.
void WriteSummaryCsv(std::ostream& out, const std::string& source, int64_t from, int64_t to,
                     const StretchResult& result);

// A number with 15 significant digits; empty for NaN.
std::string StatNumber(double value);

}  // namespace tessaly
