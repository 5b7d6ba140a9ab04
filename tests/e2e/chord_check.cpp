// tessaly-e2e-chord: checks sound captured from the running program against the
// synthesis of the chord for the samples tessaly-replay serves.
//
//   tessaly-e2e-chord [--chunks N] CAPTURE.raw STATION VOLUME START...
//
// CAPTURE.raw: 16-bit little-endian stereo frames at 44.1 kHz, as the ALSA file
// sink writes them. STATION: the station View 1 plays. VOLUME: the "Volume"
// setting. START: candidate first seconds of the run (the driver cannot know to
// the second when the program read its clock). The chord settings are the
// defaults: three values, fade-out, major pentatonic on C (523.25 Hz).
// Prints the start that matches and exits 0, or explains the mismatch and exits 1.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "analysis/histogram.h"
#include "replay_data.h"
#include "samples/clock.h"
#include "samples/sample_store.h"
#include "sound/chord_synth.h"
#include "sound/tone_tables.h"
#include "support/fixed_clock.h"
#include "support/scripted_source.h"

namespace tessaly {
namespace {

constexpr int kChunkFrames = 4410;
constexpr int kBaseNoteIndex = 103;  // "BaseFrequency" 3 in the reference table

// Left channel of the captured frames from the first one that sounds; nothing
// is skipped after it, so any silence the output inserted fails the match.
// Returns false when the channels differ anywhere.
bool LeftFromFirstSound(const std::vector<unsigned char>& raw, std::vector<int16_t>& left) {
  const size_t count = raw.size() / 4;
  auto sample = [&](size_t k, int ch) {
    return int16_t(raw[4 * k + 2 * ch] | (raw[4 * k + 2 * ch + 1] << 8));
  };
  size_t j = 0;
  while (j < count && sample(j, 0) == 0 && sample(j, 1) == 0) {
    ++j;
  }
  for (; j < count; ++j) {
    if (sample(j, 0) != sample(j, 1)) {
      std::printf("channels differ at frame %zu\n", j);
      return false;
    }
    left.push_back(sample(j, 0));
  }
  return true;
}

// Number of leading chunks of the capture that equal the synthesis for a run
// starting at second start.
int MatchingChunks(const std::vector<int16_t>& left, uint32_t station, int volume, int64_t start,
                   int chunks) {
  const FixedClock clock(start);
  ScriptedSource source({station}, replay::GeneratedSample);
  SampleStore store(kSourceServer, clock, &source);
  store.CreateBlocks(start - 600, start + 600);
  ScaleTable scale{};
  BuildScale(kScaleMajorPentatonic, ReferenceScale()[kBaseNoteIndex], scale);
  ChordSynth synth(kChunkFrames);
  std::vector<int16_t> levels(kChunkFrames);
  const int32_t gain = std::clamp(volume, 0, 100) * 65535 / 100;
  for (int c = 0; c < chunks; ++c) {
    // The engine renders a chunk ahead: the first 19 chunks sound the start second.
    const int second = std::max(0, (c + 1) / 10 - 1);
    CHistogram histogram;
    if (histogram.Compute(store, station, start + second, 3, kWeightFadeOut) != 3) {
      return c;
    }
    synth.Render(histogram.bins, scale, int64_t(c) * kChunkFrames, kChunkFrames, 1, levels);
    for (int j = 0; j < kChunkFrames; ++j) {
      const size_t at = size_t(c) * kChunkFrames + size_t(j);
      if (at >= left.size() || left[at] != int16_t(int32_t(levels[size_t(j)]) * gain / 65535)) {
        return c;
      }
    }
  }
  return chunks;
}

int Run(int argc, char** argv) {
  // Five seconds of sound unless told: each frame where the synthesis puts it.
  int compared = 50;
  if (argc > 2 && std::string(argv[1]) == "--chunks") {
    compared = std::max(1, std::atoi(argv[2]));
    argc -= 2;
    argv += 2;
  }
  if (argc < 5) {
    std::fprintf(stderr,
                 "usage: tessaly-e2e-chord [--chunks N] CAPTURE.raw STATION VOLUME START...\n");
    return 2;
  }
  std::ifstream in(argv[1], std::ios::binary);
  const std::vector<unsigned char> raw((std::istreambuf_iterator<char>(in)), {});
  const auto station = uint32_t(std::strtoul(argv[2], nullptr, 10));
  const int volume = std::atoi(argv[3]);
  std::vector<int16_t> left;
  if (!LeftFromFirstSound(raw, left)) {
    return 1;
  }
  const int chunks = int(left.size() / kChunkFrames);
  std::printf("captured %zu bytes, %d chunks of sound\n", raw.size(), chunks);
  if (chunks < compared) {
    std::printf("less than %d chunks of sound\n", compared);
    return 1;
  }
  for (int i = 4; i < argc; ++i) {
    const int64_t start = std::strtoll(argv[i], nullptr, 10);
    const int matched = MatchingChunks(left, station, volume, start, compared);
    std::printf("start %lld: %d of %d chunks match\n", static_cast<long long>(start), matched,
                compared);
    if (matched == compared) {
      std::printf("match %lld\n", static_cast<long long>(start));
      return 0;
    }
  }
  return 1;
}

}  // namespace
}  // namespace tessaly

int main(int argc, char** argv) {
  return tessaly::Run(argc, argv);
}
