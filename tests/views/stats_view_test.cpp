#include "views/stats_view.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <filesystem>
#include <optional>
#include <thread>
#include <tuple>
#include <vector>

#include "samples/utc_time.h"
#include "support/fake_http_get.h"
#include "support/fixed_clock.h"
#include "support/scripted_source.h"
#include "support/temp_folder.h"

namespace tessaly {
namespace {

class CountingWindow final : public StatsWindow {
 public:
  void Refresh() override { ++refreshes; }
  int refreshes = 0;
};

// Two seconds before an hour: growth crosses into the next hour's block.
const int64_t kP = MakeUtc(2024, 5, 1, 11, 59, 58);

// Ticks until the job has ended and its result is taken.
void Finish(StatsView& s, const ViewSnapshot& view) {
  for (int i = 0; i < 5000 && s.busy(); ++i) {
    s.OnTick(view);
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  ASSERT_FALSE(s.busy());
  EXPECT_EQ(s.progress(), 100);
}

class StatsViewTest : public ::testing::Test {
 protected:
  StatsViewTest() : clock(kP), viewStore(kSourcePseudorandom, clock), stats(window, clock, {}) {
    viewStore.CreateBlocks(kP - 600, kP + 600);
    view = {kSourcePseudorandom, "", kP, &viewStore};
  }
  void Finish() { tessaly::Finish(stats, view); }
  FixedClock clock;
  SampleStore viewStore;
  CountingWindow window;
  StatsView stats;
  ViewSnapshot view;
};

TEST(StatsViewStretch, EachChoiceEndsWhereTheUserExpectsAndTheLastMinuteZ) {
  using Span = std::optional<std::pair<int64_t, int64_t>>;
  const int64_t day = MakeUtc(2024, 5, 1, 0, 0, 0);
  const std::vector<std::tuple<int, int64_t, int64_t, Span>> cases = {
      {kStretchLast10Minutes, 0, 0, Span({kP - 599, kP})},
      {kStretchLast6Hours, 0, 0, Span({kP - 21599, kP})},
      {kStretchLast24Hours, 0, 0, Span({kP - 86399, kP})},
      {kStretchUtcDay, 0, 0, Span({day, day + 86399})},
      {kStretchFree, kP, kP, Span({kP, kP})},
      {kStretchFree, kP - kMaxStatsStretch + 1, kP, Span({kP - kMaxStatsStretch + 1, kP})},
      {kStretchFree, kP + 1, kP, std::nullopt}};
  for (const auto& [choice, from, to, expected] : cases) {
    EXPECT_EQ(StretchFor(choice, kP, from, to), expected) << choice << " " << from;
  }

  // The last minute's Z takes the counted seconds of the minute ending at the second.
  // Z = sumDev / sqrt(50 n): 20 / sqrt(100) = 2, then -20 / sqrt(400) = -1.
  const std::vector<NetworkSecond> few = {{1, 2, 20, 0, 0}, {2, 0, 0, 0, 0}, {3, 8, -20, 0, 0}};
  EXPECT_DOUBLE_EQ(LastMinuteZ(few, 3), 1.5);                 // (4 + 1 - 2) / sqrt(4)
  EXPECT_DOUBLE_EQ(LastMinuteZ(few, 2), 2.1213203435596424);  // (4 - 1) / sqrt(2)
  EXPECT_TRUE(std::isnan(LastMinuteZ(few, 4)));
  EXPECT_TRUE(std::isnan(LastMinuteZ({{5, 0, 0, 0, 0}}, 5)));
  // 61 seconds: the first (Z² 4) is outside the last one's minute of Z² 1 each.
  std::vector<NetworkSecond> minute = {{100, 2, 20, 0, 0}};
  for (int64_t t = 101; t <= 160; ++t) {
    minute.push_back({t, 2, 10, 0, 0});
  }
  EXPECT_DOUBLE_EQ(LastMinuteZ(minute, 160), 0.0);
  EXPECT_DOUBLE_EQ(LastMinuteZ(minute, 159), 3.0 / std::sqrt(120.0));
}

TEST_F(StatsViewTest, PicksGrowsExcludesCancelsAndSaves) {
  EXPECT_FALSE(stats.Pick({kSourcePseudorandom, "", 0, &viewStore}, kStretchLastHour, 0, 0));
  EXPECT_FALSE(stats.Pick(view, kStretchFree, kP - kMaxStatsStretch, kP));
  EXPECT_FALSE(stats.failure().empty());

  ASSERT_TRUE(stats.Pick(view, kStretchLast10Minutes, 0, 0));
  Finish();
  ASSERT_TRUE(stats.hasResult());
  EXPECT_EQ(stats.key().from, kP - 599);
  EXPECT_EQ(stats.key().to, kP);
  EXPECT_EQ(stats.stretch().result().network.Summary().seconds, 600);

  // Three played seconds join the sums: the same numbers as the grown stretch
  // computed afresh, though the view plays blocks of its own seeding.
  const int refreshes = window.refreshes;
  view.position = kP + 3;
  stats.OnTick(view);
  stats.OnTick(view);
  EXPECT_EQ(window.refreshes, refreshes + 1) << "shown once it grew, and only then";
  const std::vector<NetworkSecond>& series = stats.stretch().result().network.series();
  ASSERT_EQ(series.size(), 603u);
  EXPECT_EQ(stats.key().to, kP + 3);
  CountingWindow freshWindow;
  StatsView fresh(freshWindow, clock, {});
  ASSERT_TRUE(fresh.Pick(view, kStretchFree, kP - 599, kP + 3));
  tessaly::Finish(fresh, view);
  auto rows = [](const StatsView& s) {
    std::vector<std::tuple<int64_t, int, int, int64_t, double>> r;
    for (const NetworkSecond& x : s.stretch().result().network.series()) {
      r.emplace_back(x.t, x.n, x.sumDev, x.sumDevSq, x.cumDev);
    }
    return r;
  };
  EXPECT_EQ(rows(stats), rows(fresh));
  EXPECT_EQ(series.back().n, 22);
  EXPECT_EQ(stats.CurrentSecond(), &series.back());
  // A jump leaves the stretch as it is, also when playing comes back near it.
  view.position = kP + 300;
  stats.OnTick(view);
  view.position = kP + 4;
  stats.OnTick(view);
  EXPECT_EQ(stats.key().to, kP + 3);

  stats.SetIncluded(37, false);
  Finish();
  EXPECT_EQ(stats.key().excluded, std::vector<uint32_t>{37});
  EXPECT_EQ(stats.stretch().result().network.series().back().n, 21);
  EXPECT_EQ(stats.stretch().result().network.series().size(), 603u) << "the grown stretch stays";
  // Cancel keeps what was shown.
  stats.SetIncluded(37, true);
  stats.Cancel();
  Finish();
  EXPECT_EQ(stats.stretch().result().excluded, std::vector<uint32_t>{37});

  testing::TempFolder folder;
  std::string error;
  ASSERT_TRUE(stats.SaveTable(folder.File("net.csv"), &error)) << error;
  EXPECT_EQ(testing::ReadFile(folder.File("net.csv")).substr(0, 41),
            "UTC time,Stations,Z,Netvar,Devvar,CumDev\n");
  const std::string summaryText = testing::ReadFile(folder.File("net-summary.csv"));
  EXPECT_NE(summaryText.find("source,pseudorandom\n"), std::string::npos);
  EXPECT_NE(summaryText.find("excluded,37\n"), std::string::npos);
  EXPECT_NE(summaryText.find("\n37,603,"), std::string::npos);
  EXPECT_FALSE(stats.SaveTable(folder.File("none/net.csv"), &error));
  EXPECT_FALSE(std::filesystem::exists(folder.File("none")));
}

// Playing a server view past its blocks adds seconds without samples; once the
// view's store holds them, the stretch is fetched and computed again.
TEST(StatsViewServerTest, ASecondFilledLateComputesTheStretchAgain) {
  FixedClock clock(kP + 3600);
  ScriptedSource script({1, 2, 3}, [](uint32_t id, int64_t t) { return int(98 + id + t % 3); });
  SampleStore viewStore(kSourceServer, clock);
  viewStore.SetServerSource(&script);
  viewStore.CreateBlocks(kP + 1, kP + 600);
  std::string reply;  // what the server answers the next job; no station flagged
  auto replyFor = [&](int64_t from, int64_t to) {
    reply = "11,2," + std::to_string(from) + "\n11,3," + std::to_string(to) + "\n11,4," +
            std::to_string(to - from + 1) + "\n12,3,ids,1,2,3\n";
    for (int64_t t = from; t <= to; ++t) {
      const std::string a = std::to_string(93 + t % 2 * 14), b = std::to_string(107 - t % 2 * 14);
      reply += "13," + std::to_string(t) + ",x," + a + "," + b + "," + a + "\n";
    }
  };
  CountingWindow window;
  StatsView stats(window, clock, [&] {
    auto http = std::make_unique<FakeHttpGet>();
    http->reply = reply;
    return http;
  });
  ViewSnapshot view{kSourceServer, "127.0.0.1", kP + 600, &viewStore};
  replyFor(kP + 1, kP + 600);
  ASSERT_TRUE(stats.Pick(view, kStretchLast10Minutes, 0, 0));
  Finish(stats, view);
  ASSERT_EQ(stats.stretch().result().network.series().back().n, 3) << stats.failure();
  view.position = kP + 603;
  stats.OnTick(view);
  ASSERT_EQ(stats.key().to, kP + 603);
  EXPECT_EQ(stats.stretch().result().network.series().back().n, 0);
  stats.OnTick(view);
  EXPECT_FALSE(stats.busy()) << "nothing new, nothing computed";
  viewStore.CreateBlocks(kP + 601, kP + 1200);
  replyFor(kP + 1, kP + 603);
  stats.OnTick(view);
  EXPECT_TRUE(stats.busy());
  Finish(stats, view);
  EXPECT_EQ(stats.key().from, kP + 1);
  EXPECT_EQ(stats.stretch().result().network.series().size(), 603u);
  EXPECT_EQ(stats.stretch().result().network.series().back().n, 3);
}

// While the view plays, the cue sounds once each time the last minute's
// equivalent Z rises to the threshold; off, or without rising, it is silent.
TEST_F(StatsViewTest, CueSoundsWhenTheLastMinuteRisesToTheThreshold) {
  auto play = [&](int seconds) {
    view.position = kP;
    EXPECT_TRUE(stats.Pick(view, kStretchLast10Minutes, 0, 0));
    Finish();
    for (int s = 1; s <= seconds; ++s) {
      view.position = kP + s;
      stats.OnTick(view);
    }
  };
  int cues = 0;
  stats.onCue = [&] { ++cues; };
  play(180);
  EXPECT_EQ(cues, 0) << "off by default";
  std::vector<double> z;
  for (int s = 1; s <= 180; ++s) {
    z.push_back(LastMinuteZ(stats.stretch().result().network.series(), kP + s));
  }
  std::vector<double> sorted = z;
  std::sort(sorted.begin(), sorted.end());
  const double threshold = sorted[90];
  int rises = 0;
  for (size_t i = 1; i < z.size(); ++i) {
    rises += z[i] >= threshold && z[i - 1] < threshold ? 1 : 0;
  }
  ASSERT_GT(rises, 0);
  stats.SetCueThreshold(threshold);
  play(180);
  EXPECT_EQ(cues, rises);
  stats.SetCueThreshold(sorted.back() + 1);
  play(180);
  EXPECT_EQ(cues, rises) << "never reached";
}

}  // namespace
}  // namespace tessaly
