// One second of stereo 44.1 kHz 16-bit audio from a 60-value chord, through
// the synthesis the engine uses and through the literal per-frame rule.
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "sound/chord_synth.h"
#include "sound/tone_tables.h"
#include "sound_literal.h"

namespace tessaly {
namespace {

struct ChordSetup {
  PcmFormat format{44100, 2, 16};
  ChordWeights weights{};
  ScaleTable scale{};
  std::vector<uint8_t> chunk;

  ChordSetup() : chunk(size_t(format.ChunkFrames() * format.FrameSize())) {
    // The default settings: "Maj. pentatonic" around C5 (523.25 Hz), "Fade-out".
    BuildScale(kScaleMajorPentatonic, ReferenceScale()[103], scale);
    std::mt19937 rng(60);
    std::binomial_distribution<int> value(200, 0.5);
    for (int j = 0; j < 60; ++j) {
      weights[size_t(value(rng))] += uint32_t(j + 1);
    }
  }
};

void BM_SynthChord(benchmark::State& state) {
  ChordSetup s;
  ChordSynth synth(s.format.ChunkFrames());
  int64_t start = 0;
  for (auto _ : state) {
    for (int c = 0; c < 10; ++c, start += s.format.ChunkFrames()) {
      synth.SynthesizeChannel(s.chunk, s.format, 1, s.weights, s.scale, start);
      synth.SynthesizeChannel(s.chunk, s.format, 2, s.weights, s.scale, start);
    }
    benchmark::DoNotOptimize(s.chunk.data());
    benchmark::ClobberMemory();
  }
  state.SetLabel("1 s of stereo audio per iteration");
}
BENCHMARK(BM_SynthChord)->Unit(benchmark::kMicrosecond);

void BM_SynthChordLiteral(benchmark::State& state) {
  ChordSetup s;
  int64_t start = 0;
  for (auto _ : state) {
    for (int c = 0; c < 10; ++c, start += s.format.ChunkFrames()) {
      literal::SynthesizeChannel(s.chunk.data(), s.format, 1, s.weights, s.scale, start);
      literal::SynthesizeChannel(s.chunk.data(), s.format, 2, s.weights, s.scale, start);
    }
    benchmark::DoNotOptimize(s.chunk.data());
    benchmark::ClobberMemory();
  }
  state.SetLabel("1 s of stereo audio per iteration");
}
BENCHMARK(BM_SynthChordLiteral)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace tessaly
