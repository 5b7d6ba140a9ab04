#include "sound/chord_synth.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "../../bench/sound_literal.h"
#include "sound/tone_tables.h"

namespace tessaly {
namespace {

std::vector<uint8_t> Synthesize(const PcmFormat& format, const ChordWeights& w,
                                const ScaleTable& scale, int64_t start, int channel = 1,
                                uint8_t fill = 0) {
  std::vector<uint8_t> chunk(size_t(format.ChunkFrames() * format.FrameSize()), fill);
  ChordSynth(format.ChunkFrames()).SynthesizeChannel(chunk, format, channel, w, scale, start);
  return chunk;
}

std::vector<uint8_t> Literal(const PcmFormat& format, const ChordWeights& w,
                             const ScaleTable& scale, int64_t start, int channel = 1) {
  std::vector<uint8_t> chunk(size_t(format.ChunkFrames() * format.FrameSize()), 0);
  literal::SynthesizeChannel(chunk.data(), format, channel, w, scale, start);
  return chunk;
}

ChordWeights One(int value, uint32_t weight = 1) {
  ChordWeights w{};
  w[size_t(value)] = weight;
  return w;
}

TEST(ChordSynth, KnownSamplesOfTheA440ToneAndUntouchedSlots) {
  const auto chunk = Synthesize({}, One(100, 3), ReferenceScale(), 0);
  const auto at = [&](int frame, int slot) {
    return int16_t(chunk[size_t(4 * frame + slot)] | (chunk[size_t(4 * frame + slot + 1)] << 8));
  };
  const std::vector<std::pair<int, int>> expected = {
      {0, 8000}, {1, 8501}, {2, 9000}, {5, 10466}, {25, 15999}, {75, 0}, {99, 7385}, {100, 8000}};
  for (const auto& [frame, level] : expected) {
    EXPECT_EQ(at(frame, 0), level) << frame;
  }
  EXPECT_EQ(at(0, 2), 0);  // channel 2 untouched
  // 8-bit mono at 11025 Hz: four ticks a frame.
  const auto mono8 = Synthesize({11025, 1, 8}, One(100), ReferenceScale(), 0);
  ASSERT_EQ(mono8.size(), 1102u);
  EXPECT_EQ(mono8[0], 8000 >> 6);
  EXPECT_EQ(mono8[25], 8000 >> 6);
  // Mono has no second slot; an empty histogram writes exact zeros into its own.
  EXPECT_EQ(Synthesize({44100, 1, 16}, One(100), ReferenceScale(), 0, 2, 0x5A),
            std::vector<uint8_t>(17640 / 2, 0x5A));
  const auto silent = Synthesize({}, ChordWeights{}, ReferenceScale(), 12345, 2, 0xAB);
  for (size_t i = 0; i < silent.size(); ++i) {
    ASSERT_EQ(silent[i], (i % 4) >= 2 ? 0 : 0xAB) << i;
  }
}

// The fast synthesis against the literal per-frame rule, over scales, base
// notes, formats, start frames and chords from single notes to wide fades.
TEST(ChordSynth, BitExactWithTheLiteralRule) {
  std::mt19937 rng(20261206);
  const PcmFormat formats[] = {{44100, 2, 16}, {22050, 2, 16}, {11025, 1, 8}, {22050, 1, 8}};
  int cases = 0;
  for (int scale = 0; scale < kScaleCount; ++scale) {
    for (int offset : {-21, -9, 0, 3, 15}) {
      ScaleTable table{};
      ASSERT_TRUE(BuildScale(scale, ReferenceScale()[size_t(100 + offset)], table));
      for (const PcmFormat& format : formats) {
        ChordWeights w{};
        std::binomial_distribution<int> value(200, 0.5);
        for (int j = 0, n = 1 + int(rng() % 60); j < n; ++j) {
          if (const int v = value(rng); v >= 1 && v <= 199) {
            w[size_t(v)] += uint32_t(1 + j);  // fade-out weights
          }
        }
        if (cases++ % 3 == 0) {
          w[1] += 1;  // far below any period of a chunk
          w[199] += 2;
        }
        const int64_t start = int64_t(rng() % 5000000);
        for (int channel = 1; channel <= format.channels; ++channel) {
          ASSERT_EQ(Synthesize(format, w, table, start, channel),
                    Literal(format, w, table, start, channel))
              << "scale " << scale << " offset " << offset << " rate " << format.sampleRate;
        }
      }
    }
  }
  // Beyond 67108 x 32000 the weighted sums no longer fit 32 bits; the mean stays.
  ChordWeights large = One(100, 40000);
  large[103] = 27000;
  large[111] = 108;
  for (int64_t start : {0, 99991, 4410 * 1234}) {
    ASSERT_EQ(Synthesize({}, large, ReferenceScale(), start),
              Literal({}, large, ReferenceScale(), start));
  }
  ChordWeights huge = One(100, 3000000), small = One(100, 3);
  huge[101] = 1000000;
  small[101] = 1;
  EXPECT_EQ(Synthesize({}, huge, ReferenceScale(), 777),
            Synthesize({}, small, ReferenceScale(), 777));
}

}  // namespace
}  // namespace tessaly
