#include "shell/local_server.h"

#include <utility>

#include "samples/sample_store.h"

namespace tessaly {

bool IsBuiltInLoopbackHost(const std::string& host) {
  if (host != DefaultServerHost()) {
    return false;
  }
  const std::string name = host.substr(0, host.rfind(':'));
  return name == "127.0.0.1" || name == "localhost";
}

std::string PortOf(const std::string& host) {
  const size_t colon = host.rfind(':');
  return colon == std::string::npos ? "80" : host.substr(colon + 1);
}

std::string FrameTitle(const std::string& configuredHost) {
  return IsBuiltInLoopbackHost(configuredHost) ? "Tessaly \xE2\x80\x94 generated data" : "Tessaly";
}

LocalServer::LocalServer(std::string host, StartServer start)
    : host_(std::move(host)), start_(std::move(start)) {}

LocalServer::~LocalServer() = default;

bool LocalServer::StartAfterFailure() {
  std::lock_guard lock(mutex_);
  if (process_ && process_->Running()) {
    return false;  // ours answers; the failure has another cause
  }
  process_.reset();
  if (start_) {
    process_ = start_();
  }
  return process_ != nullptr;
}

bool LocalServer::Serving() {
  std::lock_guard lock(mutex_);
  return process_ && process_->Running();
}

LocalServerHttpGet::LocalServerHttpGet(std::unique_ptr<HttpGet> inner,
                                       std::shared_ptr<LocalServer> server)
    : inner_(std::move(inner)), server_(std::move(server)) {}

HttpResult LocalServerHttpGet::Get(const std::string& url, std::vector<char>& body,
                                   size_t maxBytes) {
  HttpResult result = inner_->Get(url, body, maxBytes);
  const std::string prefix = "http://" + server_->host() + "/";
  if (!result.ok && !cancelled_ && url.compare(0, prefix.size(), prefix) == 0 &&
      server_->StartAfterFailure()) {
    result = inner_->Get(url, body, maxBytes);
  }
  return result;
}

void ServeFirstStart(ProgramAdapters& adapters, StartServer start) {
  if (!IsBuiltInLoopbackHost(DefaultServerHost())) {
    return;
  }
  auto server = std::make_shared<LocalServer>(DefaultServerHost(), std::move(start));
  adapters.http = std::make_unique<LocalServerHttpGet>(std::move(adapters.http), server);
  adapters.liveHttp = std::make_unique<LocalServerHttpGet>(std::move(adapters.liveHttp), server);
}

}  // namespace tessaly
