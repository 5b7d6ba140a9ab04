#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "platform/curl/curl_http_get.h"
#include "replay_data.h"
#include "replay_launcher.h"
#include "samples/request_url.h"
#include "samples/server_source.h"
#include "samples/utc_time.h"

namespace tessaly {
namespace {

const int64_t kStart = MakeUtc(2020, 3, 5, 7, 0, 0);
const int64_t kEnd = kStart + 1800;

std::vector<uint32_t> HundredStations() {
  std::vector<uint32_t> ids;
  for (uint32_t id = 1; id <= 100; ++id) {
    ids.push_back(id * 10);
  }
  return ids;
}

class NoClock : public Clock {
 public:
  int64_t Now() const override { return kEnd + 86400; }
};

// A reply of 1801 seconds x 100 stations, about 0.8 MB.
void BM_ParseReply(benchmark::State& state) {
  replay::GeneratedData data(HundredStations());
  const std::string text = replay::FormatReply(data.Collect(kStart, kEnd, 0));
  SampleBlock block;
  block.downloadBuffer.assign(text.begin(), text.end());
  block.downloadSize = int32_t(text.size());
  for (auto _ : state) {
    benchmark::DoNotOptimize(ParseReply(block));
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(text.size()));
  state.counters["reply_bytes"] = double(text.size());
}
BENCHMARK(BM_ParseReply)->Unit(benchmark::kMillisecond);

// One 1801-second block of 100 stations from tessaly-replay on loopback
// through the libcurl adapter: request, transfer, parse, trim, registration.
void BM_FetchFromReplay(benchmark::State& state) {
  std::string stations;
  for (uint32_t id : HundredStations()) {
    if (!stations.empty()) {
      stations += ',';
    }
    stations += std::to_string(id);
  }
  replay::ReplayProcess server;
  std::string error;
  if (!server.Start(TESSALY_REPLAY_PATH, {"--stations", stations}, &error)) {
    state.SkipWithError(error.c_str());
    return;
  }
  CurlHttpGet http;
  NoClock clock;
  SampleStore store(kSourceServer, clock);
  const std::string url = BuildRequestUrl(server.host(), kStart, kEnd);
  for (auto _ : state) {
    SampleBlock block;
    block.requestStart = kStart;
    block.requestEnd = kEnd;
    block.downloadCapacity = kDownloadCapacity;
    block.requestUrl = url;
    if (!FetchServerBlock(store, block, http, nullptr)) {
      state.SkipWithError("fetch failed");
      return;
    }
    benchmark::DoNotOptimize(block.values.data());
  }
}
BENCHMARK(BM_FetchFromReplay)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace tessaly
