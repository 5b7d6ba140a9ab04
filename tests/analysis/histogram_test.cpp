#include "analysis/histogram.h"

#include <gtest/gtest.h>

#include <climits>
#include <map>
#include <numeric>

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

TEST_F(ComputeTest, CountsSamplesOneTo199WeightedByTheFade) {
  const std::map<int64_t, int> samples = {{0, 100}, {1, 100}, {2, 0},     {3, 200},
                                          {4, 57},  {5, 199}, {6, 65535}, {7, 1}};
  source.stations = {kOther, kStation};
  source.value = [&](uint32_t id, int64_t t) {
    auto it = samples.find(t - kT);
    return id == kStation && it != samples.end() ? it->second : 10 + 10 * int((t - kT) % 3);
  };
  ASSERT_NE(store.CreateBlocks(kT, kT + 1800), nullptr);
  EXPECT_EQ(Window(kStation, kT, 5), std::make_pair(5, Bins{{57, 1}, {100, 2}}));
  EXPECT_EQ(h.sampleCount, 3);
  // 199 counts; 0xFFFF reads as -1 and does not.
  EXPECT_EQ(Window(kStation, kT + 5, 3), std::make_pair(3, Bins{{1, 1}, {199, 1}}));
  EXPECT_EQ(h.sampleCount, 2);
  // Other stations: 10, 20, 30 from kT on. Fade-out weighs the newest most,
  // fade-in the oldest; an unknown fade counts like "None".
  EXPECT_EQ(Window(kOther, kT, 3, kWeightFadeOut),
            std::make_pair(3, Bins{{10, 1}, {20, 2}, {30, 3}}));
  EXPECT_EQ(Window(kOther, kT, 3, kWeightFadeIn),
            std::make_pair(3, Bins{{10, 3}, {20, 2}, {30, 1}}));
  EXPECT_EQ(Window(kOther, kT, 3, 7), std::make_pair(3, Bins{{10, 1}, {20, 1}, {30, 1}}));
  EXPECT_EQ(h.sampleCount, 3);
  // A zero or negative length fails and clears the last result.
  EXPECT_EQ(Window(kOther, kT, 0), std::make_pair(-1, Bins{}));
  EXPECT_EQ(h.stationId, int32_t(kOther));
  EXPECT_EQ(Window(kStation, kT, -5).first, -1);
}

TEST_F(ComputeTest, WindowsAcrossBlocksGapsAndMissingStations) {
  EXPECT_EQ(Window(kStation, kT, 60).first, -2);  // nothing loaded
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

// A server block trimmed near the present lies inside a longer block; a window
// leaving it continues in the long one and never steps into a block ending
// before the second.
TEST_F(ComputeTest, ShortBlocksInsideALongOne) {
  Block(kT, kT + 1800, 100);
  source.dataEndFor = TrimAt(kT + 300);  // filled with 150 to their end, junk (77) after
  source.value = [](uint32_t, int64_t t) { return t <= kT + 300 ? 150 : 77; };
  ASSERT_NE(store.CreateBlocks(kT + 100, kT + 699), nullptr);
  EXPECT_EQ(Window(kStation, kT + 200, 200), std::make_pair(200, Bins{{100, 99}, {150, 101}}));
  source.dataEndFor = TrimAt(kT + 180);
  source.value = [](uint32_t, int64_t t) { return t <= kT + 180 ? 120 : 77; };
  ASSERT_NE(store.CreateBlocks(kT + 120, kT + 719), nullptr);
  ASSERT_EQ(store.BlockCount(), 3u);
  EXPECT_EQ(Window(kStation, kT + 110, 300), std::make_pair(300, Bins{{100, 109}, {150, 191}}));
}

uint32_t Rgb(uint32_t r, uint32_t g, uint32_t b) {
  return b << 16 | g << 8 | r;
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
  CHistogram near;
  near.bins[100] = 3;  // G = 3 x 100
  EXPECT_EQ(near.Colour(6), Rgb(0, 200, 0));
  near.bins[97] = 1;  // R += 30, G += 70
  EXPECT_EQ(near.Colour(8), Rgb(15, 185, 0));
  EXPECT_EQ(near.Colour(0), 0u);  // no window, no colour (and no division by zero)
}

TEST(HistogramMedianAndSmoothing, MedianAndPassesWithTheRightNeighbour) {
  CHistogram h;
  EXPECT_EQ(h.MedianBin(), 0);
  h.bins[98] = 1;
  h.bins[101] = 1;
  EXPECT_EQ(h.MedianBin(), 98);
  h.bins[150] = 3;  // 1 + 1 of 5 is below half
  EXPECT_EQ(h.MedianBin(), 150);

  CHistogram s;
  s.bins[100] = 1;
  s.bins[199] = 3;
  const std::vector<std::vector<std::pair<int, int>>> passes = {
      {{100, 10}, {199, 30}},
      {{99, 5}, {100, 5}, {101, 0}, {198, 15}, {199, 30}},  // the last bin never changes
      {{98, 2}, {99, 5}, {100, 2}, {197, 7}, {198, 22}}};
  for (size_t n = 0; n < passes.size(); ++n) {
    const auto a = s.Smoothed(int(n));
    for (const auto& [bin, value] : passes[n]) {
      EXPECT_EQ(a[size_t(bin)], value) << n << " passes, bin " << bin;
    }
  }
  const auto none = s.Smoothed(0);
  EXPECT_EQ(std::accumulate(none.begin(), none.end(), 0), 40);
  EXPECT_EQ(s.Smoothed(-4), s.Smoothed(0));
  // Huge counts end at the settled shape.
  s.bins = {};
  s.bins[3] = 1000;
  s.bins[199] = 7;
  const auto settled = s.Smoothed(100000);
  EXPECT_EQ(s.Smoothed(INT_MAX), settled);
  EXPECT_EQ(settled[199], 70);
  for (size_t i = 0; i + 1 < settled.size(); ++i) {
    EXPECT_TRUE(settled[i + 1] == settled[i] || settled[i + 1] == settled[i] + 1) << i;
  }
}

}  // namespace
}  // namespace tessaly
