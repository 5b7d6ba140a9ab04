#include "samples/utc_time.h"

#include <gtest/gtest.h>

#include <vector>

namespace tessaly {
namespace {

TEST(UtcTime, BreaksDownMakesAndFormats) {
  const std::vector<std::pair<int64_t, std::vector<int>>> cases = {
      {0, {1970, 1, 1, 0, 0, 0, 0, 4}},
      {1583391600, {2020, 3, 5, 7, 0, 0, 31 + 29 + 4, 4}},
      {-1, {1969, 12, 31, 23, 59, 59, 364, 3}}};  // before the epoch
  for (const auto& [t, fields] : cases) {
    const UtcFields f = BreakDownUtc(t);
    EXPECT_EQ((std::vector<int>{f.year, f.month, f.day, f.hour, f.minute, f.second, f.yearDay,
                                f.weekDay}),
              fields)
        << t;
  }
  // Out-of-range fields are normalised.
  EXPECT_EQ(MakeUtc(2021, 4, 31, 0, 0, 0), MakeUtc(2021, 5, 1, 0, 0, 0));
  EXPECT_EQ(MakeUtc(2021, 13, 1, 0, 0, 0), MakeUtc(2022, 1, 1, 0, 0, 0));
  EXPECT_EQ(MakeUtc(2021, 0, 1, 0, 0, 0), MakeUtc(2020, 12, 1, 0, 0, 0));
  EXPECT_EQ(MakeUtc(2021, 3, 1, -1, 0, 0), MakeUtc(2021, 2, 28, 23, 0, 0));
  EXPECT_EQ(MakeUtc(2020, 3, 0, 24, 0, 0), MakeUtc(2020, 3, 1, 0, 0, 0));
  EXPECT_EQ(MakeUtc(2020, 1, 1, 0, 0, -1), MakeUtc(2019, 12, 31, 23, 59, 59));
  for (int64_t t = -2208988800LL; t < 4102444800LL; t += 86400LL * 37 + 3671) {
    const UtcFields f = BreakDownUtc(t);
    ASSERT_EQ(MakeUtc(f.year, f.month, f.day, f.hour, f.minute, f.second), t) << t;
  }
  EXPECT_EQ(BreakDownUtc(MakeUtc(2000, 2, 29, 12, 0, 0)).day, 29);  // a leap day
  EXPECT_EQ(BreakDownUtc(MakeUtc(1900, 2, 29, 12, 0, 0)).day, 1);   // none: 1 March
  EXPECT_EQ(FormatTime(MakeUtc(2020, 3, 5, 7, 0, 9)), "2020-03-05 07:00:09");
  EXPECT_EQ(FormatTime(MakeUtc(999, 1, 2, 3, 4, 5)), "0999-01-02 03:04:05");
}

}  // namespace
}  // namespace tessaly
