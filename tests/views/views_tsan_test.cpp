// Both views playing on the real engine thread while the user changes what
// the engine reads: the view fields it shares with the GUI thread, the stores
// it reads while the GUI thread adds and evicts blocks, and the end-of-run
// notice, also when a new run starts before the old one has ended.

#include <algorithm>
#include <tuple>
#include <vector>

#include "views/view_harness.h"

namespace tessaly::testing {
namespace {

bool InStore(const SampleStore& store, const BlockPtr& block) {
  return std::ranges::count(store.Blocks(), block) > 0;
}

// Both views play through eviction (more than a day of samples loaded) while
// the user changes what the engine reads.
TEST(ViewsConcurrency, BothViewsPlayThroughEvictionAndUserChanges) {
  ViewHarness h;
  h.settings.source[1] = kSourceServer;
  // Older fetches: most of a day of another time.
  h.clock.Set(kStartNow - 3600);
  int64_t t = MakeUtc(2026, 2, 1, 0, 0, 0);
  int64_t loaded = 0;
  const auto load = [&] {
    ASSERT_TRUE(h.serverStore.CreateBlocks(t, t + 1800));
    loaded += 1801;
    t += 1801;
  };
  for (int i = 0; i < 44; ++i) {
    load();
  }
  h.clock.Set(kStartNow);
  h.Start();
  h.dialog.UserClick(kIdView2);
  h.dialog.UserClick(kIdView2SoundCheck);     // View 2 heard as well
  h.dialog.UserSelect(kIdView2HourList, 20);  // View 2 at 20:50 of the same day
  h.dialog.UserClick(kIdView2Set);
  ASSERT_EQ(h.v2().store, &h.serverStore);
  h.dialog.UserClick(kIdView1Play);
  h.Play(kIdView2Play);

  // One round: ten seconds later a new load, then one played second. A view
  // whose block is still stored plays on by that second; one whose block went
  // stops where it was, or plays on from the store's own block for its second.
  int playedRounds[2] = {};
  int changes = 0;
  const auto round = [&] {
    h.clock.Step(10);
    load();
    const int c = changes++;
    h.dialog.UserSelect(kIdView1ValuesList, 1 + c % 60);  // the window the engine sounds
    h.dialog.UserClick(kIdView1SoundCheck);               // sound off and on
    h.dialog.UserSelect(kIdFade, c % 3);                  // fade
    h.dialog.UserSelect(kIdView2StationList, 1 + c % 4);  // View 2's station
    h.dialog.UserSelect(kIdMusicScale, c % 5);            // scale
    std::vector<std::tuple<CView*, bool, int64_t, bool>> before;
    for (CView* v : {&h.v1(), &h.v2()}) {
      before.emplace_back(v, v->playing(), v->position, InStore(h.serverStore, v->currentBlock));
    }
    h.PlaySeconds(1);
    for (auto [v, played, position, kept] : before) {
      SCOPED_TRACE(v == &h.v1() ? "View 1" : "View 2");
      EXPECT_TRUE(played || !v->playing());
      EXPECT_TRUE(!played || !kept || v->playing()) << "stopped with its block still stored";
      if (v->playing()) {
        ++playedRounds[v == &h.v1() ? 0 : 1];
        EXPECT_EQ(v->position, position + 1);
        EXPECT_EQ(v->currentBlock, h.serverStore.FindBlock(v->position, true));
        EXPECT_TRUE(InStore(h.serverStore, v->currentBlock));
        EXPECT_EQ(v->companion->currentBlock, v->currentBlock);
      } else {
        EXPECT_EQ(v->position, position);
      }
    }
  };
  // Newer loads push the old day out, then the views' own blocks: a view plays
  // on at least until its own block goes.
  for (int i = 0; i < 58 && (h.v1().playing() || h.v2().playing()); ++i) {
    round();
    if (i == 7) {  // the old day is going: both still play, a day's worth is kept
      ASSERT_TRUE(h.v1().playing() && h.v2().playing());
      ASSERT_GT(loaded, kStoreSecondsLimit);
      int64_t stored = 0;
      for (const BlockPtr& b : h.serverStore.Blocks()) {
        stored += b->secondCount;
      }
      EXPECT_LT(stored, kStoreSecondsLimit + 1801);
    }
  }
  // Both played on past the old day's eviction: this is not passed by stopping.
  EXPECT_GT(playedRounds[0], 8);
  EXPECT_GT(playedRounds[1], 8);
  for (int id : {kIdView1Play, kIdView2Play}) {
    if (h.dialog.Text(id) == "Stop") {
      h.dialog.UserClick(id);
    }
  }
  ASSERT_TRUE(h.FinishRun());
  EXPECT_TRUE(h.dialog.IsEnabled(kIdCopyDown));
  // A Set brings each view back onto live blocks.
  h.dialog.UserClick(kIdView1Set);
  h.dialog.UserClick(kIdView2Set);
  EXPECT_TRUE(InStore(h.serverStore, h.v1().currentBlock));
  EXPECT_TRUE(InStore(h.serverStore, h.v2().currentBlock));
}

TEST(ViewsConcurrency, PlayBeforeTheStopHasEndedGoesOnFromWhereItStopped) {
  StartedHarness h;
  h.Play(kIdView1Play, 3);
  ASSERT_EQ(h.v1().position, kPreset + 3);
  // Stop, and Continue before the engine has ended the run: its clock still
  // shows the old run's three seconds, the new run counts from 0.
  h.dialog.UserClick(kIdView1Play);
  h.dialog.UserClick(kIdView1Play);
  EXPECT_TRUE(ViewHarness::Until([&] { return h.player->ClockMs() < 1000; },
                                 [&] { h.device.FinishBuffers(1), ViewHarness::Nap(); }));
  // The old run's end notice arrives while the new run plays: it stops nothing.
  EXPECT_TRUE(ViewHarness::Until([&] { return !h.dialog.Posted().empty(); }, ViewHarness::Nap));
  h.dialog.DeliverPosted();
  h.PlaySeconds(1);
  EXPECT_EQ(h.v1().position, kPreset + 4);
  EXPECT_TRUE(h.v1().playing());
  EXPECT_TRUE(h.player->IsRendering());
  EXPECT_EQ(h.Text(kIdView1Play), "Stop");
}

}  // namespace
}  // namespace tessaly::testing
