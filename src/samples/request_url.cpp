#include "samples/request_url.h"

#include <cstdio>

#include "samples/utc_time.h"

namespace tessaly {

std::string BuildRequestUrl(const std::string& host, int64_t s, int64_t e) {
  const UtcFields a = BreakDownUtc(s);
  const UtcFields b = BreakDownUtc(e);
  char query[256];
  std::snprintf(query, sizeof query,
                "/cgi-bin/zormdatareq.pl?z=1&year=%.4d&month=%d&day=%d"
                "&stime=%.2d%%3A%.2d%%3A%.2d&etime=%.2d%%3A%.2d%%3A%.2d",
                a.year, a.month, a.day, a.hour, a.minute, a.second, b.hour, b.minute, b.second);
  return "http://" + host + query;
}

}  // namespace tessaly
