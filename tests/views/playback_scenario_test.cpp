// Playing: the engine's clock moves the views second by second.

#include "views/view_harness.h"

namespace tessaly::testing {
namespace {

// The controls a playing view locks.
constexpr int kLockedWhilePlaying[] = {kIdView1ServerRadio, kIdView1PseudorandomRadio,
                                       kIdView1StepBar,     kIdView1Set,
                                       kIdCopyDown,         kIdCopyUp};

TEST(PlaybackScenario, PlayAdvancesSecondBySecondAndFetchesAhead) {
  // The first reply ends 130 seconds after the preset, the next ones are whole.
  StartedHarness h({.dataEnd = TrimAt(kPreset + 130)});
  h.server.script.dataEndFor = nullptr;
  ASSERT_EQ(h.server.script.fillCount, 1);

  // A list changed since the last Set: Play starts at the old position anyway.
  h.dialog.UserSelect(kIdView1HourList, 3);
  h.dialog.UserClick(kIdView1Play);
  EXPECT_FALSE(h.v1().selectorsChanged);
  EXPECT_EQ(h.dialog.ReadList(kIdView1HourList), 3);
  EXPECT_EQ(h.Text(kIdView1Play), "Stop");
  EXPECT_TRUE(h.v1().playing());
  for (int id : kLockedWhilePlaying) {
    EXPECT_FALSE(h.dialog.IsEnabled(id)) << id;
  }
  EXPECT_TRUE(
      h.dialog.IsEnabled(kIdView1GraphStepBar));  // the graph's bar is not the one beside "Play"
  ASSERT_TRUE(h.WaitRendering());

  // Within a second nothing moves.
  h.TickAt(500);
  EXPECT_EQ(h.v1().position, kPreset);

  h.PlaySeconds(1);
  EXPECT_EQ(h.v1().position, kPreset + 1);
  EXPECT_EQ(h.g1().position, kPreset + 1);
  EXPECT_EQ(h.Text(kIdView1PositionText), "2026-03-10 11:50:01");
  // A tick with the same clock does nothing.
  h.dialog.ResetPaintCounts();
  h.Tick();
  EXPECT_EQ(h.dialog.DrawCount(kIdView1Image), 0);

  // Position + 103 passes the end of the first block at second 28.
  h.PlaySeconds(26);
  EXPECT_EQ(h.v1().position, kPreset + 27);
  EXPECT_EQ(h.server.script.fillCount, 1);
  h.PlaySeconds(1);
  EXPECT_EQ(h.v1().position, kPreset + 28);
  EXPECT_EQ(h.server.script.fillCount, 2);
  EXPECT_EQ(h.server.script.requests.back().first, kPreset + 131);
  EXPECT_TRUE(h.v1().playing());
  // View 2 does not play: it stays.
  EXPECT_EQ(h.v2().position, kPreset);
}

TEST(PlaybackScenario, EndOfDataStopsTheViewAndTheEngine) {
  StartedHarness h({.dataEnd = TrimAt(kPreset + 110)});
  h.server.script.fail = true;
  h.Play(kIdView1Play, 7);
  EXPECT_EQ(h.v1().position, kPreset + 7);
  h.PlaySeconds(1);
  EXPECT_FALSE(h.v1().playing());
  EXPECT_EQ(h.v1().position, kPreset + 7);
  EXPECT_EQ(h.Text(kIdView1Play), "Continue");
  for (int id : kLockedWhilePlaying) {
    EXPECT_TRUE(h.dialog.IsEnabled(id)) << id;
  }
  ASSERT_TRUE(h.FinishRun());
  EXPECT_FALSE(h.player->IsRendering());
}

TEST(PlaybackScenario, TwoViewsJoinOnWholeSecondsStopOneThenBothAndAFailedSetStopsThem) {
  StartedHarness h;
  h.dialog.UserClick(kIdView2);  // show View 2
  h.Play(kIdView1Play);
  h.TickAt(2500);
  EXPECT_EQ(h.v1().position, kPreset + 2);

  h.dialog.UserClick(kIdView2Play);
  EXPECT_EQ(h.v2().playStartMs(), 2000);
  EXPECT_EQ(h.v2().playStartPosition(), kPreset);
  h.TickAt(2900);
  EXPECT_EQ(h.v2().position, kPreset);
  h.TickAt(3000);
  EXPECT_EQ(h.Positions(), std::pair(kPreset + 3, kPreset + 1));
  h.PlaySeconds(2);
  EXPECT_EQ(h.Positions(), std::pair(kPreset + 5, kPreset + 3));

  // Stop of one: the engine runs on, copying stays disabled.
  h.dialog.UserClick(kIdView1Play);
  EXPECT_EQ(h.Text(kIdView1Play), "Continue");
  EXPECT_FALSE(h.dialog.IsEnabled(kIdCopyDown));
  EXPECT_FALSE(h.dialog.IsEnabled(kIdCopyUp));
  h.PlaySeconds(1);
  EXPECT_TRUE(h.player->IsRendering());
  EXPECT_EQ(h.Positions(), std::pair(kPreset + 5, kPreset + 4));

  // Stop of both: the run ends, copying comes back.
  h.dialog.UserClick(kIdView2Play);
  EXPECT_TRUE(h.dialog.IsEnabled(kIdCopyDown));
  EXPECT_TRUE(h.dialog.IsEnabled(kIdCopyUp));
  ASSERT_TRUE(h.FinishRun());
  EXPECT_TRUE(h.dialog.IsEnabled(kIdCopyDown));

  // "Continue" plays on from where the view stopped.
  h.dialog.UserClick(kIdView1Play);
  EXPECT_EQ(h.Text(kIdView1Play), "Stop");
  ASSERT_TRUE(h.WaitRendering());
  h.PlaySeconds(2);
  EXPECT_EQ(h.v1().position, kPreset + 7);

  // Only View 2 playing (pseudorandom data): a failed Set of View 1 stops it
  // too and tells the user.
  h.dialog.UserClick(kIdView2Play);
  h.dialog.UserClick(kIdView1Play);
  h.PlaySeconds(1);
  ASSERT_TRUE(h.v2().playing());
  h.server.script.fail = true;
  h.dialog.UserSelect(kIdView1DayList, 0);
  h.dialog.UserClick(kIdView1Set);
  ASSERT_EQ(h.dialog.MessageBoxes().size(), 1u);
  EXPECT_EQ(h.dialog.MessageBoxes()[0].text, "Cannot receive data from server");
  EXPECT_FALSE(h.v2().playing());
  EXPECT_EQ(h.Text(kIdView2Play), "Continue");
  EXPECT_EQ(h.g1().currentBlock, nullptr);
  ASSERT_TRUE(h.FinishRun());
}

// A fetch failing inside a tick: the server store stops the views and shows
// its box, during which the tick timer fires without effect.
TEST(PlaybackScenario, TickInsideAMessageBoxDoesNothing) {
  StartedHarness h({.dataEnd = TrimAt(kPreset + 110), .reportFailures = true});
  h.server.script.fail = true;

  h.Play(kIdView1Play, 7);
  int fills = h.server.script.fillCount;
  int hoverPolls = 0;
  h.main->SetHoverPoll([&] { ++hoverPolls; });
  int ticksInBox = 0;
  int pollsInBox = 0;
  h.dialog.whileMessageBoxOpen = [&](const FakeDialog::MessageBoxRecord&) {
    const int pollsBeforeBox = hoverPolls;
    h.Tick();
    h.Tick();
    ++ticksInBox;
    pollsInBox = hoverPolls - pollsBeforeBox;
  };
  h.PlaySeconds(1);
  EXPECT_EQ(ticksInBox, 1);
  EXPECT_EQ(pollsInBox, 0);
  EXPECT_EQ(h.v1().position, kPreset + 7);
  // One failure, one box: the stopped view does not ask again.
  EXPECT_EQ(h.server.script.fillCount, fills + 1);
  ASSERT_EQ(h.dialog.MessageBoxes().size(), 1u);
  EXPECT_EQ(h.dialog.MessageBoxes()[0].detail, "scripted failure");
  EXPECT_FALSE(h.v1().playing());
  EXPECT_EQ(h.Text(kIdView1Play), "Continue");

  // The next tick works normally again.
  h.dialog.whileMessageBoxOpen = nullptr;
  h.server.script.fail = false;
  h.server.script.dataEndFor = nullptr;
  ASSERT_TRUE(h.FinishRun());
  const int polls = hoverPolls;
  h.Play(kIdView1Play, 1);
  EXPECT_EQ(hoverPolls, polls + 1);
  EXPECT_EQ(h.v1().position, kPreset + 8);

  // A step that fails tells the user once as well.
  ASSERT_TRUE(h.Stop(kIdView1Play));
  h.server.script.fail = true;
  fills = h.server.script.fillCount;
  for (int i = 0; i < 20 && h.dialog.MessageBoxes().size() < 2; ++i) {
    h.dialog.UserScroll(kIdView1StepBar, ScrollCode::kPageDown);
  }
  EXPECT_EQ(h.server.script.fillCount, fills + 1);
  EXPECT_EQ(h.dialog.MessageBoxes().size(), 2u);
  EXPECT_EQ(h.Text(kIdView1Play), "Continue");
}

TEST(PlaybackScenario, SourceChangeSoundChoicesAndADeviceThatWillNotOpen) {
  StartedHarness h;
  h.dialog.UserClick(kIdView1ServerRadio);  // already the source: nothing
  EXPECT_TRUE(h.dialog.Posted().empty());
  EXPECT_EQ(h.v1().position, kPreset);
  h.dialog.UserClick(kIdView1PseudorandomRadio);
  EXPECT_EQ(h.v1().position, 0);
  EXPECT_EQ(h.g1().store, &h.pseudoStore);
  EXPECT_EQ(h.settings.source[0], kSourcePseudorandom);
  h.dialog.DeliverPosted();
  EXPECT_EQ(h.v1().position, kPreset);
  EXPECT_EQ(h.Text(kIdView1StationsText), "Hosts: 22");

  // The sound box and the values list reach the engine at once.
  EXPECT_TRUE(h.main->PlayerView(0)->soundOn());
  h.dialog.UserClick(kIdView1SoundCheck);
  EXPECT_FALSE(h.main->PlayerView(0)->soundOn());
  EXPECT_FALSE(h.dialog.IsChecked(kIdView1SoundCheck));
  EXPECT_EQ(h.settings.sound[0], 0);
  h.dialog.UserSelect(kIdView1ValuesList, 9);
  EXPECT_EQ(h.main->PlayerView(0)->valuesN(), 10);
  EXPECT_EQ(h.main->PlayerView(0)->station(), uint32_t(h.settings.station[0]));
  EXPECT_EQ(h.main->PlayerView(2), nullptr);

  // A device that will not open is reported, and the next run works.
  h.device.SetOpenResult(1);
  h.device.SetLastError("Device unavailable");
  h.dialog.UserClick(kIdView1Play);
  // The failed run ends at once; its box comes with the run's end.
  ASSERT_TRUE(h.FinishRun());
  ASSERT_EQ(h.dialog.MessageBoxes().size(), 1u);
  EXPECT_EQ(h.dialog.MessageBoxes()[0].text, "Cannot open default audio device");
  EXPECT_EQ(h.dialog.MessageBoxes()[0].caption, "Cannot open audio device");
  EXPECT_EQ(h.dialog.MessageBoxes()[0].detail, "Device unavailable");
  // The view still counts as playing until the user stops it.
  EXPECT_EQ(h.Text(kIdView1Play), "Stop");
  EXPECT_FALSE(h.dialog.IsEnabled(kIdCopyDown));
  h.dialog.UserClick(kIdView1Play);  // Stop with no run going on
  EXPECT_EQ(h.Text(kIdView1Play), "Continue");
  EXPECT_TRUE(h.dialog.IsEnabled(kIdCopyDown));

  h.device.SetOpenResult(0);
  h.Play(kIdView1Play, 2);
  EXPECT_EQ(h.v1().position, kPreset + 2);
}

// "Follow Live": the view plays the live delay (60 s) behind the present for
// a minute while the server's newest complete second is 40 s old, fetching
// only what is new, at most once in five seconds.
TEST(PlaybackScenario, FollowLiveKeepsTheDelayWithSmallFetches) {
  StartedHarness h({.lag = 40});
  h.main->SetFollowLive(0, true);
  ASSERT_TRUE(h.WaitRendering());
  EXPECT_EQ(h.v1().position, kStartNow - 60);
  const size_t before = h.server.script.requests.size();
  for (int s = 1; s <= 60; ++s) {
    h.clock.Step();
    h.PlaySeconds(1);
    ASSERT_EQ(h.v1().position, h.clock.Now() - 60) << "after " << s << " s";
  }
  EXPECT_TRUE(h.v1().playing());
  const auto& requests = h.server.script.requests;
  EXPECT_GE(requests.size() - before, 10u);
  EXPECT_LE(requests.size() - before, 13u);
  for (size_t i = before + 1; i < requests.size(); ++i) {
    // Each asks for what is new: from the second after the newest it had.
    EXPECT_GT(requests[i].first, requests[i - 1].first);
    EXPECT_LE(requests[i].first - requests[i - 1].first, 6);
  }
  EXPECT_EQ(h.settings.followLive[0], 1);

  // Off again: the view plays on and stops at the end of what it has.
  h.main->SetFollowLive(0, false);
  for (int s = 0; s < 30 && h.v1().playing(); ++s) {
    h.PlaySeconds(1);
  }
  EXPECT_FALSE(h.v1().playing());
  EXPECT_EQ(h.settings.followLive[0], 0);
  // An hour on, the server fails: one message and no run.
  h.clock.Step(3600);
  h.server.failWhen = [] { return true; };
  h.main->SetFollowLive(0, true);
  EXPECT_FALSE(h.v1().playing());
  EXPECT_EQ(h.dialog.MessageBoxes().size(), 1u);
}

}  // namespace
}  // namespace tessaly::testing
