#pragma once

#include <cstdint>
#include <string>

namespace tessaly {

// "http://" + host + the data-request path and query for the stretch [s, e]
// of s's UTC day.
std::string BuildRequestUrl(const std::string& host, int64_t s, int64_t e);

}  // namespace tessaly
