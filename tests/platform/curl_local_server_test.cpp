// The data server of a first start, with the libcurl adapter and tessaly-replay.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "platform/curl/curl_http_get.h"
#include "platform/posix/posix_server_process.h"
#include "replay_launcher.h"
#include "samples/sample_store.h"
#include "shell/local_server.h"

namespace tessaly {
namespace {

TEST(LocalServer, AFirstStartServesItselfAndASecondProgramKeepsWorkingAfterTheFirstEnds) {
  std::string port;
  {
    replay::ReplayProcess probe;  // a free port: one a server picked and gave back
    ASSERT_TRUE(probe.Start(TESSALY_REPLAY_PATH, {}));
    port = std::to_string(probe.port());
  }
  const std::string host = "127.0.0.1:" + port;
  int starts = 0;
  const auto program = [&](const char* replay) {
    auto server = std::make_shared<LocalServer>(host, [&starts, port, replay] {
      ++starts;
      return StartPosixServer(replay, {"--port", port}, std::chrono::seconds(5));
    });
    return std::make_pair(
        server, std::make_unique<LocalServerHttpGet>(std::make_unique<CurlHttpGet>(), server));
  };
  const std::string url = "http://" + host +
                          "/cgi-bin/zormdatareq.pl?z=1&year=2020&month=3&day=5"
                          "&stime=07%3A00%3A00&etime=07%3A09%3A59";
  std::vector<char> body;

  auto first = program(TESSALY_REPLAY_PATH);
  EXPECT_TRUE(first.second->Get(url, body, 1 << 20).ok);
  EXPECT_EQ(starts, 1);
  EXPECT_TRUE(first.first->Serving());

  auto second = program(TESSALY_REPLAY_PATH);
  EXPECT_TRUE(second.second->Get(url, body, 1 << 20).ok);
  EXPECT_EQ(starts, 1);  // the first program's server answered
  EXPECT_FALSE(second.first->Serving());

  first = {};  // the first program ends, and its server with it
  EXPECT_TRUE(second.second->Get(url, body, 1 << 20).ok);
  EXPECT_EQ(starts, 2);
  EXPECT_TRUE(second.first->Serving());
  // Another host's failure is no reason to start anything.
  EXPECT_FALSE(second.second->Get("http://127.0.0.1:1/x", body, 100).ok);
  EXPECT_EQ(starts, 2);
  // A server that ends first (its port is taken) or never says it listens is
  // not used, and the wait ends with it or at the time-out.
  const auto started = std::chrono::steady_clock::now();
  EXPECT_EQ(StartPosixServer(TESSALY_REPLAY_PATH, {"--port", port}, std::chrono::seconds(5)),
            nullptr);
  EXPECT_EQ(StartPosixServer("/bin/sleep", {"30"}, std::chrono::milliseconds(300)), nullptr);
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(2));

  // Without a server to start, the failure is the request's own.
  second = {};
  auto bare = program("/nonexistent/tessaly-replay");
  const HttpResult failed = bare.second->Get(url, body, 1 << 20);
  EXPECT_FALSE(failed.ok);
  EXPECT_NE(failed.error.find("Connection refused"), std::string::npos) << failed.error;
  bare.second->Cancel();  // closing: a failed request starts nothing any more
  EXPECT_FALSE(bare.second->Get(url, body, 1 << 20).ok);
  EXPECT_EQ(starts, 3);

  // The title says when the data is generated at the built-in host.
  if (DefaultServerHost() == "127.0.0.1:8321") {
    EXPECT_EQ(FrameTitle("127.0.0.1:8321"), "Tessaly \xE2\x80\x94 generated data");
  }
  EXPECT_EQ(FrameTitle("127.0.0.1:9999"), "Tessaly");  // the user's own server
  EXPECT_EQ(FrameTitle("data.example.org"), "Tessaly");
}

}  // namespace
}  // namespace tessaly
