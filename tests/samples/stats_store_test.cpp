#include "samples/stats_store.h"

#include <gtest/gtest.h>

#include "samples/utc_time.h"
#include "support/fixed_clock.h"

namespace tessaly {
namespace {

// The statistics' pseudorandom blocks: whole hours seeded with their first second,
// the same whenever they are made, and no hour repeating another.
TEST(StatsStoreTest, PseudorandomHoursAreSeededWithTheirFirstSecond) {
  const int64_t from = MakeUtc(2024, 5, 1, 10, 30, 0);
  auto stream = [&](int64_t now) {
    FixedClock clock(now);
    StatsStore store(kSourcePseudorandom, clock, nullptr, "");
    std::vector<SampleBlock> blocks;
    EXPECT_EQ(store.Stream(
                  from, from + 1800,  // ends on the next hour's first second
                  [&](const SampleBlock& b) {
                    blocks.push_back(b);
                    return true;
                  },
                  nullptr),
              StreamResult::kDone);
    return blocks;
  };
  const std::vector<SampleBlock> early = stream(1000);
  const std::vector<SampleBlock> late = stream(from + 99999);
  ASSERT_EQ(early.size(), 2u);
  ASSERT_EQ(late.size(), 2u);
  EXPECT_EQ(early[0].dataStart, from - 1800);
  EXPECT_EQ(early[1].dataEnd, from + 1800 + 3599);
  EXPECT_EQ(early[0].values, late[0].values);
  EXPECT_EQ(early[1].values, late[1].values);
  EXPECT_NE(early[0].values, early[1].values);

  FixedClock clock(0);
  StatsStore store(kSourcePseudorandom, clock, nullptr, "");
  int calls = 0;
  EXPECT_EQ(store.Stream(
                from, from + 7200, [&](const SampleBlock&) { return ++calls < 2; }, nullptr),
            StreamResult::kAbandoned);
  EXPECT_EQ(calls, 2);
}

}  // namespace
}  // namespace tessaly
