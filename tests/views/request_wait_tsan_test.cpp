// A data request runs off the GUI thread while the window keeps answering:
// the view it is for takes only "Stop", the other view plays on or waits its
// turn, and Exit gives the request up at once.

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>

#include "samples/background_fetch.h"
#include "views/view_harness.h"

namespace tessaly::testing {
namespace {

// The scripted server behind a gate: a fetch waits until the gate opens, or
// fails at once when cancelled, as a cancelled request does.
class GatedSource final : public SplitBlockSource {
 public:
  explicit GatedSource(SplitBlockSource& inner) : inner_(inner) {}
  FetchOutcome Fetch(SampleBlock& block) override {
    {
      std::unique_lock lock(mutex_);
      changed_.wait_for(lock, std::chrono::seconds(20), [&] { return open_ || cancelled_; });
      if (!open_) {
        return {false, "Cancelled"};
      }
    }
    return inner_.Fetch(block);
  }
  bool Finish(SampleStore& store, SampleBlock& block, const FetchOutcome& outcome) override {
    return inner_.Finish(store, block, outcome);
  }
  void Cancel() override { Set(cancelled_, true); }
  void Open(bool open) { Set(open_, open); }

 private:
  void Set(bool& flag, bool on) {
    std::lock_guard lock(mutex_);
    flag = on;
    changed_.notify_all();
  }
  SplitBlockSource& inner_;
  std::mutex mutex_;
  std::condition_variable changed_;
  bool open_ = true;
  bool cancelled_ = false;
};

// The harness with the server store's requests running as the program's do.
struct WaitingHarness {
  explicit WaitingHarness(int view2Source) {
    h.settings.source[1] = view2Source;
    h.settings.view2 = 1;
    h.serverStore.SetServerSource(&requests);
    h.Create(&requests);
  }
  ~WaitingHarness() { h.main.reset(); }
  bool Posted(FakeDialog::PostedMessage message) const {
    const auto posted = h.dialog.Posted();
    return std::find(posted.begin(), posted.end(), message) != posted.end();
  }

  ViewHarness h{{.reportFailures = true}};
  GatedSource gate{h.server};
  WaitingSource requests{gate};
};

TEST(RequestWait, TheOtherViewPlaysOnWhileTheWaitingViewTakesNothing) {
  WaitingHarness w(kSourcePseudorandom);
  ViewHarness& h = w.h;
  w.gate.Open(false);
  int64_t played = 0;
  h.dialog.whileWaiting = [&] {
    h.dialog.DeliverPosted();  // View 2's "Set", on the other store
    h.Play(kIdView2Play, 2);
    played = h.v2().position;
    // View 1 waits for its first data: its own controls do nothing now.
    h.dialog.UserClick(kIdView1Play);
    h.dialog.UserClick(kIdView1Set);
    h.dialog.UserScroll(kIdView1StepBar, ScrollCode::kPageDown);
    w.gate.Open(true);
  };
  h.dialog.DeliverPosted();  // View 1's "Set"

  EXPECT_EQ(h.dialog.waits, 1);
  EXPECT_EQ(played, kPreset + 2);
  EXPECT_TRUE(h.v2().playing());
  EXPECT_EQ(h.v1().position, kPreset);
  EXPECT_FALSE(h.v1().playing());
  EXPECT_EQ(h.server.script.fillCount, 1);
  EXPECT_TRUE(h.dialog.MessageBoxes().empty());
}

TEST(RequestWait, StopEndsAWaitingRunAndTheOtherViewOnTheStoreWaitsItsTurn) {
  WaitingHarness w(kSourceServer);
  ViewHarness& h = w.h;
  h.server.script.dataEndFor = TrimAt(kPreset + 110);
  h.dialog.DeliverPosted();
  h.Play(kIdView1Play, 7);
  h.server.script.dataEndFor = nullptr;
  const int fills = h.server.script.fillCount;
  const int waits = h.dialog.waits;
  w.gate.Open(false);
  bool view2Untouched = false;
  h.dialog.whileWaiting = [&] {
    h.PlaySeconds(1);                 // a tick while View 1 waits leaves it alone
    h.dialog.UserClick(kIdView2Set);  // kept for after the request
    view2Untouched = h.dialog.Posted().empty() && h.server.script.fillCount == fills;
    h.dialog.UserClick(kIdView1Play);  // "Stop"
    w.gate.Open(true);
  };
  h.PlaySeconds(1);  // View 1 needs the seconds after the first block

  EXPECT_EQ(h.dialog.waits, waits + 1);
  EXPECT_TRUE(view2Untouched);
  EXPECT_TRUE(w.Posted({FakeDialog::PostedMessage::Kind::kCommand, kIdView2Set}));
  // Stopped while it waited: the data came, the view stayed where it was.
  EXPECT_FALSE(h.v1().playing());
  EXPECT_EQ(h.Text(kIdView1Play), "Continue");
  EXPECT_EQ(h.v1().position, kPreset + 7);
  EXPECT_EQ(h.server.script.fillCount, fills + 1);
  EXPECT_TRUE(h.dialog.MessageBoxes().empty());
}

TEST(RequestWait, EscapeGivesTheRequestUpAndEndsWithoutAWord) {
  WaitingHarness w(kSourceServer);
  ViewHarness& h = w.h;
  w.gate.Open(false);
  h.dialog.whileWaiting = [&] { h.dialog.UserKey(kKeyEscape); };
  const auto start = std::chrono::steady_clock::now();
  h.dialog.DeliverPosted();

  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  EXPECT_TRUE(h.exited);
  EXPECT_EQ(h.v1().position, 0);
  EXPECT_EQ(h.server.script.fillCount, 0);
  EXPECT_TRUE(h.dialog.MessageBoxes().empty());
}

}  // namespace
}  // namespace tessaly::testing
