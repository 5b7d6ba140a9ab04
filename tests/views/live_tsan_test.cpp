// Following the present on a real network: a server that stops answering, a
// server whose clock differs from the machine's, stations that report late, a
// stall, and a failure that belongs to an earlier run. The window never waits
// for a fetch, and the view never stops unless a request fails.
#include <atomic>
#include <future>
#include <sstream>
#include <thread>

#include "samples/sample_export.h"
#include "views/view_harness.h"

namespace tessaly::testing {
namespace {

// Holds every fetch off the GUI thread until released, also when the test
// ends early, so the fetch's thread can be joined. On the GUI thread the
// window would hang: such a fetch goes through and the test fails instead.
struct HeldFetches {
  explicit HeldFetches(ViewHarness& h) {
    h.server.beforeFetch = [this] {
      ++count;
      thread = std::this_thread::get_id();
      if (thread.load() != gui) {
        answered.wait();
      }
    };
  }
  ~HeldFetches() { Release(); }
  void Release() {
    if (!std::exchange(released, true)) {
      answer.set_value();
    }
  }
  std::promise<void> answer;
  std::shared_future<void> answered = answer.get_future().share();
  const std::thread::id gui = std::this_thread::get_id();
  std::atomic<int> count{0};
  std::atomic<std::thread::id> thread;
  bool released = false;
};

TEST(LiveConcurrency, AHangingServerNeverHoldsTheWindow) {
  StartedHarness h({.lag = 40, .reportFailures = true});
  h.main->SetFollowLive(0, true);
  ASSERT_TRUE(h.WaitRendering());
  const int64_t newest = h.clock.Now() - 40;

  HeldFetches held(h);
  h.waitLiveFetch = false;
  // Twenty seconds of data are ahead; the view plays through them and waits
  // after the newest one while the one request waits.
  for (int s = 1; s <= 30; ++s) {
    h.clock.Step();
    h.PlaySeconds(1);
    ASSERT_EQ(h.v1().position, std::min(h.clock.Now() - 60, newest + 1)) << "after " << s << " s";
  }
  EXPECT_TRUE(h.v1().playing());
  ASSERT_EQ(held.count, 1);
  EXPECT_NE(held.thread.load(), held.gui);
  EXPECT_TRUE(h.dialog.MessageBoxes().empty());

  // The time-outs end the request: the view stops and says why.
  h.server.script.fail = true;
  held.Release();
  h.liveFetch.Wait();
  h.clock.Step();
  h.PlaySeconds(1);
  EXPECT_FALSE(h.v1().playing());
  ASSERT_EQ(h.dialog.MessageBoxes().size(), 1u);
  EXPECT_EQ(h.dialog.MessageBoxes()[0].caption, "No data received");
  EXPECT_EQ(h.dialog.MessageBoxes()[0].detail, "scripted failure");
  EXPECT_EQ(held.count, 1);
}

// Three stations report 90 s late (the server's newest second is 40 s old);
// the server's clock is 30 s ahead of or behind the machine's, or the delay
// is shorter than the server's lag. Play starts at once the delay behind the
// server's present (or at its newest second), the late samples fill the
// columns they belong to, a stall of the server is waited out in silence and
// the view never stops.
TEST(LiveConcurrency, FollowsLateStationsWhateverTheClocks) {
  struct Case {
    int64_t ahead;  // server's clock minus the machine's
    int32_t delay;
    int64_t startBehind;  // the first position, behind the server's present
  };
  for (const Case c : {Case{-30, 60, 60}, Case{30, 60, 60}, Case{0, 10, 40}}) {
    SCOPED_TRACE(::testing::Message() << "ahead " << c.ahead << ", delay " << c.delay);
    ViewHarness h({.reportFailures = true});
    const auto serverNow = [&] { return h.clock.Now() + c.ahead; };
    std::atomic<int64_t> stalledAt{0};  // the server's newest second while it stalls
    h.server.clockOffset = c.ahead;
    h.server.script.dataEndFor = [&](const SampleBlock&) {
      return stalledAt != 0 ? stalledAt.load() : serverNow() - 40;
    };
    h.server.script.value = [&](uint32_t id, int64_t t) {
      const bool late = id == 33 || id == 34 || id == 37;
      return late && t > serverNow() - 90 ? 0 : DefaultValue(id, t);
    };
    h.settings.liveDelay = c.delay;
    h.Start();
    h.main->SetFollowLive(0, true);
    ASSERT_TRUE(h.WaitRendering());
    ASSERT_TRUE(h.dialog.MessageBoxes().empty());
    const int64_t start = serverNow() - c.startBehind;
    EXPECT_EQ(h.v1().position, start);

    int64_t last = h.v1().position;
    const auto play = [&](int seconds) {
      for (int s = 0; s < seconds; ++s) {
        h.clock.Step();
        h.PlaySeconds(1);
        ASSERT_TRUE(h.v1().playing());
        ASSERT_GE(h.v1().position, last);  // never back, never a second twice
        last = h.v1().position;
      }
    };
    play(100);
    if (c.delay == 60) {
      EXPECT_EQ(h.v1().position, serverNow() - 60);
    }
    // Every second up to 90 s before the last request (at most 5 s ago) now
    // holds the late stations' samples, in the store and on the screen.
    for (int64_t t = start - 50; t <= serverNow() - 95; ++t) {
      ASSERT_EQ(h.serverStore.GetValue(t, 37), DefaultValue(37, t)) << t - start;
      ASSERT_EQ(h.serverStore.GetValue(t, 33), DefaultValue(33, t)) << t - start;
    }
    for (CView* v : {&h.v1(), &h.g1()}) {  // as a fresh paint of the store shows them
      Raster fresh(v->image.width(), v->image.height());
      PaintImage(fresh, *v->store, v->Params());
      EXPECT_TRUE(fresh == v->image) << "view " << v->index();
    }
    SampleTable table;
    ASSERT_EQ(GatherSamples(h.serverStore, start - 50, serverNow() - 95, table).failure, "");
    std::ostringstream csv;
    WriteSamplesCsv(csv, table);
    EXPECT_EQ(csv.str().find(",,"), std::string::npos);  // no empty cell
    EXPECT_EQ(csv.str().find(",\n"), std::string::npos);
    EXPECT_NE(csv.str().find(FormatTime(serverNow() - 95)), std::string::npos);
    // No second is held twice: nothing is counted again toward eviction.
    const BlockList blocks = h.serverStore.Blocks();
    for (size_t i = 1; i < blocks.size(); ++i) {
      EXPECT_GT(blocks[i]->dataStart, blocks[i - 1]->dataEnd) << i;
    }

    // A stall: the server has nothing new for 40 s. The view plays up to its
    // newest second, waits after it, asks at the usual rhythm, and goes on.
    const size_t before = h.server.script.requests.size();
    const int64_t stall = serverNow() - 40;
    stalledAt = stall;
    play(40);
    EXPECT_EQ(h.v1().position, stall + 1);
    EXPECT_GE(h.server.script.requests.size() - before, 7u);
    EXPECT_LE(h.server.script.requests.size() - before, 9u);
    stalledAt = 0;
    play(10);
    EXPECT_GE(h.v1().position, stall + 6);
    EXPECT_TRUE(h.dialog.MessageBoxes().empty());
  }
}

// A fetch of a run the user stopped fails after the next run has begun: the
// new run neither stops nor reports it.
TEST(LiveConcurrency, AFailureOfAnEarlierRunIsDropped) {
  StartedHarness h({.lag = 40, .reportFailures = true});
  HeldFetches held(h);
  std::atomic<bool> failHeld{true};
  h.server.failWhen = [&] {
    return std::this_thread::get_id() != held.gui && failHeld.exchange(false);
  };
  h.main->SetFollowLive(0, true);
  ASSERT_TRUE(h.WaitRendering());
  h.waitLiveFetch = false;
  for (int s = 0; s < 25 && !h.liveFetch.busy(); ++s) {
    h.clock.Step();
    h.PlaySeconds(1);
  }
  ASSERT_TRUE(h.liveFetch.busy());
  h.dialog.UserClick(kIdView1Play);  // Stop
  ASSERT_FALSE(h.v1().playing());
  ASSERT_TRUE(h.FinishRun());
  h.Play(kIdView1Play);
  held.Release();
  h.liveFetch.Wait();
  h.waitLiveFetch = true;
  for (int s = 0; s < 20; ++s) {
    h.clock.Step();
    h.PlaySeconds(1);
    ASSERT_TRUE(h.v1().playing()) << s;
  }
  EXPECT_EQ(h.v1().position, h.clock.Now() - 60);
  EXPECT_TRUE(h.dialog.MessageBoxes().empty());
}

}  // namespace
}  // namespace tessaly::testing
