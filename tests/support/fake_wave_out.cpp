#include "support/fake_wave_out.h"

#include <thread>

namespace tessaly {

int FakeWaveOut::Open(const WaveFormat&, std::function<void()> onBufferDone) {
  std::lock_guard lock(mutex_);
  if (openResult_ == 0) {
    open_ = true;
    queued_ = 0;
    onDone_ = std::move(onBufferDone);
  }
  return openResult_;
}

bool FakeWaveOut::Write(const uint8_t* data, uint32_t bytes) {
  std::lock_guard lock(mutex_);
  if (open_) {
    bytes_.insert(bytes_.end(), data, data + bytes);
    ++queued_;
    ++writeCount_;
  }
  return open_;
}

void FakeWaveOut::Close() {
  std::lock_guard callbacks(callbackMutex_);
  std::lock_guard lock(mutex_);
  closeCount_ += open_ ? 1 : 0;
  open_ = false;
  queued_ = 0;
}

int FakeWaveOut::FinishBuffers(int n) {
  std::lock_guard callbacks(callbackMutex_);
  int finished = 0;
  for (; finished < n; ++finished) {
    std::function<void()> done;
    {
      std::lock_guard lock(mutex_);
      if (!open_ || queued_ == 0) {
        break;
      }
      --queued_;
      done = onDone_;
    }
    done();
  }
  return finished;
}

bool FakeWaveOut::WaitFor(const std::function<bool(const FakeWaveOut&)>& pred,
                          std::chrono::milliseconds timeout) const {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!pred(*this)) {
    if (std::chrono::steady_clock::now() >= deadline) {
      return false;
    }
    std::this_thread::sleep_for(std::chrono::microseconds(100));
  }
  return true;
}

}  // namespace tessaly
