// Histogram costs as graph painting and the audio engine meet them.
#include <benchmark/benchmark.h>

#include <vector>

#include "analysis/histogram.h"
#include "samples/sample_store.h"
#include "samples/utc_time.h"
#include "support/fixed_clock.h"
#include "support/scripted_source.h"

namespace tessaly {
namespace {

constexpr int kStations = 100;
const int64_t kDay = MakeUtc(2024, 6, 1, 0, 0, 0);

// A server store holding a full day of 1801-second blocks of 100 stations,
// samples clustered around 100.
struct DayStore {
  DayStore() : clock(kDay + 86400), store(kSourceServer, clock, &source) {
    for (int k = 0; k < kStations; ++k) {
      source.stations.push_back(uint32_t(1000 + 7 * k));
    }
    source.value = [](uint32_t id, int64_t t) {
      uint32_t x = uint32_t(t) * 2654435761u ^ id * 40503u;
      x ^= x >> 15;
      x *= 2246822519u;
      x ^= x >> 13;
      return int(70 + x % 61);
    };
    for (int64_t start = kDay; start < kDay + 86400;) {
      BlockPtr b = store.CreateBlocks(start, start + 1800);
      if (b == nullptr) {
        break;
      }
      start = b->dataEnd + 1;
    }
  }

  FixedClock clock;
  ScriptedSource source;
  SampleStore store;
};

DayStore& Day() {
  static DayStore day;
  return day;
}

// One station's window sliding second by second through the day, as the audio
// engine refills it; the lookups meet every block of the list on the way.
void BM_Compute(benchmark::State& state) {
  DayStore& day = Day();
  const int32_t n = int32_t(state.range(0));
  const uint32_t station = day.source.stations[kStations / 2];
  CHistogram h;
  int64_t offset = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(h.Compute(day.store, station, kDay + offset, n));
    offset = offset + 1 < 86400 - n ? offset + 1 : 0;
  }
  state.counters["blocks"] = double(day.store.BlockCount());
}
BENCHMARK(BM_Compute)->Arg(1)->Arg(3)->Arg(60);

// One full repaint of a graph: 157 columns x 100 stations, window of 60 seconds.
void BM_GraphWorkload(benchmark::State& state) {
  DayStore& day = Day();
  constexpr int kColumns = 157;
  constexpr int32_t kN = 60;
  const int64_t first = kDay + 15 * 3600 + 1700;  // near the middle of the day, across a block edge
  CHistogram h;
  for (auto _ : state) {
    uint32_t sink = 0;
    for (int c = 0; c < kColumns; ++c) {
      for (uint32_t station : day.source.stations) {
        if (h.Compute(day.store, station, first + c, kN) > 0) {
          sink += h.Colour(kN);
        }
      }
    }
    benchmark::DoNotOptimize(sink);
  }
  state.counters["blocks"] = double(day.store.BlockCount());
}
BENCHMARK(BM_GraphWorkload)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tessaly
