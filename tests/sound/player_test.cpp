#include "sound/player.h"

#include <gtest/gtest.h>

#include <future>
#include <vector>

#include "player_test_support.h"
#include "sound/chord_synth.h"

namespace tessaly {
namespace {

using namespace testing_sound;
using std::chrono::milliseconds;

struct FormatCase {
  bool capsOk;
  uint32_t mask;
  int32_t channels;
  PcmFormat expected;
  int32_t chunkSize, bufferSize, bufferMs;
};

TEST(PlayerFormat, ChosenFromTheDeviceCapabilities) {
  const FormatCase cases[] = {
      {false, 0, 0, {44100, 2, 16}, 17640, 1764, 10},
      {true, 0xFFF, 2, {44100, 2, 16}, 17640, 1764, 10},
      {true, 0x0F0, 2, {22050, 2, 16}, 8820, 880, 9},
      {true, 0x001, 1, {11025, 1, 8}, 1102, 110, 9},
      {true, 0x300, 6, {44100, 2, 8}, 8820, 882, 10},
      {true, 0x004, 1, {11025, 1, 16}, 2204, 220, 9},
      // No rate bit keeps 44100 Hz; no 16-bit bit means 8 bits.
      {true, 0x000, 2, {44100, 2, 8}, 8820, 882, 10},
      // A device without channels still gets a frame.
      {true, 0xFFF, 0, {44100, 1, 16}, 8820, 882, 10},
  };
  for (const FormatCase& c : cases) {
    FakeWaveOut device;
    device.SetCaps(c.capsOk, {c.mask, c.channels});
    CPlayer player(device, FastTiming());
    EXPECT_EQ(player.format().sampleRate, c.expected.sampleRate) << c.mask;
    EXPECT_EQ(player.format().channels, c.expected.channels) << c.mask;
    EXPECT_EQ(player.format().bitsPerSample, c.expected.bitsPerSample) << c.mask;
    EXPECT_EQ(player.chunkSize(), c.chunkSize) << c.mask;
    EXPECT_EQ(player.bufferSize(), c.bufferSize) << c.mask;
    EXPECT_EQ(player.bufferMs(), c.bufferMs) << c.mask;
  }
}

TEST(PlayerTone, ScaleBaseNoteAndVolume) {
  FakeWaveOut device;
  CPlayer player(device, FastTiming());
  EXPECT_EQ(player.scaleTable(), ReferenceScale());
  player.SetBaseNote(-9);
  player.SetScale(kScaleMajor);
  ScaleTable major{};
  BuildScale(kScaleMajor, ReferenceScale()[91], major);
  EXPECT_EQ(player.baseFrequency(), ReferenceScale()[91]);
  EXPECT_EQ(player.scaleTable(), major);
  // An unknown scale is stored but leaves the table.
  player.SetScale(7);
  EXPECT_EQ(player.scaleNumber(), 7);
  EXPECT_EQ(player.scaleTable(), major);
  // A hand-edited offset stays inside the list's range.
  player.SetScale(kScaleChromatic);
  player.SetBaseNote(99);
  EXPECT_EQ(player.baseFrequency(), ReferenceScale()[115]);
  player.SetBaseNote(-500);
  EXPECT_EQ(player.baseFrequency(), ReferenceScale()[79]);

  player.SetVolume(50, false);
  EXPECT_EQ(device.level(), 32767u | (32767u << 16));
  player.SetVolume(100, false);
  EXPECT_EQ(device.level(), 0xFFFFFFFFu);
  player.SetVolume(100, true);
  EXPECT_EQ(device.level(), 0u);
  player.SetVolume(250, false);
  EXPECT_EQ(device.level(), 0xFFFFFFFFu);
}

// A run on View 1 alone, to watch the device side.
class PlayerRun : public ::testing::Test {
 protected:
  void Build(milliseconds stall = std::chrono::seconds(5)) {
    player = std::make_unique<CPlayer>(device, FastTiming(stall));
    player->SetHost(&host);
    host.views[0].SetStore(&pattern.store);
    host.views[0].SetStation(1);
    host.views[0].SetValuesN(1);
    host.views[0].SetPlayStartPosition(kNoon);
    host.views[0].SetSoundOn(true);
  }
  void Play() {
    host.views[0].SetPlaying(true);
    player->RequestStart();
  }
  // View 2 on the same pattern, starting at kNoon + offset.
  void SetView2(int64_t offset, bool soundOn, bool playing) {
    host.views[1].SetStore(&pattern.store);
    host.views[1].SetStation(1);
    host.views[1].SetValuesN(1);
    host.views[1].SetPlayStartPosition(kNoon + offset);
    host.views[1].SetSoundOn(soundOn);
    host.views[1].SetPlaying(playing);
  }
  // Stops the run and returns the device's buffers until the n-th stop is told.
  bool StopRun(int n) {
    player->RequestStop();
    device.FinishBuffers(20);
    return host.WaitStopped(n);
  }
  void TearDown() override {
    if (player) {
      player->SetHost(nullptr);
    }
    player.reset();
  }

  PatternStore pattern{[](int64_t t) { return 50 + int((t - kNoon + 1000) % 100); }, kNoon - 600,
                       kNoon + 1200};
  FakeWaveOut device;
  TestHost host;
  std::unique_ptr<CPlayer> player;
};

TEST_F(PlayerRun, ClockCountsBuffersThenCorrectsOnceByThePosition) {
  Build();
  // 88200 bytes = 22050 frames = 500 ms played when the 101st buffer goes out.
  device.SetPosition({WavePosition::kBytes, 88200});
  EXPECT_EQ(player->ClockMs(), 0);
  Play();
  ASSERT_TRUE(device.WaitForWrites(20));
  EXPECT_TRUE(player->IsRendering());
  EXPECT_EQ(player->ClockMs(), 180);  // buffer 19 waits for a free one
  std::vector<int32_t> clocks;
  for (int64_t w = 20; w < 110; ++w) {
    ASSERT_EQ(device.FinishBuffers(1), 1);
    ASSERT_TRUE(device.WaitForWrites(w + 1));
    clocks.push_back(player->ClockMs());  // the clock of buffer w - 1
  }
  for (int64_t b = 19; b < 100; ++b) {
    EXPECT_EQ(clocks[size_t(b - 19)], 10 * b) << b;
  }
  EXPECT_EQ(clocks[100 - 19], 1000 - (500 - 10));
  EXPECT_EQ(clocks[101 - 19], 1010 - 490);

  player->RequestStop();
  device.FinishBuffers(1);
  ASSERT_TRUE(host.WaitStopped(1));
  EXPECT_FALSE(player->IsRendering());
  EXPECT_EQ(player->ClockMs(), 0);
  EXPECT_EQ(device.closeCount(), 1);
  EXPECT_TRUE(host.messages().empty());
}

TEST_F(PlayerRun, PositionInMillisecondsOrUnknown) {
  device.SetPosition({WavePosition::kMilliseconds, 700});
  Build();
  Play();
  ASSERT_TRUE(device.WaitForWrites(20));
  for (int64_t w = 20; w < 102; ++w) {
    device.FinishBuffers(1);
    ASSERT_TRUE(device.WaitForWrites(w + 1));
  }
  EXPECT_EQ(player->ClockMs(), 1000 - 690);
  player->RequestStop();
  device.FinishBuffers(1);
  ASSERT_TRUE(host.WaitStopped(1));

  // A position the device cannot express counts as 0: the clock is raised by 10 ms.
  device.SetPosition({WavePosition::kNone, 0});
  Play();
  ASSERT_TRUE(device.WaitForWrites(122));
  for (int64_t w = 122; w < 204; ++w) {
    device.FinishBuffers(1);
    ASSERT_TRUE(device.WaitForWrites(w + 1));
  }
  EXPECT_EQ(player->ClockMs(), 1010);
}

TEST_F(PlayerRun, StopWhileWaitingTakesEffectAfterOneBuffer) {
  Build();
  Play();
  ASSERT_TRUE(device.WaitForWrites(20));
  player->RequestStop();
  EXPECT_TRUE(player->IsRendering());
  EXPECT_EQ(host.stopped(), 0);
  device.FinishBuffers(1);
  ASSERT_TRUE(host.WaitStopped(1));
  EXPECT_EQ(device.writeCount(), 20);  // nothing more was queued
  EXPECT_FALSE(device.isOpen());
}

TEST_F(PlayerRun, StopWhileIdleDoesNotEndTheNextRun) {
  Build();
  player->RequestStop();  // e.g. a failed step of a view that was not playing
  Play();
  ASSERT_TRUE(device.WaitForWrites(20));
  EXPECT_TRUE(player->IsRendering());
  ASSERT_TRUE(Pump(device, 60));
  EXPECT_EQ(host.stopped(), 0);
  EXPECT_EQ(device.openCount(), 1);
}

TEST_F(PlayerRun, StartWhileStoppingStartsANewRun) {
  Build();
  Play();
  ASSERT_TRUE(device.WaitForWrites(20));
  player->RequestStop();
  player->RequestStart();  // Play again before the run has ended
  device.FinishBuffers(1);
  ASSERT_TRUE(host.WaitStopped(1));
  ASSERT_TRUE(device.WaitFor([](const FakeWaveOut& d) { return d.openCount() == 2; }));
  ASSERT_TRUE(device.WaitForWrites(40));
  EXPECT_TRUE(player->IsRendering());
  EXPECT_EQ(device.closeCount(), 1);
  // ... unless a stop follows it.
  player->RequestStop();
  device.FinishBuffers(1);
  ASSERT_TRUE(host.WaitStopped(2));
  EXPECT_FALSE(player->IsRendering());
  EXPECT_EQ(device.openCount(), 2);
}

TEST_F(PlayerRun, StartWhileRenderingJoinsTheRun) {
  Build();
  Play();
  ASSERT_TRUE(device.WaitForWrites(20));
  player->RequestStart();
  player->RequestStart();
  ASSERT_TRUE(Pump(device, 45));
  EXPECT_EQ(device.openCount(), 1);
  EXPECT_EQ(host.stopped(), 0);
  // The joins leave nothing pending: once stopped, no other run follows.
  player->RequestStop();
  device.FinishBuffers(1);
  ASSERT_TRUE(host.WaitStopped(1));
  EXPECT_FALSE(
      device.WaitFor([](const FakeWaveOut& d) { return d.openCount() > 1; }, milliseconds(100)));
}

TEST_F(PlayerRun, DeviceThatReturnsNoBufferEndsTheRun) {
  Build(milliseconds(30));
  Play();
  ASSERT_TRUE(host.WaitStopped(1));
  EXPECT_EQ(device.writeCount(), 20);
  EXPECT_EQ(device.closeCount(), 1);
  EXPECT_FALSE(player->IsRendering());
  EXPECT_EQ(player->ClockMs(), 0);
  // The next run starts with all buffers free again.
  Play();
  ASSERT_TRUE(device.WaitForWrites(40));
  ASSERT_TRUE(host.WaitStopped(2));
}

TEST_F(PlayerRun, OpenFailureShowsTheMessageOncePerRun) {
  device.SetOpenResult(-9985);
  Build();
  Play();
  ASSERT_TRUE(host.WaitStopped(1));
  ASSERT_EQ(host.messages().size(), 1u);
  EXPECT_EQ(host.messages()[0].first, "Cannot open default audio device");
  EXPECT_FALSE(player->IsRendering());
  player->RequestStart();
  ASSERT_TRUE(host.WaitStopped(2));
  EXPECT_EQ(host.messages().size(), 2u);
  EXPECT_EQ(device.writeCount(), 0);
  EXPECT_EQ(device.closeCount(), 0);
}

// A start that arrives while a failed run is still ending is not lost.
TEST(PlayerEnding, StartWhileAFailedRunEndsStartsAnother) {
  class SlowMessageHost : public TestHost {
   public:
    void ShowPlayerMessage(const std::string& text, const std::string& caption,
                           const std::string& detail) override {
      if (first_.exchange(false)) {
        entered.set_value();
        release.get_future().wait();
      }
      TestHost::ShowPlayerMessage(text, caption, detail);
    }
    std::promise<void> entered;
    std::promise<void> release;

   private:
    std::atomic<bool> first_{true};
  };
  FakeWaveOut device;
  device.SetOpenResult(-9985);
  SlowMessageHost host;
  CPlayer player(device, FastTiming());
  player.SetHost(&host);
  host.views[0].SetPlaying(true);
  player.RequestStart();
  host.entered.get_future().wait();
  player.RequestStart();  // the user presses Play again while the message is up
  host.release.set_value();
  ASSERT_TRUE(host.WaitStopped(2));
  EXPECT_EQ(host.messages().size(), 2u);
  EXPECT_EQ(device.openCount(), 2);
  player.SetHost(nullptr);
}

TEST_F(PlayerRun, DestroyingWhileRenderingEndsTheRun) {
  Build();
  Play();
  ASSERT_TRUE(device.WaitForWrites(20));
  player->SetHost(nullptr);
  // Nobody finishes a buffer: the destructor must still return.
  player.reset();
  EXPECT_EQ(device.closeCount(), 1);
  EXPECT_FALSE(device.isOpen());
}

// Expected chunk bytes: one sample value per view, View 1 and View 2 of the given seconds.
std::vector<uint8_t> ExpectedChunk(const PcmFormat& format, int leftValue, int rightValue,
                                   int64_t startFrame) {
  std::vector<uint8_t> chunk(size_t(format.ChunkFrames() * format.FrameSize()), 0);
  ChordSynth synth(format.ChunkFrames());
  for (int channel = 1; channel <= format.channels; ++channel) {
    const int v = channel == 1 ? leftValue : rightValue;
    if (v > 0) {
      ChordWeights w{};
      w[size_t(v)] = 1;
      synth.SynthesizeChannel(chunk, format, channel, w, ReferenceScale(), startFrame);
    }
  }
  return chunk;
}

// The histograms follow the second in which the chunk starts, reloaded at the
// first chunk and at the last chunk of every second; a view that joined later
// is placed by its start position and start clock.
TEST_F(PlayerRun, ReloadsAtTheLastChunkOfEachSecond) {
  Build();
  auto value = [](int64_t t) { return 50 + int((t - kNoon + 1000) % 100); };
  SetView2(40, true, true);
  host.views[1].SetPlayStartMs(2000);
  Play();
  ASSERT_TRUE(Pump(device, 10 * 32));
  ASSERT_TRUE(StopRun(1));

  const std::vector<uint8_t> bytes = device.writtenBytes();
  const PcmFormat format;
  const size_t chunkSize = 17640;
  ASSERT_GE(bytes.size(), 32 * chunkSize);
  for (int c = 0; c < 32; ++c) {
    const int second = std::max(0, (c + 1) / 10 - 1);
    const auto expected =
        ExpectedChunk(format, value(kNoon + second), value(kNoon + 40 + second - 2), 4410 * c);
    const std::vector<uint8_t> got(bytes.begin() + ptrdiff_t(c * chunkSize),
                                   bytes.begin() + ptrdiff_t((c + 1) * chunkSize));
    ASSERT_EQ(got, expected) << "chunk " << c;
  }
}

TEST_F(PlayerRun, TwentyTwoKilohertzSendsTenBuffersAndAShortOne) {
  device.SetCaps(true, {0x0F0, 2});
  Build();
  Play();
  ASSERT_TRUE(device.WaitForWrites(20));
  // Every buffer, the short one too, advances the clock by 9 ms.
  for (int64_t w = 20; w < 46; ++w) {
    device.FinishBuffers(1);
    ASSERT_TRUE(device.WaitForWrites(w + 1));
    ASSERT_EQ(player->ClockMs(), 9 * (w - 1)) << w;
  }
  const std::vector<uint32_t> sizes = device.writeSizes();
  for (size_t i = 0; i < 44; ++i) {
    EXPECT_EQ(sizes[i], i % 11 == 10 ? 20u : 880u) << i;
  }
  ASSERT_TRUE(StopRun(1));

  // The 22050 Hz chunks are the tone at two ticks a frame, phase-continuous.
  const std::vector<uint8_t> bytes = device.writtenBytes();
  const PcmFormat format{22050, 2, 16};
  for (int c = 0; c < 4; ++c) {
    const auto expected = ExpectedChunk(format, 50 + 1000 % 100, 50 + 1000 % 100, 2205 * c);
    const std::vector<uint8_t> got(bytes.begin() + c * 8820, bytes.begin() + (c + 1) * 8820);
    ASSERT_EQ(got, expected) << c;
  }
}

TEST_F(PlayerRun, ChannelAssignment) {
  device.SetAutoFinish(false);
  Build();
  auto value = [](int64_t t) { return 50 + int((t - kNoon + 1000) % 100); };
  PcmFormat format;
  struct Case {
    bool play1, sound1, play2, sound2;
    int left, right;  // seconds after kNoon sounded, -1 silent
  };
  // View 2 sits 7 seconds later than View 1.
  const Case cases[] = {
      {true, true, false, false, 0, 0},    {true, true, true, true, 0, 7},
      {true, false, true, true, 7, 7},     {true, true, true, false, 0, 0},
      {true, false, false, false, -1, -1},
  };
  int run = 0;
  for (const Case& c : cases) {
    host.views[0].SetSoundOn(c.sound1);
    SetView2(7, c.sound2, c.play2);
    host.views[0].SetPlaying(c.play1);
    const int64_t before = device.writeCount();
    player->RequestStart();
    ASSERT_TRUE(device.WaitForWrites(before + 10));
    ASSERT_TRUE(StopRun(++run));
    const std::vector<uint8_t> bytes = device.writtenBytes();
    const std::vector<uint8_t> got(bytes.begin() + before * 1764,
                                   bytes.begin() + (before + 10) * 1764);
    const auto expected = ExpectedChunk(format, c.left < 0 ? 0 : value(kNoon + c.left),
                                        c.right < 0 ? 0 : value(kNoon + c.right), 0);
    EXPECT_EQ(got, expected) << "case " << run;
  }
}

TEST_F(PlayerRun, MonoDeviceCarriesView1AndNeverWritesASecondSlot) {
  device.SetCaps(true, {0x001, 1});
  Build();
  SetView2(7, true, true);
  Play();
  ASSERT_TRUE(Pump(device, 11));
  ASSERT_TRUE(StopRun(1));
  const std::vector<uint8_t> bytes = device.writtenBytes();
  const PcmFormat format{11025, 1, 8};
  ASSERT_GE(bytes.size(), 1102u);
  const auto expected = ExpectedChunk(format, 50 + 1000 % 100, 0, 0);
  EXPECT_EQ(std::vector<uint8_t>(bytes.begin(), bytes.begin() + 1102), expected);
}

TEST_F(PlayerRun, MissingDataSilencesTheViewUntilTheNextReload) {
  Build();
  // View 1 starts 1 second before the data end: second 1 of the run has none.
  PatternStore shortStore([](int64_t) { return 100; }, kNoon, kNoon + 599);
  host.views[0].SetStore(&shortStore.store);
  host.views[0].SetPlayStartPosition(kNoon + 599);
  Play();
  ASSERT_TRUE(Pump(device, 10 * 21));
  ASSERT_TRUE(StopRun(1));
  const std::vector<uint8_t> bytes = device.writtenBytes();
  const size_t chunkSize = 17640;
  auto chunkAt = [&](int c) {
    return std::vector<uint8_t>(bytes.begin() + ptrdiff_t(c * chunkSize),
                                bytes.begin() + ptrdiff_t((c + 1) * chunkSize));
  };
  EXPECT_EQ(chunkAt(18), ExpectedChunk(PcmFormat{}, 100, 100, 18 * 4410));
  EXPECT_EQ(chunkAt(19), std::vector<uint8_t>(chunkSize, 0));
  EXPECT_EQ(chunkAt(20), std::vector<uint8_t>(chunkSize, 0));
}

}  // namespace
}  // namespace tessaly
