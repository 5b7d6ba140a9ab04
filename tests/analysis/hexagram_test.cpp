#include "analysis/hexagram.h"

#include <gtest/gtest.h>

#include <climits>
#include <vector>

#include "analysis/histogram.h"
#include "samples/sample_store.h"
#include "samples/utc_time.h"
#include "support/fixed_clock.h"
#include "support/scripted_source.h"

namespace tessaly {
namespace {

constexpr uint32_t kStation = 2049;
constexpr uint32_t kOther = 110;
const int64_t kT = MakeUtc(2023, 12, 31, 12, 0, 0);

using Lines = std::array<uint8_t, 6>;

Lines AllLines(uint8_t v) {
  return {v, v, v, v, v, v};
}

class HexagramTest : public testing::Test {
 protected:
  HexagramTest() : store(kSourceServer, clock, &source) { source.stations = {kOther, kStation}; }

  // One block from kT on whose station samples at kT + i are samples[i]
  // (the last one repeated beyond).
  void Load(std::vector<int> samples) {
    source.value = [samples](uint32_t id, int64_t t) {
      if (id != kStation) {
        return 150;
      }
      const size_t i = size_t(t - kT);
      return i < samples.size() ? samples[i] : samples.back();
    };
    ASSERT_NE(store.CreateBlocks(kT, kT + 1800), nullptr);
  }

  void Clear() {
    for (const BlockPtr& b : store.Blocks()) {
      store.DestroyBlock(b.get());
    }
  }

  FixedClock clock{kT + 86400};
  ScriptedSource source;
  SampleStore store;
  CHistogram h;
};

// The three methods on known samples: (samples from kT on, the last repeated;
// method; number; lines bottom first). -1: the station is missing from the block.
TEST_F(HexagramTest, EachMethodCastsKnownSamples) {
  struct Case {
    std::vector<int> samples;
    int method;
    int number;
    Lines lines;
  };
  const std::vector<Case> cases = {
      // Coins: a sample of 100 or more is worth 3, else 2.
      {{100}, kHexagramCoin, 1, AllLines(9)},
      {{0}, kHexagramCoin, 2, AllLines(6)},
      // Lines 9, 8, 8 | 8, 8, 7: the lower trigram is the first three lines.
      {{100, 100, 100, 100, 100, 1, 100, 100, 1, 1, 100, 100, 100, 1, 100, 100, 1, 1},
       kHexagramCoin,
       27,
       {9, 8, 8, 8, 8, 7}},
      // Cards look at divisibility.
      {{100}, kHexagramCard, 2, AllLines(6)},
      {{101, 3, 5, 8, 3, 2, 6, 4, 7, 12, 2, 4, 200, 199, 2, 102, 103, 105},
       kHexagramCard,
       61,
       {9, 7, 8, 6, 7, 9}},
      // Sticks divide the bundle.
      {{100}, kHexagramSticks, 2, AllLines(8)},
      {{99}, kHexagramSticks, 1, AllLines(7)},
      // A station missing from the block reads -1: below 100, odd and no multiple of 4.
      {{-1}, kHexagramCoin, 2, AllLines(6)},
      {{-1}, kHexagramCard, 1, AllLines(9)},
      {{-1}, kHexagramSticks, 2, AllLines(8)},
      // Any other method casts by sticks.
      {{100}, 3, 2, AllLines(8)},
      {{100}, -1, 2, AllLines(8)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "method " << c.method << ", first " << c.samples[0]);
    Clear();
    source.stations =
        c.samples[0] < 0 ? std::vector<uint32_t>{kOther} : std::vector<uint32_t>{kOther, kStation};
    Load(c.samples);
    h.hexagramLines = {};
    EXPECT_EQ(CastHexagram(c.method, h, store, kStation, kT), c.number);
    EXPECT_EQ(h.hexagramLines, c.lines);
  }
}

TEST_F(HexagramTest, SecondOutsideEveryBlockFailsAndKeepsTheLines) {
  Load({100});
  h.hexagramLines = {6, 7, 8, 9, 6, 7};
  const Lines before = h.hexagramLines;
  // The 18th second is the first one not loaded.
  EXPECT_EQ(HexagramByCoins(h, store, kStation, kT + 1800 - 16), 0);
  EXPECT_EQ(HexagramBySticks(h, store, kStation, kT + 1800 - 16), 0);
  EXPECT_EQ(HexagramByCards(h, store, kStation, kT - 1), 0);
  EXPECT_EQ(HexagramByCoins(h, store, kStation, INT64_MAX - 5), 0);
  EXPECT_EQ(h.hexagramLines, before);
  EXPECT_EQ(HexagramByCoins(h, store, kStation, kT + 1800 - 17), 1);
}

TEST_F(HexagramTest, EachSecondComesFromTheLastBlockHoldingIt) {
  Load({150});
  // A later, shorter block over part of it, trimmed at kT + 104.
  source.value = [](uint32_t, int64_t) { return 50; };
  source.dataEndFor = TrimAt(kT + 104);
  ASSERT_NE(store.CreateBlocks(kT + 100, kT + 699), nullptr);

  // Seconds 90..99 and 105..107 from the long block, 100..104 from the short one:
  // coin lines 9 9 9 | 7 6 9, lower code 7, upper 5.
  EXPECT_EQ(HexagramByCoins(h, store, kStation, kT + 90), 14);
  EXPECT_EQ(h.hexagramLines, (Lines{9, 9, 9, 7, 6, 9}));
}

TEST(HexagramNumberTest, TableCornersAndBounds) {
  EXPECT_EQ(HexagramNumber(0, 0), 2);
  EXPECT_EQ(HexagramNumber(7, 7), 1);
  EXPECT_EQ(HexagramNumber(0, 7), 12);
  EXPECT_EQ(HexagramNumber(2, 5), 64);
  EXPECT_EQ(HexagramNumber(-1, 0), 0);
  EXPECT_EQ(HexagramNumber(0, 8), 0);

  // King Wen numbers each appear exactly once.
  std::array<int, 65> seen{};
  for (int lower = 0; lower < 8; ++lower) {
    for (int upper = 0; upper < 8; ++upper) {
      ++seen[size_t(HexagramNumber(lower, upper))];
    }
  }
  EXPECT_EQ(seen[0], 0);
  for (int n = 1; n <= 64; ++n) {
    EXPECT_EQ(seen[size_t(n)], 1) << n;
  }
}

TEST(HexagramNameTest, ThreeLanguages) {
  EXPECT_EQ(HexagramName(1, kHexagramChinese), "1. 乾为天");
  EXPECT_EQ(HexagramName(64, kHexagramEnglish), "64. Not Yet Across");
  EXPECT_EQ(HexagramName(2, kHexagramRussian), "2. Исполнение");
  EXPECT_EQ(HexagramName(27, 5), HexagramName(27, kHexagramChinese));
  EXPECT_EQ(HexagramName(27, -1), "27. 山雷颐");
  EXPECT_EQ(HexagramName(0, kHexagramEnglish), "");
  EXPECT_EQ(HexagramName(65, kHexagramRussian), "");

  for (int language = 0; language < 3; ++language) {
    for (int n = 1; n <= 64; ++n) {
      const std::string prefix = std::to_string(n) + ". ";
      const std::string name = HexagramName(n, language);
      EXPECT_EQ(name.rfind(prefix, 0), 0u) << language << " " << n;
      EXPECT_GT(name.size(), prefix.size());
    }
  }
}

}  // namespace
}  // namespace tessaly
