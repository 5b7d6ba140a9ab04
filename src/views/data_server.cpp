#include "views/data_server.h"

#include <algorithm>
#include <cctype>

#include "samples/clock.h"
#include "samples/sample_store.h"
#include "samples/server_source.h"
#include "samples/utc_time.h"

namespace tessaly {
namespace {

constexpr size_t kMaxHostLength = 253;
constexpr size_t kMaxLabelLength = 63;

bool IsHostName(std::string_view name) {
  if (name.empty() || name.size() > kMaxHostLength) {
    return false;
  }
  size_t start = 0;
  while (start <= name.size()) {
    const size_t dot = std::min(name.find('.', start), name.size());
    const std::string_view label = name.substr(start, dot - start);
    if (label.empty() || label.size() > kMaxLabelLength || label.front() == '-' ||
        label.back() == '-') {
      return false;
    }
    for (const char c : label) {
      if (!std::isalnum(static_cast<unsigned char>(c)) && c != '-') {
        return false;
      }
    }
    start = dot + 1;
  }
  return true;
}

// 1..65535 without sign or blanks; 0 when it is none.
int ParsePort(std::string_view text) {
  if (text.empty() || text.size() > 5) {
    return 0;
  }
  int port = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') {
      return 0;
    }
    port = port * 10 + (c - '0');
  }
  return port <= 65535 ? port : 0;
}

}  // namespace

ServerHostCheck CheckServerHost(std::string_view typed) {
  ServerHostCheck check;
  if (typed.empty()) {
    check.error =
        "Please type the data server's host name or address, with \":port\" when it is not 80 "
        "(for example data.example.org or 127.0.0.1:8321).";
    return check;
  }
  for (const char c : typed) {
    if (static_cast<unsigned char>(c) <= ' ') {
      check.error = "The host may not contain spaces.";
      return check;
    }
  }
  if (typed.find('/') != std::string_view::npos) {
    check.error = "Type only the host and its port, without \"http://\" or a path.";
    return check;
  }
  const size_t colon = typed.find(':');
  const std::string_view name = typed.substr(0, colon);
  if (colon != std::string_view::npos && typed.find(':', colon + 1) != std::string_view::npos) {
    check.error = "\"" + std::string(typed) + "\" is not a host with an optional :port.";
    return check;
  }
  if (!IsHostName(name)) {
    check.error = "\"" + std::string(name) +
                  "\" is not a host name: use letters, digits, hyphens and dots "
                  "(for example data.example.org).";
    return check;
  }
  check.host = std::string(name);
  if (colon != std::string_view::npos) {
    const int port = ParsePort(typed.substr(colon + 1));
    if (port == 0) {
      check.error = "The port after \":\" must be a number from 1 to 65535.";
      check.host.clear();
      return check;
    }
    check.host += ":" + std::to_string(port);
  }
  return check;
}

ServerTestResult TestDataServer(HttpGet& http, const Clock& clock, std::string_view typed) {
  ServerTestResult result;
  const ServerHostCheck check = CheckServerHost(typed);
  if (!check.ok()) {
    result.text = check.error;
    return result;
  }
  // A store of its own builds the request as the program's would, and keeps
  // the test's stations out of the lists.
  SampleStore probe(kSourceServer, clock);
  probe.SetServerHost(check.host);
  const int64_t now = clock.Now();
  const std::shared_ptr<SampleBlock> block = probe.NewBlock(now - 1200, now - 600);
  if (!block) {
    result.text = "The clock of this computer is outside the times the server can be asked for.";
    return result;
  }
  const FetchOutcome outcome = FetchServerReply(*block, http);
  result.ok = outcome.ok;
  result.serverTime = block->serverTime;
  result.stations = outcome.ok ? block->stationCount : 0;
  const std::string time = result.serverTime != 0
                               ? " Its time: " + FormatTime(result.serverTime) + " UTC."
                               : " It sent no time.";
  if (outcome.ok) {
    result.text = "The server reported " + std::to_string(result.stations) +
                  (result.stations == 1 ? " station." : " stations.") + time;
  } else {
    result.text = "No data from " + check.host + ": " + outcome.cause + ".";
    if (result.serverTime != 0) {
      result.text += time;
    }
  }
  return result;
}

}  // namespace tessaly
