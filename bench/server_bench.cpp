#include <benchmark/benchmark.h>

#include <algorithm>
#include <memory>
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

// 100 stations over [start, start + seconds), all 100 but the first station,
// which has nothing from lateFrom on (it reports late).
std::shared_ptr<SampleBlock> LiveBlock(int64_t start, int32_t seconds, int64_t lateFrom) {
  auto b = std::make_shared<SampleBlock>();
  b->dataStart = start;
  b->dataEnd = start + seconds - 1;
  b->secondCount = b->rowsFilled = seconds;
  b->stationCount = 100;
  const std::vector<uint32_t> ids = HundredStations();
  std::copy(ids.begin(), ids.end(), b->stationIds.begin());
  b->values.assign(size_t(100) * size_t(seconds), 100);
  for (int64_t t = std::max(lateFrom, start); t < start + seconds; ++t) {
    b->values[size_t(t - start)] = 0;
  }
  return b;
}

// One tick of following the present with a late station, in a store of 22 h
// of 5-second live blocks: the look for late stations over the last five
// minutes, then a reply of those five minutes and five new seconds merged in
// (late cells filled, the new seconds a block of their own).
void BM_LiveTickWithALateStation(benchmark::State& state) {
  NoClock clock;
  SampleStore store(kSourceServer, clock);
  int64_t end = kStart - 1;
  for (int i = 0; i < 16000; ++i, end += 5) {
    store.AddBlock(LiveBlock(end + 1, 5, end - 60), true);
  }
  for (auto _ : state) {
    state.PauseTiming();
    auto reply = LiveBlock(end - 299, 305, end - 55);
    state.ResumeTiming();
    benchmark::DoNotOptimize(store.HasLateStation(end - 299, end));
    int64_t first = 0;
    int64_t last = 0;
    benchmark::DoNotOptimize(store.AddLiveBlock(std::move(reply), true, &first, &last));
    end += 5;
  }
}
BENCHMARK(BM_LiveTickWithALateStation)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace tessaly
