// The WinINet adapter under Wine against tessaly-replay servers on 127.0.0.1,
// which with_replays.sh starts for this test and names in TESSALY_REPLAY_*.
#include "platform/wininet/wininet_http_get.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "http_reply_cases.h"
#include "platform/win32/win_server_process.h"
#include "platform/wintext/win_text.h"
#include "samples/background_fetch.h"
#include "samples/server_source.h"
#include "samples/utc_time.h"
#include "shell/local_server.h"
#include "support/fake_http_get.h"
#include "support/fixed_clock.h"

namespace tessaly {
namespace {

using std::chrono::milliseconds;
using SteadyClock = std::chrono::steady_clock;

std::string Env(const std::string& name) {
  const char* value = std::getenv(name.c_str());
  return value == nullptr ? "" : value;
}

// Ten minutes on each side of midnight: two requests, or the first one failing.
// (The replies' bodies are checked byte for byte below.)
TEST(WinInetHttpGet, DataRequestsAndEachFault) {
  const int64_t from = MakeUtc(2020, 3, 5, 23, 55, 0);
  const std::pair<const char*, const char*> cases[] = {
      {"GOOD", nullptr},
      {"ERROR500", "HTTP 500"},
      {"TRUNCATED", "The server's reply ended after "},
      {"HANG", "(WinINet error 12002)"},  // timed out
      {"GONE", "(WinINet error 12029)"},  // cannot connect
  };
  for (const auto& [server, detail] : cases) {
    SCOPED_TRACE(server);
    const std::string host = Env(std::string("TESSALY_REPLAY_") + server);
    ASSERT_FALSE(host.empty());
    FixedClock clock(MakeUtc(2026, 1, 1, 0, 0, 0));
    RecordingFailureSink sink;
    // A short total time-out, so the server that hangs costs a second.
    WinInetHttpGet http(milliseconds(2000), milliseconds(1000));
    ServerSource source(http, &sink);
    SampleStore store(kSourceServer, clock, &source);
    store.SetServerHost(host);
    const auto started = SteadyClock::now();
    const BlockPtr last = store.CreateBlocks(from, from + 600);
    EXPECT_LT(SteadyClock::now() - started, std::chrono::seconds(5));
    if (detail != nullptr) {
      EXPECT_EQ(last, nullptr);
      EXPECT_EQ(store.BlockCount(), 0u);
      ASSERT_EQ(sink.details.size(), 1u);
      EXPECT_NE(sink.details[0].find(detail), std::string::npos) << sink.details[0];
      continue;
    }
    EXPECT_TRUE(sink.messages.empty());
    ASSERT_EQ(store.BlockCount(), 2u);
    ASSERT_NE(store.FindBlock(from, false), nullptr);
    ASSERT_NE(last, nullptr);
    EXPECT_EQ(last->serverTime, MakeUtc(2020, 3, 6, 12, 0, 0));  // the Date header

    // Wine maps Z: to /.
    ExpectTwoOnOneConnection(ReplayLogLines("Z:" + Env("TESSALY_REPLAY_DIR") + "/good.log", 2));
  }
}

// As when the program closes while the live fetch waits on a silent server.
TEST(WinInetHttpGet, CancelEndsAHangingRequestAtOnceAndEveryLaterOne) {
  FixedClock clock(MakeUtc(2026, 1, 1, 0, 0, 0));
  RecordingFailureSink sink;
  WinInetHttpGet http(milliseconds(2000), milliseconds(60000));
  ServerSource source(http, &sink);
  SampleStore store(kSourceServer, clock, &source);
  store.SetServerHost(Env("TESSALY_REPLAY_HANG"));
  auto fetch = std::make_unique<BackgroundFetch>(source);
  ASSERT_TRUE(fetch->Start(store, MakeUtc(2020, 3, 5, 8, 0, 0), MakeUtc(2020, 3, 5, 8, 9, 59)));
  std::this_thread::sleep_for(milliseconds(500));
  EXPECT_TRUE(fetch->busy());
  const auto cancelled = SteadyClock::now();
  fetch.reset();
  EXPECT_LT(SteadyClock::now() - cancelled, std::chrono::seconds(2));
  EXPECT_TRUE(sink.messages.empty());  // a cancelled fetch is no failure to report

  std::vector<char> body;
  const HttpResult later =
      http.Get("http://" + Env("TESSALY_REPLAY_GOOD") + "/cgi-bin/zormdatareq.pl", body, 1000);
  EXPECT_FALSE(later.ok);
  EXPECT_EQ(later.error, "Cancelled");
}

#ifdef TESSALY_REPLAY_EXE
// The first start's data server as the Windows program starts it, on a port
// nobody listens on.
TEST(WinInetHttpGet, AFirstStartServesItselfUntilTheProgramEnds) {
  const std::string host = Env("TESSALY_REPLAY_GONE");
  std::wstring replay = L"Z:" + Widen(TESSALY_REPLAY_EXE);
  std::replace(replay.begin(), replay.end(), L'/', L'\\');
  auto server = std::make_shared<LocalServer>(host, [&] {
    return StartWindowsServer(replay, L"--address 127.0.0.1 --port " + Widen(PortOf(host)),
                              std::chrono::seconds(10));
  });
  auto http = std::make_unique<LocalServerHttpGet>(
      std::make_unique<WinInetHttpGet>(milliseconds(2000), milliseconds(5000)), server);
  const std::string url = "http://" + host +
                          "/cgi-bin/zormdatareq.pl?z=1&year=2020&month=3&day=5"
                          "&stime=07%3A00%3A00&etime=07%3A09%3A59";
  std::vector<char> body;
  EXPECT_TRUE(http->Get(url, body, 1 << 20).ok);
  EXPECT_TRUE(server->Serving());
  http.reset();
  server.reset();  // the program ends, and its server with it
  WinInetHttpGet plain(milliseconds(2000), milliseconds(5000));
  EXPECT_FALSE(plain.Get(url, body, 1 << 20).ok);
}
#endif

TEST(WinInetHttpGet, WholeRepliesUpToTheBoundAndAFailureBeyondIt) {
  WinInetHttpGet http(milliseconds(2000), milliseconds(10000));
  CheckWholeReplies(http, {Env("TESSALY_REPLAY_WHOLE"), Env("TESSALY_REPLAY_CHUNKED")});
}

}  // namespace
}  // namespace tessaly
