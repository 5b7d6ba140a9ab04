#include "views/stats_job.h"

#include <algorithm>

#include "samples/stats_store.h"

namespace tessaly {

uint64_t StatsJob::Start(StatsKey key, std::optional<StretchSamples> samples,
                         std::unique_ptr<HttpGet> http) {
  Abandon();
  abandon_.store(false);
  done_.store(false);
  progress_.store(0);
  outcome_ = Outcome{};
  outcome_.generation = ++generation_;
  outcome_.key = std::move(key);
  given_ = std::move(samples);
  http_ = std::move(http);
  thread_ = std::thread([this] { Run(); });
  return generation_;
}

void StatsJob::Run() {
  const StatsKey& key = outcome_.key;
  std::optional<StretchSamples> samples = std::move(given_);
  if (!samples) {
    samples.emplace(key.from, key.to);
    StatsStore store(key.source, clock_, http_.get(), key.host);
    const int64_t total = std::max<int64_t>(key.to - key.from + 1, 1);
    const StreamResult result = store.Stream(
        key.from, key.to,
        [&](const SampleBlock& block) {
          samples->AddBlock(block);
          const int64_t done = std::min(block.requestEnd, key.to) - key.from + 1;
          progress_.store(int(std::clamp<int64_t>(done * 99 / total, 0, 99)));
          return !abandon_.load();
        },
        &outcome_.cause);
    outcome_.abandoned = result == StreamResult::kAbandoned;
    if (result != StreamResult::kDone) {
      progress_.store(100);
      done_.store(true, std::memory_order_release);
      return;
    }
  }
  if (!abandon_.load()) {
    outcome_.stretch.Compute(std::move(*samples), key.excluded);
    outcome_.ok = true;
  }
  outcome_.abandoned = abandon_.load();
  progress_.store(100);
  done_.store(true, std::memory_order_release);
}

void StatsJob::Abandon() {
  if (!thread_.joinable()) {
    return;
  }
  abandon_.store(true);
  if (http_) {
    http_->Cancel();
  }
  thread_.join();
  progress_.store(100);
  done_.store(false);
}

std::optional<StatsJob::Outcome> StatsJob::Poll() {
  if (!thread_.joinable() || !done_.load(std::memory_order_acquire)) {
    return std::nullopt;
  }
  thread_.join();
  done_.store(false);
  http_.reset();
  return std::move(outcome_);
}

}  // namespace tessaly
