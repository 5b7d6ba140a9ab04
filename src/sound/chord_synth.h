#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "sound/tone_tables.h"

namespace tessaly {

// The PCM format of the output device.
struct PcmFormat {
  int32_t sampleRate = 44100;  // 44100, 22050 or 11025
  int32_t channels = 2;        // 1 or 2
  int32_t bitsPerSample = 16;  // 16 or 8

  int32_t FrameSize() const { return bitsPerSample / 8 * channels; }
  // Frames of one 100 ms chunk.
  int32_t ChunkFrames() const { return sampleRate / 10; }
  // Sine-table ticks per device frame.
  int32_t TicksPerFrame() const { return kTickRate / sampleRate; }
};

// The 200 weights of a sound histogram: entry v is the weight of sample value v.
using ChordWeights = std::array<uint32_t, kScaleSize>;

// Synthesises chords of sine tones into PCM chunks. The weights are constant
// within a chunk, so the work is done per sounding value rather than per value
// and frame: each tone's waveform repeats with its integer period, and is
// computed once per period and added across the chunk. The result equals the
// per-frame rule sample for sample. Holds its scratch space, allocated once.
class ChordSynth {
 public:
  // Reserves scratch space for chunks of up to maxFrames frames.
  explicit ChordSynth(int32_t maxFrames = 4410);

  // Mixes the chord for frames startFrame .. startFrame + frames - 1 of a run
  // at ticksPerFrame ticks per frame. levels receives, per frame, the 16-bit
  // output value (0..16000): the weighted mean of the tones, halved.
  // frames must not exceed maxFrames.
  void Render(const ChordWeights& weights, const ScaleTable& scale, int64_t startFrame,
              int32_t frames, int32_t ticksPerFrame, std::span<int16_t> levels);

  // Renders one channel of a chunk buffer in the given format: channel 1
  // writes the first sample slot of each frame, channel 2 the second.
  // Channel 2 of a one-channel format has no slot and is not written.
  void SynthesizeChannel(std::span<uint8_t> chunk, const PcmFormat& format, int channel,
                         const ChordWeights& weights, const ScaleTable& scale, int64_t startFrame);

  // Writes levels (from Render) into one channel's slot of a chunk buffer.
  static void StoreChannel(std::span<uint8_t> chunk, const PcmFormat& format, int channel,
                           std::span<const int16_t> levels);

  std::span<int16_t> levels() { return levels_; }

 private:
  void RenderWide(const ChordWeights& weights, const ScaleTable& scale, int64_t startFrame,
                  int32_t frames, int32_t ticksPerFrame, std::span<int16_t> levels);

  std::vector<int32_t> sum_;
  std::vector<int32_t> cycle_;
  std::vector<int16_t> levels_;
};

}  // namespace tessaly
