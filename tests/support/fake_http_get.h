#pragma once

#include <algorithm>
#include <deque>
#include <string>
#include <utility>
#include <vector>

#include "samples/http_get.h"
#include "samples/server_source.h"

namespace tessaly {

// Answers GETs from a queue of canned replies (the last one repeats when the
// queue runs dry; none at all is a failure) and records what was asked.
class FakeHttpGet : public HttpGet {
 public:
  struct Reply {
    bool ok = true;
    std::string body;
    int64_t date = 0;
    long status = 200;
  };
  void Push(Reply reply) { replies_.push_back(std::move(reply)); }
  void PushBody(std::string body, int64_t date = 0) { Push({true, std::move(body), date, 200}); }

  HttpResult Get(const std::string& url, std::vector<char>& body, size_t maxBytes) override {
    urls.push_back(url);
    maxBytesSeen.push_back(maxBytes);
    body.clear();
    if (replies_.size() > 1 || (!replies_.empty() && !served_)) {
      if (served_) {
        replies_.pop_front();
      }
      served_ = true;
    }
    HttpResult result;
    if (!served_) {
      return result;
    }
    const Reply& r = replies_.front();
    result.ok = r.ok;
    result.status = r.status;
    result.date = r.date;
    if (r.ok) {
      body.assign(r.body.begin(),
                  r.body.begin() + std::ptrdiff_t(std::min(maxBytes, r.body.size())));
    }
    return result;
  }

  std::vector<std::string> urls;
  std::vector<size_t> maxBytesSeen;

 private:
  std::deque<Reply> replies_;  // the front one is the last served once served_
  bool served_ = false;
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
