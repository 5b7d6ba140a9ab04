#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "analysis/live_stretch.h"
#include "samples/clock.h"
#include "samples/http_get.h"

namespace tessaly {

// What a statistics result was made for: a new key means computing again.
struct StatsKey {
  int source = 0;
  std::string host;
  int64_t from = 0;
  int64_t to = -1;
  // The user's exclusions; none: the flagged stations.
  std::optional<std::vector<uint32_t>> excluded;
  bool operator==(const StatsKey&) const = default;
};

// One statistics computation at a time on a thread of its own: streams the
// stretch through a store of its own (or takes samples already in memory) and
// computes it. The thread touches only its own state; Poll hands the result
// to the GUI thread. Progress reaches 100 on every way out.
class StatsJob {
 public:
  struct Outcome {
    uint64_t generation = 0;
    StatsKey key;
    bool ok = false;
    bool abandoned = false;
    std::string cause;  // why it failed
    LiveStretch stretch;
  };

  explicit StatsJob(const Clock& clock) : clock_(clock) {}
  ~StatsJob() { Abandon(); }
  StatsJob(const StatsJob&) = delete;
  StatsJob& operator=(const StatsJob&) = delete;

  // Abandons a job in progress, then starts one for key; samples, when given,
  // are the stretch already loaded (only the exclusions changed). http is the
  // job's own connection (server source). Returns the job's generation.
  uint64_t Start(StatsKey key, std::optional<StretchSamples> samples,
                 std::unique_ptr<HttpGet> http);
  // Stops a job in progress and waits for it; nothing of it reaches Poll.
  void Abandon();
  bool busy() const { return thread_.joinable(); }
  int progress() const { return progress_.load(std::memory_order_relaxed); }
  // The outcome once the job has ended; nothing while it runs or when none ran.
  std::optional<Outcome> Poll();

 private:
  void Run();

  const Clock& clock_;
  std::thread thread_;
  std::atomic<bool> abandon_{false};
  std::atomic<bool> done_{false};
  std::atomic<int> progress_{100};
  uint64_t generation_ = 0;
  std::unique_ptr<HttpGet> http_;
  std::optional<StretchSamples> given_;
  Outcome outcome_;  // the thread's until done_
};

}  // namespace tessaly
