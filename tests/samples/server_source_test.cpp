#include "samples/server_source.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "samples/station_table.h"
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

class FetchTest : public testing::Test {
 protected:
  FetchTest() {
    store.onUnknownStation = [this](uint32_t id, const std::string& text) {
      unknown.push_back(std::to_string(id) + ": " + text);
    };
  }
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
  std::vector<std::string> unknown;
};

// Stations reporting per second; each reporting station has sample 100.
std::string ReplyWithCounts(const std::vector<int>& counts, int stations) {
  std::vector<int64_t> ids;
  for (int k = 1; k <= stations; ++k) {
    ids.push_back(k);
  }
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

}  // namespace
}  // namespace tessaly
