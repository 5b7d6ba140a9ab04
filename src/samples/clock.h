#pragma once

#include <cstdint>

namespace tessaly {

// Wall-clock time as UTC seconds. Everything that reads "now" (block fetch
// times, the pseudorandom seed, "Now - 10 min") goes through one of these so
// tests can fix or step it.
class Clock {
 public:
  virtual ~Clock() = default;
  virtual int64_t Now() const = 0;
};

class SystemClock final : public Clock {
 public:
  int64_t Now() const override;
};

}  // namespace tessaly
