// The engine's threads under ThreadSanitizer: a render loop on FakeWaveOut, a
// device thread returning buffers, and the GUI thread starting, stopping,
// rescaling and changing the views' state meanwhile.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "player_test_support.h"
#include "sound/player.h"

namespace tessaly {
namespace {

using namespace testing_sound;

TEST(PlayerThreads, GuiAudioAndDeviceThreadsShareOnlySafeState) {
  PatternStore first([](int64_t t) { return 60 + int(t % 80); }, kNoon - 600, kNoon + 600);
  PatternStore second([](int64_t t) { return 140 - int(t % 80); }, kNoon - 600, kNoon + 600);
  FakeWaveOut device;
  device.SetRecordData(false);
  device.SetPosition({WavePosition::kBytes, 123456});
  TestHost host;
  std::atomic<bool> done{false};
  {
    CPlayer player(device, FastTiming());
    player.SetHost(&host);
    std::thread deviceThread([&] {
      while (!done.load()) {
        if (device.FinishBuffers(1) == 0) {
          std::this_thread::yield();
        }
      }
    });

    for (int v = 0; v < 2; ++v) {
      host.views[v].SetStore(&first.store);
      host.views[v].SetStation(1);
      host.views[v].SetValuesN(3);
      host.views[v].SetPlayStartPosition(kNoon);
      host.views[v].SetSoundOn(true);
    }
    int64_t lastWrites = 0;
    for (int i = 0; i < 250; ++i) {
      PlayerViewFields& view = host.views[i % 2];
      switch (i % 7) {
        case 0:
          view.SetPlaying(true);
          view.SetPlayStartMs(player.ClockMs() / 1000 * 1000);
          player.RequestStart();
          break;
        case 1:
          player.SetScale(i % 5);
          player.SetBaseNote(i % 37 - 21);
          break;
        case 2:
          view.SetStore(i % 3 == 0 ? &second.store : &first.store);
          view.SetValuesN(1 + i % 60);
          host.fade = i % 3;
          break;
        case 3:
          view.SetSoundOn(i % 2 == 0);
          view.SetPlayStartPosition(kNoon + i);
          break;
        case 4:
          // New data arrives on the GUI thread while the engine reads the store.
          first.store.CreateBlocks(kNoon + 600 + i * 10, kNoon + 610 + i * 10);
          player.SetVolume(i % 101, i % 11 == 0);
          break;
        case 5:
          if (i % 3 == 0) {
            host.views[0].SetPlaying(false);
            host.views[1].SetPlaying(false);
            player.RequestStop();
          }
          break;
        default:
          lastWrites = std::max(lastWrites, device.writeCount());
          (void)player.IsRendering();
          break;
      }
      std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    host.views[0].SetPlaying(true);
    player.RequestStart();
    ASSERT_TRUE(device.WaitForWrites(device.writeCount() + 30));
    EXPECT_GT(host.stopped(), 0);
    EXPECT_GT(lastWrites, 0);
    done = true;
    deviceThread.join();
    player.SetHost(nullptr);
  }
  EXPECT_FALSE(device.isOpen());
}

}  // namespace
}  // namespace tessaly
