#pragma once

// "File" -> "Data Server...": what the user types is checked here, the "Test"
// request made and summed up here; applying a host is CMainDialog's
// ChangeServerHost. The front ends only show the dialog.

#include <cstdint>
#include <string>
#include <string_view>

namespace tessaly {

class Clock;
class HttpGet;

inline constexpr const char* kDataServerTitle = "Data Server";

// A typed "host[:port]", checked.
struct ServerHostCheck {
  std::string host;   // when ok: the host as requests name it (the port without leading zeros)
  std::string error;  // why the text is no host[:port], for the user; empty when ok
  bool ok() const { return error.empty(); }
};
// A host name (letters, digits, hyphens, dot-separated labels) or an IPv4
// address, then optionally ":" and a port from 1 to 65535. Nothing else may
// reach a request URL.
ServerHostCheck CheckServerHost(std::string_view typed);

struct ServerTestResult {
  bool ok = false;         // the server delivered samples
  int stations = 0;        // how many stations it reported
  int64_t serverTime = 0;  // its Date header, 0 when it sent none
  std::string text;        // the summary for the user, or why it failed
};
// One request to the typed server for the ten minutes that end ten minutes
// before now (recent enough to hold every station that reports). Touches no
// store.
ServerTestResult TestDataServer(HttpGet& http, const Clock& clock, std::string_view typed);

// What OK did.
struct ServerChange {
  bool applied = false;  // the host is in use (the dialog may close)
  std::string message;   // to show the user; empty when all went well
};

}  // namespace tessaly
