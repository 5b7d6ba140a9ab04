// The WinMM output under Wine, whose sound goes to ALSA: the test writes the
// ALSA configuration that ctest names in ALSA_CONFIG_PATH (Wine's ALSA code
// reads the Unix environment the process started with), a default device that
// is a file sink, and compares the captured samples with the offline render of
// the same run.
#include "platform/winmm/winmm_wave_out.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "sound/offline_render.h"
#include "sound/player.h"
#include "sound/player_test_support.h"

namespace tessaly {
namespace {

using namespace testing_sound;
namespace fs = std::filesystem;

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

TEST(WinMmSound, PlaysTheRunIntoAnAlsaFileSampleForSample) {
  const char* config = std::getenv("ALSA_CONFIG_PATH");
  ASSERT_NE(config, nullptr) << "ctest sets ALSA_CONFIG_PATH";
  // Unix paths, which this Windows process opens on Z: (Wine maps Z: to /).
  const std::string unixOut = fs::path(config).parent_path().generic_string() + "/out.raw";
  fs::create_directories(fs::path("Z:" + unixOut).parent_path());
  fs::remove("Z:" + unixOut);
  std::ofstream("Z:" + std::string(config))
      << "pcm.!default {\n  type file\n  slave.pcm { type null }\n"
      << "  file \"" << unixOut << "\"\n  format \"raw\"\n}\n";

  PatternStore pattern([](int64_t t) { return 90 + int((t * 7) % 23); }, kNoon - 600, kNoon + 1200);
  // View 1 over the pattern from noon: station 1, three values, fading out.
  TestHost host;
  host.fade = kWeightFadeOut;
  PlayerViewFields& view = host.views[0];
  view.SetStore(&pattern.store);
  view.SetStation(1);
  view.SetValuesN(3);
  view.SetPlayStartPosition(kNoon);
  view.SetSoundOn(true);
  const int volume = 50;  // the level is a gain of ours: the device gets it applied
  uint64_t underruns = 0;
  {
    WinMmWaveOut device;
    CPlayer player(device);
    player.SetHost(&host);
    player.SetBaseNote(3);
    player.SetScale(kScaleMajorPentatonic);
    player.SetVolume(volume, false);
    view.SetPlaying(true);
    player.RequestStart();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (player.ClockMs() < 3000 && std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    EXPECT_GE(player.ClockMs(), 3000);
    view.SetPlaying(false);
    player.RequestStop();
    EXPECT_TRUE(host.WaitStopped(1));
    underruns = player.Underruns();
    player.SetHost(nullptr);
  }
  EXPECT_EQ(host.messages, 0);
  EXPECT_EQ(underruns, 0u);

  std::ifstream in("Z:" + unixOut, std::ios::binary);
  const std::vector<int16_t> captured =
      FromFirstSound(std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {}));
  ASSERT_GE(captured.size(), size_t(25) * 4410 * 2);

  view.SetPlaying(true);
  OfflineRun run;
  BuildScale(kScaleMajorPentatonic, ReferenceScale()[kScaleRoot + 3], run.scale);
  run.level = OutputLevel(volume, false);
  run.seconds = 8;
  std::vector<uint8_t> rendered;
  const auto keep = [&](std::span<const uint8_t> pcm) {
    rendered.insert(rendered.end(), pcm.begin(), pcm.end());
    return true;
  };
  ASSERT_EQ(RenderOffline(host, run, keep, nullptr), RenderOutcome::kDone);
  const std::vector<int16_t> expected = FromFirstSound(rendered);
  ASSERT_LE(captured.size(), expected.size());
  const auto differ = std::mismatch(captured.begin(), captured.end(), expected.begin());
  EXPECT_EQ(differ.first, captured.end())
      << "first difference at frame " << (differ.first - captured.begin()) / 2 << " of "
      << captured.size() / 2;
}

}  // namespace
}  // namespace tessaly
