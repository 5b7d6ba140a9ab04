// The render thread allocates nothing while playing: every operator new of
// the process is counted while a run with two sounding views goes through
// three histogram reloads.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "player_test_support.h"
#include "sound/player.h"

#if defined(__GNUC__) && !defined(__clang__)
// The replacement pair below is malloc/free on both sides; GCC cannot see that
// once the pair is inlined into callers.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif

namespace {
std::atomic<bool> g_counting{false};
std::atomic<int64_t> g_allocations{0};
}  // namespace

void* operator new(std::size_t size) {
  if (g_counting.load(std::memory_order_relaxed)) {
    g_allocations.fetch_add(1, std::memory_order_relaxed);
  }
  if (void* p = std::malloc(size == 0 ? 1 : size)) {
    return p;
  }
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
  std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
  std::free(p);
}

namespace tessaly {
namespace {

using namespace testing_sound;

TEST(PlayerAllocation, NothingIsAllocatedWhilePlaying) {
  PatternStore pattern([](int64_t t) { return 60 + int(t % 80); }, kNoon - 600, kNoon + 1200);
  FakeWaveOut device;
  device.SetRecordData(false);
  TestHost host;
  host.fade = 1;
  CPlayer player(device, FastTiming());
  player.SetHost(&host);
  for (int v = 0; v < 2; ++v) {
    host.views[v].SetStore(&pattern.store);
    host.views[v].SetStation(1);
    host.views[v].SetValuesN(60);
    host.views[v].SetPlayStartPosition(kNoon + 100 * v);
    host.views[v].SetSoundOn(true);
    host.views[v].SetPlaying(true);
  }
  player.RequestStart();
  ASSERT_TRUE(Pump(device, 50));
  g_counting = true;
  const bool pumped = Pump(device, 350);
  g_counting = false;
  ASSERT_TRUE(pumped);
  EXPECT_EQ(g_allocations.load(), 0);
  player.RequestStop();
  device.FinishBuffers(20);
  ASSERT_TRUE(host.WaitStopped(1));
  player.SetHost(nullptr);
}

}  // namespace
}  // namespace tessaly
