#pragma once

// Starts tessaly-replay as a child process on a free loopback port, for the
// tests and benchmarks that talk to it. POSIX only.

#include <sys/types.h>
#include <string>
#include <vector>

namespace tessaly::replay {

class ReplayProcess {
 public:
  ReplayProcess() = default;
  ~ReplayProcess() { Stop(); }
  ReplayProcess(const ReplayProcess&) = delete;
  ReplayProcess& operator=(const ReplayProcess&) = delete;

  // Runs binary with args plus "--address 127.0.0.1 --port 0" and waits (up to
  // 10 s) for its "listening" line. false, with error set, when it did not come.
  bool Start(const std::string& binary, const std::vector<std::string>& args,
             std::string* error = nullptr);
  // Ends the process (SIGTERM, then waits for it).
  void Stop();

  int port() const { return port_; }
  // "127.0.0.1:port", the host part of request URLs.
  std::string host() const { return "127.0.0.1:" + std::to_string(port_); }

 private:
  pid_t pid_ = -1;
  int output_ = -1;
  int port_ = 0;
};

}  // namespace tessaly::replay
