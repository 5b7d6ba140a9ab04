#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "samples/sample_store.h"

namespace tessaly {

// The stations that have blocks reaching into [from, to], in the order their
// blocks first name them.
std::vector<uint32_t> StationsBetween(const SampleStore& store, int64_t from, int64_t to);

// The samples of [from, to] as a table for spreadsheets and scripts: a header
// "UTC time" and one column per station id, then one row per second ("YYYY-MM-DD
// HH:MM:SS" and the samples), an empty cell where a station has no sample.
void WriteSamplesCsv(std::ostream& out, const SampleStore& store, int64_t from, int64_t to);

// The samples of [from, to] in the recorded-day format tessaly-replay --data
// serves: one file DIR/YYYY-MM-DD.csv per UTC day, a "12" line of the station
// ids and a "13,<UTC second>,<time>,<samples...>" line per second with any
// sample. Returns the files written, or an empty list (error says why).
std::vector<std::string> WriteRecordedDays(const std::string& dir, const SampleStore& store,
                                           int64_t from, int64_t to, std::string* error);

}  // namespace tessaly
