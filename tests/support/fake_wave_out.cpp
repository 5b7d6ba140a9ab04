#include "support/fake_wave_out.h"

namespace tessaly {

int FakeWaveOut::Open(const WaveFormat&, std::function<void()> onBufferDone) {
  const int result = Locked([&] {
    ++openCount_;
    if (openResult_ == 0) {
      open_ = true;
      queued_ = 0;
      onDone_ = std::move(onBufferDone);
    }
    return openResult_;
  });
  changed_.notify_all();
  return result;
}

bool FakeWaveOut::Write(const uint8_t* data, uint32_t bytes) {
  const bool written = Locked([&] {
    if (open_) {
      ++writeCount_;
      ++queued_;
      if (recordData_) {
        bytes_.insert(bytes_.end(), data, data + bytes);
      }
    }
    return open_;
  });
  changed_.notify_all();
  return written;
}

void FakeWaveOut::Close() {
  std::lock_guard callbacks(callbackMutex_);
  Locked([&] {
    closeCount_ += open_ ? 1 : 0;
    open_ = false;
    queued_ = 0;
    onDone_ = nullptr;
  });
  changed_.notify_all();
}

int FakeWaveOut::FinishBuffers(int n) {
  std::lock_guard callbacks(callbackMutex_);
  int finished = 0;
  for (; finished < n; ++finished) {
    std::function<void()> done = Locked(
        [&] { return open_ && queued_ > 0 ? (--queued_, onDone_) : std::function<void()>(); });
    if (!done) {
      break;
    }
    changed_.notify_all();
    done();
  }
  return finished;
}

bool FakeWaveOut::WaitFor(const std::function<bool(const FakeWaveOut&)>& pred,
                          std::chrono::milliseconds timeout) {
  // The predicate reads through the locking getters: poll on change, unlocked.
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!pred(*this)) {
    if (std::chrono::steady_clock::now() >= deadline) {
      return false;
    }
    std::unique_lock lock(mutex_);
    changed_.wait_for(lock, std::chrono::milliseconds(5));
  }
  return true;
}

}  // namespace tessaly
