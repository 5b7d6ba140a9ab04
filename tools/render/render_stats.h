#pragma once

#include "samples/http_get.h"

namespace tessaly {

// true when the command line asks for the network statistics (--stats, --include-flagged).
bool WantsStats(int argc, char** argv);
// tessaly-render --stats over the platform's http: the exit code (0 written,
// 1 server or file failure, 2 bad arguments). terminal: progress on stderr.
int RunStats(int argc, char** argv, HttpGet& http, bool terminal);

}  // namespace tessaly
