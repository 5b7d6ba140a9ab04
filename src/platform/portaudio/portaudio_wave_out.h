#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>

#include "sound/wave_out.h"

namespace tessaly {

// The default output device through a PortAudio callback stream. Queued
// buffers are played in order from the stream's callback; when one has been
// played out it is reported finished. PortAudio has no device volume, so the
// output level is applied as a gain in the callback.
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

  // The stream's callback: fills output with frames of queued audio.
  void OnStreamCallback(void* output, unsigned long frames);

 private:
  void Fill(uint8_t* out, size_t bytes);
  void CopyWithGain(uint8_t* out, const uint8_t* in, size_t bytes, size_t sampleIndex) const;

  struct Queued {
    const uint8_t* data = nullptr;
    uint32_t bytes = 0;
  };
  // More slots than the engine ever has buffers in flight.
  static constexpr uint32_t kQueueSize = 64;

  bool initialized_ = false;
  void* stream_ = nullptr;  // PaStream
  bool started_ = false;
  WaveFormat format_;
  std::function<void()> onBufferDone_;

  // Single producer (Write) and single consumer (the callback).
  std::array<Queued, kQueueSize> queue_{};
  std::atomic<uint32_t> head_{0};
  std::atomic<uint32_t> tail_{0};
  uint32_t offset_ = 0;  // bytes of queue_[tail_] already played; callback only
  std::atomic<uint64_t> bytesPlayed_{0};
  std::atomic<uint32_t> level_{0xFFFFFFFF};
};

}  // namespace tessaly
