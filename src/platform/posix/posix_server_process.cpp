#include "platform/posix/posix_server_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

extern char** environ;

namespace tessaly {
namespace {

class PosixServerProcess final : public ServerProcess {
 public:
  PosixServerProcess(pid_t pid, int output) : pid_(pid), output_(output) {}
  ~PosixServerProcess() override {
    if (Running()) {
      kill(pid_, SIGTERM);
      while (waitpid(pid_, nullptr, 0) < 0 && errno == EINTR) {
      }
    }
    close(output_);  // kept open until now: a write to a closed pipe would end the server
  }
  bool Running() override {
    if (ended_) {
      return false;
    }
    ended_ = waitpid(pid_, nullptr, WNOHANG) == pid_;
    return !ended_;
  }

 private:
  pid_t pid_;
  int output_;
  bool ended_ = false;
};

}  // namespace

std::unique_ptr<ServerProcess> StartPosixServer(const std::string& program,
                                                const std::vector<std::string>& args,
                                                std::chrono::milliseconds wait) {
  int pipeFds[2];
  if (pipe2(pipeFds, O_CLOEXEC) != 0) {
    return nullptr;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
  std::vector<std::string> words{program};
  words.insert(words.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& word : words) {
    argv.push_back(word.data());
  }
  argv.push_back(nullptr);
  pid_t pid = -1;
  const int spawned = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(pipeFds[1]);
  if (spawned != 0) {
    close(pipeFds[0]);
    return nullptr;
  }
  auto process = std::make_unique<PosixServerProcess>(pid, pipeFds[0]);
  std::string said;
  const auto deadline = std::chrono::steady_clock::now() + wait;
  while (said.find("listening") == std::string::npos) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    pollfd ready{pipeFds[0], POLLIN, 0};
    if (left.count() <= 0 || poll(&ready, 1, int(left.count())) <= 0) {
      return nullptr;  // silent: stopped on the way out
    }
    char text[256];
    const ssize_t n = read(pipeFds[0], text, sizeof text);
    if (n <= 0) {
      return nullptr;  // ended without listening
    }
    said.append(text, size_t(n));
  }
  return process;
}

}  // namespace tessaly
