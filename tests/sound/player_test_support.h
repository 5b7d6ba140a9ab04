#pragma once

// Shared by the engine tests: a host with two views, and stores whose samples
// follow a formula of the second.

#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <thread>

#include "samples/sample_store.h"
#include "sound/player.h"
#include "support/fake_wave_out.h"
#include "support/fixed_clock.h"
#include "support/scripted_source.h"

namespace tessaly::testing_sound {

inline constexpr int64_t kNoon = 1767268800;  // 2026-01-01 12:00 UTC

// A store holding [from, to] of station 1 whose sample at second t is value(t).
struct PatternStore {
  PatternStore(std::function<int(int64_t)> value, int64_t from, int64_t to)
      : source({1}, [value](uint32_t, int64_t t) { return value(t); }) {
    store.CreateBlocks(from, to);
  }
  FixedClock clock{kNoon + 7200};
  ScriptedSource source;
  SampleStore store{kSourceServer, clock, &source};
};

class TestHost : public PlayerHost {
 public:
  const PlayerViewState* PlayerView(int view) const override {
    return view == 0 || view == 1 ? &views[view] : nullptr;
  }
  int SoundFade() const override { return fade; }
  void OnPlayerStopped() override { ++stopped; }
  void ShowPlayerMessage(const std::string&, const std::string&, const std::string&) override {
    ++messages;
  }
  bool WaitStopped(int count) {
    for (int i = 0; i < 5000 && stopped < count; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return stopped >= count;
  }

  PlayerViewFields views[2];
  std::atomic<int> fade{0}, stopped{0}, messages{0};
};

// Timing for tests: no real pauses.
inline PlayerTiming FastTiming(std::chrono::milliseconds stall = std::chrono::seconds(5)) {
  return {[](std::chrono::milliseconds) {}, stall};
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
