#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "samples/clock.h"
#include "samples/http_get.h"
#include "samples/sample_store.h"

namespace tessaly {

// Pseudorandom blocks of the statistics cover whole UTC hours, each seeded with
// its first second: a second's samples do not depend on the stretch asked for.
inline constexpr int64_t kStatsPseudorandomBlock = 3600;

enum class StreamResult { kDone, kFailed, kAbandoned };

// The statistics' pseudorandom block (one UTC hour) that holds t, as Stream
// hands it over: a stretch grown second by second gives the same numbers as
// the stretch computed afresh. false when out of memory.
bool GenerateStatsPseudorandomBlock(int64_t t, int64_t now, SampleBlock& block);

// The statistics' own store: streams a stretch of a source one block at a time
// and keeps none of them, so a stretch of days never evicts a view's blocks nor
// holds days of blocks at once. Touches nothing but its own connection, so a
// job may run it on any thread.
class StatsStore {
 public:
  // http: a connection of the caller's own, for the server source.
  StatsStore(int sourceType, const Clock& clock, HttpGet* http, std::string host);

  // Hands every block of [from, to] to onBlock in time order (a block may reach
  // outside the stretch); onBlock returns false to abandon. On kFailed, cause
  // says why ("No data received from server for: ..." and the failure's cause).
  StreamResult Stream(int64_t from, int64_t to,
                      const std::function<bool(const SampleBlock&)>& onBlock, std::string* cause);
  // From another thread: a fetch in progress ends soon.
  void Cancel();

 private:
  StreamResult StreamServer(int64_t from, int64_t to,
                            const std::function<bool(const SampleBlock&)>& onBlock,
                            std::string* cause);

  int sourceType_;
  HttpGet* http_;
  SampleStore store_;  // builds requests and knows the stations met; holds no block
};

}  // namespace tessaly
