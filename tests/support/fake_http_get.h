#pragma once

#include <string>
#include <utility>
#include <vector>

#include "samples/http_get.h"
#include "samples/server_source.h"

namespace tessaly {

// Answers every GET with the same reply body and Date header.
class FakeHttpGet : public HttpGet {
 public:
  HttpResult Get(const std::string& url, std::vector<char>& body, size_t maxBytes) override {
    urls.push_back(url);
    if (reply.size() > maxBytes) {
      body.clear();
      return {false, 200, date, ReplyTooLongError(maxBytes)};
    }
    body.assign(reply.begin(), reply.end());
    return {true, 200, date, ""};
  }
  std::string reply;
  int64_t date = 0;
  std::vector<std::string> urls;  // every URL asked for, in order
};

// Records the failure path: every call in order, "stop" or "message".
class RecordingFailureSink : public ServerFailureSink {
 public:
  void StopPlayingViews() override { calls.push_back("stop"); }
  void ShowMessage(const std::string& text, const std::string& caption,
                   const std::string& detail) override {
    calls.push_back("message");
    messages.emplace_back(text, caption);
    details.push_back(detail);
  }
  std::vector<std::string> calls;
  std::vector<std::pair<std::string, std::string>> messages;
  std::vector<std::string> details;
};

}  // namespace tessaly
