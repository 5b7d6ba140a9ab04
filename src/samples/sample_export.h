#pragma once

#include <cstdint>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "samples/sample_store.h"

namespace tessaly {

// Stands in for a server store's split source while an export or a save runs: the
// fetches go through the same connection, but a failure is kept here for the
// export to report once, never shown to the views (nor does it stop them).
// A reply that holds no sample near the server's present is "nothing yet",
// not a failure. Puts the store's own source back when destroyed (a store of
// another kind, or with another source, is left as it is).
class QuietFetches final : public SplitBlockSource {
 public:
  explicit QuietFetches(SampleStore* store);
  ~QuietFetches() override;
  QuietFetches(const QuietFetches&) = delete;
  QuietFetches& operator=(const QuietFetches&) = delete;

  FetchOutcome Fetch(SampleBlock& block) override;
  bool Finish(SampleStore& store, SampleBlock& block, const FetchOutcome& outcome) override;
  void Cancel() override;

  // The first failed request: its message and cause; "" while none failed.
  const std::string& failure() const { return failure_; }

 private:
  SampleStore* store_;
  SplitBlockSource* inner_ = nullptr;
  std::string failure_;
};

// The samples of [from, to] gathered while they are fetched, so a long export
// loses nothing to the store's eviction.
struct SampleTable {
  int64_t from = 0;
  int64_t to = -1;
  std::vector<uint32_t> ids;                   // in the order blocks first name them
  std::vector<std::vector<uint16_t>> samples;  // [station][t - from]; 0 = no sample
};

struct StretchOutcome {
  std::string failure;  // a request failed: its message and cause
  int64_t notYet = 0;   // seconds at the end that the server does not have yet
};

// Fetches what store lacks of [from, to] in order, asking again for the part a
// reply near the present left out until a request brings nothing new, and
// gathers every second's samples into table. Stops at the first failed request.
StretchOutcome GatherSamples(SampleStore& store, int64_t from, int64_t to, SampleTable& table);

// The table for spreadsheets and scripts: a header "UTC time" and one column
// per station id, then one row per second ("YYYY-MM-DD HH:MM:SS" and the
// samples), an empty cell where a station has no sample.
void WriteSamplesCsv(std::ostream& out, const SampleTable& table);

// The table in the recorded-day format tessaly-replay --data serves: one file
// DIR/YYYY-MM-DD.csv per UTC day, a "12" line of the station ids and a
// "13,<UTC second>,<time>,<samples...>" line per second with any sample.
// A day file that exists already is merged with: its rows of other seconds
// stay, the ids are the union, and each file is replaced whole through a
// CheckedFile. Returns the files written, or an empty list (error says why).
std::vector<std::string> WriteRecordedDays(const std::string& dir, const SampleTable& table,
                                           std::string* error);

}  // namespace tessaly
