// One hour of sound rendered to a WAV file from a loaded 100-station store, as
// "Save Sound" and tessaly-render do: one view (N = 3), then both views; and
// both views to FLAC.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <sstream>

#include "bench_data.h"
#include "platform/sndfile/sndfile_writer.h"
#include "samples/clock.h"
#include "samples/sample_export.h"
#include "samples/sample_store.h"
#include "samples/utc_time.h"
#include "sound/chunk_renderer.h"
#include "sound/offline_render.h"
#include "support/fixed_clock.h"
#include "support/scripted_source.h"

namespace tessaly {
namespace {

class BenchHost final : public PlayerHost {
 public:
  const PlayerViewState* PlayerView(int view) const override {
    return view == 0 || view == 1 ? &views[size_t(view)] : nullptr;
  }
  int SoundFade() const override { return 1; }
  void OnPlayerStopped() override {}
  void ShowPlayerMessage(const std::string&, const std::string&, const std::string&) override {}
  std::array<PlayerViewFields, 2> views;
};

void BM_RenderHourToWav(benchmark::State& state) {
  const int64_t from = MakeUtc(2020, 3, 5, 7, 0, 0);
  FixedClock clock(from + 86400);
  ScriptedSource source(bench::HundredStationIds(), bench::SpreadSample);
  SampleStore store(kSourceServer, clock, &source);
  store.CreateBlocks(from - 600, from + 3600 + 600);  // loaded before the render
  BenchHost host;
  for (int v = 0; v < int(state.range(0)); ++v) {
    PlayerViewFields& view = host.views[size_t(v)];
    view.SetStore(&store);
    view.SetStation(uint32_t(37 + v));
    view.SetValuesN(3);
    view.SetPlayStartPosition(from);
    view.SetSoundOn(true);
    view.SetPlaying(true);
  }
  OfflineRun run;
  BuildScale(kScaleMajorPentatonic, ReferenceScale()[kScaleRoot + 3], run.scale);
  run.level = OutputLevel(50, false);
  run.seconds = 3600;
  const std::string path =
      (std::filesystem::temp_directory_path() /
       (state.range(1) != 0 ? "tessaly-bench-hour.flac" : "tessaly-bench-hour.wav"))
          .string();
  for (auto _ : state) {
    SndfileWriter writer;
    std::string error;
    if (RenderToFile(host, run, writer, path, nullptr, &error) != RenderOutcome::kDone) {
      state.SkipWithError(error.c_str());
      break;
    }
  }
  state.counters["x_real_time"] =
      benchmark::Counter(3600.0 * double(state.iterations()), benchmark::Counter::kIsRate);
  std::filesystem::remove(path);
}
// Arguments: views, FLAC (1) or WAV (0).
BENCHMARK(BM_RenderHourToWav)
    ->Args({1, 0})
    ->Args({2, 0})
    ->Args({2, 1})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

// A day of 100 stations as "Export Samples…" and tessaly-render --csv take it:
// fetched block by block from a scripted server, gathered, written as CSV.
void BM_ExportDayCsv(benchmark::State& state) {
  const int64_t from = MakeUtc(2020, 3, 5, 12, 0, 0);
  FixedClock clock(from + 2 * 86400);
  ScriptedSource source(bench::HundredStationIds(), bench::SpreadSample);
  for (auto _ : state) {
    SampleStore store(kSourceServer, clock, &source);
    SampleTable table;
    if (!GatherSamples(store, from, from + 86399, table).failure.empty()) {
      state.SkipWithError("the scripted server failed");
      break;
    }
    std::ostringstream csv;
    WriteSamplesCsv(csv, table);
    state.counters["csv_MB"] = double(csv.str().size()) / 1e6;
    state.counters["stations"] = double(table.ids.size());
  }
}
BENCHMARK(BM_ExportDayCsv)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
}  // namespace tessaly
