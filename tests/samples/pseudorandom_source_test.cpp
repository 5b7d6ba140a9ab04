#include "samples/pseudorandom_source.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace tessaly {
namespace {

// Known draws of the classic rand seeded with 1, and the samples they make.
TEST(Pseudorandom, SeededWithOneGivesTheKnownDrawsAndSamples) {
  RandGenerator rng(1);
  std::vector<int> draws(5);
  std::generate(draws.begin(), draws.end(), [&rng] { return rng.Next(); });
  EXPECT_EQ(draws, (std::vector<int>{41, 18467, 6334, 26500, 19169}));
  SampleBlock b;
  b.requestStart = 1000;
  b.requestEnd = 2800;
  ASSERT_TRUE(GeneratePseudorandomBlock(b, 1));  // now = 1 seeds with 1
  EXPECT_EQ((std::vector<int>{b.Sample(0, 1000), b.Sample(1, 1000), b.Sample(2, 1000)}),
            (std::vector<int>{98, 99, 110}));
  b.requestEnd = 999;  // a block without a second is refused
  EXPECT_FALSE(GeneratePseudorandomBlock(b, 1));
}

}  // namespace
}  // namespace tessaly
