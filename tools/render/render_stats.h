#pragma once

namespace tessaly {

// true when the command line asks for the network statistics (--stats, --include-flagged).
bool WantsStats(int argc, char** argv);
// tessaly-render --stats: the exit code (0 written, 1 server or file failure, 2 bad arguments).
int RunStats(int argc, char** argv);

}  // namespace tessaly
