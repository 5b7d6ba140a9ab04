#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <numeric>
#include <random>
#include <tuple>

#include "analysis/live_stretch.h"
#include "samples/sample_block.h"
#include "samples/utc_time.h"

namespace tessaly {
namespace {

const int64_t kT0 = MakeUtc(2024, 5, 1, 10, 0, 0);

// A block holding the given stations' samples from `start` on.
SampleBlock MakeBlock(int64_t start, const std::vector<uint32_t>& ids,
                      const std::vector<std::vector<int>>& samples) {
  SampleBlock b;
  b.dataStart = b.requestStart = start;
  b.secondCount = int32_t(samples[0].size());
  b.dataEnd = b.requestEnd = start + b.secondCount - 1;
  b.stationCount = int32_t(ids.size());
  for (size_t k = 0; k < ids.size(); ++k) {
    b.stationIds[k] = ids[k];
    for (int v : samples[k]) {
      b.values.push_back(uint16_t(v));
    }
  }
  return b;
}

void ExpectNear(double expected, double actual, const char* what) {
  EXPECT_NEAR(actual, expected, std::fabs(expected) * 1e-12 + 1e-15) << what;
}

// Station 1 is stuck at 104 for ten seconds; station 3 misses second 5 and ends on a
// 200, which counts. The expected values were worked out with mpmath at 40 digits
// (Z = sum(v - 100) / sqrt(50 N), D = sum (v - 100)^2 / 50, C += Z^2 - 1,
// p = gammainc(n/2, chi2/2, inf, regularized)).
TEST(NetworkStatsTest, LiteralStretchWithAStuckStationAMissingSampleAndEmptySeconds) {
  const std::vector<std::vector<int>> samples = {
      {104, 104, 104, 104, 104, 104, 104, 104, 104, 104, 97, 110},
      {100, 93, 112, 88, 105, 99, 120, 80, 101, 107, 95, 115},
      {103, 96, 118, 91, 100, 0, 86, 109, 124, 99, 102, 200}};
  const SampleBlock block = MakeBlock(kT0, {1, 2, 3}, samples);
  StretchSamples stretch(kT0, kT0 + 11);
  stretch.AddBlock(block);

  const std::vector<StationHealth> health = ComputeHealth(stretch);
  ASSERT_EQ(health.size(), 3u);
  struct HealthRow {
    int64_t count;
    double mean, variance, meanZ;
    int64_t run;
  };
  const HealthRow rows[] = {{12, 103.91666666666667, 7.7196969696969697, 1.9187669651801562, 10},
                            {12, 101.25, 131.29545454545455, 0.61237243569579452, 1},
                            {11, 111.63636363636364, 979.85454545454545, 5.4579383387036271, 1}};
  for (size_t k = 0; k < 3; ++k) {
    EXPECT_EQ(health[k].count, rows[k].count);
    ExpectNear(rows[k].mean, health[k].Mean(), "mean");
    ExpectNear(rows[k].variance, health[k].Variance(), "variance");
    ExpectNear(rows[k].meanZ, health[k].MeanZ(), "z of the mean");
    EXPECT_EQ(health[k].longestRun, rows[k].run);
  }
  // Station 3's |z| > 4 is not judged below 600 samples.
  ASSERT_EQ(FlaggedStations(health), std::vector<uint32_t>{1});

  const NetworkStats net = ComputeNetwork(stretch, FlaggedStations(health));
  struct SecondRow {
    int n;
    double z, netVar, devVar, cumDev;
  };
  const SecondRow expected[] = {
      {2, 0.3, 0.09, 0.18, -0.91},  {2, -1.1, 1.21, 1.3, -0.7},
      {2, 3.0, 9.0, 9.36, 7.3},     {2, -2.1, 4.41, 4.5, 10.71},
      {2, 0.5, 0.25, 0.5, 9.96},    {1, -0.1414213562373095, 0.02, 0.02, 8.98},
      {2, 0.6, 0.36, 11.92, 8.34},  {2, -1.1, 1.21, 9.62, 8.55},
      {2, 2.5, 6.25, 11.54, 13.8},  {2, 0.6, 0.36, 1.0, 13.16},
      {2, -0.3, 0.09, 0.58, 12.25}, {2, 11.5, 132.25, 204.5, 143.5}};
  ASSERT_EQ(net.series().size(), 12u);
  for (size_t j = 0; j < 12; ++j) {
    const NetworkSecond& s = net.series()[j];
    EXPECT_EQ(s.t, kT0 + int64_t(j));
    EXPECT_EQ(s.n, expected[j].n);
    ExpectNear(expected[j].z, s.Z(), "Z");
    ExpectNear(expected[j].netVar, s.NetVar(), "Z^2");
    ExpectNear(expected[j].devVar, s.DevVar(), "D");
    ExpectNear(expected[j].cumDev, s.cumDev, "C");
  }
  const StretchSummary sum = net.Summary();
  EXPECT_EQ(sum.seconds, 12);
  EXPECT_EQ(sum.df, 12);
  ExpectNear(155.5, sum.chiSquare, "chi2");
  ExpectNear(4.3290599764286419e-27, sum.p, "p");
  ExpectNear(29.291814840782171, sum.z, "z");
  EXPECT_EQ(sum.deviceDf, 23);
  ExpectNear(255.02, sum.deviceChiSquare, "device chi2");
  ExpectNear(4.9293952265340894e-41, sum.deviceP, "device p");
  ExpectNear(34.209482667059233, sum.deviceZ, "device z");

  // The user includes the stuck station.
  const StretchSummary all = ComputeNetwork(stretch, {}).Summary();
  EXPECT_EQ(all.deviceDf, 35);
  ExpectNear(122.59, all.chiSquare, "chi2 with every station");
  ExpectNear(1.8800061541666783e-20, all.p, "p with every station");
  ExpectNear(2.9620739364310312e-36, all.deviceP, "device p with every station");

  // The same series again from two halves merged, and from played seconds.
  StretchSamples first(kT0, kT0 + 5);
  StretchSamples second(kT0 + 6, kT0 + 11);
  first.AddBlock(block);
  second.AddBlock(block);
  NetworkStats merged = ComputeNetwork(first, {1});
  ASSERT_TRUE(merged.Merge(ComputeNetwork(second, {1})));
  EXPECT_FALSE(merged.Merge(ComputeNetwork(second, {1}))) << "an overlap is refused";
  EXPECT_FALSE(merged.AddSecond(kT0 + 11, 1, 0, 0)) << "a second at the last one is refused";
  EXPECT_FALSE(merged.AddSecond(kT0 + 3, 1, 0, 0)) << "a second before the last one is refused";
  ASSERT_EQ(merged.series().size(), 12u);
  EXPECT_EQ(merged.series().back().cumDev, net.series().back().cumDev);
  EXPECT_EQ(merged.Summary().deviceDf, sum.deviceDf);

  // Station 1 is not stuck in the first six seconds, so it counts there; growing
  // past its tenth second flags it, and the stretch must be computed again.
  LiveStretch live;
  live.Compute(first, std::nullopt);
  EXPECT_FALSE(live.AddSecond(kT0 + 7, &block)) << "a gap is refused";
  for (int64_t j = 6; j < 12; ++j) {
    ASSERT_TRUE(live.AddSecond(kT0 + j, &block));
    EXPECT_EQ(live.stale(), j >= 9) << j;
  }
  EXPECT_EQ(live.result().network.series()[11].n, 3) << "the added second counted station 1";
  live.Compute(live.samples(), live.chosenExclusions());
  EXPECT_EQ(live.result().excluded, std::vector<uint32_t>{1});
  EXPECT_EQ(live.result().network.series().back().cumDev, net.series().back().cumDev);
  EXPECT_EQ(live.result().network.Summary().chiSquare, sum.chiSquare);
  // The user's own choice holds while growing: station 2 out, station 1 in, and
  // station 4, new to the stretch, out as the user asked.
  const SampleBlock four =
      MakeBlock(kT0, {1, 2, 3, 4}, {samples[0], samples[1], samples[2], samples[1]});
  live.Compute(first, std::vector<uint32_t>{2, 4});
  for (int64_t j = 6; j < 12; ++j) {
    ASSERT_TRUE(live.AddSecond(kT0 + j, j == 8 ? nullptr : &four));
  }
  EXPECT_FALSE(live.stale());
  EXPECT_EQ(live.result().network.series()[8].n, 0) << "no block, no samples";
  EXPECT_EQ(live.result().network.series()[11].n, 2);
  EXPECT_EQ(live.result().network.series()[11].sumDev, 10 + 100);

  // Seconds without a station, and the chi-square tail on its own.
  NetworkStats uncounted;
  ASSERT_TRUE(uncounted.AddSecond(kT0, 0, 0, 0));
  EXPECT_TRUE(std::isnan(uncounted.Summary().p)) << "no counted second, no p";
  EXPECT_TRUE(std::isnan(uncounted.series()[0].Z()));
  ASSERT_TRUE(uncounted.AddSecond(kT0 + 1, 1, 10, 100));
  ASSERT_TRUE(uncounted.AddSecond(kT0 + 2, 0, 0, 0));
  EXPECT_EQ(uncounted.Summary().seconds, 1);
  ExpectNear(1.0, uncounted.series()[2].cumDev, "C stays over an uncounted second");
  // P(chi2_2 >= 2) = e^-1; 3.841458820694124 is the 95 % point of chi2_1.
  ExpectNear(std::exp(-1.0), ChiSquareUpperTail(2.0, 2), "chi2_2 tail");
  ExpectNear(0.05, ChiSquareUpperTail(3.841458820694124, 1), "chi2_1 tail");
}

// Runs, bias and variance at their limits. Cycles' means and variances by hand:
// {92,110,101,108,95} has mean 101.2, sample variance 49.44 over 600 (z 4.157).
TEST(NetworkStatsTest, HealthFlagsAtTheirLimits) {
  auto cycle = [](std::vector<int> pattern, size_t count) {
    std::vector<int> v;
    for (size_t i = 0; i < count; ++i) {
      v.push_back(pattern[i % pattern.size()]);
    }
    return v;
  };
  struct Case {
    const char* what;
    std::vector<int> values;
    int64_t run;
    bool stuck, biased, outOfVariance;
  };
  const Case cases[] = {
      {"a gap breaks a run", cycle({107, 107, 107, 107, 107, 0}, 11), 5, false, false, false},
      {"nine seconds are not stuck", cycle({101}, 9), 9, false, false, false},
      {"biased", cycle({92, 110, 101, 108, 95}, 600), 1, false, true, false},
      {"bias is not judged below 600", cycle({92, 110, 101, 108, 95}, 599), 1, false, false, false},
      {"variance 100.2", cycle({90, 110}, 600), 1, false, false, true},
      {"variance 64.1", cycle({92, 108}, 600), 1, false, false, true},
      {"variance 49.1", cycle({93, 107}, 600), 1, false, false, false},
      {"variance 36.1", cycle({94, 106}, 600), 1, false, false, true},
      {"variance is not judged below 600", cycle({94, 106}, 599), 1, false, false, false},
  };
  for (const Case& c : cases) {
    StretchSamples stretch(kT0, kT0 + int64_t(c.values.size()) - 1);
    stretch.AddBlock(MakeBlock(kT0, {7}, {c.values}));
    const StationHealth h = ComputeHealth(stretch).at(0);
    EXPECT_EQ(h.longestRun, c.run) << c.what;
    EXPECT_EQ(h.Stuck(), c.stuck) << c.what;
    EXPECT_EQ(h.Biased(), c.biased) << c.what;
    EXPECT_EQ(h.OutOfVariance(), c.outOfVariance) << c.what;
  }
}

// A column's one-pass health (eight seconds at once where it can) against one
// sample at a time, on seeded columns full of runs and gaps, split in two places.
TEST(NetworkStatsTest, ColumnHealthMatchesSampleBySample) {
  std::mt19937 rng(7);
  for (int round = 0; round < 200; ++round) {
    const int alphabet = 2 + round % 5;  // few values: long runs
    std::vector<uint8_t> column(size_t(50 + rng() % 300));
    for (uint8_t& v : column) {
      const int pick = int(rng() % uint32_t(alphabet + 1));
      v = pick == 0 && round % 3 != 0 ? 0 : uint8_t(98 + pick);
    }
    StationHealth one;
    for (size_t j = 0; j < column.size(); ++j) {
      if (column[j] != 0) {
        one.Add(kT0 + int64_t(j), column[j]);
      }
    }
    const size_t split = rng() % column.size();
    StationHealth bulk;
    bulk.AddColumn(kT0, column.data(), split);
    bulk.AddColumn(kT0 + int64_t(split), column.data() + split, column.size() - split);
    ASSERT_EQ(std::tie(bulk.longestRun, bulk.count, bulk.sum, bulk.sumSq),
              std::tie(one.longestRun, one.count, one.sum, one.sumSq))
        << round;
    // And one more second after the column continues (or breaks) the same run.
    one.Add(kT0 + int64_t(column.size()), 100);
    bulk.Add(kT0 + int64_t(column.size()), 100);
    ASSERT_EQ(bulk.longestRun, one.longestRun) << round;
  }
}

// Under chance, p < 0.05 in 5 % of stretches: 1,000 one-hour stretches of 22 stations
// of true binomial(200, 1/2) samples (200 bits of a seeded mt19937_64) must give a
// share inside the binomial 99.9 % interval, 5 % +- 2.3 %.
TEST(NetworkStatsTest, CalibratedUnderChance) {
#if defined(__SANITIZE_ADDRESS__)
  const int stretches = 150;  // the sanitized build is some ten times slower
#else
  const int stretches = 1000;
#endif
  std::mt19937_64 rng(20240501);
  auto binomial = [&rng] {
    int bits = std::popcount(rng()) + std::popcount(rng()) + std::popcount(rng());
    return bits + std::popcount(rng() & ((uint64_t(1) << 8) - 1));
  };
  std::vector<uint32_t> ids(22);
  std::iota(ids.begin(), ids.end(), 1u);
  int networkHits = 0;
  int deviceHits = 0;
  for (int i = 0; i < stretches; ++i) {
    std::vector<std::vector<int>> samples(22, std::vector<int>(3600));
    for (auto& column : samples) {
      std::generate(column.begin(), column.end(), binomial);
    }
    const int64_t from = kT0 + int64_t(i) * 3600;
    StretchSamples stretch(from, from + 3599);
    stretch.AddBlock(MakeBlock(from, ids, samples));
    const StretchSummary s =
        ComputeNetwork(stretch, FlaggedStations(ComputeHealth(stretch))).Summary();
    networkHits += s.p < 0.05 ? 1 : 0;
    deviceHits += s.deviceP < 0.05 ? 1 : 0;
  }
  const double halfWidth = 3.2905 * std::sqrt(0.05 * 0.95 / stretches);
  EXPECT_NEAR(double(networkHits) / stretches, 0.05, halfWidth);
  EXPECT_NEAR(double(deviceHits) / stretches, 0.05, halfWidth);
}

}  // namespace
}  // namespace tessaly
