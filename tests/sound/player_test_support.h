#pragma once

// Shared by the engine tests: a host with two views, and stores whose samples
// follow a formula of the second.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "samples/sample_store.h"
#include "sound/player.h"
#include "support/fake_wave_out.h"

namespace tessaly::testing_sound {

// Noon, 2026-01-01 UTC.
inline constexpr int64_t kNoon = 1767268800;

class FixedClock : public Clock {
 public:
  int64_t Now() const override { return kNoon + 7200; }
};

// One station (id 1) whose sample at second t is value(t).
class PatternSource : public BlockSource {
 public:
  explicit PatternSource(std::function<int(int64_t)> value) : value_(std::move(value)) {}
  bool Fill(SampleStore&, SampleBlock& b) override {
    b.dataStart = b.requestStart;
    b.dataEnd = b.requestEnd;
    b.secondCount = int32_t(b.dataEnd - b.dataStart + 1);
    b.rowsFilled = b.secondCount;
    b.stationCount = 1;
    b.stationIds[0] = 1;
    b.values.resize(size_t(b.secondCount));
    for (int32_t j = 0; j < b.secondCount; ++j) {
      b.values[size_t(j)] = uint16_t(value_(b.dataStart + j));
    }
    return true;
  }

 private:
  std::function<int(int64_t)> value_;
};

// A store holding [from, to] of a pattern.
struct PatternStore {
  PatternStore(std::function<int(int64_t)> value, int64_t from, int64_t to)
      : source(std::move(value)), store(kSourceServer, clock, &source) {
    store.CreateBlocks(from, to);
  }
  FixedClock clock;
  PatternSource source;
  SampleStore store;
};

class TestHost : public PlayerHost {
 public:
  const PlayerViewState* PlayerView(int view) const override {
    return view == 0 || view == 1 ? &views[view] : nullptr;
  }
  int SoundFade() const override { return fade.load(); }
  void OnPlayerStopped() override {
    {
      std::lock_guard lock(mutex_);
      ++stopped_;
    }
    changed_.notify_all();
  }
  void ShowPlayerMessage(const std::string& text, const std::string& caption,
                         const std::string& detail) override {
    {
      std::lock_guard lock(mutex_);
      messages_.emplace_back(text, caption);
      details_.push_back(detail);
    }
    changed_.notify_all();
  }

  int stopped() const {
    std::lock_guard lock(mutex_);
    return stopped_;
  }
  std::vector<std::pair<std::string, std::string>> messages() const {
    std::lock_guard lock(mutex_);
    return messages_;
  }
  std::vector<std::string> details() const {
    std::lock_guard lock(mutex_);
    return details_;
  }
  bool WaitStopped(int count, std::chrono::milliseconds timeout = std::chrono::seconds(5)) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] { return stopped_ >= count; });
  }

  PlayerViewFields views[2];
  std::atomic<int> fade{0};

 private:
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  int stopped_ = 0;
  std::vector<std::pair<std::string, std::string>> messages_;
  std::vector<std::string> details_;
};

// Timing for tests: no real pauses.
inline PlayerTiming FastTiming(std::chrono::milliseconds stall = std::chrono::seconds(5)) {
  PlayerTiming timing;
  timing.sleep = [](std::chrono::milliseconds) {};
  timing.stallTimeout = stall;
  return timing;
}

// Finishes buffers one by one until the device has seen `writes` buffers.
inline bool Pump(FakeWaveOut& device, int64_t writes) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (device.writeCount() < writes) {
    if (std::chrono::steady_clock::now() > deadline) {
      return false;
    }
    if (device.FinishBuffers(1) == 0) {
      device.WaitFor([](const FakeWaveOut& d) { return d.queuedCount() > 0; },
                     std::chrono::milliseconds(50));
    }
  }
  return true;
}

}  // namespace tessaly::testing_sound
