#include "analysis/histogram.h"

#include <gtest/gtest.h>

#include <map>

#include "display/raster.h"
#include "samples/sample_store.h"
#include "samples/utc_time.h"
#include "support/fixed_clock.h"
#include "support/scripted_source.h"

namespace tessaly {
namespace {

constexpr uint32_t kStation = 37;
constexpr uint32_t kOther = 1021;
const int64_t kT = MakeUtc(2024, 5, 1, 10, 0, 0);

// A server store whose blocks come from a scripted source.
class ComputeTest : public testing::Test {
 protected:
  // Creates the block for [start, end] with every sample of every station = v.
  void Block(int64_t start, int64_t end, int v,
             std::vector<uint32_t> stations = {kOther, kStation}) {
    source.stations = stations;
    source.value = [v](uint32_t, int64_t) { return v; };
    ASSERT_NE(store.CreateBlocks(start, end), nullptr);
  }
  // Compute's result, the sample count and the non-empty bins.
  std::pair<int, std::map<int, uint64_t>> Window(uint32_t station, int64_t t, int n, int fade = 0) {
    const int r = h.Compute(store, station, t, n, fade);
    std::map<int, uint64_t> bins;
    for (size_t i = 0; i < h.bins.size(); ++i) {
      if (h.bins[i] != 0) {
        bins[int(i)] = h.bins[i];
      }
    }
    EXPECT_TRUE(r > 0 || h.sampleCount == 0);
    return {r, bins};
  }

  FixedClock clock{kT + 7200};
  ScriptedSource source;
  SampleStore store{kSourceServer, clock, &source};
  CHistogram h;
  using Bins = std::map<int, uint64_t>;
};

TEST_F(ComputeTest, WindowsAcrossBlocksGapsAndMissingStations) {
  EXPECT_EQ(Window(kStation, kT, 60).first, -2);  // nothing loaded
  EXPECT_EQ(Window(kStation, kT, 0).first, -1);   // no window
  Block(kT, kT + 1800, 50);
  Block(kT + 1801, kT + 2400, 160, {kOther});
  Block(kT + 2401, kT + 4200, 140, {kStation});
  Block(kT + 4202, kT + 6000, 100);  // kT + 4201 is missing
  // Fade weights run on across blocks.
  EXPECT_EQ(Window(kOther, kT + 1799, 4, kWeightFadeOut),
            std::make_pair(4, Bins{{50, 3}, {160, 7}}));
  // A station missing in a later block counts nothing there...
  EXPECT_EQ(Window(kStation, kT + 1791, 1000), std::make_pair(1000, Bins{{50, 10}, {140, 390}}));
  EXPECT_EQ(h.sampleCount, 400);
  // ...but the first block must hold it.
  EXPECT_EQ(Window(kStation, kT + 2390, 20).first, -3);
  EXPECT_EQ(Window(kStation, kT + 2401, 20).first, 20);
  // Not covered without a gap.
  EXPECT_EQ(Window(kStation, kT + 4190, 5).first, 5);
  EXPECT_EQ(Window(kStation, kT + 4190, 20), std::make_pair(-2, Bins{}));
  EXPECT_EQ(Window(kStation, INT64_MAX - 10, 60).first, -2);
}

// 0 is "no sample" and 200 lies outside the bins; 1, 198 and 199 are samples,
// in the plain count and in both fades.
TEST_F(ComputeTest, OnlyValuesOneTo199Count) {
  source.stations = {kStation};
  source.value = [](uint32_t, int64_t t) {
    constexpr int kCycle[] = {0, 1, 198, 199, 200, 100};
    return kCycle[(t - kT) % 6];
  };
  ASSERT_NE(store.CreateBlocks(kT, kT + 600), nullptr);
  EXPECT_EQ(Window(kStation, kT, 6), std::make_pair(6, Bins{{1, 1}, {198, 1}, {199, 1}, {100, 1}}));
  EXPECT_EQ(h.sampleCount, 4);
  EXPECT_EQ(Window(kStation, kT, 6, kWeightFadeOut),
            std::make_pair(6, Bins{{1, 2}, {198, 3}, {199, 4}, {100, 6}}));
  EXPECT_EQ(h.sampleCount, 4);
  EXPECT_EQ(Window(kStation, kT, 6, kWeightFadeIn),
            std::make_pair(6, Bins{{1, 5}, {198, 4}, {199, 3}, {100, 1}}));
}

TEST(HistogramColourTest, FarValuesCountOncePerValueNearValuesPerSample) {
  const std::map<int, uint32_t> one = {
      {1, Rgb(255, 0, 0)},     {89, Rgb(255, 0, 0)},   {90, Rgb(255, 0, 0)},
      {91, Rgb(255, 40, 0)},   {95, Rgb(200, 200, 0)}, {100, Rgb(0, 255, 0)},
      {105, Rgb(0, 200, 200)}, {109, Rgb(0, 40, 255)}, {110, Rgb(0, 0, 255)},
      {198, Rgb(0, 0, 255)},   {199, Rgb(0, 0, 0)}};
  for (const auto& [value, colour] : one) {
    CHistogram h;
    h.bins[size_t(value)] = 1;
    EXPECT_EQ(h.Colour(1), colour) << "value " << value;
  }
  CHistogram h;
  h.bins[50] = 5;  // flat 100 however many
  EXPECT_EQ(h.Colour(4), Rgb(100, 0, 0));
  h.bins[150] = 3;
  EXPECT_EQ(h.Colour(4), Rgb(100, 0, 100));
  h.bins[20] = 1;  // another far-low value adds another 100
  EXPECT_EQ(h.Colour(8), Rgb(100, 0, 50));
  CHistogram edge;  // the last far value of each side counts once too
  edge.bins[88] = 2;
  edge.bins[198] = 7;
  EXPECT_EQ(edge.Colour(8), Rgb(50, 0, 50));
  CHistogram near;
  near.bins[100] = 3;  // G = 3 x 100
  EXPECT_EQ(near.Colour(6), Rgb(0, 200, 0));
  near.bins[97] = 1;  // R += 30, G += 70
  EXPECT_EQ(near.Colour(8), Rgb(15, 185, 0));
  EXPECT_EQ(near.Colour(0), 0u);  // no window, no colour (and no division by zero)
}

}  // namespace
}  // namespace tessaly
