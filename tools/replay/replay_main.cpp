// tessaly-replay: a loopback HTTP server that answers data requests
//   GET /cgi-bin/zormdatareq.pl?z=1&year=Y&month=M&day=D&stime=HH%3AMM%3ASS&etime=HH%3AMM%3ASS
// with generated or recorded samples, for the tests, the benchmarks and for
// playing data offline. See kHelp for the options and the data.
#include <httplib.h>
#ifndef _WIN32
#include <sys/socket.h>
#endif

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <ctime>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "replay_data.h"

namespace {

using namespace tessaly::replay;

constexpr const char* kHelp = R"(Usage: tessaly-replay [options]

Answers GET /cgi-bin/zormdatareq.pl?z=1&year=Y&month=M&day=D&stime=HH%3AMM%3ASS&etime=HH%3AMM%3ASS
with a data reply ("11,2" first second, "11,3" last second, "11,4" count, "12" station
ids, one "13" line per second) and a Date header. Prints
"tessaly-replay listening on http://ADDRESS:PORT" once it accepts connections.

Options:
  --address A     address to listen on (default 127.0.0.1)
  --port N        port (default 8321; 0 picks a free one, printed at start)
  --stations L    comma-separated station ids of the generated data (default: 60 ids of
                  the station table, from 1 to 2002)
  --data DIR      serve recorded daily files DIR/YYYY-MM-DD.csv instead of generated data:
                  a "12" line with the ids from its fourth field on, and "13,<UTC second>,
                  <anything>,<samples...>" lines (an empty field is a missing sample);
                  a saved reply is such a file. Seconds without a line are missing; a day
                  without a file has no data.
  --log FILE      append one line per request: time, client address:port (the same port
                  on consecutive lines means a reused keep-alive connection), method,
                  target, status, body bytes, "user agent"
  --now T         the simulated present, UTC seconds or YYYY-MM-DDTHH:MM:SS (default: the
                  system clock). Seconds after it are not served; station s reports a
                  second only once it is lag(s) seconds old, lag(s) one of 0, 10 .. 50 s,
                  so the last seconds before it have fewer stations. Also the Date header.
  --clock-offset N  the present runs N seconds ahead of the system clock (negative:
                  behind); with --now, ahead of that. Also the Date header.
  --late L        stations that report late: "ID:SECONDS,..." (e.g. 37:120,110:30); a
                  station's samples of the last SECONDS before the present are missing,
                  so they appear later
  --fault MODE    answer every data request wrongly, for tests:
                    slow       wait --delay-ms, then answer normally
                    500        an HTTP 500 error page
                    garbage    4096 bytes of noise
                    count      a "11,4" count one too high
                    empty      an empty body
                    truncated  a Content-Length of the whole reply, half of it, then a close
                    chunked    the right reply in chunks, with no Content-Length
  --delay-ms N    the wait of --fault slow (default 5000)
  --help          this text

Generated data, a pure function of station id and second t:
  - each station is silent for one 10-minute stretch in 50, the stretches shifted by a
    per-station offset of 0..599 s so that outages do not line up;
  - besides, 3 seconds in 1000 of each station are missing at random;
  - otherwise the sample is the number of one-bits among 200 bits hashed (splitmix64)
    from (id, t): binomial around 100, standard deviation about 7, held to 1..199.
  Every run on every machine serves the same samples.
)";

struct Options {
  std::string address = "127.0.0.1";
  int port = 8321;
  std::vector<uint32_t> stations = DefaultStations();
  std::string dataDir;
  std::string logPath;
  int64_t now = 0;
  int64_t clockOffset = 0;
  std::map<uint32_t, int64_t> late;
  std::string fault;
  int delayMs = 5000;
};

bool ParseOptions(int argc, char** argv, Options& o, bool& help) {
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    std::string value;
    const size_t eq = arg.find('=');
    if (eq != std::string::npos) {
      value = arg.substr(eq + 1);
      arg.resize(eq);
    }
    if (arg == "--help" || arg == "-h") {
      help = true;
      return true;
    }
    static const char* const kValued[] = {"--address",      "--port", "--stations", "--data",
                                          "--log",          "--now",  "--fault",    "--delay-ms",
                                          "--clock-offset", "--late"};
    if (std::find(std::begin(kValued), std::end(kValued), arg) == std::end(kValued)) {
      std::fprintf(stderr, "tessaly-replay: unknown option %s (see --help)\n", arg.c_str());
      return false;
    }
    if (eq == std::string::npos) {
      if (i + 1 >= argc) {
        std::fprintf(stderr, "tessaly-replay: %s needs a value\n", arg.c_str());
        return false;
      }
      value = argv[++i];
    }
    bool good = true;
    if (arg == "--address") {
      o.address = value;
    } else if (arg == "--port") {
      const auto p = ParseTimeArgument(value);
      good = p && *p <= 65535;
      o.port = good ? int(*p) : 0;
    } else if (arg == "--stations") {
      const auto ids = ParseStationList(value);
      good = ids.has_value();
      o.stations = good ? *ids : o.stations;
    } else if (arg == "--data") {
      o.dataDir = value;
    } else if (arg == "--log") {
      o.logPath = value;
    } else if (arg == "--now") {
      const auto t = ParseTimeArgument(value);
      good = t && *t > 0;
      o.now = good ? *t : 0;
    } else if (arg == "--clock-offset") {
      const bool negative = !value.empty() && value[0] == '-';
      const auto d = ParseTimeArgument(negative ? value.substr(1) : value);
      good = d && *d <= 86400 * 365;
      o.clockOffset = good ? (negative ? -*d : *d) : 0;
    } else if (arg == "--late") {
      const auto late = ParseLateList(value);
      good = late.has_value();
      o.late = good ? *late : o.late;
    } else if (arg == "--fault") {
      good = value == "slow" || value == "500" || value == "garbage" || value == "count" ||
             value == "empty" || value == "truncated" || value == "chunked";
      o.fault = value;
    } else if (arg == "--delay-ms") {
      const auto d = ParseTimeArgument(value);
      good = d && *d <= 3600000;
      o.delayMs = good ? int(*d) : 0;
    }
    if (!good) {
      std::fprintf(stderr, "tessaly-replay: bad value for %s: %s\n", arg.c_str(), value.c_str());
      return false;
    }
  }
  return true;
}

std::string Garbage() {
  std::string text(4096, '\0');
  uint64_t x = 0x243F6A8885A308D3ull;
  for (char& c : text) {
    x ^= x << 13;
    x ^= x >> 7;
    x ^= x << 17;
    c = char(x & 0xFF);
  }
  return text;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  bool help = false;
  if (!ParseOptions(argc, argv, options, help)) {
    return 2;
  }
  if (help) {
    std::fputs(kHelp, stdout);
    return 0;
  }

  std::unique_ptr<DataSet> data;
  if (options.dataDir.empty()) {
    data = std::make_unique<GeneratedData>(options.stations);
  } else {
    data = std::make_unique<RecordedData>(options.dataDir);
  }
  data->SetLate(options.late);

  std::FILE* log = nullptr;
  if (!options.logPath.empty()) {
    log = std::fopen(options.logPath.c_str(), "a");
    if (!log) {
      std::fprintf(stderr, "tessaly-replay: cannot open log %s\n", options.logPath.c_str());
      return 1;
    }
  }
  std::mutex logMutex;

  // A slow answer waits here; stopping the server releases it.
  std::mutex stopMutex;
  std::condition_variable stopSignal;
  bool stopping = false;

  auto now = [&]() -> int64_t {
    return (options.now > 0 ? options.now : int64_t(std::time(nullptr))) + options.clockOffset;
  };

  httplib::Server server;
#ifndef _WIN32
  // One server to a port: the library's SO_REUSEPORT would let a second one
  // (another data set) share the port's connections at random.
  server.set_socket_options([](int sock) {
    const int yes = 1;
    setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
  });
#endif
  server.set_keep_alive_max_count(1000);
  server.set_keep_alive_timeout(30);
  server.set_logger([&](const httplib::Request& req, const httplib::Response& res) {
    if (!log) {
      return;
    }
    std::lock_guard lock(logMutex);
    std::fprintf(log, "%lld %s:%d %s %s %d %zu \"%s\"\n",
                 static_cast<long long>(std::time(nullptr)), req.remote_addr.c_str(),
                 req.remote_port, req.method.c_str(), req.target.c_str(), res.status,
                 res.body.size(), req.get_header_value("User-Agent").c_str());
    std::fflush(log);
  });

  server.Get("/cgi-bin/zormdatareq.pl", [&](const httplib::Request& req, httplib::Response& res) {
    const int64_t present = now();
    res.set_header("Date", FormatHttpDate(present));
    const auto range = ParseRequest(req.get_param_value("year"), req.get_param_value("month"),
                                    req.get_param_value("day"), req.get_param_value("stime"),
                                    req.get_param_value("etime"));
    if (!range) {
      res.status = 400;
      res.set_content("Bad request\n", "text/plain");
      return;
    }
    const std::string& fault = options.fault;
    if (fault == "slow") {
      std::unique_lock lock(stopMutex);
      stopSignal.wait_for(lock, std::chrono::milliseconds(options.delayMs),
                          [&] { return stopping; });
    }
    if (fault == "500") {
      res.status = 500;
      res.set_content(
          "<html><head><title>500 Internal Server Error</title></head>"
          "<body><h1>Internal Server Error</h1></body></html>\n",
          "text/html");
      return;
    }
    if (fault == "garbage") {
      res.set_content(Garbage(), "application/octet-stream");
      return;
    }
    if (fault == "empty") {
      res.set_content("", "text/plain");
      return;
    }
    // The present limits what is served, as the network's own server is limited.
    const Stretch stretch = data->Collect(range->start, range->end, present);
    auto text = std::make_shared<std::string>(FormatReply(stretch, fault == "count" ? 1 : 0));
    if (fault == "truncated") {
      res.set_content_provider(text->size(), "text/plain",
                               [text](size_t, size_t, httplib::DataSink& sink) {
                                 sink.write(text->data(), text->size() / 2);
                                 return false;  // drops the connection mid-body
                               });
      return;
    }
    if (fault == "chunked") {
      // As a script that writes as it goes: the client learns the length at the end.
      res.set_chunked_content_provider(
          "text/plain", [text](size_t offset, httplib::DataSink& sink) {
            const size_t n = std::min<size_t>(65536, text->size() - std::min(offset, text->size()));
            if (n > 0) {
              sink.write(text->data() + offset, n);
            }
            if (offset + n >= text->size()) {
              sink.done();
            }
            return true;
          });
      return;
    }
    res.set_content(std::move(*text), "text/plain");
  });

  int port = options.port;
  if (port == 0) {
    port = server.bind_to_any_port(options.address);
    if (port < 0) {
      std::fprintf(stderr, "tessaly-replay: cannot listen on %s\n", options.address.c_str());
      return 1;
    }
  } else if (!server.bind_to_port(options.address, port)) {
    std::fprintf(stderr, "tessaly-replay: cannot listen on %s:%d\n", options.address.c_str(), port);
    return 1;
  }
  std::printf("tessaly-replay listening on http://%s:%d\n", options.address.c_str(), port);
  std::fflush(stdout);
  const bool ok = server.listen_after_bind();
  {
    std::lock_guard lock(stopMutex);
    stopping = true;
  }
  stopSignal.notify_all();
  if (log) {
    std::fclose(log);
  }
  return ok ? 0 : 1;
}
