#pragma once

#include <chrono>
#include <condition_variable>
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
  void SetCaps(bool ok, WaveCaps caps) {
    Locked([&] { capsOk_ = ok, caps_ = caps; });
  }
  void SetOpenResult(int result) {
    Locked([&] { openResult_ = result; });
  }
  void SetLastError(std::string text) {
    Locked([&] { lastError_ = text; });
  }
  void SetPosition(WavePosition position) {
    Locked([&] { position_ = position; });
  }
  // Keeps a copy of every written byte (off: only counts, no allocation).
  void SetRecordData(bool on) {
    Locked([&] { recordData_ = on; });
  }

  bool GetCaps(WaveCaps& caps) override {
    return Locked([&] { return capsOk_ ? (caps = caps_, true) : false; });
  }
  int Open(const WaveFormat& format, std::function<void()> onBufferDone) override;
  bool Write(const uint8_t* data, uint32_t bytes) override;
  WavePosition Position() override {
    return Locked([&] { return position_; });
  }
  void SetLevel(uint32_t level) override {
    Locked([&] { level_ = level; });
  }
  void Close() override;
  std::string LastError() const override {
    return Locked([&] { return lastError_; });
  }

  // Finishes up to n of the oldest queued buffers, calling the done callback on
  // this thread. Returns how many finished.
  int FinishBuffers(int n);
  // Waits until pred() holds for this device (checked on every change).
  bool WaitFor(const std::function<bool(const FakeWaveOut&)>& pred,
               std::chrono::milliseconds timeout = std::chrono::seconds(5));
  bool WaitForWrites(int64_t total, std::chrono::milliseconds timeout = std::chrono::seconds(5)) {
    return WaitFor([total](const FakeWaveOut& d) { return d.writeCount() >= total; }, timeout);
  }

  int openCount() const {
    return Locked([&] { return openCount_; });
  }
  int closeCount() const {
    return Locked([&] { return closeCount_; });
  }
  bool isOpen() const {
    return Locked([&] { return open_; });
  }
  uint32_t level() const {
    return Locked([&] { return level_; });
  }
  int64_t writeCount() const {
    return Locked([&] { return writeCount_; });
  }  // since creation
  int queuedCount() const {
    return Locked([&] { return queued_; });
  }  // not finished
  std::vector<uint8_t> writtenBytes() const {
    return Locked([&] { return bytes_; });
  }

 private:
  template <class F>
  auto Locked(F f) const -> decltype(f()) {
    std::lock_guard lock(mutex_);
    return f();
  }

  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::mutex callbackMutex_;  // held while a done callback runs: none after Close
  bool capsOk_ = true;
  WaveCaps caps_{kWaveFormats44k | kWaveFormats22k | kWaveFormats11k, 2};
  int openResult_ = 0;
  std::string lastError_;
  WavePosition position_;
  bool recordData_ = true;
  bool open_ = false;
  int openCount_ = 0, closeCount_ = 0, queued_ = 0;
  uint32_t level_ = 0xFFFFFFFF;
  std::function<void()> onDone_;
  int64_t writeCount_ = 0;
  std::vector<uint8_t> bytes_;
};

}  // namespace tessaly
