// Command-line stand-in for the desktop program: makes one pseudorandom block
// for the ten minutes before now and prints a summary of it.
#include <cstdio>

#include "samples/clock.h"
#include "samples/pseudorandom_source.h"
#include "samples/sample_store.h"
#include "samples/utc_time.h"

int main() {
  using namespace tessaly;
  SystemClock clock;
  SampleStore store(kSourcePseudorandom, clock);
  const int64_t now = clock.Now();
  BlockPtr block = store.CreateBlocks(now - 600, now - 1);
  if (!block) {
    std::fprintf(stderr, "Could not generate a pseudorandom block\n");
    return 1;
  }
  std::printf("Pseudorandom block %s - %s: %d seconds x %d stations\n",
              FormatTime(block->dataStart).c_str(), FormatTime(block->dataEnd).c_str(),
              block->secondCount, block->stationCount);
  for (int k = 0; k < block->stationCount; ++k) {
    long sum = 0;
    int lo = 200, hi = 0;
    for (int64_t t = block->dataStart; t <= block->dataEnd; ++t) {
      const int v = block->Sample(k, t);
      sum += v;
      lo = v < lo ? v : lo;
      hi = v > hi ? v : hi;
    }
    std::printf("  station %4u: mean %6.2f  min %3d  max %3d\n", block->stationIds[size_t(k)],
                double(sum) / block->secondCount, lo, hi);
  }
  return 0;
}
