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

TEST(ChordSynth, SingleToneFollowsTheRuleAtAnyPitchAndStart) {
  // At 440 Hz float and double agree; at most pitches they do not, so the
  // expected values are computed in float as the rule says.
  const SineTable& sine = GetSineTable();
  const PcmFormat format;
  ScaleTable scale{};
  ASSERT_TRUE(BuildScale(kScaleMinor, ReferenceScale()[96], scale));
  for (int v : {1, 37, 93, 107, 131, 139}) {
    ChordWeights w{};
    w[size_t(v)] = 1;
    const int64_t start = 441000 + 4410 * v;
    const auto chunk = Synthesize(format, w, scale, start);
    const float f = scale[size_t(v)];
    const auto period = static_cast<int64_t>(44100.0f / f);
    for (int j = 0; j < format.ChunkFrames(); j += 97) {
      const auto index = static_cast<int>(static_cast<float>((start + j) % period) * f);
      EXPECT_EQ(Sample16(chunk, 4, j), sine[size_t(index)] >> 1) << "v=" << v << " j=" << j;
    }
  }
}

TEST(ChordSynth, WeightedMeanAndSilentTonesCountInTheTotal) {
  const SineTable& sine = GetSineTable();
  const PcmFormat format;
  const ScaleTable& scale = ReferenceScale();
  auto tone = [&](int v, int j) {
    const float f = scale[size_t(v)];
    const auto period = static_cast<int64_t>(44100.0f / f);
    return int(sine[size_t(static_cast<int>(static_cast<float>(j % period) * f))]);
  };
  ChordWeights w{};
  w[100] = 3;
  w[107] = 1;
  auto chunk = Synthesize(format, w, scale, 0);
  for (int j : {1, 2, 50, 333, 4409}) {
    EXPECT_EQ(Sample16(chunk, 4, j), ((3 * tone(100, j) + tone(107, j)) / 4) >> 1) << j;
  }
  // Value 199 sounds far above 22050 Hz: silent, but its weight still lowers the level.
  ASSERT_GT(scale[199], 22050.0f);
  w[199] = 2;
  chunk = Synthesize(format, w, scale, 0);
  for (int j : {1, 2, 50, 333, 4409}) {
    EXPECT_EQ(Sample16(chunk, 4, j), ((3 * tone(100, j) + tone(107, j)) / 6) >> 1) << j;
  }
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
  const SineTable& sine = GetSineTable();
  for (int j = 0; j < 1102; ++j) {
    // Four ticks per frame.
    ASSERT_EQ(chunk[size_t(j)], (sine[size_t(((4 * j) % 100) * 440)] >> 1) >> 6) << j;
  }
  EXPECT_EQ(chunk[0], 8000 >> 6);
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
