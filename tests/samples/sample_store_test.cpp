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

TEST_F(StoreTest, PadsShortCutsLongAndSplitsAtMidnight) {
  BlockPtr b = store.CreateBlocks(day + 3600, day + 3609);
  EXPECT_EQ(Range(b->requestStart, b->requestEnd), Range(day + 3600, day + 3600 + 599));
  EXPECT_EQ(b->secondCount, 600);
  b = store.CreateBlocks(day + 7200, day + 7200 + 3 * 3600);
  EXPECT_EQ(b->requestStart, day + 7200);
  EXPECT_EQ(b->secondCount, 1801);
  EXPECT_EQ(b->fetchTime, clock.Now());

  // At midnight the remainder is padded back; across the year end too, and only
  // one midnight is covered.
  BlockPtr last = store.CreateBlocks(MakeUtc(2020, 3, 5, 23, 55, 0), MakeUtc(2020, 3, 6, 0, 5, 0));
  const BlockList list = store.Blocks();
  ASSERT_EQ(list.size(), 4u);
  EXPECT_EQ(Range(list[2]->requestStart, list[2]->requestEnd),
            Range(MakeUtc(2020, 3, 5, 23, 50, 0), MakeUtc(2020, 3, 5, 23, 59, 59)));
  EXPECT_EQ(list[3]->requestStart, list[2]->dataEnd + 1);
  EXPECT_EQ(list[3]->secondCount, 600);
  EXPECT_EQ(last, list[3]);
  EXPECT_NE(list[2]->requestUrl.find("day=5&stime=23%3A50%3A00&etime=23%3A59%3A59"),
            std::string::npos);
  EXPECT_NE(list[3]->requestUrl.find("day=6&stime=00%3A00%3A00&etime=00%3A09%3A59"),
            std::string::npos);
  const int64_t from = MakeUtc(2019, 12, 31, 23, 58, 0);
  ASSERT_TRUE(pseudo.CreateBlocks(from, from + 3 * 86400));
  ASSERT_EQ(pseudo.BlockCount(), 2u);
  EXPECT_EQ(BreakDownUtc(pseudo.Blocks()[0]->dataEnd).year, 2019);
  EXPECT_EQ(pseudo.Blocks()[1]->dataStart, MakeUtc(2020, 1, 1, 0, 0, 0));
  EXPECT_EQ(pseudo.Blocks()[1]->secondCount, 1801);  // the second pass keeps the requested end
}

TEST_F(StoreTest, RefusesBadRangesAndKeepsTheFirstBlockOfAFailedSplit) {
  EXPECT_EQ(store.CreateBlocks(day + 10, day + 9), nullptr);
  EXPECT_EQ(store.CreateBlocks(INT64_MAX - 5, INT64_MAX), nullptr);
  EXPECT_EQ(store.CreateBlocks(INT64_MIN, INT64_MIN + 5), nullptr);
  EXPECT_EQ(store.BlockCount(), 0u);
  // Before 1970 and in the far future (but within the calendar) still work.
  EXPECT_TRUE(pseudo.CreateBlocks(-86400 * 400, -86400 * 400 + 10));
  EXPECT_TRUE(pseudo.CreateBlocks(MakeUtc(9000, 6, 1, 0, 0, 0), INT64_MAX));
  // A server store without a source, and an unknown source, make nothing.
  EXPECT_EQ(SampleStore(kSourceServer, clock).CreateBlocks(day, day + 100), nullptr);
  EXPECT_EQ(SampleStore(2, clock).CreateBlocks(day, day + 100), nullptr);

  struct FailSecond : BlockSource {
    ScriptedSource* inner;
    int calls = 0;
    bool Fill(SampleStore& s, SampleBlock& b) override { return ++calls == 1 && inner->Fill(s, b); }
  } failing;
  failing.inner = &source;
  SampleStore s(kSourceServer, clock, &failing);
  const int64_t from = MakeUtc(2020, 3, 5, 23, 55, 0);
  EXPECT_EQ(s.CreateBlocks(from, from + 600), nullptr);
  ASSERT_EQ(s.BlockCount(), 1u);
  EXPECT_EQ(s.Blocks()[0]->requestEnd, MakeUtc(2020, 3, 5, 23, 59, 59));
}

TEST_F(StoreTest, EvictsByFetchTimeWhileHoldersKeepTheirBlocks) {
  // 48 blocks of 1801 s, one an hour over two days, fetched in reverse time
  // order, so the oldest fetch holds the latest data.
  auto hour = [&](int i) { return day + int64_t(i) * 3600; };
  BlockPtr held;
  for (int i = 0; i < 48; ++i) {
    clock.Set(1700000000 + i);
    ASSERT_TRUE(held = store.CreateBlocks(hour(47 - i), hour(47 - i) + 1800));
  }
  ASSERT_EQ(store.BlockCount(), 48u);
  clock.Step();
  ASSERT_TRUE(store.CreateBlocks(day - 86400, day - 86400 + 10));
  // Only the first fetched block (the latest in time) went: 47 x 1801 < 86,400.
  EXPECT_EQ(store.BlockCount(), 48u);
  EXPECT_EQ(store.FindBlock(hour(47) + 5, false), nullptr);
  EXPECT_TRUE(store.FindBlock(hour(46) + 5, false));
  for (int i = 1; i <= 48; ++i) {
    clock.Step(10);
    store.CreateBlocks(day + 86400 * 3 + i * 3600, day + 86400 * 3 + i * 3600 + 1800);
  }
  EXPECT_EQ(store.FindBlock(day + 5, false), nullptr);            // gone from the store
  EXPECT_EQ(held->Sample(0, day + 5), source.value(1, day + 5));  // but intact for its holder
}

TEST_F(StoreTest, KeepsBlocksSortedAndFindsRanges) {
  BlockPtr c = store.CreateBlocks(day + 5000, day + 5000);
  BlockPtr a = store.CreateBlocks(day + 1000, day + 1000);
  BlockPtr b1 = store.CreateBlocks(day + 3000, day + 3000);
  BlockPtr b2 = store.CreateBlocks(day + 3000, day + 3000);
  const BlockList list = store.Blocks();  // equal starts in insertion order
  EXPECT_EQ(std::vector<BlockPtr>({list[0], list[1], list[2], list[3]}),
            std::vector<BlockPtr>({a, b1, b2, c}));
  EXPECT_EQ(store.FindBlock(day + 3001, false), b1);
  EXPECT_EQ(store.FindBlock(day + 3001, true), b2);
  EXPECT_EQ(store.Next(b1.get()), b2);
  EXPECT_EQ(store.Prev(a.get()), nullptr);
  store.DestroyBlock(b1.get());
  EXPECT_EQ(store.Next(a.get()), b2);
  store.DestroyBlock(b1.get());  // no longer in the store: nothing happens
  EXPECT_EQ(store.BlockCount(), 3u);
  // Touching blocks cover a range; a gap does not, unless loading fills it.
  const int64_t base = day + 20000;
  EXPECT_EQ(store.FindRange(base + 500, base + 700, false), nullptr);
  BlockPtr early = store.CreateBlocks(base, base + 599);
  store.CreateBlocks(base + 600, base + 1199);
  EXPECT_EQ(store.FindRange(base + 500, base + 700, false), early);
  store.CreateBlocks(base + 1201, base + 1800);
  EXPECT_EQ(store.FindRange(base + 1100, base + 1300, false), nullptr);
  source.requests.clear();
  EXPECT_TRUE(store.FindRange(base + 1100, base + 1300, true));
  ASSERT_EQ(source.requests.size(), 1u);
  EXPECT_EQ(source.requests[0].first, base + 1200);
  source.requests.clear();  // nothing loaded there: the whole range is asked for
  ASSERT_TRUE(store.FindRange(base + 7300, base + 7400, true));
  EXPECT_EQ(source.requests, (std::vector<Range>{{base + 7300, base + 7899}}));
  // A short block inside a long one is no gap.
  const int64_t far = day + 40000;
  store.CreateBlocks(far, far + 1800);
  source.dataEndFor = TrimAt(far + 400);  // a server block trimmed near the present
  BlockPtr shortBlock = store.CreateBlocks(far + 100, far + 1900);
  source.dataEndFor = nullptr;
  store.CreateBlocks(far + 1801, far + 3600);
  ASSERT_EQ(shortBlock->dataEnd, far + 400);
  EXPECT_EQ(store.FindRange(far + 350, far + 2000, false), shortBlock);
}

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
