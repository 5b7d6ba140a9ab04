#include "sound/cue_tone.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace tessaly {

void CueTone::Start(int channel) {
  channel_ = channel & 1;
  frame_ = 0;
}

void CueTone::MixInto(const PcmFormat& format, std::span<uint8_t> chunk) {
  if (frame_ < 0 || format.sampleRate <= 0 || format.FrameSize() <= 0) {
    return;
  }
  const int64_t length = int64_t(kCueSeconds * format.sampleRate);
  const int bytes = format.bitsPerSample / 8;
  const int channel = format.channels == 2 ? channel_ : 0;
  const size_t frames = chunk.size() / size_t(format.FrameSize());
  for (size_t i = 0; i < frames && frame_ < length; ++i, ++frame_) {
    const double t = double(frame_) / format.sampleRate;
    // A raised-cosine envelope: no click at either end.
    const double envelope =
        0.5 - 0.5 * std::cos(2 * std::numbers::pi * double(frame_) / double(length));
    const double value = kCueLevel * envelope * std::sin(2 * std::numbers::pi * kCueFrequency * t);
    uint8_t* at = chunk.data() + i * size_t(format.FrameSize()) + size_t(channel * bytes);
    if (bytes == 2) {
      const int old = int16_t(uint16_t(at[0] | at[1] << 8));
      const int mixed = std::clamp(old + int(std::lround(value * 32767)), -32768, 32767);
      at[0] = uint8_t(mixed & 0xFF);
      at[1] = uint8_t(uint16_t(mixed) >> 8);
    } else {
      at[0] = uint8_t(std::clamp(int(at[0]) + int(std::lround(value * 127)), 0, 255));
    }
  }
  if (frame_ >= length) {
    frame_ = -1;
  }
}

}  // namespace tessaly
