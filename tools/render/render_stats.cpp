// tessaly-render --stats: the network statistics of a stretch as a per-second
// table and a summary on stdout, on the same accumulator as the program.
#include "render_stats.h"

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>

#include "analysis/stats_table.h"
#include "samples/checked_file.h"
#include "samples/clock.h"
#include "samples/stats_store.h"
#include "samples/utc_time.h"

namespace tessaly {
namespace {

constexpr const char* kStatsHelp = R"(Usage: tessaly-render --from T --stats FILE.csv [options]

Writes the network statistics of every second of the stretch and prints its summary.

Options:
  --from T            first second, UTC, YYYY-MM-DDTHH:MM:SS (required)
  --seconds N         length, 1 to 604800 (7 days; default 60)
  --stats FILE        one row per second: UTC time,Stations,Z,Netvar,Devvar,CumDev
                      (a second without a station: Stations 0 and empty cells)
  --include-flagged   keep stations flagged stuck, biased or out of variance
  --source S          server (default) or pseudorandom (hours seeded with their first second)
  --host H[:P]        the data server (default: the built-in one)

Prints seconds, chi-square, df, p, z, device-chi-square, device-df, device-p and
excluded as "key: value" lines. Exits 0 when the table was written, 1 when the data
server failed or the file could not be written (nothing is left under its name), 2 for
bad arguments.
)";

constexpr int64_t kMaxStatsSeconds = 7 * 86400;
constexpr int64_t kLastTime = 253402300799;  // 9999-12-31 23:59:59, the last second shown

struct StatsOptions {
  int64_t from = 0;
  int64_t seconds = 60;
  std::string file;
  bool includeFlagged = false;
  int source = kSourceServer;
  std::string host = DefaultServerHost();
};

// Fills o from argv; an error text for the first bad argument.
std::optional<std::string> ParseStatsArguments(int argc, char** argv, StatsOptions& o, bool& help) {
  bool haveFrom = false;
  for (int i = 1; i < argc; ++i) {
    const std::string name = argv[i];
    if (name == "--help") {
      help = true;
      return std::nullopt;
    }
    if (name == "--include-flagged") {
      o.includeFlagged = true;
      continue;
    }
    if (i + 1 >= argc) {
      return "missing value after " + name;
    }
    const std::string value = argv[++i];
    bool ok = true;
    if (name == "--from") {
      const auto t = ParseTime(value);
      ok = haveFrom = t.has_value();
      o.from = t.value_or(0);
    } else if (name == "--seconds") {
      char* end = nullptr;
      o.seconds = std::strtoll(value.c_str(), &end, 10);
      ok = !value.empty() && *end == '\0' && o.seconds >= 1 && o.seconds <= kMaxStatsSeconds;
    } else if (name == "--stats") {
      o.file = value;
      ok = !value.empty();
    } else if (name == "--source") {
      ok = value == "server" || value == "pseudorandom";
      o.source = value == "pseudorandom" ? kSourcePseudorandom : kSourceServer;
    } else if (name == "--host") {
      o.host = value;
      ok = !value.empty();
    } else if (name == "--out" || name == "--csv" || name == "--png") {
      return name + " cannot be combined with --stats";
    } else {
      return "unknown option with --stats: " + name;
    }
    if (!ok) {
      return "bad value for " + name + ": " + value;
    }
  }
  if (!haveFrom) {
    return "--from is required";
  }
  if (o.from + o.seconds - 1 > kLastTime) {
    return "the stretch ends after 9999-12-31 23:59:59";
  }
  if (o.file.empty()) {
    return "--stats FILE is required with --include-flagged";
  }
  return std::nullopt;
}

}  // namespace

bool WantsStats(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    const std::string name = argv[i];
    if (name == "--stats" || name == "--include-flagged") {
      return true;
    }
  }
  return false;
}

int RunStats(int argc, char** argv, HttpGet& http, bool terminal) {
  StatsOptions o;
  bool help = false;
  if (const auto error = ParseStatsArguments(argc, argv, o, help)) {
    std::fprintf(stderr,
                 "tessaly-render: %s\n(tessaly-render --stats x --help lists the options)\n",
                 error->c_str());
    return 2;
  }
  if (help) {
    std::fputs(kStatsHelp, stdout);
    return 0;
  }
  const int64_t to = o.from + o.seconds - 1;
  SystemClock clock;
  StatsStore store(o.source, clock, &http, o.host);
  StretchSamples samples(o.from, to);
  std::string cause;
  const StreamResult streamed = store.Stream(
      o.from, to,
      [&](const SampleBlock& block) {
        samples.AddBlock(block);
        if (terminal) {
          const int64_t done = std::min(block.requestEnd, to) - o.from + 1;
          std::fprintf(stderr, "\r%3d %%", int(done * 100 / o.seconds));
        }
        return true;
      },
      &cause);
  if (terminal) {
    std::fprintf(stderr, "\n");
  }
  if (streamed != StreamResult::kDone) {
    std::fprintf(stderr, "tessaly-render: %s\n", cause.c_str());
    return 1;
  }
  const StretchResult result = ComputeStretch(samples, o.includeFlagged);
  CheckedFile file(o.file);
  std::string error;
  if (!file.Open(&error) || (WriteStatsCsv(file.stream(), result.network), !file.Commit(&error))) {
    std::fprintf(stderr, "tessaly-render: cannot write %s: %s\n", o.file.c_str(), error.c_str());
    return 1;
  }
  std::fputs(SummaryLines(result.network.Summary(), result.excluded).c_str(), stdout);
  return 0;
}

}  // namespace tessaly
