#include "replay_launcher.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>

extern char** environ;

namespace tessaly::replay {

bool ReplayProcess::Start(const std::string& binary, const std::vector<std::string>& args,
                          std::string* error) {
  Stop();
  auto fail = [&](const std::string& why) {
    if (error) {
      *error = why;
    }
    Stop();
    return false;
  };

  int fds[2];
  if (pipe(fds) != 0) {
    return fail("pipe failed");
  }
  std::vector<std::string> all{binary};
  all.insert(all.end(), args.begin(), args.end());
  for (const char* a : {"--address", "127.0.0.1", "--port", "0"}) {
    all.emplace_back(a);
  }
  std::vector<char*> argv;
  for (std::string& a : all) {
    argv.push_back(a.data());
  }
  argv.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
  posix_spawn_file_actions_addclose(&actions, fds[0]);
  posix_spawn_file_actions_addclose(&actions, fds[1]);
  pid_t pid = -1;
  const int rc = posix_spawn(&pid, binary.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(fds[1]);
  output_ = fds[0];
  if (rc != 0) {
    return fail("cannot start " + binary + ": " + std::strerror(rc));
  }
  pid_ = pid;

  // Read the first line: "tessaly-replay listening on http://127.0.0.1:PORT".
  std::string line;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (line.find('\n') == std::string::npos) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) {
      return fail("no listening line from " + binary);
    }
    pollfd p{output_, POLLIN, 0};
    if (poll(&p, 1, int(left.count())) <= 0) {
      continue;
    }
    char buffer[256];
    const ssize_t n = read(output_, buffer, sizeof buffer);
    if (n <= 0) {
      return fail(binary + " ended before listening: " + line);
    }
    line.append(buffer, size_t(n));
  }
  const size_t colon = line.rfind(':', line.find('\n'));
  port_ = colon == std::string::npos ? 0 : std::atoi(line.c_str() + colon + 1);
  if (port_ <= 0) {
    return fail("unexpected first line: " + line);
  }
  return true;
}

void ReplayProcess::Stop() {
  if (pid_ > 0) {
    kill(pid_, SIGTERM);
    int status = 0;
    waitpid(pid_, &status, 0);
    pid_ = -1;
  }
  if (output_ >= 0) {
    close(output_);
    output_ = -1;
  }
  port_ = 0;
}

}  // namespace tessaly::replay
