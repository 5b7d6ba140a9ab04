#include "sound/chord_synth.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "../../bench/sound_literal.h"
#include "sound/tone_tables.h"

namespace tessaly {
namespace {

int16_t Sample16(const std::vector<uint8_t>& chunk, int frameSize, int frame, int slot = 0) {
  const size_t at = size_t(frame) * size_t(frameSize) + size_t(slot);
  return static_cast<int16_t>(chunk[at] | (chunk[at + 1] << 8));
}

std::vector<uint8_t> Synthesize(const PcmFormat& format, const ChordWeights& w,
                                const ScaleTable& scale, int64_t start, int channel = 1) {
  std::vector<uint8_t> chunk(size_t(format.ChunkFrames() * format.FrameSize()), 0);
  ChordSynth synth(format.ChunkFrames());
  synth.SynthesizeChannel(chunk, format, channel, w, scale, start);
  return chunk;
}

std::vector<uint8_t> Literal(const PcmFormat& format, const ChordWeights& w,
                             const ScaleTable& scale, int64_t start, int channel = 1) {
  std::vector<uint8_t> chunk(size_t(format.ChunkFrames() * format.FrameSize()), 0);
  literal::SynthesizeChannel(chunk.data(), format, channel, w, scale, start);
  return chunk;
}

TEST(ChordSynth, ValueHundredAloneIsTheA440Tone) {
  const PcmFormat format;
  ChordWeights w{};
  w[100] = 3;  // any weight
  const auto chunk = Synthesize(format, w, ReferenceScale(), 0);
  const int expected[] = {8000, 8501, 9000, 9495, 9985, 10466};
  for (int j = 0; j < 6; ++j) {
    EXPECT_EQ(Sample16(chunk, 4, j), expected[j]) << j;
  }
  EXPECT_EQ(Sample16(chunk, 4, 25), 15999);
  EXPECT_EQ(Sample16(chunk, 4, 75), 0);
  EXPECT_EQ(Sample16(chunk, 4, 99), 7385);
  EXPECT_EQ(Sample16(chunk, 4, 100), 8000);
  EXPECT_EQ(Sample16(chunk, 4, 0, 2), 0);  // channel 2 untouched
}

TEST(ChordSynth, EmptyHistogramGivesExactZeros) {
  PcmFormat format;
  std::vector<uint8_t> chunk(size_t(format.ChunkFrames() * format.FrameSize()), 0xAB);
  ChordSynth synth(format.ChunkFrames());
  synth.SynthesizeChannel(chunk, format, 2, ChordWeights{}, ReferenceScale(), 12345);
  for (size_t i = 0; i < chunk.size(); ++i) {
    EXPECT_EQ(chunk[i], (i % 4) >= 2 ? 0 : 0xAB) << i;
  }
}

TEST(ChordSynth, EightBitMonoAtElevenKilohertz) {
  const PcmFormat format{11025, 1, 8};
  ASSERT_EQ(format.ChunkFrames(), 1102);
  ChordWeights w{};
  w[100] = 1;
  const auto chunk = Synthesize(format, w, ReferenceScale(), 0);
  ASSERT_EQ(chunk.size(), 1102u);
  // Four ticks per frame: frame 25 is a full period on.
  EXPECT_EQ(chunk[0], 8000 >> 6);
  EXPECT_EQ(chunk[25], 8000 >> 6);
}

TEST(ChordSynth, MonoHasNoSecondSlot) {
  const PcmFormat format{44100, 1, 16};
  std::vector<uint8_t> chunk(size_t(format.ChunkFrames() * format.FrameSize()), 0x5A);
  ChordWeights w{};
  w[100] = 1;
  ChordSynth synth(format.ChunkFrames());
  synth.SynthesizeChannel(chunk, format, 2, w, ReferenceScale(), 0);
  for (uint8_t b : chunk) {
    ASSERT_EQ(b, 0x5A);
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
        const int n = 1 + int(rng() % 60);
        std::binomial_distribution<int> value(200, 0.5);
        for (int j = 0; j < n; ++j) {
          const int v = value(rng);
          if (v >= 1 && v <= 199) {
            w[size_t(v)] += uint32_t(1 + j);  // fade-out weights
          }
        }
        if (cases % 3 == 0) {
          w[1] += 1;  // far below any period of a chunk
          w[199] += 2;
        }
        const int64_t start = int64_t(rng() % 5000000);
        for (int channel = 1; channel <= format.channels; ++channel) {
          ASSERT_EQ(Synthesize(format, w, table, start, channel),
                    Literal(format, w, table, start, channel))
              << "scale " << scale << " offset " << offset << " rate " << format.sampleRate
              << " start " << start;
        }
        ++cases;
      }
    }
  }
}

TEST(ChordSynth, LargeTotalsStayExact) {
  // 67108 x 32000 is the largest weighted sum that fits 32 bits; beyond it the
  // sums are wider and the mean the same.
  const PcmFormat format;
  ChordWeights w{};
  w[100] = 40000;
  w[103] = 27000;
  w[111] = 108;
  for (int64_t start : {0, 99991, 4410 * 1234}) {
    ASSERT_EQ(Synthesize(format, w, ReferenceScale(), start),
              Literal(format, w, ReferenceScale(), start));
  }
  ChordWeights huge{};
  ChordWeights small{};
  huge[100] = 3000000;
  huge[101] = 1000000;
  small[100] = 3;
  small[101] = 1;
  EXPECT_EQ(Synthesize(format, huge, ReferenceScale(), 777),
            Synthesize(format, small, ReferenceScale(), 777));
}

}  // namespace
}  // namespace tessaly
