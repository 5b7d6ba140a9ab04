#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "sound/wave_out.h"

namespace tessaly {

// The default output device through the Windows waveform-audio calls
// (waveOutOpen, waveOutWrite and their family) on the wave mapper. Each
// queued buffer is copied at the output level into a header of our own and
// written to the device at once, so a run's sound is contiguous from its first
// frame; a device that runs dry between two buffers is counted as an underrun.
// The device signals an event for finished buffers: a thread of ours reports
// them in order, since no waveOut call may be made from the device's own
// callback. The level is a gain applied while copying (as on Linux), so the
// device plays exactly what a saved sound file holds and the user's system
// volume is left alone.
class WinMmWaveOut : public WaveOut {
 public:
  WinMmWaveOut();
  ~WinMmWaveOut() override;
  WinMmWaveOut(const WinMmWaveOut&) = delete;
  WinMmWaveOut& operator=(const WinMmWaveOut&) = delete;

  bool GetCaps(WaveCaps& caps) override;
  int Open(const WaveFormat& format, std::function<void()> onBufferDone) override;
  bool Write(const uint8_t* data, uint32_t bytes) override;
  WavePosition Position() override;
  void SetLevel(uint32_t level) override;
  void Close() override;
  uint64_t Underruns() const override { return underruns_.load(); }
  std::string LastError() const override;

 private:
  struct Device;  // the Windows handles and headers, kept out of this header
  void NotifierMain();
  void SetError(const char* call, unsigned result);

  // More slots than the engine ever has buffers in flight.
  static constexpr uint32_t kQueueSize = 64;

  std::unique_ptr<Device> device_;
  WaveFormat format_;
  std::function<void()> onBufferDone_;
  std::thread notifier_;

  // Write fills slots at head_, the notifier retires them at tail_.
  std::mutex mutex_;
  uint32_t head_ = 0;
  uint32_t tail_ = 0;
  bool closing_ = false;

  std::atomic<uint64_t> bytesDone_{0};
  std::atomic<uint64_t> underruns_{0};
  std::atomic<uint32_t> level_{0xFFFFFFFF};
  mutable std::mutex errorMutex_;
  std::string lastError_;
};

}  // namespace tessaly
