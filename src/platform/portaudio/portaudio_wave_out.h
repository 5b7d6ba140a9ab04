#pragma once

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "sound/wave_out.h"

namespace tessaly {

// The default output device through a PortAudio blocking stream. A writer
// thread hands the queued buffers to the stream in order and reports each one
// finished once the stream has taken it. Nothing but queued sound is ever
// written: while the queue is empty the writer waits, so a run's sound is
// contiguous from its first frame (a device that then runs dry is counted as
// an underrun, not filled with silence by us). PortAudio has no device
// volume, so the output level is applied as a gain while copying.
class PortAudioWaveOut : public WaveOut {
 public:
  PortAudioWaveOut();
  ~PortAudioWaveOut() override;
  PortAudioWaveOut(const PortAudioWaveOut&) = delete;
  PortAudioWaveOut& operator=(const PortAudioWaveOut&) = delete;

  bool GetCaps(WaveCaps& caps) override;
  int Open(const WaveFormat& format, std::function<void()> onBufferDone) override;
  bool Write(const uint8_t* data, uint32_t bytes) override;
  WavePosition Position() override;
  void SetLevel(uint32_t level) override;
  void Close() override;
  uint64_t Underruns() const override { return underruns_.load(); }
  std::string LastError() const override;

 private:
  void WriterMain();
  bool WriteToStream(const uint8_t* data, uint32_t bytes);
  void SetError(int paError);

  struct Queued {
    const uint8_t* data = nullptr;
    uint32_t bytes = 0;
  };
  // More slots than the engine ever has buffers in flight.
  static constexpr uint32_t kQueueSize = 64;

  bool initialized_ = false;
  void* stream_ = nullptr;  // PaStream; used by the writer thread while it runs
  WaveFormat format_;
  std::function<void()> onBufferDone_;
  std::thread writer_;
  std::vector<uint8_t> scaled_;  // the writer's copy of a buffer at the output level

  // The queue: Write appends, the writer takes from the front.
  std::mutex mutex_;
  std::condition_variable queued_;
  std::array<Queued, kQueueSize> queue_{};
  uint32_t head_ = 0;
  uint32_t tail_ = 0;
  bool closing_ = false;
  bool failed_ = false;  // the stream refused sound: later writes fail

  std::atomic<uint64_t> bytesPlayed_{0};
  std::atomic<uint64_t> underruns_{0};
  std::atomic<uint32_t> level_{0xFFFFFFFF};
  mutable std::mutex errorMutex_;
  std::string lastError_;
};

}  // namespace tessaly
