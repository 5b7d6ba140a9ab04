#pragma once

#include <atomic>
#include <cstdint>

#include "samples/clock.h"

namespace tessaly {

// A clock that says what the test tells it. Safe to read from another thread
// while the test moves it.
class FixedClock final : public Clock {
 public:
  explicit FixedClock(int64_t now = 0) : now_(now) {}
  int64_t Now() const override { return now_.load(std::memory_order_relaxed); }
  void Set(int64_t now) { now_.store(now, std::memory_order_relaxed); }
  void Step(int64_t seconds = 1) { now_.fetch_add(seconds, std::memory_order_relaxed); }

 private:
  std::atomic<int64_t> now_;
};

}  // namespace tessaly
