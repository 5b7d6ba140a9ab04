#pragma once

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "samples/http_get.h"

namespace tessaly {

struct WinInetShared;

// HttpGet over WinINet. One internet session for the object's life, so WinINet
// keeps the connection to the data server alive between requests. Not
// thread-safe: one instance per thread (Cancel excepted).
class WinInetHttpGet final : public HttpGet {
 public:
  static constexpr std::chrono::milliseconds kDefaultConnectTimeout{10000};
  static constexpr std::chrono::milliseconds kDefaultTotalTimeout{60000};
  static constexpr const char* kUserAgent = "Orvane Player 1.0";

  // A server that accepts but never answers must not freeze the program: a
  // request ends as a failure once either time-out has passed.
  explicit WinInetHttpGet(std::chrono::milliseconds connectTimeout = kDefaultConnectTimeout,
                          std::chrono::milliseconds totalTimeout = kDefaultTotalTimeout);
  ~WinInetHttpGet() override;
  WinInetHttpGet(const WinInetHttpGet&) = delete;
  WinInetHttpGet& operator=(const WinInetHttpGet&) = delete;

  HttpResult Get(const std::string& url, std::vector<char>& body, size_t maxBytes) override;
  // The Get in progress, and every later one, returns "Cancelled" at once.
  void Cancel() override;

 private:
  std::shared_ptr<WinInetShared> shared_;  // with the threads of requests in progress
  void* session_ = nullptr;                // HINTERNET
  std::string openError_;                  // why the session could not be opened
  std::chrono::milliseconds connectTimeout_;
  std::chrono::milliseconds totalTimeout_;
};

}  // namespace tessaly
