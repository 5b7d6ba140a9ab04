// Network statistics: a day of 100 stations from a loaded store to the stretch's
// statistics and health table, one played second added to an open window, and the
// pseudorandom source measured as a null.
#include <benchmark/benchmark.h>

#include "analysis/live_stretch.h"
#include "bench_data.h"
#include "samples/sample_store.h"
#include "samples/stats_store.h"
#include "samples/utc_time.h"
#include "support/fixed_clock.h"
#include "support/scripted_source.h"
#include "views/stats_view.h"

namespace tessaly {
namespace {

const int64_t kDay = MakeUtc(2024, 6, 1, 0, 0, 0);

// A server store loaded with a day of 100 stations in 1801-second blocks.
struct LoadedDay {
  LoadedDay() : clock(kDay + 2 * 86400), store(kSourceServer, clock, &source) {
    source.stations = bench::HundredStationIds();
    source.value = bench::SpreadSample;
    for (int64_t start = kDay; start < kDay + 86400;) {
      const BlockPtr b = store.CreateBlocks(start, std::min(start + 1800, kDay + 86399));
      if (b == nullptr) {
        break;
      }
      start = b->dataEnd + 1;
    }
  }
  StretchSamples Stretch(int64_t seconds) const {
    StretchSamples samples(kDay, kDay + seconds - 1);
    store.Read([&](const BlockList& blocks) {
      for (const BlockPtr& b : blocks) {
        samples.AddBlock(*b);
      }
      return 0;
    });
    return samples;
  }
  FixedClock clock;
  ScriptedSource source;
  SampleStore store;
};

LoadedDay& Day() {
  static LoadedDay day;
  return day;
}

// The window's whole computation of a day: samples out of the store, the health
// pass, the network pass.
void BM_StretchStatsDay(benchmark::State& state) {
  LoadedDay& day = Day();
  for (auto _ : state) {
    const StretchResult result = ComputeStretch(day.Stretch(86400), false);
    benchmark::DoNotOptimize(result.network.Summary().chiSquare);
  }
  state.counters["samples"] = 8.64e6;
}
BENCHMARK(BM_StretchStatsDay)->Unit(benchmark::kMillisecond);

// One played second added to a window open on the day's first 23 hours: the
// block lookup and the sums, as the GUI tick does it.
void BM_StatsPlayedSecond(benchmark::State& state) {
  LoadedDay& day = Day();
  LiveStretch live;
  int64_t t = kDay + 23 * 3600;
  auto reset = [&] { live.Compute(day.Stretch(t - kDay), std::nullopt); };
  reset();
  for (auto _ : state) {
    if (t == kDay + 86400) {
      state.PauseTiming();
      t = kDay + 23 * 3600;
      reset();
      state.ResumeTiming();
    }
    const BlockPtr block = day.store.FindBlock(t, true);
    benchmark::DoNotOptimize(live.AddSecond(t, block.get()));
    ++t;
  }
}
BENCHMARK(BM_StatsPlayedSecond)->Unit(benchmark::kMicrosecond);

// One played second of a pseudorandom view through the window's tick: the
// seconds come from the statistics' own hour blocks, one made per played hour.
void BM_StatsPlayedSecondPseudorandom(benchmark::State& state) {
  struct NoWindow final : StatsWindow {
    void Refresh() override {}
  } window;
  FixedClock clock(kDay);
  SampleStore viewStore(kSourcePseudorandom, clock);
  ViewSnapshot view{kSourcePseudorandom, "", kDay, &viewStore};
  StatsView stats(window, clock, {});
  stats.Pick(view, kStretchLastHour, 0, 0);
  while (!stats.hasResult()) {
    stats.OnTick(view);
  }
  for (auto _ : state) {
    ++view.position;
    stats.OnTick(view);
  }
  if (stats.busy() || stats.key().to != view.position) {
    state.SkipWithError("the stretch stopped growing");
  }
}
BENCHMARK(BM_StatsPlayedSecondPseudorandom)->Unit(benchmark::kMicrosecond);

// What the sound cue adds to a played second: the last minute's equivalent Z
// at the end of a day's series.
void BM_StatsCueLastMinute(benchmark::State& state) {
  const StretchResult result = ComputeStretch(Day().Stretch(86400), false);
  const std::vector<NetworkSecond>& series = result.network.series();
  for (auto _ : state) {
    benchmark::DoNotOptimize(LastMinuteZ(series, series.back().t));
  }
}
BENCHMARK(BM_StatsCueLastMinute)->Unit(benchmark::kMicrosecond);

// The pseudorandom source as a null: 1,000 one-hour stretches of the statistics'
// own blocks; the share with p < 0.05 should be near 5 % (reported, not judged).
void BM_PseudorandomNull(benchmark::State& state) {
  for (auto _ : state) {
    FixedClock clock(0);
    StatsStore store(kSourcePseudorandom, clock, nullptr, "");
    int network = 0;
    int device = 0;
    double sumZ = 0;
    for (int i = 0; i < 1000; ++i) {
      const int64_t from = kDay + int64_t(i) * 3600;
      StretchSamples samples(from, from + 3599);
      store.Stream(
          from, from + 3599,
          [&](const SampleBlock& b) {
            samples.AddBlock(b);
            return true;
          },
          nullptr);
      const StretchSummary s = ComputeStretch(samples, false).network.Summary();
      network += s.p < 0.05 ? 1 : 0;
      device += s.deviceP < 0.05 ? 1 : 0;
      sumZ += s.deviceZ;
    }
    state.counters["network_p05_share"] = network / 1000.0;
    state.counters["device_p05_share"] = device / 1000.0;
    state.counters["device_mean_z"] = sumZ / 1000.0;
  }
}
BENCHMARK(BM_PseudorandomNull)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace
}  // namespace tessaly
