#include "sound/player.h"

#include <gtest/gtest.h>

#include <climits>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>
#endif

#include "player_test_support.h"
#include "sound/chord_synth.h"

namespace tessaly {
namespace {

// The calling thread's priority, higher for more urgent.
int ThreadPriority() {
#ifdef _WIN32
  return GetThreadPriority(GetCurrentThread());
#else
  return -getpriority(PRIO_PROCESS, id_t(syscall(SYS_gettid)));
#endif
}

// The priority a render thread should have: above normal ("above normal" on
// Windows, five nice steps on Linux) where a thread may raise itself at all.
int ExpectedRenderPriority() {
#ifdef _WIN32
  return THREAD_PRIORITY_ABOVE_NORMAL;
#else
  bool allowed = false;  // whether a thread may raise itself here
  std::thread([&allowed] {
    const auto me = id_t(syscall(SYS_gettid));
    allowed = setpriority(PRIO_PROCESS, me, getpriority(PRIO_PROCESS, me) - 1) == 0;
  }).join();
  return ThreadPriority() + (allowed ? 5 : 0);
#endif
}

// Notes the priority of the thread that opens it: the render thread.
struct PriorityWaveOut : FakeWaveOut {
  int Open(const WaveFormat& format, std::function<void()> onBufferDone) override {
    openPriority = ThreadPriority();
    return FakeWaveOut::Open(format, std::move(onBufferDone));
  }
  std::atomic<int> openPriority{INT_MIN};
};

using namespace testing_sound;

// A run on View 1 alone, to watch the device side.
class PlayerRun : public ::testing::Test {
 protected:
  void Build() {
    player = std::make_unique<CPlayer>(device, FastTiming());
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
  PriorityWaveOut device;
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
  EXPECT_EQ(player->ClockMs(), 180);    // buffer 19 waits for a free one
  for (int64_t w = 20; w < 103; ++w) {  // buffers returned one at a time
    ASSERT_EQ(device.FinishBuffers(1), 1);
    ASSERT_TRUE(device.WaitForWrites(w + 1));
    ASSERT_EQ(player->ClockMs(), 10 * int(w - 1) - (w > 100 ? 490 : 0)) << w;
  }
  ASSERT_TRUE(StopRun(1, 1));
  EXPECT_FALSE(player->IsRendering());
  EXPECT_EQ(player->ClockMs(), 0);
  EXPECT_EQ(device.closeCount(), 1);
  EXPECT_EQ(host.messages, 0);
  EXPECT_EQ(device.openPriority, ExpectedRenderPriority());
}

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

// A cue asked for during a run sounds over the chord on its view's channel from
// the next chunk on; one asked for before the run is stale and never sounds.
TEST_F(PlayerRun, CueSoundsOverTheChordOnItsViewsChannelOnlyDuringARun) {
  Build();
  player->RequestCue(1);
  Play();
  ASSERT_TRUE(device.WaitForWrites(20));
  player->RequestCue(1);
  ASSERT_TRUE(Pump(device, 10 * 8));
  ASSERT_TRUE(StopRun(1));
  CueTone cue;
  int first = -1;
  for (int c = 0; c < 8; ++c) {
    std::vector<uint8_t> expected = Chunk({}, Value(kNoon), Value(kNoon), 4410 * c);
    const std::vector<uint8_t> written = Written(size_t(c) * 17640, 17640);
    if (first < 0 && written != expected) {
      first = c;
      cue.Start(1);
    }
    cue.MixInto({}, expected);
    ASSERT_EQ(written, expected) << "chunk " << c;
  }
  EXPECT_GE(first, 1) << "the cue asked for before the run sounded";
  EXPECT_LE(first, 4);
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

}  // namespace
}  // namespace tessaly
