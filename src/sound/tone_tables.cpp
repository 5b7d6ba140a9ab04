#include "sound/tone_tables.h"

#include <cmath>
#include <cstdio>

namespace tessaly {

namespace {

struct ScaleDegrees {
  const char* name;
  std::array<int, 12> degrees;
  int count;
};

constexpr std::array<ScaleDegrees, kScaleCount> kScales = {{
    {"Chromatic", {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}, 12},
    {"Major", {0, 2, 4, 5, 7, 9, 11}, 7},
    {"Minor", {0, 2, 3, 5, 7, 8, 10}, 7},
    {"Maj. pentatonic", {0, 2, 4, 7, 9}, 5},
    // The top degree is 9 semitones, not 10: that is how the scale has always sounded.
    {"Min. pentatonic", {0, 3, 5, 7, 9}, 5},
}};

constexpr std::array<const char*, 12> kNoteNames = {"C",  "C#", "D",  "D#", "E",  "F",
                                                    "F#", "G",  "G#", "A",  "A#", "H"};

SineTable MakeSineTable() {
  SineTable table{};
  for (int i = 0; i < kSineSize; ++i) {
    table[size_t(i)] = static_cast<uint16_t>((std::sin(i * 6.283185307 / 44100) + 1.0) * 16000);
  }
  return table;
}

// The twelve semitones of one octave from base, one float multiplication each.
std::array<float, 12> Semitones(float base) {
  std::array<float, 12> s{};
  s[0] = base;
  for (size_t k = 1; k < 12; ++k) {
    s[k] = s[k - 1] * kSemitoneRatio;
  }
  return s;
}

}  // namespace

const SineTable& GetSineTable() {
  static const SineTable table = MakeSineTable();
  return table;
}

ScaleTable ChromaticScale(float base) {
  ScaleTable table{};
  float start = base;
  float x = base;
  for (int i = kScaleRoot, written = 0; i < kScaleSize; ++i) {
    table[size_t(i)] = x;
    x = x * kSemitoneRatio;
    if (++written % 12 == 0) {
      start = start * 2.0f;
      x = start;
    }
  }
  start = base;
  x = base;
  for (int i = kScaleRoot, written = 0; i >= 0; --i) {
    table[size_t(i)] = x;
    x = x / kSemitoneRatio;
    if (++written % 12 == 0) {
      start = start * 0.5f;
      x = start;
    }
  }
  return table;
}

const ScaleTable& ReferenceScale() {
  static const ScaleTable table = ChromaticScale(440.0f);
  return table;
}

bool BuildScale(int scale, float base, ScaleTable& table) {
  if (scale < 0 || scale >= kScaleCount) {
    return false;
  }
  if (scale == kScaleChromatic) {
    table = ChromaticScale(base);
    return true;
  }
  const ScaleDegrees& d = kScales[size_t(scale)];
  std::array<float, 12> s = Semitones(base);
  int index = kScaleRoot;
  while (index < kScaleSize) {
    for (int k = 0; k < d.count && index < kScaleSize; ++k) {
      table[size_t(index++)] = s[size_t(d.degrees[size_t(k)])];
    }
    for (float& f : s) {
      f = f * 2.0f;
    }
  }
  s = Semitones(base);
  index = kScaleRoot - 1;
  while (index >= 0) {
    for (float& f : s) {
      f = f * 0.5f;
    }
    for (int k = d.count - 1; k >= 0 && index >= 0; --k) {
      table[size_t(index--)] = s[size_t(d.degrees[size_t(k)])];
    }
  }
  return true;
}

std::string ScaleName(int scale) {
  if (scale < 0 || scale >= kScaleCount) {
    return {};
  }
  return kScales[size_t(scale)].name;
}

std::string NoteFrequencyText(int n) {
  if (n == 50) {
    // The list has always shown this note rounded up.
    return "293.67";
  }
  char text[32];
  std::snprintf(text, sizeof text, "%.2f", 440.0 * std::pow(2.0, (n - 57) / 12.0));
  return text;
}

std::string NoteName(int n) {
  const int k = ((n % 12) + 12) % 12;
  return kNoteNames[size_t(k)];
}

std::vector<BaseNoteItem> BaseFrequencyItems() {
  std::vector<BaseNoteItem> items;
  for (int offset = kBaseNoteMin; offset <= kBaseNoteMax; ++offset) {
    const int n = offset + 57;
    items.push_back({NoteFrequencyText(n) + "   " + NoteName(n), offset});
  }
  return items;
}

}  // namespace tessaly
