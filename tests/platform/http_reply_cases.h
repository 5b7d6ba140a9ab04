#pragma once

// The same replies through either HTTP adapter give the same answer: the whole
// reply, or, past the caller's bound, a failure that says so and no body.
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "replay_data.h"
#include "samples/http_get.h"
#include "samples/sample_block.h"
#include "samples/utc_time.h"

namespace tessaly {

// The present of the tessaly-replay servers the table runs against.
inline constexpr const char* kReplyCasesNow = "2020-03-06T12:00:00";

// hosts: tessaly-replay servers started with --now kReplyCasesNow, one with a
// Content-Length and one with "--fault chunked" (the length known only at the end).
inline void CheckWholeReplies(HttpGet& http, const std::vector<std::string>& hosts) {
  // 100 minutes of the default stations: about 1.5 MB, past the 1,000,000
  // bytes at which replies used to be cut.
  const int64_t from = MakeUtc(2020, 3, 5, 6, 0, 0);
  replay::GeneratedData data(replay::DefaultStations());
  const std::string whole =
      replay::FormatReply(data.Collect(from, from + 5999, MakeUtc(2020, 3, 6, 12, 0, 0)));
  ASSERT_GT(whole.size(), 1200000u);
  // The program's bound, one the reply just fits, one byte short, the old cut.
  const std::pair<size_t, bool> cases[] = {{size_t(kDownloadCapacity) - 1, true},
                                           {whole.size(), true},
                                           {whole.size() - 1, false},
                                           {1000000, false}};
  for (const std::string& host : hosts) {
    const std::string url = "http://" + host +
                            "/cgi-bin/zormdatareq.pl?z=1&year=2020&month=3&day=5&stime=06%3A00%3A00"
                            "&etime=07%3A39%3A59";
    for (const auto& [bound, ok] : cases) {
      SCOPED_TRACE(host + ", bound " + std::to_string(bound));
      std::vector<char> body(10, 'x');
      const HttpResult result = http.Get(url, body, bound);
      EXPECT_EQ(result.ok, ok) << result.error;
      if (ok) {
        EXPECT_EQ(result.status, 200);
        EXPECT_EQ(body.size(), whole.size());
        EXPECT_TRUE(std::string(body.begin(), body.end()) == whole);
        EXPECT_EQ(result.error, "");
      } else {
        EXPECT_TRUE(body.empty());
        EXPECT_EQ(result.error, ReplyTooLongError(bound));
      }
    }
  }
}

// The lines of a tessaly-replay log once it holds `count` (it logs a request
// after answering it), waited for a little.
inline std::vector<std::string> ReplayLogLines(const std::string& path, size_t count) {
  std::vector<std::string> lines;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  do {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    lines.clear();
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);) {
      lines.push_back(line);
    }
  } while (lines.size() < count && std::chrono::steady_clock::now() < deadline);
  return lines;
}

// The log of two requests: the program's user agent, and the same client
// ("127.0.0.1:PORT", a line's second word) twice, the connection kept alive.
inline void ExpectTwoOnOneConnection(const std::vector<std::string>& lines) {
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_NE(lines[0].find("\"Orvane Player 1.0\""), std::string::npos) << lines[0];
  const auto client = [](const std::string& line) {
    const size_t a = line.find(' ') + 1;
    return line.substr(a, line.find(' ', a) - a);
  };
  EXPECT_EQ(client(lines[0]), client(lines[1]));
}

}  // namespace tessaly
