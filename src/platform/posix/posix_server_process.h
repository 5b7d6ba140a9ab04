#pragma once

// ServerProcess on POSIX: a child process whose standard output says when it
// listens.

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "shell/local_server.h"

namespace tessaly {

// Runs program with args and waits (up to `wait`) for a line containing
// "listening" on its standard output. nullptr when it could not start, ended
// first or stayed silent (then it is stopped).
std::unique_ptr<ServerProcess> StartPosixServer(const std::string& program,
                                                const std::vector<std::string>& args,
                                                std::chrono::milliseconds wait);

}  // namespace tessaly
