#include "sound/chord_synth.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "../../bench/sound_literal.h"
#include "sound/tone_tables.h"

namespace tessaly {
namespace {

// A chunk of one channel, by the fast synthesis or by the literal per-frame rule.
std::vector<uint8_t> Synthesize(const PcmFormat& format, const ChordWeights& w,
                                const ScaleTable& scale, int64_t start, int channel = 1,
                                bool literal = false) {
  std::vector<uint8_t> chunk(size_t(format.ChunkFrames() * format.FrameSize()), 0);
  if (literal) {
    literal::SynthesizeChannel(chunk.data(), format, channel, w, scale, start);
  } else {
    ChordSynth(format.ChunkFrames()).SynthesizeChannel(chunk, format, channel, w, scale, start);
  }
  return chunk;
}

ChordWeights One(int value, uint32_t weight = 1) {
  ChordWeights w{};
  w[size_t(value)] = weight;
  return w;
}

// Literal values, worked out outside the product: the frequencies with python3
// in single precision (struct 'f' rounding after every multiplication or
// division by r = 1.059463f), the sine points as int((sin(i*6.283185307/44100)+1)*16000),
// the tone's first frames and the list texts by hand from the stated rules.
TEST(ToneTables, LiteralValues) {
  auto expect = [](int scale, int offset, std::vector<int> index, std::vector<float> hz) {
    ScaleTable table{};
    ASSERT_TRUE(BuildScale(scale, ReferenceScale()[size_t(100 + offset)], table));
    for (size_t i = 0; i < index.size(); ++i) {
      EXPECT_EQ(table[size_t(index[i])], hz[i]) << scale << " " << offset << " " << index[i];
    }
  };
  expect(kScaleChromatic, 0, {100, 101, 99, 112, 113, 88, 0, 199},
         {440.0f, 466.163727f, 415.304718f, 880.0f, 932.327454f, 220.0f, 1.36417317f, 133952.266f});
  expect(kScaleMajor, -9, {100, 101, 103, 106, 107, 99},
         {261.625732f, 293.664917f, 349.228333f, 493.88327f, 523.251465f, 246.941635f});
  expect(kScaleMinorPentatonic, 0, {101, 102, 104, 105, 99, 95},
         {523.251038f, 587.329346f, 739.988403f, 880.0f, 369.994202f, 220.0f});
  expect(kScaleMinor, 0, {105, 106, 99, 98}, {698.456116f, 783.990356f, 391.995178f, 349.228058f});
  expect(kScaleMajorPentatonic, -9, {103, 104, 99}, {391.995514f, 440.000031f, 220.000015f});
  const std::pair<int, uint16_t> sine[] = {{0, 16000},    {1, 16002},     {100, 16227},
                                           {1000, 18271}, {11025, 32000}, {22050, 16000},
                                           {33075, 0},    {44099, 15997}};
  for (auto [i, v] : sine) {
    EXPECT_EQ(GetSineTable()[size_t(i)], v) << i;
  }
  // Value 100 alone at 44100 Hz: period 100 ticks, so the tone repeats every 100 frames.
  std::vector<int16_t> levels(101);
  ChordSynth(101).Render(One(100), ReferenceScale(), 0, 101, 1, levels);
  const std::pair<int, int16_t> frames[] = {{0, 8000},  {1, 8501},  {2, 9000},   {3, 9495},
                                            {4, 9985},  {5, 10466}, {25, 15999}, {75, 0},
                                            {99, 7385}, {100, 8000}};
  for (auto [j, v] : frames) {
    EXPECT_EQ(levels[size_t(j)], v) << "frame " << j;
  }
  EXPECT_EQ(ScaleName(kScaleCount) + ScaleName(-1), "");  // no list text for other numbers
  ScaleTable unknown{};
  EXPECT_FALSE(BuildScale(5, 440.0f, unknown) || BuildScale(-1, 440.0f, unknown));
  const std::vector<BaseNoteItem> notes = BaseFrequencyItems();
  ASSERT_EQ(notes.size(), 37u);
  const std::pair<size_t, const char*> texts[] = {{0, "130.81   C"},  {10, "233.08   A#"},
                                                  {11, "246.94   H"}, {14, "293.67   D"},
                                                  {21, "440.00   A"}, {36, "1046.50   C"}};
  for (auto [i, text] : texts) {
    EXPECT_EQ(notes[i].text, text);
    EXPECT_EQ(notes[i].offset, int(i) - 21);
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
                    Synthesize(format, w, table, start, channel, true))
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
              Synthesize({}, large, ReferenceScale(), start, 1, true));
  }
  ChordWeights huge = One(100, 3000000), small = One(100, 3);
  huge[101] = 1000000;
  small[101] = 1;
  EXPECT_EQ(Synthesize({}, huge, ReferenceScale(), 777),
            Synthesize({}, small, ReferenceScale(), 777));
}

}  // namespace
}  // namespace tessaly
