#include "samples/server_source.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "samples/station_table.h"
#include "support/fake_http_get.h"

namespace tessaly {
namespace {

constexpr int64_t k0700 = 1583391600;  // 2020-03-05 07:00:00 UTC

std::string Header(int64_t start, int64_t end, int64_t count) {
  return "11,2," + std::to_string(start) + "\n11,3," + std::to_string(end) + "\n11,4," +
         std::to_string(count) + "\n";
}

std::string IdLine(const std::vector<uint32_t>& ids) {
  std::string line = "12," + std::to_string(ids.size()) + ",ids";
  for (uint32_t id : ids) {
    line += ',';
    line += std::to_string(id);
  }
  return line + "\n";
}

std::string DataLine(int64_t t, const std::vector<int>& values) {
  std::string line = "13," + std::to_string(t) + ",x";
  for (int v : values) {
    line += ",";
    if (v >= 0) {
      line += std::to_string(v);
    }
  }
  return line + "\n";
}

// A block holding exactly the reply's bytes, with no terminating NUL, so a
// read past the text shows up under AddressSanitizer.
SampleBlock BlockWithReply(const std::string& text) {
  SampleBlock block;
  block.downloadBuffer.assign(text.begin(), text.end());
  block.downloadSize = int32_t(text.size());
  return block;
}

TEST(ParseReply, ReadsTimesIdsAndSamplesInFieldOrder) {
  const std::string text = "10,some banner\n" + Header(k0700, k0700 + 2, 3) +
                           IdLine({1, 37, 4242}) + DataLine(k0700, {101, 99, 150}) +
                           DataLine(k0700 + 1, {98, 102, 1}) + DataLine(k0700 + 2, {199, 100, 7});
  SampleBlock b = BlockWithReply(text);
  ASSERT_EQ(ParseReply(b), 3);
  EXPECT_EQ(b.dataStart, k0700);
  EXPECT_EQ(b.dataEnd, k0700 + 2);
  EXPECT_EQ(b.secondCount, 3);
  ASSERT_EQ(b.stationCount, 3);
  EXPECT_EQ(b.stationIds[2], 4242u);
  EXPECT_EQ(b.Sample(1, k0700 + 1), 102);
  EXPECT_EQ(b.Sample(2, k0700 + 1), 1);
  EXPECT_EQ(b.Sample(0, k0700 + 2), 199);
  EXPECT_EQ(b.Sample(2, k0700 + 2), 7);
}

TEST(ParseReply, RejectsBadCountsBoundsAndSectionOrder) {
  const std::string ids = IdLine({1});
  const std::string data = DataLine(k0700, {100});
  const std::string t = std::to_string(k0700);
  const std::vector<std::pair<const char*, std::string>> cases = {
      {"count one off", Header(k0700, k0700 + 9, 11) + ids + data},
      {"start 0", Header(0, 9, 10) + ids + data},
      {"header without a third field", "11,2\n11,3,5\n11,4,5\n" + ids + data},
      // Two billion seconds would size the sample array in gigabytes.
      {"huge count", Header(1, 2000000000, 2000000000) + ids + data},
      {"end before start", Header(k0700, k0700 - 5, 0) + ids + data},
      // A 32-bit difference that matches while the real stretch is 2^32 seconds longer.
      {"aliased", Header(k0700, k0700 + 4294967296 + 9, 10) + ids + data},
      {"just over a day", Header(k0700, k0700 + 86400, 86401) + ids + data},
      {"end before start line", "11,3," + t + "\n11,2," + t + "\n11,4,1\n" + ids + data},
      {"no data line", Header(k0700, k0700, 1) + ids},
      {"no id line", Header(k0700, k0700, 1) + data},
      {"empty", ""},
  };
  for (const auto& [name, text] : cases) {
    SCOPED_TRACE(name);
    SampleBlock b = BlockWithReply(text);
    EXPECT_EQ(ParseReply(b), 0);
    if (std::string(name) == "huge count") {
      EXPECT_TRUE(b.values.empty());  // nothing sized in gigabytes
    }
  }
}

// Replies as servers send them: a table of text and the samples it must give,
// as (station column, second offset, sample).
TEST(ParseReply, OddButValidReplies) {
  const std::string t0 = std::to_string(k0700);
  const std::string t1 = std::to_string(k0700 + 1);
  std::vector<uint32_t> many;
  std::vector<int> values;
  for (int i = 1; i <= 300; ++i) {
    many.push_back(uint32_t(i));
    values.push_back(i % 200);
  }
  many.resize(150);
  struct Case {
    const char* name;
    std::string text;
    int rows;
    std::vector<std::array<int, 3>> samples;
  };
  const Case cases[] = {
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
      // Empty middle field; a line ending after one station; more fields than
      // stations and junk after digits; three lines for four seconds.
      {"empty and missing fields",
       Header(k0700, k0700 + 3, 4) + IdLine({1, 2, 3}) + DataLine(k0700, {100, -1, 102}) + "13," +
           t1 + ",x,55\n" + "13,t,x,7abc,8,9,10,11\n",
       3,
       {{0, 0, 100},
        {1, 0, 0},
        {2, 0, 102},
        {0, 1, 55},
        {1, 1, 0},
        {2, 1, 0},
        {0, 2, 7},
        {2, 2, 9},
        {0, 3, 0}}},
      // Lines after the first "13" count whatever they begin with; the last
      // line has no LF; a line beyond the count is not read.
      {"every line a second",
       Header(k0700, k0700 + 2, 3) + IdLine({1}) + DataLine(k0700, {1}) + "junk,a,b,2\n" +
           "99,a,b,3\n" + "13,a,b,4",
       3,
       {{0, 1, 2}, {0, 2, 3}}},
      {"at most 100 stations and 200 values",
       Header(k0700, k0700, 1) + IdLine(many) + DataLine(k0700, values),
       1,
       {{99, 0, 100}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SampleBlock b = BlockWithReply(c.text);
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

// ---- fetching ----

class SteppedClock : public Clock {
 public:
  int64_t Now() const override { return now; }
  int64_t now = k0700 + 3600;
};

class FetchTest : public testing::Test {
 protected:
  FetchTest() {
    store.onUnknownStation = [this](uint32_t id, const std::string& text) {
      unknownTexts.push_back(text);
      unknownIds.push_back(id);
    };
  }

  // A block as CreateBlocks makes it for [start, end].
  SampleBlock NewBlock(int64_t start, int64_t end) {
    SampleBlock b;
    b.requestStart = start;
    b.requestEnd = end;
    b.downloadCapacity = kDownloadCapacity;
    b.requestUrl = "http://data.example/req";
    return b;
  }

  SteppedClock clock;
  FakeHttpGet http;
  RecordingFailureSink sink;
  ServerSource source{http, &sink};
  SampleStore store{kSourceServer, clock, &source};
  std::vector<std::string> unknownTexts;
  std::vector<uint32_t> unknownIds;
};

// Stations reporting per second; each reporting station has sample 100.
std::string ReplyWithCounts(int64_t start, const std::vector<int>& counts, int stations) {
  std::vector<uint32_t> ids;
  for (int k = 0; k < stations; ++k) {
    ids.push_back(uint32_t(k + 1));
  }
  std::string text =
      Header(start, start + int64_t(counts.size()) - 1, int64_t(counts.size())) + IdLine(ids);
  for (size_t j = 0; j < counts.size(); ++j) {
    std::vector<int> values(size_t(stations), -1);
    for (int k = 0; k < counts[j]; ++k) {
      values[size_t(k)] = 100;
    }
    text += DataLine(start + int64_t(j), values);
  }
  return text;
}

TEST_F(FetchTest, TrimsAtTheFirstDropOfMoreThanThreeStationsNearThePresent) {
  const std::vector<int> counts = {60, 60, 59, 55, 55, 20, 60};
  const int64_t end = k0700 + 599;
  // No Date header: always near the present.
  http.PushBody(ReplyWithCounts(k0700, counts, 60));
  SampleBlock recent = NewBlock(k0700, end);
  ASSERT_TRUE(FetchServerBlock(store, recent, http, &sink));
  EXPECT_EQ(recent.dataEnd, k0700 + 2);
  EXPECT_EQ(recent.secondCount, 7);
  EXPECT_EQ(recent.Sample(0, k0700 + 3), 0);  // past the end now
  EXPECT_TRUE(recent.downloadBuffer.empty());

  // The server's clock nine minutes after the end: still recent.
  http.PushBody(ReplyWithCounts(k0700, counts, 60), end + 599);
  SampleBlock nineMinutes = NewBlock(k0700, end);
  ASSERT_TRUE(FetchServerBlock(store, nineMinutes, http, &sink));
  EXPECT_EQ(nineMinutes.dataEnd, k0700 + 2);

  // Ten minutes after: old enough to be complete, kept whole.
  http.PushBody(ReplyWithCounts(k0700, counts, 60), end + 600);
  SampleBlock old = NewBlock(k0700, end);
  ASSERT_TRUE(FetchServerBlock(store, old, http, &sink));
  EXPECT_EQ(old.serverTime, end + 600);
  EXPECT_EQ(old.dataEnd, k0700 + 6);
  EXPECT_TRUE(sink.calls.empty());

  // Drops of three, and gains, do not trim.
  http.PushBody(ReplyWithCounts(k0700, {10, 7, 4, 1, 50, 47}, 60));
  SampleBlock small = NewBlock(k0700, end);
  ASSERT_TRUE(FetchServerBlock(store, small, http, &sink));
  EXPECT_EQ(small.dataEnd, k0700 + 5);
}

TEST_F(FetchTest, FailureStopsPlayingViewsThenShowsTheMessage) {
  const std::string expected =
      "No data received from server for:\r\n2020-03-05 07:00:00 - 2020-03-05 07:09:59";
  const std::vector<FakeHttpGet::Reply> failures = {
      {false, "", 0, 0},                                     // no connection
      {true, "", 0, 200},                                    // empty body
      {true, "<html>Internal Server Error</html>", 0, 500},  // an error page
      {true, Header(k0700, k0700 + 1, 3) + IdLine({1}) + DataLine(k0700, {1}), 0, 200},
  };
  for (const auto& reply : failures) {
    http.Push(reply);
    sink.calls.clear();
    sink.messages.clear();
    SampleBlock b = NewBlock(k0700, k0700 + 599);
    EXPECT_FALSE(FetchServerBlock(store, b, http, &sink)) << reply.body;
    EXPECT_EQ(sink.calls, (std::vector<std::string>{"stop", "message"}));
    ASSERT_EQ(sink.messages.size(), 1u);
    EXPECT_EQ(sink.messages[0].first, expected);
    EXPECT_EQ(sink.messages[0].second, "No data received");
    EXPECT_TRUE(b.downloadBuffer.empty());
  }
  EXPECT_TRUE(unknownIds.empty());
}

TEST_F(FetchTest, RegistersUnknownStationsOnceInColumnOrder) {
  // Known ids with three the table lacks in between.
  const std::vector<uint32_t> ids = {1, 33, 34, 900001, 37, 100, 900003, 101, 900002};
  const std::string reply =
      Header(k0700, k0700, 1) + IdLine(ids) + DataLine(k0700, std::vector<int>(ids.size(), 100));

  http.PushBody(reply);
  SampleBlock first = NewBlock(k0700, k0700 + 599);
  ASSERT_TRUE(FetchServerBlock(store, first, http, &sink));
  EXPECT_EQ(unknownIds, (std::vector<uint32_t>{900001, 900003, 900002}));
  EXPECT_EQ(unknownTexts,
            (std::vector<std::string>{"900001 - Unknown", "900003 - Unknown", "900002 - Unknown"}));
  EXPECT_EQ(store.unknownCount, 3);
  EXPECT_EQ(FindStationRow(store, 900003), int(StationTable().size()) + 1);

  SampleBlock again = NewBlock(k0700, k0700 + 599);
  ASSERT_TRUE(FetchServerBlock(store, again, http, &sink));
  EXPECT_EQ(unknownIds.size(), 3u);

  // An empty id field keeps its column but names no station.
  http.PushBody("11,2,1\n11,3,1\n11,4,1\n12,3,ids,,900004,900005\n13,1,x,5,6,7\n");
  SampleBlock gap = NewBlock(k0700, k0700 + 599);
  ASSERT_TRUE(FetchServerBlock(store, gap, http, &sink));
  EXPECT_EQ(gap.stationCount, 2);
  EXPECT_EQ(unknownIds, (std::vector<uint32_t>{900001, 900003, 900002, 900004}));
}

TEST_F(FetchTest, StoreFillsItselfAndDropsFailedBlocks) {
  store.SetServerHost("127.0.0.1:8321");
  http.PushBody(ReplyWithCounts(k0700, std::vector<int>(600, 5), 5), k0700 + 3600);
  BlockPtr b = store.CreateBlocks(k0700, k0700 + 9);
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(b->dataStart, k0700);
  EXPECT_EQ(b->dataEnd, k0700 + 599);
  EXPECT_EQ(store.GetValue(k0700 + 300, 3), 100);
  ASSERT_EQ(http.urls.size(), 1u);
  EXPECT_EQ(http.urls[0],
            "http://127.0.0.1:8321/cgi-bin/zormdatareq.pl?z=1&year=2020&month=3&day=5"
            "&stime=07%3A00%3A00&etime=07%3A09%3A59");
  EXPECT_EQ(http.maxBytesSeen[0], size_t(kDownloadCapacity - 1));  // room for the NUL

  http.Push({false, "", 0, 0});
  EXPECT_EQ(store.CreateBlocks(k0700 + 600, k0700 + 1199), nullptr);
  EXPECT_EQ(store.BlockCount(), 1u);
  EXPECT_EQ(sink.messages.size(), 1u);
}

}  // namespace
}  // namespace tessaly
