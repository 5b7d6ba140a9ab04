// Following the present while the server stops answering: the window goes on,
// the view plays on over what it has, and the time-outs end it with the usual
// message.
#include <atomic>
#include <future>
#include <thread>

#include "views/view_harness.h"

namespace tessaly::testing {
namespace {

TEST(LiveConcurrency, AHangingServerNeverHoldsTheWindow) {
  ViewHarness h;
  h.server.script.dataEndFor = [&](const SampleBlock&) { return h.clock.Now() - 40; };
  h.Start();
  h.server.sink = h.main.get();
  h.main->SetFollowLive(0, true);
  ASSERT_TRUE(h.WaitRendering());

  std::promise<void> answer;
  std::shared_future<void> answered = answer.get_future().share();
  std::atomic<int> fetches{0};
  std::atomic<std::thread::id> fetchThread;
  const std::thread::id gui = std::this_thread::get_id();
  h.server.beforeFetch = [&] {
    ++fetches;
    fetchThread = std::this_thread::get_id();
    // On the GUI thread the window would hang here: fail instead.
    if (std::this_thread::get_id() != gui) {
      answered.wait();
    }
  };
  h.waitLiveFetch = false;
  // Twenty seconds of data are ahead; the view plays through them and past
  // their end while the one request waits.
  for (int s = 1; s <= 30; ++s) {
    h.clock.Step();
    h.PlaySeconds(1);
    ASSERT_EQ(h.v1().position, h.clock.Now() - 60) << "after " << s << " s";
  }
  EXPECT_TRUE(h.v1().playing());
  ASSERT_EQ(fetches, 1);
  EXPECT_NE(fetchThread.load(), gui);
  EXPECT_TRUE(h.dialog.MessageBoxes().empty());

  // The time-outs end the request: the view stops and says why.
  h.server.script.fail = true;
  answer.set_value();
  h.liveFetch.Wait();
  h.clock.Step();
  h.PlaySeconds(1);
  EXPECT_FALSE(h.v1().playing());
  ASSERT_EQ(h.dialog.MessageBoxes().size(), 1u);
  EXPECT_EQ(h.dialog.MessageBoxes()[0].caption, "No data received");
  EXPECT_EQ(h.dialog.MessageBoxes()[0].detail, "scripted failure");
  EXPECT_EQ(fetches, 1);
}

}  // namespace
}  // namespace tessaly::testing
