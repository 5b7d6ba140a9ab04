#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tessaly {

// What one GET brought besides its body.
struct HttpResult {
  bool ok = false;    // the request opened and the whole body was read
  long status = 0;    // HTTP status; not examined by the server source
  int64_t date = 0;   // the reply's Date header as UTC seconds, 0 when absent or unreadable
  std::string error;  // when not ok: why, in the HTTP client's words ("Connection refused")
};

// Every adapter's words for a reply past the caller's bound.
inline std::string ReplyTooLongError(size_t maxBytes) {
  return "The server's reply is longer than " + std::to_string(maxBytes) + " bytes";
}

// One blocking HTTP GET. Implementations keep their connection alive between
// calls, so consecutive requests to the same server reuse it.
class HttpGet {
 public:
  virtual ~HttpGet() = default;
  // Replaces body with the whole reply. A reply longer than maxBytes, a connect
  // or read failure, or a time-out gives ok = false and an empty body: a cut
  // reply parsed as if complete would show its missing seconds as silence.
  virtual HttpResult Get(const std::string& url, std::vector<char>& body, size_t maxBytes) = 0;
  // Safe from any thread: a Get in progress on another thread, and every later
  // one, fails soon instead of waiting for its time-outs. For shutting down a
  // fetch that runs on a thread of its own.
  virtual void Cancel() {}
};

}  // namespace tessaly
