#include "support/fake_wave_out.h"

namespace tessaly {

void FakeWaveOut::SetCaps(bool ok, WaveCaps caps) {
  std::lock_guard lock(mutex_);
  capsOk_ = ok;
  caps_ = caps;
}

void FakeWaveOut::SetOpenResult(int result) {
  std::lock_guard lock(mutex_);
  openResult_ = result;
}

void FakeWaveOut::SetPosition(WavePosition position) {
  std::lock_guard lock(mutex_);
  position_ = position;
}

void FakeWaveOut::SetAutoFinish(bool on) {
  std::lock_guard lock(mutex_);
  autoFinish_ = on;
}

void FakeWaveOut::SetRecordData(bool on) {
  std::lock_guard lock(mutex_);
  recordData_ = on;
}

bool FakeWaveOut::GetCaps(WaveCaps& caps) {
  std::lock_guard lock(mutex_);
  if (capsOk_) {
    caps = caps_;
  }
  return capsOk_;
}

int FakeWaveOut::Open(const WaveFormat&, std::function<void()> onBufferDone) {
  {
    std::lock_guard lock(mutex_);
    ++openCount_;
    if (openResult_ == 0) {
      open_ = true;
      queued_ = 0;
      onDone_ = std::move(onBufferDone);
    }
  }
  changed_.notify_all();
  return openResult_;
}

bool FakeWaveOut::Write(const uint8_t* data, uint32_t bytes) {
  bool finishNow = false;
  {
    std::lock_guard lock(mutex_);
    if (!open_) {
      return false;
    }
    ++writeCount_;
    if (recordData_) {
      writeSizes_.push_back(bytes);
      bytes_.insert(bytes_.end(), data, data + bytes);
    }
    ++queued_;
    finishNow = autoFinish_;
  }
  changed_.notify_all();
  if (finishNow) {
    FinishBuffers(1);
  }
  return true;
}

WavePosition FakeWaveOut::Position() {
  std::lock_guard lock(mutex_);
  return position_;
}

void FakeWaveOut::SetLevel(uint32_t level) {
  std::lock_guard lock(mutex_);
  level_ = level;
}

void FakeWaveOut::Close() {
  std::lock_guard callbacks(callbackMutex_);
  {
    std::lock_guard lock(mutex_);
    if (open_) {
      ++closeCount_;
    }
    open_ = false;
    queued_ = 0;
    onDone_ = nullptr;
  }
  changed_.notify_all();
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
    changed_.notify_all();
    if (done) {
      done();
    }
  }
  return finished;
}

bool FakeWaveOut::WaitFor(const std::function<bool(const FakeWaveOut&)>& pred,
                          std::chrono::milliseconds timeout) {
  // The predicate reads through the locking getters, so poll on change with
  // the lock released.
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    if (pred(*this)) {
      return true;
    }
    std::unique_lock lock(mutex_);
    if (changed_.wait_until(lock, std::min(deadline, std::chrono::steady_clock::now() +
                                                         std::chrono::milliseconds(5))) ==
            std::cv_status::timeout &&
        std::chrono::steady_clock::now() >= deadline) {
      lock.unlock();
      return pred(*this);
    }
  }
}

bool FakeWaveOut::WaitForWrites(int64_t total, std::chrono::milliseconds timeout) {
  return WaitFor([total](const FakeWaveOut& d) { return d.writeCount() >= total; }, timeout);
}

int FakeWaveOut::openCount() const {
  std::lock_guard lock(mutex_);
  return openCount_;
}

int FakeWaveOut::closeCount() const {
  std::lock_guard lock(mutex_);
  return closeCount_;
}

bool FakeWaveOut::isOpen() const {
  std::lock_guard lock(mutex_);
  return open_;
}

uint32_t FakeWaveOut::level() const {
  std::lock_guard lock(mutex_);
  return level_;
}

int64_t FakeWaveOut::writeCount() const {
  std::lock_guard lock(mutex_);
  return writeCount_;
}

int FakeWaveOut::queuedCount() const {
  std::lock_guard lock(mutex_);
  return queued_;
}

std::vector<uint32_t> FakeWaveOut::writeSizes() const {
  std::lock_guard lock(mutex_);
  return writeSizes_;
}

std::vector<uint8_t> FakeWaveOut::writtenBytes() const {
  std::lock_guard lock(mutex_);
  return bytes_;
}

}  // namespace tessaly
