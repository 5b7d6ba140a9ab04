#include "samples/pseudorandom_source.h"

#include <gtest/gtest.h>

namespace tessaly {
namespace {

SampleBlock RequestedBlock(int64_t start, int64_t end) {
  SampleBlock b;
  b.requestStart = start;
  b.requestEnd = end;
  return b;
}

TEST(Pseudorandom, GeneratorMatchesTheClassicRand) {
  RandGenerator rng(1);
  const int expected[] = {41, 18467, 6334, 26500, 19169};
  for (int e : expected) {
    EXPECT_EQ(rng.Next(), e);
  }
}

TEST(Pseudorandom, SeedOneGivesTheKnownFirstSamples) {
  SampleBlock b = RequestedBlock(1000, 1599);
  ASSERT_TRUE(GeneratePseudorandomBlock(b, 1));  // now = 1 seeds with 1
  EXPECT_EQ(b.Sample(0, 1000), 98);
  EXPECT_EQ(b.Sample(1, 1000), 99);
  EXPECT_EQ(b.Sample(2, 1000), 110);
}

TEST(Pseudorandom, FillsEveryFieldOfTheBlock) {
  SampleBlock b = RequestedBlock(5000, 6800);
  b.downloadBuffer.resize(100);
  b.downloadSize = 10;
  ASSERT_TRUE(GeneratePseudorandomBlock(b, 777));
  EXPECT_TRUE(b.downloadBuffer.empty());
  EXPECT_EQ(b.dataEnd, 6800);
  EXPECT_EQ(b.rowsFilled, 1801);
  EXPECT_EQ(b.stationIds[21], 4234u);
  ASSERT_EQ(b.values.size(), size_t(22 * 1801));

  long sum = 0;
  for (uint16_t v : b.values) {
    ASSERT_LE(v, 199);
    sum += v;
  }
  const double mean = double(sum) / double(b.values.size());
  EXPECT_NEAR(mean, 100.0, 1.0);  // 200 fair bits a sample
}

TEST(Pseudorandom, SameSecondRepeatsOtherSecondsDiffer) {
  SampleBlock a = RequestedBlock(0, 599);
  SampleBlock b = RequestedBlock(86400, 86999);
  SampleBlock c = RequestedBlock(0, 599);
  ASSERT_TRUE(GeneratePseudorandomBlock(a, 1700000000));
  ASSERT_TRUE(GeneratePseudorandomBlock(b, 1700000000));
  ASSERT_TRUE(GeneratePseudorandomBlock(c, 1700000001));
  EXPECT_EQ(a.values, b.values);
  EXPECT_NE(a.values, c.values);
}

}  // namespace
}  // namespace tessaly
