#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "sound/wave_out.h"

namespace tessaly {

// A wave output device in memory. Written buffers stay queued until the test
// finishes them (or, with auto-finish, as soon as they are written).
class FakeWaveOut : public WaveOut {
 public:
  FakeWaveOut() = default;

  // Configuration.
  void SetCaps(bool ok, WaveCaps caps);
  void SetOpenResult(int result);
  void SetLastError(std::string text) { lastError_ = std::move(text); }
  void SetPosition(WavePosition position);
  void SetAutoFinish(bool on);
  // Keeps a copy of every written byte (off: only counts, no allocation).
  void SetRecordData(bool on);

  // WaveOut.
  bool GetCaps(WaveCaps& caps) override;
  int Open(const WaveFormat& format, std::function<void()> onBufferDone) override;
  bool Write(const uint8_t* data, uint32_t bytes) override;
  WavePosition Position() override;
  void SetLevel(uint32_t level) override;
  void Close() override;
  std::string LastError() const override { return lastError_; }

  // Finishes up to n of the oldest queued buffers, calling the done callback on
  // this thread. Returns how many finished.
  int FinishBuffers(int n);
  // Waits until pred() holds for this device (checked on every change).
  bool WaitFor(const std::function<bool(const FakeWaveOut&)>& pred,
               std::chrono::milliseconds timeout = std::chrono::seconds(5));
  bool WaitForWrites(int64_t total, std::chrono::milliseconds timeout = std::chrono::seconds(5));

  // Observations (any thread).
  int openCount() const;
  int closeCount() const;
  bool isOpen() const;
  uint32_t level() const;
  int64_t writeCount() const;  // buffers written since construction
  int queuedCount() const;     // written and not finished in the open device
  std::vector<uint32_t> writeSizes() const;
  std::vector<uint8_t> writtenBytes() const;  // every written byte, in order

 private:
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  // Held while a done callback runs, so none runs after Close returns.
  std::mutex callbackMutex_;

  bool capsOk_ = true;
  WaveCaps caps_{kWaveFormats44k | kWaveFormats22k | kWaveFormats11k, 2};
  int openResult_ = 0;
  std::string lastError_;
  WavePosition position_;
  bool autoFinish_ = false;
  bool recordData_ = true;

  bool open_ = false;
  int openCount_ = 0;
  int closeCount_ = 0;
  uint32_t level_ = 0xFFFFFFFF;
  std::function<void()> onDone_;
  int queued_ = 0;
  int64_t writeCount_ = 0;
  std::vector<uint32_t> writeSizes_;
  std::vector<uint8_t> bytes_;
};

}  // namespace tessaly
