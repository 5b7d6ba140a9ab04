// The statistics job on its own thread while the GUI thread polls, replaces
// and abandons it: only the newest job's result arrives, an abandoned one never.

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "samples/sample_store.h"
#include "support/fixed_clock.h"
#include "views/stats_job.h"

namespace tessaly {
namespace {

TEST(StatsJobConcurrency, ReplacedAndAbandonedJobsNeverReport) {
  FixedClock clock(1'700'000'000);
  StatsJob job(clock);
  StatsKey week{kSourcePseudorandom, "", 1'700'000'000, 1'700'000'000 + 7 * 86400 - 1, {}};
  StatsKey hour{kSourcePseudorandom, "", 1'700'000'000, 1'700'000'000 + 3599, {}};

  job.Start(week, std::nullopt, nullptr);
  std::this_thread::sleep_for(std::chrono::milliseconds(5));
  job.Abandon();
  EXPECT_FALSE(job.busy());
  EXPECT_EQ(job.progress(), 100);
  EXPECT_FALSE(job.Poll().has_value());

  job.Start(week, std::nullopt, nullptr);
  const uint64_t last = job.Start(hour, std::nullopt, nullptr);
  std::optional<StatsJob::Outcome> outcome;
  for (int i = 0; i < 10000 && !outcome; ++i) {
    outcome = job.Poll();
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  ASSERT_TRUE(outcome.has_value());
  EXPECT_EQ(outcome->generation, last);
  EXPECT_TRUE(outcome->ok);
  EXPECT_EQ(outcome->key, hour);
  EXPECT_EQ(outcome->stretch.result().network.series().size(), 3600u);
  EXPECT_EQ(job.progress(), 100);
  EXPECT_FALSE(job.Poll().has_value()) << "one outcome per job";
}

}  // namespace
}  // namespace tessaly
