#include <benchmark/benchmark.h>

#include <vector>

#include "display/graph_painter.h"
#include "samples/sample_store.h"
#include "samples/utc_time.h"
#include "support/fixed_clock.h"
#include "support/scripted_source.h"

namespace tessaly {
namespace {

const int64_t kStart = MakeUtc(2024, 3, 1, 12, 0, 0);

// A server store of 100 stations over two touching full-size blocks, with
// samples spread around 100 as the real ones are; the graph at a display
// scaling in percent (its pictures are painted in device pixels).
struct GraphFixture {
  explicit GraphFixture(int percent = 100) : store(kSourceServer, clock, &source) {
    for (uint32_t id = 1; id <= 100; ++id) {
      source.stations.push_back(id * 10);
    }
    source.value = [](uint32_t id, int64_t t) {
      const uint64_t h = (uint64_t(t) * 2654435761u) ^ (uint64_t(id) * 40503u);
      return int(70 + (h >> 7) % 61);
    };
    store.CreateBlocks(kStart, kStart + 1800);
    store.CreateBlocks(kStart + 1801, kStart + 3601);
    const int width = 627 * percent / 100;
    const int height = 110 * percent / 100;
    params.geometry = ImageGeometry::ForGraph(width, height, ColumnCount(345 * percent / 100));
    params.position = kStart + params.geometry.cursorColumn;
    params.station = 0;
    params.values = 60;
    raster = Raster(width, height);
  }

  FixedClock clock{kStart + 86400};
  ScriptedSource source;
  SampleStore store;
  PaintParams params;
  Raster raster;
};

// A whole repaint of a 627 x 110 graph: 157 columns x 100 stations, N = 60 (at
// 100 %; larger at 150 % and 200 % scaling).
void BM_GraphRepaint(benchmark::State& state) {
  GraphFixture f(int(state.range(0)));
  for (auto _ : state) {
    PaintImage(f.raster, f.store, f.params);
    benchmark::DoNotOptimize(f.raster.pixels().data());
  }
}
BENCHMARK(BM_GraphRepaint)->Arg(100)->Arg(150)->Arg(200)->Unit(benchmark::kMillisecond);

// One played second on the graph: move by one column and paint the new one.
void BM_ScrollOneSecond(benchmark::State& state) {
  GraphFixture f(int(state.range(0)));
  PaintImage(f.raster, f.store, f.params);
  const int64_t first = f.params.position;
  // Keeps the last column's window inside the loaded seconds.
  const int64_t last =
      kStart + 3601 - 60 - (f.params.geometry.columns - f.params.geometry.cursorColumn);
  for (auto _ : state) {
    ScrollToSecond(f.raster, f.store, f.params, f.params.position + 1);
    f.params.position = f.params.position + 1 < last ? f.params.position + 1 : first;
    benchmark::DoNotOptimize(f.raster.pixels().data());
  }
}
BENCHMARK(BM_ScrollOneSecond)->Arg(100)->Arg(150)->Arg(200)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace tessaly
