#include "samples/station_ordering.h"

#include <gtest/gtest.h>

#include <map>
#include <vector>

#include "samples/pseudorandom_source.h"
#include "samples/sample_store.h"
#include "samples/utc_time.h"
#include "support/fixed_clock.h"

namespace tessaly {
namespace {

SampleBlock BlockWithIds(std::vector<uint32_t> ids) {
  SampleBlock b;
  b.stationCount = int32_t(ids.size());
  std::copy(ids.begin(), ids.end(), b.stationIds.begin());
  RankIdentity(b, 0);
  RankIdentity(b, 1);
  return b;
}

std::vector<uint32_t> IdsByRow(const SampleBlock& b, int view) {
  std::vector<uint32_t> rows(size_t(b.stationCount), 0);
  for (int k = 0; k < b.stationCount; ++k) {
    rows.at(size_t(b.rank[size_t(view)][size_t(k)])) = b.stationIds[size_t(k)];
  }
  return rows;
}

TEST(StationOrdering, AssignAndCopyRanks) {
  SampleBlock b = BlockWithIds({10, 20, 30, 40, 50});
  std::array<int32_t, kMaxStations> keys{5, -3, 5, 7, -3};
  AssignRanks(b, keys, 1);  // smallest key first, ties in column order
  EXPECT_EQ(IdsByRow(b, 1), (std::vector<uint32_t>{20, 50, 10, 30, 40}));
  EXPECT_EQ(b.rank[1][5], -1);  // slots past the stations are cleared
  EXPECT_EQ(b.rank[0][1], 1);   // the other view is untouched

  SampleBlock source = BlockWithIds({1, 2, 3});
  source.rank[0] = {2, 0, 1};
  SampleBlock target = BlockWithIds({9, 3, 1, 8});
  CopyRanks(target, source, 0);  // shared stations keep their rows, others go below
  EXPECT_EQ(std::vector<int32_t>(target.rank[0].begin(), target.rank[0].begin() + 4),
            (std::vector<int32_t>{3, 1, 2, 4}));
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
  FixedClock clock{1700000000};
  SampleStore store{kSourcePseudorandom, clock};
  std::vector<BlockPtr> blocks;
};

TEST_F(RankStationsTest, LongitudeOrdersWestToEastInsideTheWindow) {
  RankStations(store, blocks[1].get(), kSortLongitude, 0, 0);
  const std::vector<uint32_t> expected = {2178, 3101, 1021, 110,  3247, 2000, 1070, 2220,
                                          226,  1,    2080, 3066, 3104, 2028, 37,   112,
                                          2049, 1237, 3106, 2232, 2083, 4234};
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(IdsByRow(*blocks[size_t(i)], 0), expected);
  }
  EXPECT_EQ(blocks[3]->rank[0][0], 0);  // outside the window: untouched
  EXPECT_EQ(blocks[1]->rank[1][0], 0);  // the other view: untouched
  EXPECT_EQ(store.sortMode[0], kSortLongitude);
  // New blocks follow the stored longitude mode.
  BlockPtr b = store.CreateBlocks(day + 5000, day + 5000);
  EXPECT_EQ(IdsByRow(*b, 0).front(), 2178u);
  EXPECT_EQ(IdsByRow(*b, 1).front(), 1u);
  RankStations(store, blocks[1].get(), kSortStationIds, 0, 0);
  EXPECT_EQ(blocks[0]->rank[0][13], 13);
  EXPECT_EQ(store.sortMode[0], kSortStationIds);
  // A missing block and unknown modes or views change nothing.
  RankStations(store, nullptr, kSortLongitude, 0, 0);
  RankStations(store, blocks[1].get(), 4, 0, 0);
  RankStations(store, blocks[1].get(), kSortLongitude, 0, 2);
  EXPECT_EQ(store.sortMode[0], kSortStationIds);
  EXPECT_EQ(blocks[1]->rank[0][0], 0);
}

TEST_F(RankStationsTest, MedianOrdersByKeyAndCopiesToNeighbours) {
  std::map<uint32_t, int32_t> keys;
  for (size_t k = 0; k < kPseudorandomStations.size(); ++k) {
    keys[kPseudorandomStations[k]] = int32_t(100 - k);  // reverse column order
  }
  keys[37] = kNoMedianKey;  // no data: last
  RankStations(store, blocks[1].get(), kSortCurrentMedian, day + 700, 1,
               [&](uint32_t id) { return keys.at(id); });
  const std::vector<uint32_t> rows = IdsByRow(*blocks[1], 1);
  EXPECT_EQ(rows.front(), 4234u);
  EXPECT_EQ(rows[20], 1u);
  EXPECT_EQ(rows.back(), 37u);
  EXPECT_EQ(IdsByRow(*blocks[2], 1), rows);
  EXPECT_EQ(store.rankTime, day + 700);
  EXPECT_EQ(store.sortMode[1], kSortCurrentMedian);
  // A block made afterwards keeps identity ranks in a median mode.
  BlockPtr later = store.CreateBlocks(day + 2400, day + 2400);
  EXPECT_EQ(later->rank[1][0], 0);
  EXPECT_EQ(later->rank[1][21], 21);
}

}  // namespace
}  // namespace tessaly
