#include "samples/clock.h"

#include <chrono>

namespace tessaly {

int64_t SystemClock::Now() const {
  using namespace std::chrono;
  return duration_cast<seconds>(system_clock::now().time_since_epoch()).count();
}

}  // namespace tessaly
