#include "sound/tone_tables.h"

#include <gtest/gtest.h>

namespace tessaly {
namespace {

// The frequency `steps` semitones above f, one float multiplication a step.
float Up(float f, int steps) {
  for (int k = 0; k < steps; ++k) {
    f = f * kSemitoneRatio;
  }
  return f;
}

TEST(ToneTables, SineAndScales) {
  const SineTable& sine = GetSineTable();
  EXPECT_EQ((std::vector<int>{sine[0], sine[11025], sine[22050], sine[33075], sine[441]}),
            (std::vector<int>{16000, 32000, 16000, 0, 17004}));
  const ScaleTable& ref = ReferenceScale();
  EXPECT_EQ((std::vector<float>{ref[88], ref[100], ref[112], ref[124], ref[117]}),
            (std::vector<float>{220, 440, 880, 1760, Up(880, 5)}));
  EXPECT_EQ(ChromaticScale(440.0f), ref);

  const float c4 = ref[91];
  ScaleTable major{}, minorPenta{}, majorPenta{};
  ASSERT_TRUE(BuildScale(kScaleMajor, c4, major));
  ASSERT_TRUE(BuildScale(kScaleMinorPentatonic, 440.0f, minorPenta));
  ASSERT_TRUE(BuildScale(kScaleMajorPentatonic, 440.0f, majorPenta));
  EXPECT_EQ(
      (std::vector<float>{major[100], major[101], major[107], major[99], major[93], major[86]}),
      (std::vector<float>{c4, Up(c4, 2), 2 * c4, Up(c4, 11) * 0.5f, c4 * 0.5f, c4 * 0.25f}));
  for (int i = 1; i < kScaleSize; ++i) {
    EXPECT_LT(major[size_t(i - 1)], major[size_t(i)]) << i;
  }
  // Minor pentatonic tops out at 9 semitones, not 10; twenty octaves either side.
  EXPECT_EQ((std::vector<float>{minorPenta[101], minorPenta[104], minorPenta[105], minorPenta[99]}),
            (std::vector<float>{Up(440, 3), Up(440, 9), 880, Up(440, 9) * 0.5f}));
  EXPECT_EQ((std::vector<float>{majorPenta[103], majorPenta[104], majorPenta[95], majorPenta[0]}),
            (std::vector<float>{Up(440, 7), Up(440, 9), 220, 440.0f / 1048576.0f}));
  EXPECT_GT(majorPenta[199], 22050.0f);

  ScaleTable t = ref;
  EXPECT_FALSE(BuildScale(7, 523.0f, t));
  EXPECT_FALSE(BuildScale(-1, 523.0f, t));
  EXPECT_EQ(t, ref);
  EXPECT_EQ(ScaleName(3), "Maj. pentatonic");
  EXPECT_EQ(ScaleName(5), "");
}

TEST(ToneTables, ThirtySevenBaseNotesFromC3ToC6) {
  const std::vector<BaseNoteItem> items = BaseFrequencyItems();
  ASSERT_EQ(items.size(), 37u);
  EXPECT_EQ(items.front().offset, -21);
  EXPECT_EQ(items.back().offset, 15);
  const std::vector<std::pair<int, const char*>> texts = {
      {0, "130.81   C"},  {14, "293.67   D"}, {21, "440.00   A"}, {22, "466.16   A#"},
      {23, "493.88   H"}, {24, "523.25   C"}, {36, "1046.50   C"}};
  for (const auto& [i, text] : texts) {
    EXPECT_EQ(items[size_t(i)].text, text);
  }
  EXPECT_EQ(NoteFrequencyText(0), "16.35");
  EXPECT_EQ(NoteFrequencyText(99), "4978.03");
  EXPECT_EQ(NoteName(99), "D#");
}

}  // namespace
}  // namespace tessaly
