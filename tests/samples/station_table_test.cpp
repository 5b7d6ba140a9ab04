#include "samples/station_table.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "samples/clock.h"
#include "samples/sample_store.h"

namespace tessaly {
namespace {

const std::vector<int32_t> kExpectedIds = {
    1,    33,   34,   37,   100,  101,  102,  103,  105,  106,  107,  108,  109,  110,  111,
    112,  114,  115,  116,  118,  119,  134,  142,  161,  224,  226,  226,  227,  227,  228,
    230,  231,  233,  1000, 1004, 1005, 1013, 1021, 1022, 1023, 1024, 1025, 1025, 1026, 1027,
    1029, 1051, 1063, 1066, 1070, 1082, 1095, 1096, 1096, 1092, 1101, 1113, 1223, 1237, 1245,
    1295, 2000, 2001, 2002, 2006, 2006, 2007, 2008, 2009, 2013, 2024, 2023, 2022, 2026, 2026,
    2027, 2028, 2040, 2041, 2042, 2043, 2044, 2045, 2046, 2046, 2047, 2049, 2052, 2060, 2061,
    2062, 2064, 2069, 2070, 2073, 2080, 2083, 2084, 2088, 2091, 2093, 2094, 2097, 2120, 2165,
    2173, 2178, 2201, 2202, 2220, 2221, 2222, 2225, 2231, 2232, 2235, 2236, 2239, 2240, 2241,
    2242, 2243, 2247, 2248, 2249, 2250, 3005, 3023, 3043, 3045, 3045, 3066, 3101, 3103, 3104,
    3106, 3107, 3115, 3142, 3240, 3247, 4002, 4101, 4234, 4251};

class FixedClock : public Clock {
 public:
  int64_t Now() const override { return 1700000000; }
};

class StationRegistryTest : public ::testing::Test {
 protected:
  FixedClock clock_;
  SampleStore store_{kSourceServer, clock_};
  std::vector<std::pair<uint32_t, std::string>> told_;

  void SetUp() override {
    store_.onUnknownStation = [this](uint32_t id, const std::string& text) {
      told_.emplace_back(id, text);
    };
  }
};

TEST(StationTableTest, HoldsTheRowsInTheirFixedOrder) {
  const auto table = StationTable();
  ASSERT_EQ(table.size(), size_t(kStationTableRows));
  std::vector<int32_t> ids;
  for (const StationRecord& row : table) {
    ids.push_back(row.id);
    EXPECT_STREQ(row.persons, "") << row.id;  // no one's name is carried
  }
  EXPECT_EQ(ids, kExpectedIds);
  // Rows whose texts are easy to get wrong: empty coordinates, odd dates and notes.
  const StationRecord* r33 = FindStationRecord(33);
  ASSERT_NE(r33, nullptr);
  EXPECT_EQ(r33->sequence, 5);
  EXPECT_STREQ(r33->location, "USA Knoxville, TN, USA");
  EXPECT_STREQ(r33->dates, "1998-08-26 - XXXX-XX-XX");
  EXPECT_STREQ(r33->notes, " OFF; Packets offtime");
  const StationRecord* r3107 = FindStationRecord(3107);
  ASSERT_NE(r3107, nullptr);
  EXPECT_EQ(r3107->sequence, 140);
  EXPECT_STREQ(r3107->coordinates, "");
  EXPECT_STREQ(r3107->dates, "2014-05-? nominal -");
}

TEST(StationTableTest, EveryCoordinateTextParses) {
  for (const StationRecord& row : StationTable()) {
    const std::string text = row.coordinates;
    const int32_t key = ParseLongitudeKey(row.coordinates);
    if (text.empty()) {
      EXPECT_EQ(key, 0) << row.id;
      continue;
    }
    // "lat lon": exactly two numbers separated by one space.
    const size_t space = text.find(' ');
    ASSERT_NE(space, std::string::npos) << row.id;
    size_t used = 0;
    const double lat = std::stod(text.substr(0, space), &used);
    EXPECT_EQ(used, space) << row.id;
    const std::string lonText = text.substr(space + 1);
    const double lon = std::stod(lonText, &used);
    EXPECT_EQ(used, lonText.size()) << row.id;
    EXPECT_LE(std::abs(lat), 90.0) << row.id;
    // At three decimals the key is the longitude itself.
    EXPECT_NEAR(key, lon * 1000.0, 1.0) << row.id;
  }
}

TEST(StationTableTest, RepeatedIdsResolveToTheirFirstRow) {
  const auto table = StationTable();
  for (int32_t id : {226, 227, 1025, 1096, 2006, 2026, 2046, 3045}) {
    const auto first = std::find(kExpectedIds.begin(), kExpectedIds.end(), id);
    const auto second = std::find(first + 1, kExpectedIds.end(), id);
    ASSERT_NE(second, kExpectedIds.end()) << id;
    const size_t firstRow = size_t(first - kExpectedIds.begin());
    const size_t secondRow = size_t(second - kExpectedIds.begin());
    EXPECT_EQ(FindStationRecord(uint32_t(id)), &table[firstRow]) << id;
    // The second row must differ, or the lookup above would prove nothing.
    EXPECT_STRNE(table[firstRow].coordinates, table[secondRow].coordinates) << id;
  }
}

TEST(LongitudeKeyTest, ParsesTheSecondWordAndBoundsOddTexts) {
  const std::vector<std::pair<const char*, int32_t>> cases = {
      {"40.364 -74.656", -74656},
      {"-34.58338 18.288600", 18288},  // stops at the third decimal
      {"55.6 13", 13000},
      {"50.5 0.1", 100},
      {"", 0},
      {nullptr, 0},
      {"40.364", 0},               // no second word
      {"  40.3   -74.6", -74600},  // leading and repeated spaces
      {"1 0 0 12.5", 12500},       // zeros before the number
      {"1 7 8", 7000},             // a space ends a gathered number
      {"1 12x3.4E", 123400},       // other characters are ignored
      {"1 123456", 1234000},       // the integer part stops at 1000
      {"1 -", 0},
  };
  for (const auto& [text, key] : cases) {
    SCOPED_TRACE(text == nullptr ? "null" : text);
    EXPECT_EQ(ParseLongitudeKey(text), key);
  }
  // Repeated points keep restarting the digit count; the value must not overflow.
  const std::string dots = "1 1" + std::string(1000, '.') + "12.12.12.12.12.12.12.12.12.12";
  const int32_t key = ParseLongitudeKey(dots.c_str());
  EXPECT_GT(key, 0);
  EXPECT_LT(key, 100000000);
}

TEST_F(StationRegistryTest, UnknownIdsFollowTheTableRows) {
  EXPECT_EQ(FindStationRow(store_, 1), 0);
  EXPECT_EQ(FindStationRow(store_, 4251), 144);
  EXPECT_EQ(FindStationRow(store_, 9999), -1);
  EXPECT_EQ(StationListText(store_, 9999), "");

  RegisterStation(store_, 9999);
  RegisterStation(store_, 5);
  RegisterStation(store_, 9999);  // already registered
  EXPECT_EQ(FindStationRow(store_, 9999), 145);
  EXPECT_EQ(FindStationRow(store_, 5), 146);
  EXPECT_EQ(StationListText(store_, 9999), "9999 - Unknown");
  EXPECT_EQ(StationListText(store_, 1), "1 - Kingston, NJ, USA");
  RegisterStation(store_, 226);  // a table id: never registered
  EXPECT_EQ(store_.unknownCount, 2);
  EXPECT_EQ(StationListText(store_, 226), "226 - Brampton, Ontario, Canada");
  EXPECT_EQ(LongitudeKey(store_, 9999), kUnknownLongitudeKey);
  EXPECT_EQ(LongitudeKey(store_, 8888), kUnknownLongitudeKey);
  EXPECT_EQ(LongitudeKey(store_, 3107), 0);  // a table row without coordinates
  EXPECT_EQ(LongitudeKey(store_, 226), -79767);

  const std::vector<std::pair<uint32_t, std::string>> expected = {{9999, "9999 - Unknown"},
                                                                  {5, "5 - Unknown"}};
  EXPECT_EQ(told_, expected);
}

TEST_F(StationRegistryTest, StopsAtOneHundredUnknownIds) {
  for (uint32_t i = 0; i < 101; ++i) {
    RegisterStation(store_, 10000 + i);
  }
  EXPECT_EQ(store_.unknownCount, kMaxUnknownStations);
  EXPECT_EQ(told_.size(), size_t(kMaxUnknownStations));
  EXPECT_EQ(FindStationRow(store_, 10099), 145 + 99);
  EXPECT_EQ(StationListText(store_, 10099), "10099 - Unknown");

  EXPECT_EQ(FindStationRow(store_, 10100), -1);
  EXPECT_EQ(StationListText(store_, 10100), "");
  EXPECT_EQ(LongitudeKey(store_, 10100), kUnknownLongitudeKey);
  RegisterStation(store_, 10100);
  EXPECT_EQ(told_.size(), size_t(kMaxUnknownStations));
}

TEST_F(StationRegistryTest, WorksWithoutAHookAndWithADamagedCount) {
  store_.onUnknownStation = nullptr;
  RegisterStation(store_, 7777);
  EXPECT_EQ(FindStationRow(store_, 7777), 145);

  store_.unknownCount = 5000;  // must not read or write past the slots
  EXPECT_EQ(FindStationRow(store_, 4444), -1);
  RegisterStation(store_, 4444);
  EXPECT_EQ(FindStationRow(store_, 4444), -1);
  store_.unknownCount = -3;
  EXPECT_EQ(FindStationRow(store_, 7777), -1);
  RegisterStation(store_, 4444);
  EXPECT_EQ(FindStationRow(store_, 4444), 145);
}

}  // namespace
}  // namespace tessaly
