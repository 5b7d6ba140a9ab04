#include "display/stats_plot.h"

#include <gtest/gtest.h>

namespace tessaly {
namespace {

// The topmost row of a colour in a column, or -1.
int TopOf(const Raster& r, int x, uint32_t colour) {
  for (int y = 0; y < r.height(); ++y) {
    if (r.Pixel(x, y) == colour) {
      return y;
    }
  }
  return -1;
}

// 10 columns of 1,000 seconds each, one station: Z^2 = dev^2 / 50. Alternating
// dev 10 and 0 keeps C level (+1, -1); second 5,500 (dev 100, Z^2 = 200) lifts it by
// 199 and the next 199 seconds of dev 0 bring it back. A painter that took one
// second a column would miss the peak; the column's maximum shows it.
TEST(StatsPlotTest, ColumnsShowTheirExtremesEnvelopesAndTheMarker) {
  const int64_t t0 = 1'700'000'000;
  NetworkStats network;
  for (int64_t j = 0; j < 10000; ++j) {
    const int dev = j == 5500 ? 100 : j > 5500 && j < 5700 ? 0 : j % 2 == 0 ? 10 : 0;
    ASSERT_TRUE(network.AddSecond(t0 + j, 1, dev, int64_t(dev) * dev));
  }
  Raster r(10, 201);
  PaintCumulativeDeviation(r, network, t0 + 7500);
  const int peak = TopOf(r, 5, kPlotLine);
  for (int x : {4, 6}) {
    EXPECT_LT(peak, TopOf(r, x, kPlotLine) - 20) << x;
  }
  EXPECT_EQ(r.Pixel(7, 0), kPlotMarker);
  EXPECT_NE(r.Pixel(6, 0), kPlotMarker);
  // The envelopes lie symmetric about the middle row and widen to the right.
  const int upper = TopOf(r, 9, kPlotEnvelope01);
  ASSERT_GE(upper, 0);
  EXPECT_EQ(r.Pixel(9, 200 - upper), kPlotEnvelope01);
  EXPECT_LT(upper, TopOf(r, 0, kPlotEnvelope01));
  EXPECT_LT(upper, TopOf(r, 9, kPlotEnvelope05));
}

}  // namespace
}  // namespace tessaly
