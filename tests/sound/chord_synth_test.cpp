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
