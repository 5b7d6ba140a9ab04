#pragma once

#include <cstdint>
#include <span>

#include "sound/chord_synth.h"

namespace tessaly {

// The statistics window's sound cue: a short soft pure tone over a view's chord,
// high above the chords' notes and with a smooth rise and fall, so that it is
// heard as a signal and not as part of the data.
inline constexpr double kCueFrequency = 2637.0;  // E7
inline constexpr double kCueSeconds = 0.25;
inline constexpr double kCueLevel = 0.12;  // of full scale

class CueTone {
 public:
  // Starts the tone from its beginning on channel 0 (left) or 1 (right).
  void Start(int channel);
  bool active() const { return frame_ >= 0; }
  // Adds the tone's next frames to the PCM chunk of format (clipped at full
  // scale); a mono format takes it on its one channel. Nothing when idle.
  void MixInto(const PcmFormat& format, std::span<uint8_t> chunk);

 private:
  int channel_ = 0;
  int64_t frame_ = -1;  // the next frame of the tone; -1 = idle
};

}  // namespace tessaly
