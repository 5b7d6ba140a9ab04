#include <benchmark/benchmark.h>

#include "samples/pseudorandom_source.h"
#include "samples/sample_block.h"

namespace {

// One full-size pseudorandom block: 1801 seconds x 22 stations, 554,708 draws.
void BM_PseudorandomBlock(benchmark::State& state) {
  int64_t now = 1700000000;
  for (auto _ : state) {
    tessaly::SampleBlock block;
    block.requestStart = 1600000000;
    block.requestEnd = block.requestStart + 1800;
    const bool ok = tessaly::GeneratePseudorandomBlock(block, now++);
    benchmark::DoNotOptimize(ok);
    benchmark::DoNotOptimize(block.values.data());
  }
}
BENCHMARK(BM_PseudorandomBlock)->Unit(benchmark::kMillisecond);

}  // namespace
