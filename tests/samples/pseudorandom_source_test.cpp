#include "samples/pseudorandom_source.h"

#include <gtest/gtest.h>

#include <tuple>
#include <vector>

namespace tessaly {
namespace {

TEST(Pseudorandom, KnownSamplesOfTheClassicRandAndEveryFieldOfTheBlock) {
  RandGenerator rng(1);
  for (int expected : {41, 18467, 6334, 26500, 19169}) {
    EXPECT_EQ(rng.Next(), expected);
  }
  SampleBlock b;
  b.requestStart = 1000;
  b.requestEnd = 2800;
  b.downloadBuffer.resize(100);
  ASSERT_TRUE(GeneratePseudorandomBlock(b, 1));  // now = 1 seeds with 1
  EXPECT_EQ((std::vector<int>{b.Sample(0, 1000), b.Sample(1, 1000), b.Sample(2, 1000)}),
            (std::vector<int>{98, 99, 110}));
  EXPECT_TRUE(b.downloadBuffer.empty());
  EXPECT_EQ(b.dataEnd, 2800);
  EXPECT_EQ(b.rowsFilled, 1801);
  EXPECT_EQ(b.stationIds[21], 4234u);
  ASSERT_EQ(b.values.size(), size_t(22 * 1801));
  long sum = 0;
  for (uint16_t v : b.values) {
    ASSERT_LE(v, 199);
    sum += v;
  }
  EXPECT_NEAR(double(sum) / double(b.values.size()), 100.0, 1.0);  // 200 fair bits a sample
  // The same second of another day repeats; another seed does not.
  SampleBlock a, c, d;
  for (auto [block, start, now] :
       {std::tuple{&a, 0, 1700000000}, {&c, 86400, 1700000000}, {&d, 0, 1700000001}}) {
    block->requestStart = start;
    block->requestEnd = start + 599;
    ASSERT_TRUE(GeneratePseudorandomBlock(*block, now));
  }
  EXPECT_EQ(a.values, c.values);
  EXPECT_NE(a.values, d.values);
}

}  // namespace
}  // namespace tessaly
