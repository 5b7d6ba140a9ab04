#include "samples/sample_store.h"

#include <gtest/gtest.h>

#include <vector>

#include "samples/utc_time.h"
#include "support/scripted_source.h"

namespace tessaly {
namespace {

class SteppedClock : public Clock {
 public:
  int64_t Now() const override { return now; }
  int64_t now = 1700000000;
};

class StoreTest : public ::testing::Test {
 protected:
  const int64_t day = MakeUtc(2020, 3, 5, 0, 0, 0);
  SteppedClock clock;
  ScriptedSource source{{1, 37, 110},
                        [](uint32_t id, int64_t t) { return int((id + uint64_t(t)) % 199 + 1); }};
  SampleStore store{kSourceServer, clock, &source};
  SampleStore pseudo{kSourcePseudorandom, clock};
};

TEST_F(StoreTest, SpanRulesPadShortAndCutLongRequests) {
  BlockPtr b = store.CreateBlocks(day + 3600, day + 3609);
  ASSERT_TRUE(b);
  EXPECT_EQ(b->requestStart, day + 3600);
  EXPECT_EQ(b->requestEnd, day + 3600 + 599);
  EXPECT_EQ(b->secondCount, 600);

  b = store.CreateBlocks(day + 7200, day + 7200 + 3 * 3600);
  ASSERT_TRUE(b);
  EXPECT_EQ(b->requestStart, day + 7200);
  EXPECT_EQ(b->secondCount, 1801);
  EXPECT_EQ(b->fetchTime, clock.now);
}

TEST_F(StoreTest, SplitsAtMidnightPaddingTheRemainderBack) {
  const int64_t from = MakeUtc(2020, 3, 5, 23, 55, 0);
  const int64_t to = MakeUtc(2020, 3, 6, 0, 5, 0);
  BlockPtr last = store.CreateBlocks(from, to);
  ASSERT_EQ(store.BlockCount(), 2u);
  const BlockList list = store.Blocks();
  EXPECT_EQ(list[0]->requestStart, MakeUtc(2020, 3, 5, 23, 50, 0));
  EXPECT_EQ(list[0]->requestEnd, MakeUtc(2020, 3, 5, 23, 59, 59));
  EXPECT_EQ(list[1]->requestStart, list[0]->dataEnd + 1);
  EXPECT_EQ(list[1]->secondCount, 600);
  EXPECT_EQ(last, list[1]);
  EXPECT_NE(list[0]->requestUrl.find("day=5&stime=23%3A50%3A00&etime=23%3A59%3A59"),
            std::string::npos);
  EXPECT_NE(list[1]->requestUrl.find("day=6&stime=00%3A00%3A00&etime=00%3A09%3A59"),
            std::string::npos);
}

TEST_F(StoreTest, SplitsAcrossTheYearEndAndCoversOneMidnightOnly) {
  const int64_t from = MakeUtc(2019, 12, 31, 23, 58, 0);
  BlockPtr last = pseudo.CreateBlocks(from, from + 3 * 86400);
  ASSERT_TRUE(last);
  const BlockList list = pseudo.Blocks();
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(BreakDownUtc(list[0]->dataEnd).year, 2019);
  EXPECT_EQ(list[1]->dataStart, MakeUtc(2020, 1, 1, 0, 0, 0));
  EXPECT_EQ(list[1]->secondCount, 1801);  // the second pass keeps the requested end
  for (const BlockPtr& b : list) {
    EXPECT_EQ(BreakDownUtc(b->dataStart).yearDay, BreakDownUtc(b->dataEnd).yearDay);
  }
}

TEST_F(StoreTest, RefusesBadRangesWithoutCreatingBlocks) {
  EXPECT_EQ(store.CreateBlocks(day + 10, day + 9), nullptr);
  EXPECT_EQ(store.CreateBlocks(INT64_MAX - 5, INT64_MAX), nullptr);
  EXPECT_EQ(store.CreateBlocks(INT64_MIN, INT64_MIN + 5), nullptr);
  EXPECT_EQ(store.BlockCount(), 0u);

  // Before 1970 and in the far future (but within the calendar) still work.
  EXPECT_TRUE(pseudo.CreateBlocks(-86400 * 400, -86400 * 400 + 10));
  EXPECT_TRUE(pseudo.CreateBlocks(MakeUtc(9000, 6, 1, 0, 0, 0), INT64_MAX));
  EXPECT_EQ(pseudo.BlockCount(), 2u);

  // A server store without a source, and an unknown source, make nothing.
  SampleStore noSource(kSourceServer, clock);
  SampleStore other(2, clock);
  EXPECT_EQ(noSource.CreateBlocks(day, day + 100), nullptr);
  EXPECT_EQ(other.CreateBlocks(day, day + 100), nullptr);
}

TEST_F(StoreTest, FailedSecondFillKeepsTheFirstBlock) {
  const int64_t from = MakeUtc(2020, 3, 5, 23, 55, 0);
  source.requests.clear();
  // Fail on the second fill only.
  struct FailSecond : BlockSource {
    ScriptedSource* inner;
    int calls = 0;
    bool Fill(SampleStore& s, SampleBlock& b) override { return ++calls == 1 && inner->Fill(s, b); }
  } failing;
  failing.inner = &source;
  SampleStore s(kSourceServer, clock, &failing);
  EXPECT_EQ(s.CreateBlocks(from, from + 600), nullptr);
  ASSERT_EQ(s.BlockCount(), 1u);
  EXPECT_EQ(s.Blocks()[0]->requestEnd, MakeUtc(2020, 3, 5, 23, 59, 59));
}

TEST_F(StoreTest, EvictsByFetchTimeWhateverTheTimeRange) {
  // 48 blocks of 1801 s = 86,448 s, one an hour over two days, fetched in
  // reverse time order, so the oldest fetch holds the latest data.
  auto hour = [&](int i) { return day + int64_t(i) * 3600; };
  for (int i = 0; i < 48; ++i) {
    clock.now = 1700000000 + i;
    ASSERT_TRUE(store.CreateBlocks(hour(47 - i), hour(47 - i) + 1800));
  }
  ASSERT_EQ(store.BlockCount(), 48u);
  clock.now += 1;
  ASSERT_TRUE(store.CreateBlocks(day - 86400, day - 86400 + 10));
  // Only the first fetched block (the latest in time) went: 47 x 1801 < 86,400.
  EXPECT_EQ(store.BlockCount(), 48u);
  EXPECT_EQ(store.FindBlock(hour(47) + 5, false), nullptr);
  EXPECT_TRUE(store.FindBlock(hour(46) + 5, false));
}

TEST_F(StoreTest, EvictedBlockStaysUsableByItsHolder) {
  BlockPtr held = store.CreateBlocks(day, day + 1800);
  for (int i = 1; i <= 48; ++i) {
    clock.now += 10;
    store.CreateBlocks(day + i * 3600, day + i * 3600 + 1800);
  }
  EXPECT_EQ(store.FindBlock(day + 5, false), nullptr);  // gone from the store
  ASSERT_TRUE(held);
  EXPECT_EQ(held->Sample(0, day + 5), source.value(1, day + 5));  // but still intact
}

TEST_F(StoreTest, KeepsBlocksSortedWithEqualStartsInInsertionOrder) {
  BlockPtr c = store.CreateBlocks(day + 5000, day + 5000);
  BlockPtr a = store.CreateBlocks(day + 1000, day + 1000);
  BlockPtr b1 = store.CreateBlocks(day + 3000, day + 3000);
  BlockPtr b2 = store.CreateBlocks(day + 3000, day + 3000);
  const BlockList list = store.Blocks();
  ASSERT_EQ(list.size(), 4u);
  EXPECT_EQ(list[0], a);
  EXPECT_EQ(list[1], b1);
  EXPECT_EQ(list[2], b2);
  EXPECT_EQ(list[3], c);
  EXPECT_EQ(store.FindBlock(day + 3001, false), b1);
  EXPECT_EQ(store.FindBlock(day + 3001, true), b2);
  EXPECT_EQ(store.Next(b1.get()), b2);
  EXPECT_EQ(store.Prev(a.get()), nullptr);

  store.DestroyBlock(b1.get());
  EXPECT_EQ(store.BlockCount(), 3u);
  EXPECT_EQ(store.Next(a.get()), b2);
  store.DestroyBlock(b1.get());  // no longer in the store: nothing happens
  EXPECT_EQ(store.BlockCount(), 3u);
}

TEST_F(StoreTest, FindRangeOverTouchingAndGappedBlocks) {
  BlockPtr first = store.CreateBlocks(day, day + 599);
  BlockPtr second = store.CreateBlocks(day + 600, day + 1199);
  EXPECT_EQ(store.FindRange(day + 500, day + 700, false), first);
  EXPECT_EQ(store.FindRange(day + 1100, day + 1300, false), nullptr);

  SampleStore gapped(kSourceServer, clock, &source);
  BlockPtr early = gapped.CreateBlocks(day, day + 599);
  gapped.CreateBlocks(day + 601, day + 1200);
  EXPECT_EQ(gapped.FindRange(day + 500, day + 700, false), nullptr);
  source.requests.clear();
  EXPECT_EQ(gapped.FindRange(day + 500, day + 700, true), early);
  ASSERT_EQ(source.requests.size(), 1u);
  EXPECT_EQ(source.requests[0].first, day + 600);

  // Nothing loaded there: the whole range is asked for.
  source.requests.clear();
  BlockPtr made = gapped.FindRange(day + 1300, day + 1400, true);
  ASSERT_TRUE(made);
  EXPECT_EQ(source.requests[0], std::make_pair(day + 1300, day + 1899));
}

TEST_F(StoreTest, ShortBlockInsideLongOneIsNoGap) {
  store.CreateBlocks(day, day + 1800);
  source.dataEndFor = TrimAt(day + 400);  // a server block trimmed near the present
  BlockPtr shortBlock = store.CreateBlocks(day + 100, day + 1900);
  source.dataEndFor = nullptr;
  store.CreateBlocks(day + 1801, day + 3600);
  ASSERT_EQ(shortBlock->dataEnd, day + 400);
  // [350, 2000] is covered by the long block and the one after it.
  EXPECT_EQ(store.FindRange(day + 350, day + 2000, false), shortBlock);
}

TEST_F(StoreTest, GetValueReadsTheLastBlockHoldingTheSecond) {
  store.CreateBlocks(day, day + 599);
  source.value = [](uint32_t, int64_t) { return 42; };
  BlockPtr later = store.CreateBlocks(day, day + 599);
  BlockPtr out;
  EXPECT_EQ(store.GetValue(day + 10, 37, &out), 42);
  EXPECT_EQ(out, later);
  EXPECT_EQ(store.GetValue(day + 10, 9999, &out), -1);
  EXPECT_EQ(out, later);
  EXPECT_EQ(store.GetValue(day + 600, 37, &out), -1);
  EXPECT_EQ(out, nullptr);
}

TEST_F(StoreTest, EnsureAfterAndBeforeRequestNextToTheBlockHoldingT) {
  BlockPtr b = store.CreateBlocks(day + 3600, day + 3600 + 1199);
  source.requests.clear();
  EXPECT_EQ(store.EnsureAfter(day + 3700, 60), b);  // covered
  EXPECT_TRUE(source.requests.empty());
  store.EnsureAfter(day + 3600 + 1190, 60);
  ASSERT_EQ(source.requests.size(), 1u);
  EXPECT_EQ(source.requests[0], std::make_pair(day + 4800, day + 5399));

  source.requests.clear();
  EXPECT_EQ(store.EnsureBefore(day + 3700, 60), b);
  EXPECT_TRUE(source.requests.empty());
  store.EnsureBefore(day + 3630, 60);
  ASSERT_EQ(source.requests.size(), 1u);
  EXPECT_EQ(source.requests[0], std::make_pair(day + 3000, day + 3599));

  EXPECT_EQ(store.EnsureAfter(0, 60), nullptr);
  EXPECT_EQ(store.EnsureBefore(day - 5000, 60), nullptr);

  // Only up to the next block: 600..899 asked for, padded to 600 seconds.
  SampleStore two(kSourceServer, clock, &source);
  two.CreateBlocks(day, day + 599);
  two.CreateBlocks(day + 900, day + 1499);
  source.requests.clear();
  two.EnsureAfter(day + 590, 60);
  ASSERT_EQ(source.requests.size(), 1u);
  EXPECT_EQ(source.requests[0], std::make_pair(day + 600, day + 1199));
}

}  // namespace
}  // namespace tessaly
