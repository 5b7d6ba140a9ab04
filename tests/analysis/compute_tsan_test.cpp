// The audio thread computes histograms from a store while the GUI thread adds
// blocks and evicts old ones. Run under ThreadSanitizer.
#include <gtest/gtest.h>

#include <atomic>
#include <numeric>
#include <thread>

#include "analysis/histogram.h"
#include "samples/pseudorandom_source.h"
#include "samples/sample_store.h"
#include "samples/utc_time.h"
#include "support/fixed_clock.h"

namespace tessaly {
namespace {

TEST(ComputeConcurrencyTest, ComputeWhileBlocksAreCreatedAndEvicted) {
  const int64_t t0 = MakeUtc(2024, 3, 1, 0, 0, 0);
  FixedClock clock(t0 + 3 * 86400);
  SampleStore store(kSourcePseudorandom, clock);
  ASSERT_NE(store.CreateBlocks(t0, t0 + 1800), nullptr);

  // Seconds [t0, loadedEnd] have been asked for; the reader aims inside and
  // around them, so it meets fresh blocks and blocks being evicted.
  std::atomic<int64_t> loadedEnd{t0 + 1800};
  std::atomic<bool> done{false};

  // More than a day of blocks, so the oldest are evicted again and again.
  constexpr int kCreations = 70;
  std::thread creator([&] {
    int64_t next = t0 + 1801;
    for (int i = 0; i < kCreations; ++i) {
      clock.Step(10);
      BlockPtr b = store.CreateBlocks(next, next + 1800);
      if (b == nullptr) {
        break;
      }
      next = b->dataEnd + 1;
      loadedEnd.store(b->dataEnd);
    }
    done.store(true);
  });

  CHistogram h;
  uint32_t rng = 12345;
  int iterations = 0, computed = 0;
  constexpr int kMaxIterations = 2000000;
  const int32_t lengths[] = {1, 3, 60};
  while (!done.load() && iterations < kMaxIterations) {
    rng = rng * 1103515245u + 12345u;
    const int64_t span = loadedEnd.load() - t0 + 100;
    const int64_t start = t0 - 50 + int64_t(rng >> 8) % span;
    const int32_t n = lengths[(rng >> 4) % 3];
    const uint32_t station = kPseudorandomStations[(rng >> 12) % kPseudorandomStations.size()];
    const int32_t r = h.Compute(store, station, start, n, int((rng >> 20) % 3));
    ++iterations;
    if (r == n) {
      ++computed;
      // Pseudorandom blocks hold every station at every second.
      ASSERT_EQ(h.sampleCount, n);
    } else {
      ASSERT_TRUE(r == -2 || r == -3 || r == -4) << r;
      ASSERT_EQ(h.sampleCount, 0);
    }
  }
  creator.join();

  EXPECT_GT(computed, 0);
  uint64_t seconds = 0;
  for (const BlockPtr& b : store.Blocks()) {
    seconds += uint64_t(b->secondCount);
  }
  EXPECT_LT(seconds, uint64_t(kStoreSecondsLimit) + 2 * 1801);  // eviction happened
}

}  // namespace
}  // namespace tessaly
