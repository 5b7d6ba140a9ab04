// The real PortAudio output, played into an ALSA configuration written by the
// test: the default device is a file sink, so no sound card is needed. The
// captured samples are compared with the synthesis of the same histograms.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>
#include <tuple>
#include <vector>

#include "../player_test_support.h"
#include "analysis/histogram.h"
#include "platform/portaudio/portaudio_wave_out.h"
#include "sound/chord_synth.h"
#include "sound/chunk_renderer.h"
#include "sound/offline_render.h"
#include "sound/player.h"
#include "support/temp_folder.h"

namespace tessaly {
namespace {

using namespace testing_sound;
namespace fs = std::filesystem;

// An ALSA configuration of the test's own: the default device is a file sink.
class AlsaSandbox {
 public:
  AlsaSandbox() {
    std::ofstream(dir_.File("asound.conf"))
        << "pcm.!default { type file slave.pcm { type null } "
        << "file \"" << out_.string() << "\" format \"raw\" }\n";
    setenv("ALSA_CONFIG_PATH", dir_.File("asound.conf").c_str(), 1);
  }
  ~AlsaSandbox() { unsetenv("ALSA_CONFIG_PATH"); }
  std::vector<uint8_t> Captured() const {
    std::ifstream in(out_, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
  }

 private:
  testing::TempFolder dir_;
  fs::path out_ = dir_.path() / "out.raw";
};

// The captured frames from the first one that sounds: what comes after it must
// be the run's sound with nothing inserted.
std::vector<int16_t> FromFirstSound(const std::vector<uint8_t>& raw) {
  std::vector<int16_t> samples;
  for (size_t i = 0; i + 1 < raw.size(); i += 2) {
    samples.push_back(int16_t(raw[i] | (raw[i + 1] << 8)));
  }
  const auto first = std::find_if(samples.begin(), samples.end(), [](int16_t v) { return v != 0; });
  const auto skip = (first - samples.begin()) / 2 * 2;  // whole frames
  return {samples.begin() + skip, samples.end()};
}

int SampleValue(int64_t t) {
  return 90 + int((t * 7) % 23);
}

// Plays View 1 over a pattern store through the file sink until the engine's
// clock reaches untilMs; returns the captured frames from the first sound.
std::vector<int16_t> PlayAndCapture(const PatternStore& pattern, int volume, int32_t untilMs,
                                    size_t* rawBytes) {
  AlsaSandbox alsa;
  TestHost host;
  host.fade = kWeightFadeOut;  // View 1 from noon: station 1, three values, fading out
  PlayerViewFields& view = host.views[0];
  view.SetStore(&pattern.store);
  view.SetStation(1);
  view.SetValuesN(3);
  view.SetPlayStartPosition(kNoon);
  view.SetSoundOn(true);
  {
    PortAudioWaveOut device;
    CPlayer player(device);
    player.SetHost(&host);
    player.SetBaseNote(3);
    player.SetScale(kScaleMajorPentatonic);
    player.SetVolume(volume, false);
    EXPECT_EQ(player.format().sampleRate, 44100);
    EXPECT_EQ(player.format().channels, 2);
    EXPECT_EQ(player.format().bitsPerSample, 16);
    view.SetPlaying(true);
    player.RequestStart();
    // The file sink takes buffers as fast as they come, so this is quick; the
    // deadline only bounds a broken run.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (player.ClockMs() < untilMs && std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    view.SetPlaying(false);
    player.RequestStop();
    EXPECT_TRUE(host.WaitStopped(1));
    player.SetHost(nullptr);
  }
  EXPECT_EQ(host.messages, 0);
  const std::vector<uint8_t> raw = alsa.Captured();
  *rawBytes = raw.size();
  return FromFirstSound(raw);
}

// The levels the engine sends for chunk c of a run over the pattern.
std::vector<int16_t> ExpectedLevels(const PatternStore& pattern, int c) {
  ScaleTable scale{};
  BuildScale(kScaleMajorPentatonic, ReferenceScale()[103], scale);
  CHistogram histogram;
  const int second = std::max(0, (c + 1) / 10 - 1);
  EXPECT_EQ(histogram.Compute(pattern.store, 1, kNoon + second, 3, kWeightFadeOut), 3);
  ChordSynth synth(4410);
  std::vector<int16_t> levels(4410);
  synth.Render(histogram.bins, scale, int64_t(c) * 4410, 4410, 1, levels);
  return levels;
}

// Full volume for three seconds, and half volume as a gain on both channels;
// the device's start prints nothing of its own into the user's terminal.
TEST(PortAudioSound, PlaysTheSynthesisedChordsIntoAnAlsaFile) {
  ::testing::internal::CaptureStderr();
  {
    AlsaSandbox alsa;
    PortAudioWaveOut device;
  }
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
  PatternStore pattern(SampleValue, kNoon - 600, kNoon + 1200);
  for (const auto& [volume, untilMs, chunks] : {std::tuple{100, 3000, 25}, {50, 300, 2}}) {
    size_t rawBytes = 0;
    const std::vector<int16_t> captured = PlayAndCapture(pattern, volume, untilMs, &rawBytes);
    EXPECT_LT(rawBytes, size_t(4) << 20);  // not an unbounded stream of silence
    ASSERT_GE(captured.size(), size_t(chunks) * 4410 * 2);
    for (int c = 0; c < chunks; ++c) {
      const std::vector<int16_t> levels = ExpectedLevels(pattern, c);
      for (size_t j = 0; j < 4410; ++j) {
        const auto expected = int16_t(volume == 100 ? levels[j] : levels[j] * 32767 / 65535);
        const size_t at = (size_t(c) * 4410 + j) * 2;
        ASSERT_EQ(captured[at], expected) << "chunk " << c << " frame " << j;
        ASSERT_EQ(captured[at + 1], expected) << "chunk " << c << " frame " << j;
      }
    }
  }
}

}  // namespace
}  // namespace tessaly
