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

TEST(PlayerFormat, ChosenFromTheDeviceCapabilities) {
  struct {
    bool capsOk;
    uint32_t mask;
    int32_t channels, rate, outChannels, bits, chunkSize, bufferSize, bufferMs;
  } const cases[] = {
      {false, 0, 0, 44100, 2, 16, 17640, 1764, 10},
      {true, 0xFFF, 2, 44100, 2, 16, 17640, 1764, 10},
      {true, 0x0F0, 2, 22050, 2, 16, 8820, 880, 9},
      {true, 0x001, 1, 11025, 1, 8, 1102, 110, 9},
      {true, 0x300, 6, 44100, 2, 8, 8820, 882, 10},
      {true, 0x004, 1, 11025, 1, 16, 2204, 220, 9},
      {true, 0x000, 2, 44100, 2, 8, 8820, 882, 10},   // no rate bit: 44100; no 16-bit bit: 8
      {true, 0xFFF, 0, 44100, 1, 16, 8820, 882, 10},  // no channels still gets a frame
  };
  for (const auto& c : cases) {
    FakeWaveOut device;
    device.SetCaps(c.capsOk, {c.mask, c.channels});
    CPlayer player(device, FastTiming());
    const PcmFormat f = player.format();
    EXPECT_EQ(
        (std::vector<int>{f.sampleRate, f.channels, f.bitsPerSample, player.chunkSize(),
                          player.bufferSize(), player.bufferMs()}),
        (std::vector<int>{c.rate, c.outChannels, c.bits, c.chunkSize, c.bufferSize, c.bufferMs}))
        << c.mask;
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
  EXPECT_EQ(player.scaleTable(), major);
  player.SetScale(7);  // unknown: stored, the table stays
  EXPECT_EQ(player.scaleNumber(), 7);
  EXPECT_EQ(player.scaleTable(), major);
  player.SetBaseNote(99);  // a hand-edited offset stays inside the list's range
  EXPECT_EQ(player.baseFrequency(), ReferenceScale()[115]);
  player.SetBaseNote(-500);
  EXPECT_EQ(player.baseFrequency(), ReferenceScale()[79]);
  player.SetVolume(250, false);
  EXPECT_EQ(device.level(), 0xFFFFFFFFu);
}

// A run on View 1 alone, to watch the device side.
class PlayerRun : public ::testing::Test {
 protected:
  void Build(milliseconds stall = std::chrono::seconds(5)) {
    player = std::make_unique<CPlayer>(device, FastTiming(stall));
    player->SetHost(&host);
    SetView(0, 0, true, false);
  }
  void SetView(int v, int64_t offset, bool soundOn, bool playing) {
    host.views[v].SetStore(&pattern.store);
    host.views[v].SetValuesN(1);
    host.views[v].SetPlayStartPosition(kNoon + offset);
    host.views[v].SetSoundOn(soundOn);
    host.views[v].SetPlaying(playing);
  }
  void Play() {
    host.views[0].SetPlaying(true);
    player->RequestStart();
  }
  // Stops the run and returns the device's buffers until the n-th stop is told.
  bool StopRun(int n, int buffers = 20) {
    player->RequestStop();
    device.FinishBuffers(buffers);
    return host.WaitStopped(n);
  }
  // Returns buffers one at a time from write `from` on, checking the clock of each.
  void ClockAfterEachBuffer(int64_t from, int64_t to, const std::function<int(int64_t)>& ms) {
    for (int64_t w = from; w < to; ++w) {
      ASSERT_EQ(device.FinishBuffers(1), 1);
      ASSERT_TRUE(device.WaitForWrites(w + 1));
      if (ms != nullptr) {
        ASSERT_EQ(player->ClockMs(), ms(w)) << w;
      }
    }
  }
  // The chunk the engine sends for one value per channel (0: silent).
  static std::vector<uint8_t> Chunk(const PcmFormat& format, int left, int right, int64_t start) {
    std::vector<uint8_t> chunk(size_t(format.ChunkFrames() * format.FrameSize()), 0);
    ChordSynth synth(format.ChunkFrames());
    for (int channel = 1; channel <= format.channels; ++channel) {
      if (const int v = channel == 1 ? left : right; v > 0) {
        ChordWeights w{};
        w[size_t(v)] = 1;
        synth.SynthesizeChannel(chunk, format, channel, w, ReferenceScale(), start);
      }
    }
    return chunk;
  }
  std::vector<uint8_t> Written(size_t from, size_t size) const {
    const std::vector<uint8_t> bytes = device.writtenBytes();
    return bytes.size() < from + size
               ? std::vector<uint8_t>()
               : std::vector<uint8_t>(bytes.begin() + ptrdiff_t(from),
                                      bytes.begin() + ptrdiff_t(from + size));
  }
  void TearDown() override {
    if (player) {
      player->SetHost(nullptr);
    }
  }

  static int Value(int64_t t) { return 50 + int((t - kNoon + 1000) % 100); }
  PatternStore pattern{Value, kNoon - 600, kNoon + 1200};
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
  ClockAfterEachBuffer(20, 103, [](int64_t w) { return 10 * int(w - 1) - (w > 100 ? 490 : 0); });
  ASSERT_TRUE(StopRun(1, 1));
  EXPECT_FALSE(player->IsRendering());
  EXPECT_EQ(player->ClockMs(), 0);
  EXPECT_EQ(device.closeCount(), 1);
  EXPECT_TRUE(host.messages().empty());
  // In milliseconds; and a position the device cannot express counts as 0.
  for (const auto& [position, ms] : {std::pair{WavePosition{WavePosition::kMilliseconds, 700}, 310},
                                     {WavePosition{WavePosition::kNone, 0}, 1010}}) {
    device.SetPosition(position);
    const int64_t base = device.writeCount();
    Play();
    ASSERT_TRUE(device.WaitForWrites(base + 20));
    ClockAfterEachBuffer(base + 20, base + 102, nullptr);
    EXPECT_EQ(player->ClockMs(), ms);
    ASSERT_TRUE(StopRun(host.stopped() + 1, 1));
  }
}

TEST_F(PlayerRun, StopsAndStartsAtAnyMomentEndAndStartRunsCleanly) {
  Build();
  player->RequestStop();  // while idle: does not end the next run
  Play();
  ASSERT_TRUE(device.WaitForWrites(20));
  player->RequestStart();  // while rendering: joins the run
  ASSERT_TRUE(Pump(device, 45));
  EXPECT_EQ(device.openCount(), 1);
  EXPECT_EQ(host.stopped(), 0);
  // A stop while waiting for a buffer takes effect after one, queuing nothing more.
  const int64_t writes = device.writeCount();
  player->RequestStop();
  EXPECT_TRUE(player->IsRendering());
  ASSERT_TRUE(StopRun(1, 1));
  EXPECT_EQ(device.writeCount(), writes);
  EXPECT_FALSE(device.isOpen());
  EXPECT_FALSE(
      device.WaitFor([](const FakeWaveOut& d) { return d.openCount() > 1; }, milliseconds(100)));
  // A start while a run is stopping starts a new one, unless a stop follows it.
  Play();
  ASSERT_TRUE(device.WaitFor([](const FakeWaveOut& d) { return d.queuedCount() == 20; }));
  player->RequestStop();
  player->RequestStart();
  device.FinishBuffers(1);
  ASSERT_TRUE(host.WaitStopped(2));
  ASSERT_TRUE(device.WaitFor([](const FakeWaveOut& d) { return d.queuedCount() == 20; }));
  EXPECT_EQ(device.openCount(), 3);
  EXPECT_TRUE(player->IsRendering());
  ASSERT_TRUE(StopRun(3, 1));
  EXPECT_FALSE(player->IsRendering());
  EXPECT_EQ(device.openCount(), 3);
  // Destroyed while rendering, with nobody finishing a buffer: the run ends.
  Play();
  ASSERT_TRUE(device.WaitFor([](const FakeWaveOut& d) { return d.queuedCount() == 20; }));
  player->SetHost(nullptr);
  player.reset();
  EXPECT_EQ(device.closeCount(), 4);
}

TEST_F(PlayerRun, ADeviceThatReturnsNoBufferEndsTheRun) {
  Build(milliseconds(30));
  Play();
  ASSERT_TRUE(host.WaitStopped(1));
  EXPECT_EQ(device.writeCount(), 20);
  EXPECT_EQ(device.closeCount(), 1);
  EXPECT_EQ(player->ClockMs(), 0);
  Play();  // the next run starts with all buffers free again
  ASSERT_TRUE(device.WaitForWrites(40));
  ASSERT_TRUE(host.WaitStopped(2));
}

// A start that arrives while a failed run is still ending is not lost; each
// failed open shows its message.
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
    std::promise<void> entered, release;

   private:
    std::atomic<bool> first_{true};
  } host;
  FakeWaveOut device;
  device.SetOpenResult(-9985);
  CPlayer player(device, FastTiming());
  player.SetHost(&host);
  host.views[0].SetPlaying(true);
  player.RequestStart();
  host.entered.get_future().wait();
  player.RequestStart();  // the user presses Play again while the message is up
  host.release.set_value();
  ASSERT_TRUE(host.WaitStopped(2));
  ASSERT_EQ(host.messages().size(), 2u);
  EXPECT_EQ(host.messages()[0][0], "Cannot open default audio device");
  EXPECT_EQ(device.openCount(), 2);
  EXPECT_EQ(device.writeCount(), 0);
  EXPECT_FALSE(player.IsRendering());
  player.SetHost(nullptr);
}

// The histograms follow the second in which the chunk starts, reloaded at the
// first chunk and at the last chunk of every second; a view that joined later
// is placed by its start position and start clock.
TEST_F(PlayerRun, ReloadsAtTheLastChunkOfEachSecond) {
  Build();
  SetView(1, 40, true, true);
  host.views[1].SetPlayStartMs(2000);
  Play();
  ASSERT_TRUE(Pump(device, 10 * 32));
  ASSERT_TRUE(StopRun(1));
  for (int c = 0; c < 32; ++c) {
    const int s = std::max(0, (c + 1) / 10 - 1);
    ASSERT_EQ(Written(size_t(c) * 17640, 17640),
              Chunk({}, Value(kNoon + s), Value(kNoon + 40 + s - 2), 4410 * c))
        << "chunk " << c;
  }
}

TEST_F(PlayerRun, TwentyTwoKilohertzSendsTenBuffersAndAShortOne) {
  device.SetCaps(true, {0x0F0, 2});
  Build();
  Play();
  ASSERT_TRUE(device.WaitForWrites(20));
  EXPECT_EQ(device.writtenBytes().size(), 19u * 880 + 20);  // the 11th buffer is 20 bytes
  // Every buffer, the short one too, advances the clock by 9 ms.
  ClockAfterEachBuffer(20, 46, [](int64_t w) { return 9 * int(w - 1); });
  ASSERT_TRUE(StopRun(1));
  // The tone at two ticks a frame, phase-continuous.
  for (int c = 0; c < 4; ++c) {
    ASSERT_EQ(Written(size_t(c) * 8820, 8820), Chunk({22050, 2, 16}, 50, 50, 2205 * c)) << c;
  }
}

TEST_F(PlayerRun, ChannelAssignmentMonoAndMissingData) {
  Build();
  struct {
    bool play1, sound1, play2, sound2;
    int left, right;  // seconds after kNoon sounded, -1 silent
  } const cases[] = {
      {true, true, false, false, 0, 0},    {true, true, true, true, 0, 7},
      {true, false, true, true, 7, 7},     {true, true, true, false, 0, 0},
      {true, false, false, false, -1, -1},
  };
  int run = 0;
  for (const auto& c : cases) {  // View 2 sits 7 seconds later than View 1
    host.views[0].SetSoundOn(c.sound1);
    SetView(1, 7, c.sound2, c.play2);
    host.views[0].SetPlaying(c.play1);
    const int64_t before = device.writeCount();
    player->RequestStart();
    ASSERT_TRUE(device.WaitForWrites(before + 10));
    ASSERT_TRUE(StopRun(++run));
    EXPECT_EQ(Written(size_t(before) * 1764, 17640),
              Chunk({}, c.left < 0 ? 0 : Value(kNoon + c.left),
                    c.right < 0 ? 0 : Value(kNoon + c.right), 0))
        << "case " << run;
  }
}

TEST_F(PlayerRun, MonoCarriesView1AndMissingDataSilencesTheViewUntilTheNextReload) {
  device.SetCaps(true, {0x001, 1});
  Build();
  SetView(1, 7, true, true);
  Play();
  ASSERT_TRUE(Pump(device, 11));
  ASSERT_TRUE(StopRun(1));
  EXPECT_EQ(Written(0, 1102), Chunk({11025, 1, 8}, 50 + 1000 % 100, 0, 0));

  // View 1 starts 1 second before the data end: second 1 of the run has none.
  FakeWaveOut stereo;
  player = std::make_unique<CPlayer>(stereo, FastTiming());
  player->SetHost(&host);
  PatternStore shortStore([](int64_t) { return 100; }, kNoon, kNoon + 599);
  host.views[0].SetStore(&shortStore.store);
  host.views[0].SetPlayStartPosition(kNoon + 599);
  host.views[1].SetPlaying(false);
  Play();
  ASSERT_TRUE(Pump(stereo, 10 * 21));
  player->RequestStop();
  stereo.FinishBuffers(20);
  ASSERT_TRUE(host.WaitStopped(2));
  const std::vector<uint8_t> bytes = stereo.writtenBytes();
  const auto chunk = [&](int c) {
    return std::vector<uint8_t>(bytes.begin() + c * 17640, bytes.begin() + (c + 1) * 17640);
  };
  EXPECT_EQ(chunk(18), Chunk({}, 100, 100, 18 * 4410));
  EXPECT_EQ(chunk(19), std::vector<uint8_t>(17640, 0));
  EXPECT_EQ(chunk(20), std::vector<uint8_t>(17640, 0));
}

}  // namespace
}  // namespace tessaly
