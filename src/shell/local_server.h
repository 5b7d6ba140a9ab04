#pragma once

// The data server of a first start: while the configured host is the built-in
// loopback default and nothing answers there, the program starts the
// tessaly-replay beside it and stops it at exit, so a new user sees (generated)
// data at once. Another Tessaly uses the server it finds; when that one goes
// away, the next failed request starts one of this program's own.

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "samples/http_get.h"
#include "shell/program_core.h"

namespace tessaly {

// A server process this program started; destroying it stops the process.
class ServerProcess {
 public:
  virtual ~ServerProcess() = default;
  virtual bool Running() = 0;
};

// Starts the server and waits until it listens; nullptr when it could not
// start or ended first (as when another server holds the port).
using StartServer = std::function<std::unique_ptr<ServerProcess>()>;

// Whether host ("name[:port]") is the built-in default and on this machine:
// then the program may serve itself generated data.
bool IsBuiltInLoopbackHost(const std::string& host);

// The port of a host ("name[:port]"), "80" when it names none.
std::string PortOf(const std::string& host);

// The frame's title for the configured host: it never passes generated
// samples off as the network's.
std::string FrameTitle(const std::string& configuredHost);

class LocalServer {
 public:
  LocalServer(std::string host, StartServer start);
  ~LocalServer();
  LocalServer(const LocalServer&) = delete;
  LocalServer& operator=(const LocalServer&) = delete;

  const std::string& host() const { return host_; }
  // After a request to host() failed: starts this program's server unless it
  // runs already. true when a server was started (the request is worth repeating).
  bool StartAfterFailure();
  // Whether this program's own server runs.
  bool Serving();

 private:
  std::string host_;
  StartServer start_;
  std::mutex mutex_;  // requests come from the GUI and the live fetch's thread
  std::unique_ptr<ServerProcess> process_;
};

// HttpGet that asks `server` to start when a request to its host finds no
// answer, then asks once more.
class LocalServerHttpGet final : public HttpGet {
 public:
  LocalServerHttpGet(std::unique_ptr<HttpGet> inner, std::shared_ptr<LocalServer> server);
  HttpResult Get(const std::string& url, std::vector<char>& body, size_t maxBytes) override;
  // A cancelled request (the program is closing) starts nothing.
  void Cancel() override {
    cancelled_ = true;
    inner_->Cancel();
  }

 private:
  std::atomic<bool> cancelled_{false};
  std::unique_ptr<HttpGet> inner_;
  std::shared_ptr<LocalServer> server_;
};

// When the built-in host is on this machine, lets both of the program's
// connections start the server (with `start`) that a first start needs.
void ServeFirstStart(ProgramAdapters& adapters, StartServer start);

}  // namespace tessaly
