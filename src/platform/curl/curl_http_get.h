#pragma once

#include <atomic>
#include <chrono>
#include <memory>
#include <string>

#include "samples/http_get.h"

namespace tessaly {

// HttpGet over one libcurl easy handle. Reusing the handle keeps the
// connection to the data server alive between requests. Not thread-safe: one
// instance per thread (Cancel excepted).
class CurlHttpGet final : public HttpGet {
 public:
  static constexpr std::chrono::milliseconds kDefaultConnectTimeout{10000};
  static constexpr std::chrono::milliseconds kDefaultTotalTimeout{60000};
  static constexpr const char* kUserAgent = "Orvane Player 1.0";

  // A server that accepts but never answers must not freeze the program:
  // both time-outs end the request as a failure.
  explicit CurlHttpGet(std::chrono::milliseconds connectTimeout = kDefaultConnectTimeout,
                       std::chrono::milliseconds totalTimeout = kDefaultTotalTimeout);
  ~CurlHttpGet() override;
  CurlHttpGet(const CurlHttpGet&) = delete;
  CurlHttpGet& operator=(const CurlHttpGet&) = delete;

  HttpResult Get(const std::string& url, std::vector<char>& body, size_t maxBytes) override;
  void Cancel() override { cancelled_.store(true); }

 private:
  std::atomic<bool> cancelled_{false};
  struct Handle;
  std::unique_ptr<Handle> handle_;
  std::chrono::milliseconds connectTimeout_;
  std::chrono::milliseconds totalTimeout_;
};

// An RFC 1123 (or other HTTP) date as UTC seconds; 0 when it cannot be read.
int64_t ParseHttpDate(const std::string& text);

}  // namespace tessaly
