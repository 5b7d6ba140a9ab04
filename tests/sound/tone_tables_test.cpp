#include "sound/tone_tables.h"

#include <gtest/gtest.h>

namespace tessaly {
namespace {

TEST(SineTable, OneCycleAroundSixteenThousand) {
  const SineTable& sine = GetSineTable();
  EXPECT_EQ(sine[0], 16000);
  EXPECT_EQ(sine[11025], 32000);
  EXPECT_EQ(sine[22050], 16000);
  EXPECT_EQ(sine[33075], 0);
  EXPECT_EQ(sine[441], 17004);  // (sin(2 pi / 100) + 1) x 16000 = 17004.6
}

TEST(ScaleTables, ChromaticOctavesAreExact) {
  const ScaleTable& ref = ReferenceScale();
  EXPECT_EQ(ref[100], 440.0f);
  EXPECT_EQ(ref[112], 880.0f);
  EXPECT_EQ(ref[88], 220.0f);
  EXPECT_EQ(ref[124], 1760.0f);
  // Within an octave each step is one more float multiplication.
  float x = 880.0f;
  for (int j = 0; j < 5; ++j) {
    x = x * kSemitoneRatio;
  }
  EXPECT_EQ(ref[117], x);
  EXPECT_EQ(ChromaticScale(440.0f), ref);
}

TEST(ScaleTables, MajorAroundC4) {
  const ScaleTable& ref = ReferenceScale();
  const float c4 = ref[91];  // base offset -9
  ScaleTable t{};
  ASSERT_TRUE(BuildScale(kScaleMajor, c4, t));
  EXPECT_EQ(t[100], c4);
  EXPECT_EQ(t[101], c4 * kSemitoneRatio * kSemitoneRatio);
  EXPECT_EQ(t[107], 2 * c4);
  float r11 = c4;
  for (int k = 0; k < 11; ++k) {
    r11 = r11 * kSemitoneRatio;
  }
  EXPECT_EQ(t[99], r11 * 0.5f);
  EXPECT_EQ(t[93], c4 * 0.5f);
  EXPECT_EQ(t[86], c4 * 0.25f);
  // Ascending everywhere.
  for (int i = 1; i < kScaleSize; ++i) {
    EXPECT_LT(t[size_t(i - 1)], t[size_t(i)]) << i;
  }
}

TEST(ScaleTables, PentatonicDegrees) {
  ScaleTable minor{};
  ScaleTable major{};
  ASSERT_TRUE(BuildScale(kScaleMinorPentatonic, 440.0f, minor));
  ASSERT_TRUE(BuildScale(kScaleMajorPentatonic, 440.0f, major));
  float s[12];
  s[0] = 440.0f;
  for (int k = 1; k < 12; ++k) {
    s[k] = s[k - 1] * kSemitoneRatio;
  }
  // Minor pentatonic tops out at 9 semitones, not 10.
  EXPECT_EQ(minor[101], s[3]);
  EXPECT_EQ(minor[104], s[9]);
  EXPECT_EQ(minor[105], 880.0f);
  EXPECT_EQ(minor[99], s[9] * 0.5f);
  EXPECT_EQ(major[103], s[7]);
  EXPECT_EQ(major[104], s[9]);
  EXPECT_EQ(major[95], 220.0f);
  // Twenty octaves on either side.
  EXPECT_EQ(major[0], 440.0f / 1048576.0f);
  EXPECT_GT(major[199], 22050.0f);
}

TEST(ScaleTables, UnknownScaleLeavesTable) {
  ScaleTable t = ReferenceScale();
  EXPECT_FALSE(BuildScale(7, 523.0f, t));
  EXPECT_FALSE(BuildScale(-1, 523.0f, t));
  EXPECT_EQ(t, ReferenceScale());
  EXPECT_EQ(ScaleName(3), "Maj. pentatonic");
  EXPECT_EQ(ScaleName(5), "");
}

TEST(BaseFrequencyList, ThirtySevenNotesFromC3ToC6) {
  const std::vector<BaseNoteItem> items = BaseFrequencyItems();
  ASSERT_EQ(items.size(), 37u);
  EXPECT_EQ(items.front().text, "130.81   C");
  EXPECT_EQ(items.front().offset, -21);
  EXPECT_EQ(items.back().text, "1046.50   C");
  EXPECT_EQ(items.back().offset, 15);
  EXPECT_EQ(items[21].text, "440.00   A");
  EXPECT_EQ(items[24].text, "523.25   C");  // the default setting 3
  EXPECT_EQ(items[14].text, "293.67   D");  // n = 50 keeps its own rounding
  EXPECT_EQ(items[22].text, "466.16   A#");
  EXPECT_EQ(items[23].text, "493.88   H");
  EXPECT_EQ(NoteFrequencyText(0), "16.35");
  EXPECT_EQ(NoteFrequencyText(99), "4978.03");
  EXPECT_EQ(NoteName(99), "D#");
}

}  // namespace
}  // namespace tessaly
