#include "samples/station_ordering.h"

#include <gtest/gtest.h>

#include <map>
#include <vector>

#include "samples/pseudorandom_source.h"
#include "samples/sample_store.h"
#include "samples/utc_time.h"

namespace tessaly {
namespace {

class FixedTestClock : public Clock {
 public:
  int64_t Now() const override { return 1700000000; }
};

SampleBlock BlockWithIds(std::vector<uint32_t> ids) {
  SampleBlock b;
  b.stationCount = int32_t(ids.size());
  for (size_t k = 0; k < ids.size(); ++k) {
    b.stationIds[k] = ids[k];
  }
  RankIdentity(b, 0);
  RankIdentity(b, 1);
  return b;
}

std::vector<uint32_t> IdsByRow(const SampleBlock& b, int view) {
  std::vector<uint32_t> rows(size_t(b.stationCount), 0);
  for (int k = 0; k < b.stationCount; ++k) {
    const int r = b.rank[size_t(view)][size_t(k)];
    EXPECT_GE(r, 0);
    EXPECT_LT(r, b.stationCount);
    rows[size_t(r)] = b.stationIds[size_t(k)];
  }
  return rows;
}

TEST(AssignRanks, SmallestKeyFirstAndTiesKeepColumnOrder) {
  SampleBlock b = BlockWithIds({10, 20, 30, 40, 50});
  std::array<int32_t, kMaxStations> keys{};
  keys[0] = 5;
  keys[1] = -3;
  keys[2] = 5;
  keys[3] = 7;
  keys[4] = -3;
  AssignRanks(b, keys, 1);
  EXPECT_EQ(IdsByRow(b, 1), (std::vector<uint32_t>{20, 50, 10, 30, 40}));
  EXPECT_EQ(b.rank[1][5], -1);  // slots past the stations are cleared
  EXPECT_EQ(b.rank[0][1], 1);   // the other view is untouched
}

TEST(CopyRanks, SharedStationsKeepTheirRowsOthersGoBelow) {
  SampleBlock source = BlockWithIds({1, 2, 3});
  source.rank[0] = {};
  source.rank[0][0] = 2;
  source.rank[0][1] = 0;
  source.rank[0][2] = 1;
  SampleBlock target = BlockWithIds({9, 3, 1, 8});
  CopyRanks(target, source, 0);
  EXPECT_EQ(target.rank[0][0], 3);  // 9: first spare row
  EXPECT_EQ(target.rank[0][1], 1);
  EXPECT_EQ(target.rank[0][2], 2);
  EXPECT_EQ(target.rank[0][3], 4);  // 8: the next spare row
}

class RankStationsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (int i = 0; i < 4; ++i) {
      blocks.push_back(store.CreateBlocks(day + i * 600, day + i * 600 + 599));
    }
    store.windowStart = day + 500;
    store.windowEnd = day + 1300;  // blocks 0..2 reach into it, block 3 starts after
  }

  const int64_t day = MakeUtc(2021, 6, 1, 0, 0, 0);
  FixedTestClock clock;
  SampleStore store{kSourcePseudorandom, clock};
  std::vector<BlockPtr> blocks;
};

TEST_F(RankStationsTest, LongitudeOrdersWestToEastInsideTheWindow) {
  RankStations(store, blocks[1].get(), kSortLongitude, 0, 0);
  const std::vector<uint32_t> expected = {2178, 3101, 1021, 110,  3247, 2000, 1070, 2220,
                                          226,  1,    2080, 3066, 3104, 2028, 37,   112,
                                          2049, 1237, 3106, 2232, 2083, 4234};
  EXPECT_EQ(IdsByRow(*blocks[0], 0), expected);
  EXPECT_EQ(IdsByRow(*blocks[1], 0), expected);
  EXPECT_EQ(IdsByRow(*blocks[2], 0), expected);
  EXPECT_EQ(blocks[3]->rank[0][0], 0);  // outside the window: untouched
  EXPECT_EQ(blocks[1]->rank[1][0], 0);  // the other view: untouched
  EXPECT_EQ(store.sortMode[0], kSortLongitude);

  RankStations(store, blocks[1].get(), kSortStationIds, 0, 0);
  EXPECT_EQ(blocks[0]->rank[0][13], 13);
  EXPECT_EQ(store.sortMode[0], kSortStationIds);
}

TEST_F(RankStationsTest, MedianOrdersByKeyAndCopiesToNeighbours) {
  std::map<uint32_t, int32_t> keys;
  for (size_t k = 0; k < kPseudorandomStations.size(); ++k) {
    keys[kPseudorandomStations[k]] = int32_t(100 - k);  // reverse column order
  }
  keys[37] = kNoMedianKey;  // no data: last
  const int64_t t = day + 700;
  RankStations(store, blocks[1].get(), kSortCurrentMedian, t, 1,
               [&](uint32_t id) { return keys.at(id); });
  const std::vector<uint32_t> rows = IdsByRow(*blocks[1], 1);
  EXPECT_EQ(rows.front(), 4234u);
  EXPECT_EQ(rows[20], 1u);
  EXPECT_EQ(rows.back(), 37u);
  EXPECT_EQ(IdsByRow(*blocks[2], 1), rows);
  EXPECT_EQ(store.rankTime, t);
  EXPECT_EQ(store.sortMode[1], kSortCurrentMedian);

  // A block made afterwards keeps identity ranks in a median mode.
  BlockPtr later = store.CreateBlocks(day + 2400, day + 2400);
  EXPECT_EQ(later->rank[1][0], 0);
  EXPECT_EQ(later->rank[1][21], 21);
}

TEST_F(RankStationsTest, IgnoresMissingBlockAndUnknownModes) {
  RankStations(store, nullptr, kSortLongitude, 0, 0);
  RankStations(store, blocks[1].get(), 4, 0, 0);
  RankStations(store, blocks[1].get(), kSortLongitude, 0, 2);
  EXPECT_EQ(store.sortMode[0], 0);
  EXPECT_EQ(blocks[1]->rank[0][0], 0);
}

TEST_F(RankStationsTest, NewBlocksFollowTheStoredLongitudeMode) {
  store.sortMode[0] = kSortLongitude;
  BlockPtr b = store.CreateBlocks(day + 5000, day + 5000);
  EXPECT_EQ(IdsByRow(*b, 0).front(), 2178u);
  EXPECT_EQ(IdsByRow(*b, 1).front(), 1u);
}

}  // namespace
}  // namespace tessaly
