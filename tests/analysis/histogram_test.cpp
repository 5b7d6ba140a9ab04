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

uint32_t Rgb(uint32_t r, uint32_t g, uint32_t b) {
  return b << 16 | g << 8 | r;
}

uint64_t BinTotal(const CHistogram& h) {
  return std::accumulate(h.bins.begin(), h.bins.end(), uint64_t(0));
}

// A server-type store whose blocks come from a scripted source.
class ComputeTest : public testing::Test {
 protected:
  ComputeTest() : store(kSourceServer, clock, &source) {
    source.stations = {kOther, kStation};
    source.value = [](uint32_t, int64_t) { return 100; };
  }

  // Creates the block for [start, end] with every sample of every station = v.
  BlockPtr Block(int64_t start, int64_t end, int v) {
    source.value = [v](uint32_t, int64_t) { return v; };
    BlockPtr b = store.CreateBlocks(start, end);
    EXPECT_NE(b, nullptr);
    return b;
  }

  FixedClock clock{kT + 7200};
  ScriptedSource source;
  SampleStore store;
  CHistogram h;
};

TEST_F(ComputeTest, ZeroOrNegativeLengthFailsAndClearsTheLastResult) {
  Block(kT, kT + 1800, 100);
  ASSERT_EQ(h.Compute(store, kStation, kT, 10), 10);
  ASSERT_EQ(h.bins[100], 10u);

  EXPECT_EQ(h.Compute(store, kOther, kT, 0), -1);
  EXPECT_EQ(h.stationId, int32_t(kOther));
  EXPECT_EQ(h.sampleCount, 0);
  EXPECT_EQ(BinTotal(h), 0u);
  EXPECT_EQ(h.Compute(store, kStation, kT, -5), -1);
}

TEST_F(ComputeTest, CountsOnlySamplesOneTo199) {
  const std::map<int64_t, int> samples = {{0, 100}, {1, 100}, {2, 0},     {3, 200},
                                          {4, 57},  {5, 199}, {6, 65535}, {7, 1}};
  source.value = [&](uint32_t id, int64_t t) {
    auto it = samples.find(t - kT);
    return id == kStation && it != samples.end() ? it->second : 100;
  };
  ASSERT_NE(store.CreateBlocks(kT, kT + 1800), nullptr);

  EXPECT_EQ(h.Compute(store, kStation, kT, 5), 5);
  EXPECT_EQ(h.bins[100], 2u);
  EXPECT_EQ(h.bins[57], 1u);
  EXPECT_EQ(h.sampleCount, 3);
  EXPECT_EQ(BinTotal(h), 3u);

  // 199 counts; 0xFFFF reads as -1 and does not.
  EXPECT_EQ(h.Compute(store, kStation, kT + 5, 3), 3);
  EXPECT_EQ(h.bins[199], 1u);
  EXPECT_EQ(h.bins[1], 1u);
  EXPECT_EQ(h.bins[0], 0u);
  EXPECT_EQ(h.sampleCount, 2);
}

TEST_F(ComputeTest, FadeWeightsTheWindowsEnds) {
  source.value = [](uint32_t, int64_t t) { return int(10 + 10 * ((t - kT) % 3)); };  // 10,20,30
  ASSERT_NE(store.CreateBlocks(kT, kT + 1800), nullptr);

  ASSERT_EQ(h.Compute(store, kStation, kT, 3, kWeightFadeOut), 3);
  EXPECT_EQ(h.bins[10], 1u);  // oldest
  EXPECT_EQ(h.bins[30], 3u);  // newest
  EXPECT_EQ(h.sampleCount, 3);

  ASSERT_EQ(h.Compute(store, kStation, kT, 3, kWeightFadeIn), 3);
  EXPECT_EQ(h.bins[10], 3u);
  EXPECT_EQ(h.bins[20], 2u);
  EXPECT_EQ(h.bins[30], 1u);

  // An unknown fade counts like "None".
  ASSERT_EQ(h.Compute(store, kStation, kT, 3, 7), 3);
  EXPECT_EQ(BinTotal(h), 3u);
}

TEST_F(ComputeTest, FadeWeightsRunOnAcrossBlocks) {
  Block(kT, kT + 1800, 50);
  Block(kT + 1801, kT + 3600, 150);
  ASSERT_EQ(h.Compute(store, kStation, kT + 1799, 4, kWeightFadeOut), 4);
  EXPECT_EQ(h.bins[50], 1u + 2u);
  EXPECT_EQ(h.bins[150], 3u + 4u);
}

TEST_F(ComputeTest, WindowNotCoveredWithoutAGap) {
  EXPECT_EQ(h.Compute(store, kStation, kT, 60), -2);  // nothing loaded

  Block(kT, kT + 1800, 100);
  Block(kT + 1802, kT + 3600, 100);  // kT + 1801 is missing
  EXPECT_EQ(h.Compute(store, kStation, kT + 1790, 5), 5);
  EXPECT_EQ(h.Compute(store, kStation, kT + 1790, 20), -2);
  EXPECT_EQ(h.sampleCount, 0);
  EXPECT_EQ(BinTotal(h), 0u);
  EXPECT_EQ(h.Compute(store, kStation, INT64_MAX - 10, 60), -2);
}

TEST_F(ComputeTest, FirstBlockMustHoldTheStation) {
  source.stations = {kOther};
  Block(kT, kT + 1800, 100);
  source.stations = {kOther, kStation};
  Block(kT + 1801, kT + 3600, 100);

  EXPECT_EQ(h.Compute(store, kStation, kT + 1790, 20), -3);
  EXPECT_EQ(h.Compute(store, kStation, kT + 1801, 20), 20);
  EXPECT_EQ(h.Compute(store, kOther, kT + 1790, 20), 20);
}

TEST_F(ComputeTest, StationMissingInALaterBlockCountsNothingThere) {
  Block(kT, kT + 1800, 60);
  source.stations = {kOther};
  Block(kT + 1801, kT + 2400, 160);
  source.stations = {kStation};
  Block(kT + 2401, kT + 4200, 140);

  EXPECT_EQ(h.Compute(store, kStation, kT + 1791, 1000), 1000);
  EXPECT_EQ(h.bins[60], 10u);
  EXPECT_EQ(h.bins[160], 0u);
  EXPECT_EQ(h.bins[140], 390u);
  EXPECT_EQ(h.sampleCount, 400);
}

// A server block trimmed near the present lies inside a longer block. The
// list's next block after the short one does not hold the following seconds.
class ShortBlockInsideLongTest : public ComputeTest {
 protected:
  void SetUp() override {
    Block(kT, kT + 1800, 100);  // long
    // Short blocks are filled with 150 up to their end and junk (77) after it.
    source.dataEndFor = TrimAt(kT + 300);
    source.value = [](uint32_t, int64_t t) { return t <= kT + 300 ? 150 : 77; };
    ASSERT_NE(store.CreateBlocks(kT + 100, kT + 699), nullptr);
    ASSERT_EQ(store.BlockCount(), 2u);
  }
};

TEST_F(ShortBlockInsideLongTest, WindowLeavingTheShortBlockContinuesInTheLongOne) {
  // Used to fail with -4: the short block is the last of the list.
  EXPECT_EQ(h.Compute(store, kStation, kT + 200, 200), 200);
  EXPECT_EQ(h.bins[150], 101u);  // kT+200 .. kT+300
  EXPECT_EQ(h.bins[100], 99u);   // kT+301 .. kT+399
  EXPECT_EQ(h.bins[77], 0u);
  EXPECT_EQ(h.sampleCount, 200);
}

TEST_F(ShortBlockInsideLongTest, NeverStepsIntoABlockEndingBeforeTheSecond) {
  // A second short block starting after the first one's start but ending
  // earlier: it follows the first in the list, yet holds none of kT+301...
  source.dataEndFor = TrimAt(kT + 180);
  source.value = [](uint32_t, int64_t t) { return t <= kT + 180 ? 120 : 77; };
  ASSERT_NE(store.CreateBlocks(kT + 120, kT + 719), nullptr);
  ASSERT_EQ(store.BlockCount(), 3u);

  EXPECT_EQ(h.Compute(store, kStation, kT + 110, 300), 300);
  EXPECT_EQ(h.bins[150], 191u);  // kT+110 .. kT+300 from the first short block
  EXPECT_EQ(h.bins[100], 109u);  // kT+301 .. kT+409 from the long block
  EXPECT_EQ(h.bins[77], 0u);
  EXPECT_EQ(h.bins[120], 0u);
  EXPECT_EQ(h.sampleCount, 300);
}

TEST(HistogramColourTest, OneSampleWindows) {
  const std::map<int, uint32_t> expected = {
      {1, Rgb(255, 0, 0)},    {57, Rgb(255, 0, 0)},  {89, Rgb(255, 0, 0)},    {90, Rgb(255, 0, 0)},
      {95, Rgb(200, 200, 0)}, {100, Rgb(0, 255, 0)}, {105, Rgb(0, 200, 200)}, {110, Rgb(0, 0, 255)},
      {150, Rgb(0, 0, 255)},  {198, Rgb(0, 0, 255)}, {199, Rgb(0, 0, 0)},     {91, Rgb(255, 40, 0)},
      {109, Rgb(0, 40, 255)},
  };
  for (const auto& [value, colour] : expected) {
    CHistogram h;
    h.bins[size_t(value)] = 1;
    EXPECT_EQ(h.Colour(1), colour) << "value " << value;
  }
}

TEST(HistogramColourTest, FarValuesCountOncePerValueNearValuesPerSample) {
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
  EXPECT_EQ(CHistogram().Colour(60), 0u);
}

TEST(HistogramMedianTest, FirstValueReachingHalf) {
  CHistogram h;
  EXPECT_EQ(h.MedianBin(), 0);
  h.bins[98] = 1;
  h.bins[101] = 1;
  EXPECT_EQ(h.MedianBin(), 98);
  h.bins[150] = 3;  // 1 + 1 of 5 is below half
  EXPECT_EQ(h.MedianBin(), 150);
  h.bins = {};
  h.bins[199] = 2;
  EXPECT_EQ(h.MedianBin(), 199);
}

TEST(HistogramSmoothingTest, PassesAverageWithTheRightNeighbour) {
  CHistogram h;
  h.bins[100] = 1;
  h.bins[199] = 3;

  auto a = h.Smoothed(0);
  EXPECT_EQ(a[100], 10);
  EXPECT_EQ(a[199], 30);
  EXPECT_EQ(std::accumulate(a.begin(), a.end(), 0), 40);

  a = h.Smoothed(1);
  EXPECT_EQ(a[99], 5);
  EXPECT_EQ(a[100], 5);
  EXPECT_EQ(a[101], 0);
  EXPECT_EQ(a[198], 15);
  EXPECT_EQ(a[199], 30);  // the last bin never changes

  a = h.Smoothed(2);
  EXPECT_EQ(a[98], 2);
  EXPECT_EQ(a[99], 5);
  EXPECT_EQ(a[100], 2);
  EXPECT_EQ(a[197], 7);
  EXPECT_EQ(a[198], 22);
  EXPECT_EQ(h.Smoothed(-4), h.Smoothed(0));
}

TEST(HistogramSmoothingTest, HugeCountsEndAtTheSettledShape) {
  CHistogram h;
  h.bins[3] = 1000;
  h.bins[199] = 7;
  const auto settled = h.Smoothed(100000);
  EXPECT_EQ(h.Smoothed(INT_MAX), settled);
  EXPECT_EQ(settled[199], 70);
  for (size_t i = 0; i + 1 < settled.size(); ++i) {
    EXPECT_TRUE(settled[i + 1] == settled[i] || settled[i + 1] == settled[i] + 1) << i;
  }
}

}  // namespace
}  // namespace tessaly
