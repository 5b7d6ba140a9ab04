#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace tessaly {

// Format bits of a device's capability mask: rate (1 = 11025, 2 = 22050,
// 4 = 44100 Hz), mono/stereo, 8/16 bits.
inline constexpr uint32_t kWaveFormat1M08 = 0x001;
inline constexpr uint32_t kWaveFormat1S08 = 0x002;
inline constexpr uint32_t kWaveFormat1M16 = 0x004;
inline constexpr uint32_t kWaveFormat1S16 = 0x008;
inline constexpr uint32_t kWaveFormat2M08 = 0x010;
inline constexpr uint32_t kWaveFormat2S08 = 0x020;
inline constexpr uint32_t kWaveFormat2M16 = 0x040;
inline constexpr uint32_t kWaveFormat2S16 = 0x080;
inline constexpr uint32_t kWaveFormat4M08 = 0x100;
inline constexpr uint32_t kWaveFormat4S08 = 0x200;
inline constexpr uint32_t kWaveFormat4M16 = 0x400;
inline constexpr uint32_t kWaveFormat4S16 = 0x800;
inline constexpr uint32_t kWaveFormats44k = 0xF00;
inline constexpr uint32_t kWaveFormats22k = 0x0F0;
inline constexpr uint32_t kWaveFormats11k = 0x00F;
inline constexpr uint32_t kWaveFormats16Bit = 0xCCC;

struct WaveCaps {
  uint32_t formats = 0;  // kWaveFormat* bits
  int32_t channels = 0;
};

struct WaveFormat {
  int32_t sampleRate = 44100;
  int32_t channels = 2;
  int32_t bitsPerSample = 16;  // 16: signed little-endian; 8: unsigned
};

struct WavePosition {
  enum Unit { kNone, kBytes, kMilliseconds };
  Unit unit = kNone;
  uint64_t value = 0;
};

// The default wave output device.
class WaveOut {
 public:
  virtual ~WaveOut() = default;

  // The default device's capabilities; false when they cannot be queried.
  virtual bool GetCaps(WaveCaps& caps) = 0;

  // Opens the default device for format. onBufferDone is called once per
  // finished buffer, in order, on any thread. Returns 0 or a negative code.
  virtual int Open(const WaveFormat& format, std::function<void()> onBufferDone) = 0;

  // Queues a buffer to play after the ones queued before it. The bytes must
  // stay untouched until its onBufferDone call. false when it cannot be queued.
  virtual bool Write(const uint8_t* data, uint32_t bytes) = 0;

  // How much has been played since Open.
  virtual WavePosition Position() = 0;

  // Output level of the default device: left volume in the low 16 bits, right
  // in the high 16 bits, 0xFFFF = full. Applies with or without an open device.
  virtual void SetLevel(uint32_t level) = 0;

  // Stops at once and closes the device. Buffers not yet finished are dropped
  // without onBufferDone; no call comes after Close returns.
  virtual void Close() = 0;

  // Times the device ran out of queued sound and played silence between two
  // buffers since Open (an underrun the listener hears as a gap).
  virtual uint64_t Underruns() const { return 0; }

  // The audio library's own words for why the last Open or Write failed, for
  // the details of the message the user sees; empty when it gave none.
  virtual std::string LastError() const { return {}; }
};

}  // namespace tessaly
