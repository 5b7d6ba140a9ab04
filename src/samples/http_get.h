#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tessaly {

// What one GET brought besides its body.
struct HttpResult {
  bool ok = false;    // the request opened and the whole body (up to the cap) was read
  long status = 0;    // HTTP status; not examined by the server source
  int64_t date = 0;   // the reply's Date header as UTC seconds, 0 when absent or unreadable
  std::string error;  // when not ok: why, in the HTTP client's words ("Connection refused")
};

// One blocking HTTP GET. Implementations keep their connection alive between
// calls, so consecutive requests to the same server reuse it.
class HttpGet {
 public:
  virtual ~HttpGet() = default;
  // Replaces body with the reply's first maxBytes bytes; a longer reply is cut
  // there and still counts as read. A connect or read failure, or a time-out,
  // gives ok = false.
  virtual HttpResult Get(const std::string& url, std::vector<char>& body, size_t maxBytes) = 0;
  // Safe from any thread: a Get in progress on another thread, and every later
  // one, fails soon instead of waiting for its time-outs. For shutting down a
  // fetch that runs on a thread of its own.
  virtual void Cancel() {}
};

}  // namespace tessaly
