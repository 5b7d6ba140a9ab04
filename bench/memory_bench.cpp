// Resident memory after two days of seconds have been played through both
// stores: eviction has to keep it bounded however long the program runs.

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

#include "bench_data.h"
#include "samples/sample_store.h"
#include "samples/utc_time.h"
#include "support/fixed_clock.h"
#include "support/scripted_source.h"

namespace tessaly {
namespace {

// Resident set size in bytes, from /proc/self/statm (0 when unreadable).
double ResidentBytes() {
  std::ifstream statm("/proc/self/statm");
  long long size = 0;
  long long resident = 0;
  if (!(statm >> size >> resident)) {
    return 0;
  }
  return double(resident) * double(sysconf(_SC_PAGESIZE));
}

// The peak resident set size in bytes (VmHWM of /proc/self/status).
double PeakResidentBytes() {
  std::ifstream status("/proc/self/status");
  std::string key;
  while (status >> key) {
    if (key == "VmHWM:") {
      long long kb = 0;
      status >> kb;
      return double(kb) * 1024.0;
    }
    status.ignore(1 << 16, '\n');
  }
  return 0;
}

int64_t StoredSeconds(const SampleStore& store) {
  int64_t total = 0;
  for (const BlockPtr& block : store.Blocks()) {
    total += block->secondCount;
  }
  return total;
}

// Both views play for two days, second by second: each second the clock moves
// on and each view asks its store for the seconds ahead of its cursor the way
// playback does, so the stores fetch block after block with rising fetch times.
void BM_TwoDaysThroughStores(benchmark::State& state) {
  constexpr int64_t kPlayed = 2 * 86400;
  // Seconds a view wants past its position: the graph's columns right of the
  // cursor plus the minute playback keeps ahead.
  constexpr int64_t kAhead = 100;
  const double before = ResidentBytes();
  int64_t serverSeconds = 0;
  int64_t pseudoSeconds = 0;
  size_t blocks = 0;
  int fills = 0;
  double after = 0;

  for (auto _ : state) {
    const int64_t start = MakeUtc(2026, 3, 10, 11, 50, 0);
    FixedClock clock(start + 600);
    ScriptedSource source(bench::HundredStationIds(), bench::SpreadSample);
    SampleStore serverStore(kSourceServer, clock, &source);
    SampleStore pseudoStore(kSourcePseudorandom, clock);
    // What a view holds on to while it plays.
    BlockPtr heldServer = serverStore.CreateBlocks(start, start + 600);
    BlockPtr heldPseudo = pseudoStore.CreateBlocks(start, start + 600);
    for (int64_t t = start; t < start + kPlayed; ++t) {
      clock.Step();
      if (BlockPtr b = serverStore.EnsureAfter(t, kAhead)) {
        heldServer = std::move(b);
      }
      if (BlockPtr b = pseudoStore.EnsureAfter(t, kAhead)) {
        heldPseudo = std::move(b);
      }
    }
    after = ResidentBytes();
    serverSeconds = StoredSeconds(serverStore);
    pseudoSeconds = StoredSeconds(pseudoStore);
    blocks = serverStore.BlockCount() + pseudoStore.BlockCount();
    fills = source.fillCount;
    benchmark::DoNotOptimize(heldServer.get());
    benchmark::DoNotOptimize(heldPseudo.get());
  }
  constexpr double kMB = 1024.0 * 1024.0;
  state.counters["rss_MB"] = after / kMB;
  state.counters["rss_before_MB"] = before / kMB;
  state.counters["peak_rss_MB"] = PeakResidentBytes() / kMB;
  state.counters["server_seconds"] = double(serverSeconds);
  state.counters["pseudo_seconds"] = double(pseudoSeconds);
  state.counters["store_seconds"] = double(serverSeconds + pseudoSeconds);
  state.counters["blocks"] = double(blocks);
  state.counters["server_fills"] = double(fills);
}
// One pass is the measurement; repeating it would only measure the allocator.
BENCHMARK(BM_TwoDaysThroughStores)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tessaly
