#include "support/fake_http_get.h"

#include <algorithm>

namespace tessaly {

HttpResult FakeHttpGet::Get(const std::string& url, std::vector<char>& body, size_t maxBytes) {
  urls.push_back(url);
  maxBytesSeen.push_back(maxBytes);
  body.clear();
  HttpResult result;
  if (!replies_.empty()) {
    last_ = replies_.front();
    replies_.pop_front();
  } else if (!last_) {
    return result;
  }
  const Reply& reply = *last_;
  result.ok = reply.ok;
  result.status = reply.status;
  result.date = reply.date;
  if (reply.ok) {
    const size_t n = std::min(maxBytes, reply.body.size());
    body.assign(reply.body.begin(), reply.body.begin() + std::ptrdiff_t(n));
  }
  return result;
}

}  // namespace tessaly
