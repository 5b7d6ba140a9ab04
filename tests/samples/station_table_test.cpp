#include "samples/station_table.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "samples/sample_store.h"
#include "support/fixed_clock.h"

namespace tessaly {
namespace {

TEST(StationTableTest, LongitudeKeyParsesTheSecondWordAndBoundsOddTexts) {
  const std::vector<std::pair<const char*, int32_t>> cases = {
      {"40.364 -74.656", -74656},
      {"-34.58338 18.288600", 18288},  // stops at the third decimal
      {"55.6 13", 13000},
      {"50.5 0.1", 100},
      {"", 0},
      {nullptr, 0},
      {"40.364", 0},
      {"  40.3   -74.6", -74600},  // leading and repeated spaces
      {"1 0 0 12.5", 12500},
      {"1 7 8", 7000},  // a space ends a number
      {"1 12x3.4E", 123400},
      {"1 123456", 1234000},  // the integer part stops at 1000
      {"1 -", 0},
  };
  for (const auto& [text, key] : cases) {
    EXPECT_EQ(ParseLongitudeKey(text), key) << (text == nullptr ? "null" : text);
  }
  // Repeated points keep restarting the digit count; the value must not overflow.
  const std::string dots = "1 1" + std::string(1000, '.') + "12.12.12.12.12.12.12.12.12.12";
  EXPECT_GT(ParseLongitudeKey(dots.c_str()), 0);
  EXPECT_LT(ParseLongitudeKey(dots.c_str()), 100000000);
}

TEST(StationTableTest, UnknownIdsFollowTheTableRowsUpToOneHundred) {
  FixedClock clock{1700000000};
  SampleStore store{kSourceServer, clock};
  int told = 0;
  store.onUnknownStation = [&](uint32_t, const std::string&) { ++told; };
  RegisterStation(store, 226);  // a table id: never registered
  for (uint32_t i = 0; i < 101; ++i) {
    RegisterStation(store, 10000 + i);
  }
  EXPECT_EQ(told, kMaxUnknownStations);
  EXPECT_EQ(FindStationRow(store, 10000), kStationTableRows);
  EXPECT_EQ(FindStationRow(store, 10099), kStationTableRows + 99);
  EXPECT_EQ(StationListText(store, 10099), "10099 - Unknown");
  EXPECT_EQ(FindStationRow(store, 10100), -1);
  EXPECT_EQ(StationListText(store, 10100), "");
  EXPECT_EQ(StationListText(store, 226), "226 - Brampton, Ontario, Canada");
  EXPECT_EQ(LongitudeKey(store, 10000), kUnknownLongitudeKey);
  EXPECT_EQ(LongitudeKey(store, 3107), 0);  // a table row without coordinates
  EXPECT_EQ(LongitudeKey(store, 226), -79767);
  // With a damaged count nothing is read or written past the slots.
  store.unknownCount = 5000;
  RegisterStation(store, 4444);
  EXPECT_EQ(FindStationRow(store, 4444), -1);
  store.unknownCount = -3;
  RegisterStation(store, 4444);
  EXPECT_EQ(FindStationRow(store, 4444), kStationTableRows);
}

}  // namespace
}  // namespace tessaly
