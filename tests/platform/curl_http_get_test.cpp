// The libcurl adapter against tessaly-replay on 127.0.0.1.
#include "platform/curl/curl_http_get.h"

#include <gtest/gtest.h>

#include <unistd.h>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "http_reply_cases.h"
#include "replay_data.h"
#include "replay_launcher.h"
#include "samples/background_fetch.h"
#include "samples/server_source.h"
#include "samples/utc_time.h"
#include "support/fake_http_get.h"
#include "support/fixed_clock.h"

namespace tessaly {
namespace {

using replay::ReplayProcess;

class ReplayTest : public testing::Test {
 protected:
  void StartReplay(std::vector<std::string> args) {
    std::string error;
    ASSERT_TRUE(replay.Start(TESSALY_REPLAY_PATH, args, &error)) << error;
    store.SetServerHost(replay.host());
  }

  FixedClock clock{MakeUtc(2026, 1, 1, 0, 0, 0)};
  ReplayProcess replay;
  RecordingFailureSink sink;
  CurlHttpGet http{std::chrono::milliseconds(2000), std::chrono::milliseconds(5000)};
  ServerSource source{http, &sink};
  SampleStore store{kSourceServer, clock, &source};
};

TEST_F(ReplayTest, FillsTheStoreAcrossMidnightOverOneKeptAliveConnection) {
  const std::string log = testing::TempDir() + "replay-log." + std::to_string(getpid());
  std::remove(log.c_str());
  StartReplay({"--log", log});

  const int64_t from = MakeUtc(2020, 3, 5, 23, 55, 0);
  const int64_t to = MakeUtc(2020, 3, 6, 0, 5, 0);
  BlockPtr second = store.CreateBlocks(from, to);
  ASSERT_NE(second, nullptr);
  EXPECT_TRUE(sink.calls.empty());
  ASSERT_EQ(store.BlockCount(), 2u);
  BlockPtr first = store.FindBlock(from, false);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(second->dataEnd, MakeUtc(2020, 3, 6, 0, 9, 59));
  // An old stretch: the server's present is years later, nothing trimmed.
  EXPECT_GT(second->serverTime, MakeUtc(2024, 1, 1, 0, 0, 0));

  // Every sample is the replay's, gaps included.
  const std::vector<uint32_t> stations = replay::DefaultStations();
  ASSERT_EQ(first->stationCount, int(stations.size()));
  int gaps = 0;
  for (const BlockPtr& b : {first, second}) {
    for (int k = 0; k < b->stationCount; ++k) {
      ASSERT_EQ(b->stationIds[size_t(k)], stations[size_t(k)]);
      for (int64_t t = b->dataStart; t <= b->dataEnd; ++t) {
        const int expected = replay::GeneratedSample(stations[size_t(k)], t);
        ASSERT_EQ(b->Sample(k, t), expected) << "station " << stations[size_t(k)] << " at " << t;
        gaps += expected == 0 ? 1 : 0;
      }
    }
  }
  EXPECT_GT(gaps, 0);

  const std::vector<std::string> lines = ReplayLogLines(log, 2);
  ASSERT_NO_FATAL_FAILURE(ExpectTwoOnOneConnection(lines));
  EXPECT_NE(lines[0].find("stime=23%3A50%3A00&etime=23%3A59%3A59"), std::string::npos);
  EXPECT_NE(lines[1].find("day=6&stime=00%3A00%3A00&etime=00%3A09%3A59"), std::string::npos);
}

TEST_F(ReplayTest, EachFaultEndsInTheMessageAndNoBlock) {
  const int64_t from = MakeUtc(2020, 3, 5, 7, 0, 0);
  const std::string expected =
      "No data received from server for:\r\n2020-03-05 07:00:00 - 2020-03-05 07:09:59";
  // Each fault, and the cause the message's details give.
  const std::pair<const char*, const char*> faults[] = {
      {"500", "HTTP 500"},
      {"garbage", "The server's reply holds no samples"},
      {"count", "The server's reply holds no samples"},
      {"empty", "The server sent an empty reply"},
      {"truncated", "Transferred a partial file"},
      {"refused", "Connection refused"},
  };
  for (const auto& [fault, cause] : faults) {
    SCOPED_TRACE(fault);
    if (std::string(fault) == "refused") {
      replay.Stop();  // nobody listening any more
    } else {
      StartReplay({"--fault", fault});
    }
    sink = {};
    EXPECT_EQ(store.CreateBlocks(from, from + 599), nullptr);
    EXPECT_EQ(store.BlockCount(), 0u);
    EXPECT_EQ(sink.calls, (std::vector<std::string>{"stop", "message"}));
    ASSERT_EQ(sink.messages.size(), 1u);
    EXPECT_EQ(sink.messages[0], std::make_pair(expected, std::string("No data received")));
    ASSERT_EQ(sink.details.size(), 1u);
    EXPECT_NE(sink.details[0].find(cause), std::string::npos) << sink.details[0];
  }
}

TEST_F(ReplayTest, AServerThatHangsEndsWithinTheTimeOut) {
  StartReplay({"--fault", "slow", "--delay-ms", "60000"});
  CurlHttpGet quick(std::chrono::milliseconds(500), std::chrono::milliseconds(1000));
  ServerSource quickSource(quick, &sink);
  store.SetServerSource(&quickSource);
  const auto started = std::chrono::steady_clock::now();
  EXPECT_EQ(store.CreateBlocks(MakeUtc(2020, 3, 5, 7, 0, 0), MakeUtc(2020, 3, 5, 7, 9, 59)),
            nullptr);
  const auto took = std::chrono::steady_clock::now() - started;
  EXPECT_LT(took, std::chrono::seconds(5));
  EXPECT_GE(took, std::chrono::milliseconds(900));
  EXPECT_EQ(sink.messages.size(), 1u);
  ASSERT_EQ(sink.details.size(), 1u);
  EXPECT_EQ(sink.details[0].rfind("Timeout was reached", 0), 0u) << sink.details[0];

  // A fetch off the GUI thread, cancelled while the server stays silent (as
  // when the program closes), ends long before its time-out.
  CurlHttpGet patient(std::chrono::milliseconds(2000), std::chrono::milliseconds(60000));
  ServerSource patientSource(patient, &sink);
  auto fetch = std::make_unique<BackgroundFetch>(patientSource);
  ASSERT_TRUE(fetch->Start(store, MakeUtc(2020, 3, 5, 8, 0, 0), MakeUtc(2020, 3, 5, 8, 9, 59)));
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  EXPECT_EQ(fetch->Poll(), nullptr);
  EXPECT_TRUE(fetch->busy());
  const auto cancelled = std::chrono::steady_clock::now();
  fetch.reset();
  EXPECT_LT(std::chrono::steady_clock::now() - cancelled, std::chrono::seconds(5));
  EXPECT_EQ(sink.messages.size(), 1u);  // a cancelled fetch is no failure to report
}

TEST_F(ReplayTest, WholeRepliesUpToTheBoundAndAFailureBeyondIt) {
  StartReplay({"--now", kReplyCasesNow});
  ReplayProcess chunked;
  ASSERT_TRUE(chunked.Start(TESSALY_REPLAY_PATH, {"--now", kReplyCasesNow, "--fault", "chunked"}));
  CheckWholeReplies(http, {replay.host(), chunked.host()});

  // Through the store: half an hour of 100 stations with nine-digit ids is
  // about 1.8 MB, and every second arrives.
  std::string list = "100000001";
  for (uint32_t id = 100000002; id <= 100000100; ++id) {
    list += "," + std::to_string(id);
  }
  replay.Stop();
  StartReplay({"--stations", list});
  const int64_t from = MakeUtc(2020, 3, 5, 7, 0, 0);
  const BlockPtr block = store.CreateBlocks(from, from + 1800);
  ASSERT_NE(block, nullptr);
  EXPECT_TRUE(sink.calls.empty());
  EXPECT_EQ(block->dataEnd, from + 1800);
  ASSERT_EQ(block->stationCount, 100);
  for (int k = 0; k < block->stationCount; ++k) {
    for (int64_t t = from; t <= from + 1800; ++t) {
      ASSERT_EQ(block->Sample(k, t), replay::GeneratedSample(uint32_t(100000001 + k), t)) << t;
    }
  }
}

}  // namespace
}  // namespace tessaly
