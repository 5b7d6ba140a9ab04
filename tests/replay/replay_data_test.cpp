#include "replay_data.h"

#include <gtest/gtest.h>

#include "samples/server_source.h"
#include "samples/utc_time.h"

namespace tessaly::replay {
namespace {

const int64_t k0700 = MakeUtc(2020, 3, 5, 7, 0, 0);

TEST(GeneratedData, ServesNothingAfterNowAndTrailingStationsLess) {
  GeneratedData data(DefaultStations());
  const int64_t now = k0700 + 100;
  const Stretch s = data.Collect(k0700, k0700 + 599, now);
  EXPECT_EQ(s.end, now);
  const size_t n = s.stations.size();
  for (size_t k = 0; k < n; ++k) {
    const int lag = ReportingLag(s.stations[k]);
    ASSERT_TRUE(lag >= 0 && lag <= 50 && lag % 10 == 0);
    for (int64_t t = now - 60; t <= now; ++t) {
      const int v = s.samples[size_t(t - s.start) * n + k];
      if (t > now - lag) {
        EXPECT_EQ(v, -1);
      } else {
        EXPECT_EQ(v,
                  GeneratedSample(s.stations[k], t) == 0 ? -1 : GeneratedSample(s.stations[k], t));
      }
    }
  }
  // A request wholly after now: no seconds.
  EXPECT_EQ(data.Collect(now + 1, now + 600, now).end, now);
}

TEST(ParseRequest, AcceptsOnlyRealDatesAndTimes) {
  const auto r = ParseRequest("2020", "3", "5", "07:00:00", "07:30:00");
  ASSERT_TRUE(r);
  EXPECT_EQ(r->start, k0700);
  EXPECT_EQ(r->end, k0700 + 1800);
  EXPECT_FALSE(ParseRequest("2020", "2", "30", "07:00:00", "07:30:00"));
  EXPECT_FALSE(ParseRequest("2020", "3", "5", "24:00:00", "07:30:00"));
  EXPECT_FALSE(ParseRequest("2020", "3", "5", "07:00", "07:30:00"));
  EXPECT_FALSE(ParseRequest("2020", "", "5", "07:00:00", "07:30:00"));
  EXPECT_FALSE(ParseRequest("20x0", "3", "5", "07:00:00", "07:30:00"));
  EXPECT_EQ(ParseTimeArgument("2020-03-05T07:00:00"), k0700);
  EXPECT_EQ(ParseTimeArgument("1583391600"), k0700);
  EXPECT_FALSE(ParseTimeArgument("-5"));
  EXPECT_FALSE(ParseStationList("1,,3"));
  EXPECT_EQ(ParseStationList("1,37"), (std::vector<uint32_t>{1, 37}));
}

}  // namespace
}  // namespace tessaly::replay
