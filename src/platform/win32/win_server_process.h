#pragma once

// ServerProcess on Windows: a child process in a job that ends with the
// program (also when it is ended from outside), whose standard output says
// when it listens.

#include <chrono>
#include <memory>
#include <string>

#include "shell/local_server.h"

namespace tessaly {

// Runs program (a full path) with the command-line arguments and waits (up to
// `wait`) for "listening" on its standard output. nullptr when it could not
// start, ended first or stayed silent (then it is stopped).
std::unique_ptr<ServerProcess> StartWindowsServer(const std::wstring& program,
                                                  const std::wstring& arguments,
                                                  std::chrono::milliseconds wait);

}  // namespace tessaly
