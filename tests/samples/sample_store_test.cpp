#include "samples/sample_store.h"

#include <gtest/gtest.h>

#include <vector>

#include "samples/utc_time.h"
#include "support/fixed_clock.h"
#include "support/scripted_source.h"

namespace tessaly {
namespace {

using Range = std::pair<int64_t, int64_t>;

class StoreTest : public ::testing::Test {
 protected:
  const int64_t day = MakeUtc(2020, 3, 5, 0, 0, 0);
  FixedClock clock{1700000000};
  ScriptedSource source{{1, 37, 110},
                        [](uint32_t id, int64_t t) { return int((id + uint64_t(t)) % 199 + 1); }};
  SampleStore store{kSourceServer, clock, &source};
  SampleStore pseudo{kSourcePseudorandom, clock};
};

TEST_F(StoreTest, GetValueAndEnsureReadAndRequestNextToTheBlockHoldingT) {
  store.CreateBlocks(day, day + 599);
  source.value = [](uint32_t, int64_t) { return 42; };
  BlockPtr later = store.CreateBlocks(day, day + 599);
  BlockPtr out;
  EXPECT_EQ(store.GetValue(day + 10, 37, &out), 42);  // the last block holding the second
  EXPECT_EQ(out, later);
  EXPECT_EQ(store.GetValue(day + 10, 9999, &out), -1);
  EXPECT_EQ(out, later);
  EXPECT_EQ(store.GetValue(day + 600, 37, &out), -1);
  EXPECT_EQ(out, nullptr);

  BlockPtr b = store.CreateBlocks(day + 3600, day + 3600 + 1199);
  source.requests.clear();
  EXPECT_EQ(store.EnsureAfter(day + 3700, 60), b);  // covered
  EXPECT_EQ(store.EnsureBefore(day + 3700, 60), b);
  EXPECT_TRUE(source.requests.empty());
  store.EnsureAfter(day + 3600 + 1190, 60);
  store.EnsureBefore(day + 3630, 60);
  EXPECT_EQ(source.requests,
            (std::vector<Range>{{day + 4800, day + 5399}, {day + 3000, day + 3599}}));
  EXPECT_EQ(store.EnsureAfter(0, 60), nullptr);
  EXPECT_EQ(store.EnsureBefore(day - 5000, 60), nullptr);
  // Only up to the next block: 600..899 asked for, padded to 600 seconds.
  store.CreateBlocks(day + 900, day + 1499);
  source.requests.clear();
  store.EnsureAfter(day + 590, 60);
  EXPECT_EQ(source.requests, (std::vector<Range>{{day + 600, day + 1199}}));
}

}  // namespace
}  // namespace tessaly
