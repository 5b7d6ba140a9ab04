#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace tessaly {

// The sine table and the periods count in ticks of 1/44100 s.
inline constexpr int kTickRate = 44100;
inline constexpr int kSineSize = 44100;
inline constexpr int kScaleSize = 200;
// Index of the base frequency in a scale table.
inline constexpr int kScaleRoot = 100;
// One equal-tempered semitone, as the single-precision constant the tables are built from.
inline constexpr float kSemitoneRatio = 1.059463f;

inline constexpr int kScaleChromatic = 0;
inline constexpr int kScaleMajor = 1;
inline constexpr int kScaleMinor = 2;
inline constexpr int kScaleMajorPentatonic = 3;
inline constexpr int kScaleMinorPentatonic = 4;
inline constexpr int kScaleCount = 5;

// Offsets of the "Base frequency" list, semitones above A 440 Hz.
inline constexpr int kBaseNoteMin = -21;
inline constexpr int kBaseNoteMax = 15;

using SineTable = std::array<uint16_t, kSineSize>;
using ScaleTable = std::array<float, kScaleSize>;

// One full sine cycle over 44100 ticks, 0..32000 around 16000. Built once.
const SineTable& GetSineTable();

// Frequencies of the chromatic rule around base at index 100.
ScaleTable ChromaticScale(float base);

// The reference table: the chromatic rule around 440 Hz. Built once.
const ScaleTable& ReferenceScale();

// Fills table for a scale number around base; false (table untouched) for an
// unknown scale number.
bool BuildScale(int scale, float base, ScaleTable& table);

// The list text of a scale number ("Chromatic", ...), empty when unknown.
std::string ScaleName(int scale);

// One entry of the "Base frequency" list.
struct BaseNoteItem {
  std::string text;  // "%s   %s": frequency, three blanks, note name
  int offset = 0;    // item data: semitones above A4
};

// Frequency text and note name of equal-tempered note n (0 = C0 .. 99 = D#8).
std::string NoteFrequencyText(int n);
std::string NoteName(int n);

// The 37 entries of the "Base frequency" list, C3 to C6.
std::vector<BaseNoteItem> BaseFrequencyItems();

}  // namespace tessaly
