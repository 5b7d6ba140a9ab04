#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "sound/wave_out.h"

namespace tessaly {

// A wave output device in memory. Written buffers stay queued until the test
// finishes them. Every call may come from any thread.
class FakeWaveOut : public WaveOut {
 public:
  void SetOpenResult(int result) { openResult_ = result; }
  void SetLastError(const std::string& text) { lastError_ = text; }  // before the run
  void SetPosition(WavePosition position) {
    std::lock_guard lock(mutex_);
    position_ = position;
  }

  bool GetCaps(WaveCaps& caps) override {
    const WaveCaps c = caps_;
    return c.channels >= 0 && (caps = c, true);
  }
  int Open(const WaveFormat& format, std::function<void()> onBufferDone) override;
  bool Write(const uint8_t* data, uint32_t bytes) override;
  WavePosition Position() override {
    std::lock_guard lock(mutex_);
    return position_;
  }
  void SetLevel(uint32_t level) override { level_ = level; }
  void Close() override;
  std::string LastError() const override { return lastError_; }

  // Finishes up to n of the oldest queued buffers, calling the done callback on
  // this thread. Returns how many finished.
  int FinishBuffers(int n);
  // Waits (polling) until pred() holds for this device.
  bool WaitFor(const std::function<bool(const FakeWaveOut&)>& pred,
               std::chrono::milliseconds timeout = std::chrono::seconds(5)) const;
  bool WaitForWrites(int64_t total) {
    return WaitFor([total](const FakeWaveOut& d) { return d.writeCount() >= total; });
  }

  int closeCount() const { return closeCount_; }
  uint32_t level() const { return level_; }
  int64_t writeCount() const { return writeCount_; }  // buffers written since creation
  int queuedCount() const { return queued_; }         // written and not yet finished
  std::vector<uint8_t> writtenBytes() const {
    std::lock_guard lock(mutex_);
    return bytes_;
  }

 private:
  std::atomic<WaveCaps> caps_{{kWaveFormats44k | kWaveFormats22k | kWaveFormats11k, 2}};
  std::atomic<int> openResult_{0}, closeCount_{0}, queued_{0};
  std::string lastError_;
  std::atomic<uint32_t> level_{0xFFFFFFFF};
  std::atomic<int64_t> writeCount_{0};
  mutable std::mutex mutex_;  // the bytes and the open state
  std::mutex callbackMutex_;  // held while a done callback runs: none after Close
  WavePosition position_;
  bool open_ = false;
  std::function<void()> onDone_;
  std::vector<uint8_t> bytes_;
};

}  // namespace tessaly
