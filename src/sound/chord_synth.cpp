#include "sound/chord_synth.h"

#include <algorithm>
#include <numeric>

namespace tessaly {

namespace {

// Above this total weight the weighted sum of a frame may not fit 32 bits.
constexpr uint64_t kMaxNarrowWeight = INT32_MAX / 32000;

// The tone of a value at a phase (ticks into its period).
inline int32_t Tone(const SineTable& sine, int64_t phase, float f) {
  auto index = static_cast<int64_t>(static_cast<float>(phase) * f);
  // Only a pitch far below 1 Hz can round up to a full turn; wrap it instead of
  // reading past the table.
  if (index >= kSineSize) {
    index %= kSineSize;
  }
  return sine[size_t(index)];
}

// The whole-tick period of a tone, or 0 when it is silent (above 22050 Hz or not a pitch).
inline int64_t Period(float f) {
  const float q = 44100.0f / f;
  if (!(q >= 2.0f)) {
    return 0;
  }
  if (q >= 4.0e18f) {
    return INT64_MAX / 8;
  }
  return static_cast<int64_t>(q);
}

// Sums are added in blocks of this many frames: a fixed count the compiler
// turns into vector adds.
constexpr int32_t kBlock = 64;

inline void AddBlock(int32_t* __restrict dst, const int32_t* __restrict src) {
  for (int32_t i = 0; i < kBlock; ++i) {
    dst[i] += src[i];
  }
}

inline size_t RoundUpToBlock(int32_t frames) {
  return size_t((frames + kBlock - 1) / kBlock * kBlock);
}

// The stored sample of a level (the weighted mean, 0..32000).
inline int16_t Halved(int64_t level) {
  return static_cast<int16_t>(static_cast<int16_t>(level) >> 1);
}

}  // namespace

ChordSynth::ChordSynth(int32_t maxFrames)
    : sum_(RoundUpToBlock(std::max(maxFrames, 1))),
      cycle_(size_t(std::max(maxFrames, 1)) + kBlock),
      levels_(size_t(std::max(maxFrames, 1))) {}

void ChordSynth::Render(const ChordWeights& weights, const ScaleTable& scale, int64_t startFrame,
                        int32_t frames, int32_t ticksPerFrame, std::span<int16_t> levels) {
  frames = std::min<int32_t>({frames, int32_t(levels.size()), int32_t(sum_.size())});
  if (frames <= 0) {
    return;
  }
  uint64_t total = 0;
  for (uint32_t w : weights) {
    total += w;
  }
  if (total == 0) {
    std::fill_n(levels.begin(), frames, int16_t{0});
    return;
  }
  if (total > kMaxNarrowWeight || ticksPerFrame < 1) {
    RenderWide(weights, scale, startFrame, frames, ticksPerFrame, levels);
    return;
  }

  const SineTable& sine = GetSineTable();
  int32_t* sum = sum_.data();
  int32_t* cycle = cycle_.data();
  const int32_t blocks = (frames + kBlock - 1) / kBlock;
  std::fill_n(sum, size_t(blocks) * kBlock, 0);  // the last block's tail is scratch
  const int64_t ticks = ticksPerFrame;
  const int64_t startTick = ticks * startFrame;
  for (int v = 0; v < kScaleSize; ++v) {
    const auto w = static_cast<int32_t>(weights[size_t(v)]);
    if (w == 0) {
      continue;
    }
    const float f = scale[size_t(v)];
    const int64_t period = Period(f);
    if (period == 0) {
      continue;  // inaudible, but its weight still counts in the total
    }
    int64_t phase = startTick % period;
    // Frames after which the tone's samples repeat.
    const int64_t repeat = period / std::gcd(period, ticks);
    if (repeat * 2 <= frames) {
      const auto len = static_cast<int32_t>(repeat);
      for (int32_t k = 0; k < len; ++k) {
        cycle[k] = w * Tone(sine, phase, f);
        phase += ticks;
        while (phase >= period) {
          phase -= period;
        }
      }
      // One block past the end, so that a block starting anywhere in the
      // repeat reads on without wrapping.
      for (int32_t k = len; k < len + kBlock; ++k) {
        cycle[k] = cycle[k - len];
      }
      for (int32_t b = 0, at = 0; b < blocks; ++b) {
        AddBlock(sum + b * kBlock, cycle + at);
        at = (at + kBlock) % len;
      }
    } else {
      for (int32_t j = 0; j < frames; ++j) {
        sum[j] += w * Tone(sine, phase, f);
        phase += ticks;
        while (phase >= period) {
          phase -= period;
        }
      }
    }
  }
  // sum / total as a multiplication: with m = ceil(2^48 / total) and
  // total * m = 2^48 + e (e < total), sum * m / 2^48 exceeds sum / total by
  // sum * e / (total * 2^48) < 1 / total, as sum < 2^31 and total < 2^17, so
  // the shifted product is the truncated quotient. It fits: below 32000 * 2^48.
  const uint64_t m = ((uint64_t{1} << 48) + total - 1) / total;
  for (int32_t j = 0; j < frames; ++j) {
    levels[size_t(j)] = Halved(int64_t((uint64_t(sum[j]) * m) >> 48));
  }
}

// The rule frame by frame in 64-bit sums, for totals too large for the narrow path.
void ChordSynth::RenderWide(const ChordWeights& weights, const ScaleTable& scale,
                            int64_t startFrame, int32_t frames, int32_t ticksPerFrame,
                            std::span<int16_t> levels) {
  const SineTable& sine = GetSineTable();
  uint64_t total = 0;
  for (uint32_t w : weights) {
    total += w;
  }
  const int64_t ticks = std::max(ticksPerFrame, 1);
  for (int32_t j = 0; j < frames; ++j) {
    const int64_t t = ticks * (startFrame + j);
    int64_t sum = 0;
    for (int v = 0; v < kScaleSize; ++v) {
      const uint32_t w = weights[size_t(v)];
      if (w == 0) {
        continue;
      }
      const float f = scale[size_t(v)];
      const int64_t period = Period(f);
      if (period != 0) {
        sum += int64_t(w) * Tone(sine, t % period, f);
      }
    }
    levels[size_t(j)] = Halved(sum / int64_t(total));
  }
}

void ChordSynth::SynthesizeChannel(std::span<uint8_t> chunk, const PcmFormat& format, int channel,
                                   const ChordWeights& weights, const ScaleTable& scale,
                                   int64_t startFrame) {
  const int32_t frameSize = format.FrameSize();
  if (frameSize <= 0) {
    return;
  }
  const int32_t frames =
      std::min<int32_t>(int32_t(chunk.size() / size_t(frameSize)), int32_t(levels_.size()));
  Render(weights, scale, startFrame, frames, format.TicksPerFrame(), levels_);
  StoreChannel(chunk, format, channel, std::span<const int16_t>(levels_.data(), size_t(frames)));
}

void ChordSynth::StoreChannel(std::span<uint8_t> chunk, const PcmFormat& format, int channel,
                              std::span<const int16_t> levels) {
  const int32_t sampleBytes = format.bitsPerSample / 8;
  const int32_t frameSize = format.FrameSize();
  if (frameSize <= 0 || channel < 1 || channel > format.channels || channel > 2) {
    return;  // a mono frame has no second slot
  }
  const size_t frames = std::min(levels.size(), chunk.size() / size_t(frameSize));
  uint8_t* out = chunk.data() + (channel - 1) * sampleBytes;
  if (sampleBytes == 2) {
    for (size_t j = 0; j < frames; ++j, out += frameSize) {
      const auto value = static_cast<uint16_t>(levels[j]);
      out[0] = static_cast<uint8_t>(value & 0xFF);
      out[1] = static_cast<uint8_t>(value >> 8);
    }
  } else {
    for (size_t j = 0; j < frames; ++j, out += frameSize) {
      out[0] = static_cast<uint8_t>(levels[j] >> 6);
    }
  }
}

}  // namespace tessaly
