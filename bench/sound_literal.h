#pragma once

// The tone rule transcribed literally: every frame sums all 200 values from
// scratch. Kept as the baseline of the synthesis benchmarks and as the
// reference the fast synthesis is checked against, sample for sample.

#include <cstdint>

#include "sound/chord_synth.h"
#include "sound/tone_tables.h"

namespace tessaly::literal {

inline void SynthesizeChannel(uint8_t* chunk, const PcmFormat& format, int channel,
                              const ChordWeights& w, const ScaleTable& table, int64_t P) {
  const SineTable& sine = GetSineTable();
  const int F = format.sampleRate / 10;
  const int frameSize = format.bitsPerSample / 8 * format.channels;
  const int slot = channel == 1 ? 0 : format.bitsPerSample / 8;
  const int ticks = 44100 / format.sampleRate;
  for (int j = 0; j < F; ++j) {
    uint32_t W = 0;
    for (int v = 0; v < 200; ++v) {
      W += w[v];
    }
    int32_t level = 0;
    if (W != 0) {
      int32_t A = 0;
      for (int v = 0; v < 200; ++v) {
        if (w[v] > 0) {
          const float f = table[v];
          const auto period = static_cast<int32_t>(44100.0f / f);
          int32_t tone = 0;
          if (period >= 2) {
            const int64_t t = int64_t(ticks) * (P + j);
            const auto phase = static_cast<int32_t>(t % period);
            const auto index = static_cast<int32_t>(static_cast<float>(phase) * f);
            tone = sine[index];
          }
          A += static_cast<int32_t>(w[v]) * tone;
        }
      }
      level = A / static_cast<int32_t>(W);
    }
    const auto value = static_cast<int16_t>(static_cast<int16_t>(level) >> 1);
    uint8_t* out = chunk + j * frameSize + slot;
    if (format.bitsPerSample == 16) {
      out[0] = static_cast<uint8_t>(uint16_t(value) & 0xFF);
      out[1] = static_cast<uint8_t>(uint16_t(value) >> 8);
    } else {
      out[0] = static_cast<uint8_t>(value >> 6);
    }
  }
}

}  // namespace tessaly::literal
