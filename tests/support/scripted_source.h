#pragma once

#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

#include "samples/sample_store.h"

namespace tessaly {

// A block source whose samples come from a function of (station, second), for
// stores whose contents a test must know exactly. Every knob may be changed
// between CreateBlocks calls, so successive blocks can differ.
class ScriptedSource final : public BlockSource {
 public:
  using ValueFn = std::function<int(uint32_t stationId, int64_t t)>;

  ScriptedSource() = default;
  ScriptedSource(std::vector<uint32_t> stationIds, ValueFn fn)
      : stations(std::move(stationIds)), value(std::move(fn)) {}

  // Fills [requestStart, requestEnd] like a server reply: every column of every
  // second from value() (cast to 16 bits), then dataEnd from dataEndFor when set,
  // as the trim of a reply near the present does; the trimmed tail keeps its samples.
  bool Fill(SampleStore& store, SampleBlock& block) override;

  // Column order of the next blocks (at most kMaxStations are used).
  std::vector<uint32_t> stations;
  ValueFn value;
  // When set, the dataStart of a block (a reply that begins later than asked).
  std::function<int64_t(const SampleBlock& block)> dataStartFor;
  // When set, the dataEnd of a block (clamped to dataStart - 1 .. requestEnd).
  std::function<int64_t(const SampleBlock& block)> dataEndFor;
  // When true, every fill fails.
  bool fail = false;

  // Number of Fill calls so far, and what each asked for (request start, end).
  int fillCount = 0;
  std::vector<std::pair<int64_t, int64_t>> requests;
};

// Blocks cut at a fixed second: dataEnd = min(requestEnd, last).
std::function<int64_t(const SampleBlock&)> TrimAt(int64_t last);

}  // namespace tessaly
