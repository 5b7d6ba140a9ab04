#include "analysis/hexagram.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "analysis/histogram.h"
#include "samples/sample_store.h"
#include "samples/utc_time.h"
#include "support/fixed_clock.h"
#include "support/scripted_source.h"

namespace tessaly {
namespace {

constexpr uint32_t kStation = 2049;
const int64_t kT = MakeUtc(2023, 12, 31, 12, 0, 0);
using Lines = std::array<uint8_t, 6>;

Lines All(uint8_t v) {
  return {v, v, v, v, v, v};
}

// The three methods on known samples of the station from kT on (the last one
// repeated); -1: the station is missing from the block.
TEST(HexagramTest, EachMethodCastsKnownSamples) {
  struct Case {
    std::vector<int> samples;
    int method;
    int number;
    Lines lines;
  };
  const std::vector<Case> cases = {
      // Coins: a sample of 100 or more is worth 3, else 2.
      {{100}, kHexagramCoin, 1, All(9)},
      // Lines 9, 8, 8 | 8, 8, 7: the lower trigram is the first three lines.
      {{100, 100, 100, 100, 100, 1, 100, 100, 1, 1, 100, 100, 100, 1, 100, 100, 1, 1},
       kHexagramCoin,
       27,
       {9, 8, 8, 8, 8, 7}},
      // Cards look at divisibility; sticks divide the bundle.
      {{101, 3, 5, 8, 3, 2, 6, 4, 7, 12, 2, 4, 200, 199, 2, 102, 103, 105},
       kHexagramCard,
       61,
       {9, 7, 8, 6, 7, 9}},
      {{100}, kHexagramSticks, 2, All(8)},
      // A missing station reads -1: below 100, odd and no multiple of 4.
      {{-1}, kHexagramCoin, 2, All(6)},
      {{-1}, kHexagramCard, 1, All(9)},
      {{-1}, kHexagramSticks, 2, All(8)},
      // Any other method casts by sticks.
      {{100}, 3, 2, All(8)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "method " << c.method << ", first " << c.samples[0]);
    FixedClock clock{kT + 86400};
    ScriptedSource source(
        c.samples[0] < 0 ? std::vector<uint32_t>{110} : std::vector<uint32_t>{110, kStation},
        [&](uint32_t id, int64_t t) {
          const size_t i = size_t(t - kT);
          return id != kStation ? 150 : i < c.samples.size() ? c.samples[i] : c.samples.back();
        });
    SampleStore store(kSourceServer, clock, &source);
    ASSERT_NE(store.CreateBlocks(kT, kT + 1800), nullptr);
    CHistogram h;
    EXPECT_EQ(CastHexagram(c.method, h, store, kStation, kT), c.number);
    EXPECT_EQ(h.hexagramLines, c.lines);
    if (c.samples.size() > 1) {
      continue;
    }
    // The 18th second is the first one not loaded: outside every block the
    // cast fails and keeps the lines.
    EXPECT_EQ(CastHexagram(c.method, h, store, kStation, kT + 1800 - 16), 0);
    EXPECT_EQ(CastHexagram(c.method, h, store, kStation, kT - 1), 0);
    EXPECT_EQ(CastHexagram(c.method, h, store, kStation, INT64_MAX - 5), 0);
    EXPECT_EQ(h.hexagramLines, c.lines);
    EXPECT_EQ(CastHexagram(c.method, h, store, kStation, kT + 1800 - 17), c.number);
  }
}

// The number table and the name lists are kept apart. A Chinese name spells
// its trigrams (upper image, then lower; a doubled one "X为<image>"), so each
// pair of codes must land on the name of its own two trigrams.
TEST(HexagramTest, EveryPairOfTrigramsNumbersItsOwnName) {
  const std::string images[8] = {"地", "雷", "水", "泽", "山", "火", "风", "天"};
  std::set<int> numbers;
  for (int lower = 0; lower < 8; ++lower) {
    for (int upper = 0; upper < 8; ++upper) {
      const int n = HexagramNumber(lower, upper);
      numbers.insert(n);
      const std::string prefix = std::to_string(n) + ". ";
      const std::string want =
          lower == upper ? "为" + images[lower] : images[upper] + images[lower];
      const std::string name = HexagramName(n, kHexagramChinese);
      ASSERT_EQ(name.substr(0, prefix.size()), prefix);
      EXPECT_EQ(name.substr(prefix.size() + (lower == upper ? 3 : 0), want.size()), want)
          << "lower " << lower << ", upper " << upper << ": " << name;
    }
  }
  EXPECT_EQ(numbers.size(), 64u);
  EXPECT_EQ(HexagramNumber(8, 0), 0);
}

}  // namespace
}  // namespace tessaly
