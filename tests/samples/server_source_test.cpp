#include "samples/server_source.h"

#include <gtest/gtest.h>

#include <array>
#include <numeric>
#include <string>
#include <tuple>
#include <vector>

#include "samples/background_fetch.h"
#include "samples/station_table.h"
#include "samples/utc_time.h"
#include "support/fake_http_get.h"
#include "support/fixed_clock.h"

namespace tessaly {
namespace {

constexpr int64_t k0700 = 1583391600;  // 2020-03-05 07:00:00 UTC

std::string Header(int64_t start, int64_t end, int64_t count) {
  return "11,2," + std::to_string(start) + "\n11,3," + std::to_string(end) + "\n11,4," +
         std::to_string(count) + "\n";
}

std::string Line(const std::string& head, const std::vector<int64_t>& fields) {
  std::string line = head;
  for (int64_t v : fields) {
    line += v >= 0 ? "," + std::to_string(v) : ",";
  }
  return line + "\n";
}
std::string IdLine(const std::vector<int64_t>& ids) {
  return Line("12," + std::to_string(ids.size()) + ",ids", ids);
}
std::string DataLine(int64_t t, const std::vector<int64_t>& values) {
  return Line("13," + std::to_string(t) + ",x", values);
}

// Replies as servers send them: a table of text and the samples it must give,
// as (station column, second offset, sample).
TEST(ParseReply, OddButValidReplies) {
  const std::string t0 = std::to_string(k0700);
  const std::string t1 = std::to_string(k0700 + 1);
  std::vector<int64_t> many(150), values(300);
  std::iota(many.begin(), many.end(), 1);
  for (size_t i = 0; i < values.size(); ++i) {
    values[i] = int64_t(i + 1) % 200;
  }
  // Empty middle field; a line ending after one station; more fields than
  // stations and junk after digits; three lines for four seconds.
  const std::vector<std::array<int, 3>> gaps = {{0, 0, 100}, {1, 0, 0}, {2, 0, 102},
                                                {0, 1, 55},  {1, 1, 0}, {2, 1, 0},
                                                {0, 2, 7},   {2, 2, 9}, {0, 3, 0}};
  struct Case {
    const char* name;
    std::string text;
    int rows;
    std::vector<std::array<int, 3>> samples;
  };
  const Case cases[] = {
      {"plain, with a banner",
       "10,banner\n" + Header(k0700, k0700 + 2, 3) + IdLine({1, 37, 4242}) +
           DataLine(k0700, {101, 99, 150}) + DataLine(k0700 + 1, {98, 102, 1}) +
           DataLine(k0700 + 2, {199, 100, 7}),
       3,
       {{1, 1, 102}, {2, 1, 1}, {0, 2, 199}, {2, 2, 7}}},
      {"leading lines, a second start line ignored",
       "<html>\n11,9,77\n11,2," + t0 + "\n11,2,999\n11,3," + t1 + "\n11,2,5\n11,4,2\n" +
           IdLine({1, 2}) + DataLine(k0700, {10, 20}) + DataLine(k0700 + 1, {11, 21}),
       2,
       {{1, 1, 21}, {0, 0, 10}}},
      {"CR LF line ends",
       "11,2," + t0 + "\r\n11,3," + t1 +
           "\r\n11,4,2\r\n12,2,ids,5,6\r\n13,1,x,1,2\r\n13,2,x,3,4\r\n",
       2,
       {{1, 1, 4}, {0, 0, 1}}},
      {"empty and missing fields",
       Header(k0700, k0700 + 3, 4) + IdLine({1, 2, 3}) + DataLine(k0700, {100, -1, 102}) + "13," +
           t1 + ",x,55\n" + "13,t,x,7abc,8,9,10,11\n",
       3, gaps},
      // Lines after the first "13" count whatever they begin with; the last
      // line has no LF; a line beyond the count is not read.
      {"every line a second",
       Header(k0700, k0700 + 2, 3) + IdLine({1}) + DataLine(k0700, {1}) + "junk,a,b,2\n" +
           "99,a,b,3\n" + "13,a,b,4",
       3,
       {{0, 1, 2}, {0, 2, 3}}},
      {"a count of a whole day",
       Header(k0700, k0700 + 86399, 86400) + IdLine({1}) + DataLine(k0700, {5}),
       1,
       {{0, 0, 5}, {0, 86399, 0}}},
      {"at most 100 stations and 200 values",
       Header(k0700, k0700, 1) + IdLine(many) + DataLine(k0700, values),
       1,
       {{99, 0, 100}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SampleBlock b;  // exactly the reply's bytes, no NUL: a read past them shows under ASan
    b.downloadBuffer.assign(c.text.begin(), c.text.end());
    b.downloadSize = int32_t(c.text.size());
    ASSERT_EQ(ParseReply(b), c.rows);
    EXPECT_EQ(b.dataStart, k0700);
    EXPECT_LE(b.stationCount, 100);
    for (const auto& [column, offset, sample] : c.samples) {
      EXPECT_EQ(b.Sample(column, k0700 + offset), sample) << column << " " << offset;
    }
  }
}

TEST(ReplyScanners, StopAtTheEndOfTheText) {
  const std::string text = "a\n11,2,5\n\n11,3";
  const char* begin = text.data();
  const char* end = begin + text.size();
  EXPECT_EQ(FindLine("11,3", begin, end), begin + 10);
  EXPECT_EQ(FindLine("11,3", begin, end - 1), nullptr);  // the prefix runs past the end
  int64_t value = -1;
  EXPECT_FALSE(ParseHeaderNumber(begin + 10, end, value));
  // The third field may be cut by the end of the text.
  const std::string cut = "11,2,12345";
  EXPECT_TRUE(ParseHeaderNumber(cut.data(), cut.data() + 7, value));
  EXPECT_EQ(value, 12);
  uint32_t out[4] = {9, 9, 9, 9};
  const std::string list = "13,a,b,1,,3x,\n4";
  EXPECT_EQ(ParseNumberList(list.data(), list.data() + list.size(), std::span(out, 2)), 2);
  EXPECT_EQ(out[2], 9u);
}

class FetchTest : public testing::Test {
 protected:
  // Fetches a block as CreateBlocks makes it for [start, end] from the reply.
  SampleBlock Fetch(const std::string& reply, int64_t date = 0, bool ok = true) {
    http.reply = reply;
    http.date = date;
    SampleBlock b;
    b.requestStart = k0700;
    b.requestEnd = k0700 + 599;
    b.downloadCapacity = kDownloadCapacity;
    b.requestUrl = "http://data.example/req";
    EXPECT_EQ(FetchServerBlock(store, b, http, &sink), ok);
    EXPECT_TRUE(b.downloadBuffer.empty());
    return b;
  }

  FixedClock clock{k0700 + 3600};
  FakeHttpGet http;
  RecordingFailureSink sink;
  ServerSource source{http, &sink};
  SampleStore store{kSourceServer, clock, &source};
};

// Stations reporting per second; each reporting station has sample 100.
std::string ReplyWithCounts(const std::vector<int>& counts, int stations) {
  std::vector<int64_t> ids(static_cast<size_t>(stations));
  std::iota(ids.begin(), ids.end(), 1);
  std::string text =
      Header(k0700, k0700 + int64_t(counts.size()) - 1, int64_t(counts.size())) + IdLine(ids);
  for (size_t j = 0; j < counts.size(); ++j) {
    std::vector<int64_t> values(size_t(stations), -1);
    std::fill_n(values.begin(), counts[j], 100);
    text += DataLine(k0700 + int64_t(j), values);
  }
  return text;
}

TEST_F(FetchTest, TrimsAtTheFirstDropOfMoreThanThreeStationsNearThePresent) {
  const std::string reply = ReplyWithCounts({60, 60, 59, 55, 55, 20, 60}, 60);
  const int64_t end = k0700 + 599;
  // No Date header: always near the present; nine minutes after the end: still recent.
  for (int64_t date : {int64_t(0), end + 599}) {
    const SampleBlock recent = Fetch(reply, date);
    EXPECT_EQ(recent.dataEnd, k0700 + 2);
    EXPECT_EQ(recent.secondCount, 7);
    EXPECT_EQ(recent.Sample(0, k0700 + 3), 0);  // past the end now
  }
  // Ten minutes after: old enough to be complete, kept whole.
  const SampleBlock old = Fetch(reply, end + 600);
  EXPECT_EQ(old.serverTime, end + 600);
  EXPECT_EQ(old.dataEnd, k0700 + 6);
  // Drops of three, and gains, do not trim.
  EXPECT_EQ(Fetch(ReplyWithCounts({10, 7, 4, 1, 50, 47}, 60)).dataEnd, k0700 + 5);
  EXPECT_TRUE(sink.calls.empty());
}

// Replies near the present that hold no new second: nothing new yet, which
// is no failure to report and no block to keep.
TEST_F(FetchTest, RepliesWithNothingNewAreNoFailure) {
  const int64_t start = k0700 + 600;
  const std::string empty = Header(start, start - 1, 0) + IdLine({1, 2});
  const std::string blank = Header(start, start + 1, 2) + IdLine({1, 2}) +
                            DataLine(start, {-1, -1}) + DataLine(start + 1, {-1, -1});
  for (const std::string& reply : {empty, blank}) {
    const SampleBlock b = Fetch(reply, k0700 + 600);
    EXPECT_TRUE(HoldsNothingNew(b));
    EXPECT_EQ(store.AddBlock(std::make_shared<SampleBlock>(b), true), nullptr);
  }
  EXPECT_TRUE(sink.calls.empty());
  EXPECT_EQ(store.failedFetches(), 0);
  // Long past, an empty stretch is a stretch without samples; a count of 0
  // that does not match the times is still unusable.
  EXPECT_FALSE(HoldsNothingNew(Fetch(blank, start + 1 + 600)));
  Fetch(Header(start, start, 0) + IdLine({1}), k0700 + 600, false);
  EXPECT_EQ(sink.calls, (std::vector<std::string>{"stop", "message"}));
}

// A live reply: its seconds that a block already holds fill that block's empty
// cells (a station reporting late); only the seconds after it make a new block.
// Live requests name exactly what they want, also just before midnight.
TEST_F(FetchTest, LiveRepliesFillLateCellsAndAskOnlyForWhatIsNew) {
  // Station 2 has not reported the last four of ten seconds yet.
  std::string reply = Header(k0700, k0700 + 9, 10) + IdLine({1, 2});
  for (int64_t j = 0; j < 10; ++j) {
    reply += DataLine(k0700 + j, {100 + j, j < 6 ? 50 + j : -1});
  }
  http.reply = reply;
  const BlockPtr first = store.CreateBlocks(k0700, k0700 + 9);
  ASSERT_TRUE(first);
  EXPECT_TRUE(store.HasLateStation(k0700, k0700 + 9));
  EXPECT_FALSE(store.HasLateStation(k0700, k0700 + 5));
  EXPECT_FALSE(store.HasLateStation(k0700 + 7, k0700 + 9));  // 2 does not report there

  reply = Header(k0700 + 5, k0700 + 14, 10) + IdLine({2, 1});
  for (int64_t j = 5; j < 15; ++j) {
    reply += DataLine(k0700 + j, {50 + j, j == 7 ? -1 : 100 + j});
  }
  http.reply = reply;
  BackgroundFetch fetch(source);
  ASSERT_TRUE(fetch.Start(store, k0700 + 5, k0700 + 14));
  fetch.Wait();
  const BlockPtr added = fetch.Poll();
  ASSERT_TRUE(added);
  EXPECT_EQ(http.urls.back().substr(http.urls.back().find('?')),
            "?z=1&year=2020&month=3&day=5&stime=07%3A00%3A05&etime=07%3A00%3A14");
  EXPECT_EQ(store.BlockCount(), 2u);
  EXPECT_EQ(added->dataStart, k0700 + 10);
  EXPECT_EQ(added->secondCount, 5);
  EXPECT_EQ(fetch.lateFirst(), k0700 + 6);
  EXPECT_EQ(fetch.lateLast(), k0700 + 9);
  for (int64_t j = 0; j < 15; ++j) {
    EXPECT_EQ(store.GetValue(k0700 + j, 1), 100 + j) << j;
    EXPECT_EQ(store.GetValue(k0700 + j, 2), 50 + j) << j;
  }
  EXPECT_EQ(first->Sample(1, k0700 + 9), 59);  // in the block the views already hold

  // Nothing after what the store holds: the late cells only, no block.
  http.reply = Header(k0700 + 10, k0700 + 11, 2) + IdLine({1, 2}) +
               DataLine(k0700 + 10, {110, 60}) + DataLine(k0700 + 11, {111, 61});
  ASSERT_TRUE(fetch.Start(store, k0700 + 10, k0700 + 11));
  fetch.Wait();
  EXPECT_EQ(fetch.Poll(), nullptr);
  EXPECT_EQ(store.BlockCount(), 2u);
  EXPECT_GT(fetch.lateFirst(), fetch.lateLast());

  // Ten seconds before midnight to ten after: up to midnight, not padded back;
  // the one second after midnight alone.
  http.reply.clear();
  for (const auto& [from, to, query] : {
           std::tuple{MakeUtc(2020, 3, 5, 23, 59, 50), MakeUtc(2020, 3, 6, 0, 0, 10),
                      "?z=1&year=2020&month=3&day=5&stime=23%3A59%3A50&etime=23%3A59%3A59"},
           std::tuple{MakeUtc(2020, 3, 6, 0, 0, 0), MakeUtc(2020, 3, 6, 0, 0, 0),
                      "?z=1&year=2020&month=3&day=6&stime=00%3A00%3A00&etime=00%3A00%3A00"},
       }) {
    ASSERT_TRUE(fetch.Start(store, from, to));
    fetch.Wait();
    fetch.Poll();
    EXPECT_EQ(http.urls.back().substr(http.urls.back().find('?')), query);
  }
}

}  // namespace
}  // namespace tessaly
