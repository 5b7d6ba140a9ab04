#include "samples/station_table.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>
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

struct PseudorandomRow {
  uint32_t id;
  const char* name;
  const char* coordinates;
  const char* location;
  int32_t key;
};

// The stations the pseudorandom source lists, in its column order.
const PseudorandomRow kPseudorandomRows[] = {
    {1, "1-ETH", "40.364 -74.656", "Kingston, NJ, USA", -74656},
    {37, "37-ETH", "47.079 7.062", "Neuchatel, Switzerland", 7062},
    {110, "110-ETH", "39.02 -104.75", "Black Forest, CO, USA", -104750},
    {112, "112-ETH", "47.079 7.062", "Neuchatel, Switzerland", 7062},
    {226, "226-ETH", "43.683 -79.767", "Brampton, Ontario, Canada", -79767},
    {1021, "1021-ETH", "37.365 -121.967", "Santa Clara, CA, USA", -121967},
    {1070, "1027-ETH", "39.202 -84.404", "Cincinnati, Ohio, USA", -84404},
    {1237, "1237-ETH", "55.75 37.617", "Moscow, Russia", 37617},
    {2000, "2000-ETH", "43.111 -88.5", "Oconomowoc, WI, USA", -88500},
    {2028, "2028-ETH", "52.09 5.18", "Soest, The Netherlands", 5180},
    {2049, "2049-ETH", "38.316 26.635", "Izmir, Turkey", 26635},
    {2080, "2080-ETH", "-33.485 -70.518", "Santiago, Chile", -70518},
    {2083, "2083-ETH", "25.078 121.544", "Hsin Chu City, Taiwan", 121544},
    {2178, "2178-ETH", "37.187 -122.121", "Boulder Creek, CA, USA", -122121},
    {2220, "2220-ETH", "41.386 -83.326", "Gibsonburg, Ohio, USA", -83326},
    {2232, "2232-ETH", "-31.921 115.892", "Perth, Western Australia", 115892},
    {3066, "3066-ETH", "40.495 -3.621", "Madrid, Spain  Device T, was", -3621},
    {3101, "3101-ETH", "37.192 -122.119", "Boulder Creek, CA, USA", -122119},
    {3104, "3104-ETH", "50.5 0.1", "Lewes, East Susses, UK", 100},
    {3106, "3106-ETH", "52.091 111.446", "Coronation, Alberta, CA", 111446},
    {3247, "3247-ETH", "35.951 -94.1", "West Fork, AR, USA", -94100},
    {4234, "4234-ETH", "37.567 126.978", "Seoul, Korea", 126978},
};

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
    EXPECT_GE(row.sequence, 1) << row.id;
    EXPECT_LE(row.sequence, 141) << row.id;
    // Every text is present, and no one's name is carried.
    for (const char* text :
         {row.name, row.coordinates, row.location, row.device, row.dates, row.notes}) {
      EXPECT_NE(text, nullptr) << row.id;
    }
    EXPECT_STREQ(row.persons, "") << row.id;
    EXPECT_NE(std::string(row.location), "") << row.id;
  }
  EXPECT_EQ(ids, kExpectedIds);
}

TEST(StationTableTest, TellingRowsAreExact) {
  const auto table = StationTable();
  const StationRecord& first = table[0];
  EXPECT_EQ(first.sequence, 1);
  EXPECT_STREQ(first.name, "1-ETH");
  EXPECT_STREQ(first.device, "Device M");
  EXPECT_STREQ(first.dates, "1998-08-02 -");
  EXPECT_STREQ(first.notes, "was Device P to 010810");

  const StationRecord* r33 = FindStationRecord(33);
  ASSERT_NE(r33, nullptr);
  EXPECT_EQ(r33->sequence, 5);
  EXPECT_STREQ(r33->name, "33");
  EXPECT_STREQ(r33->coordinates, "35.989 -84.225");
  EXPECT_STREQ(r33->location, "USA Knoxville, TN, USA");
  EXPECT_STREQ(r33->device, "Device P");
  EXPECT_STREQ(r33->dates, "1998-08-26 - XXXX-XX-XX");
  EXPECT_STREQ(r33->notes, " OFF; Packets offtime");

  const StationRecord* r1070 = FindStationRecord(1070);
  ASSERT_NE(r1070, nullptr);
  EXPECT_EQ(r1070->sequence, 22);
  EXPECT_STREQ(r1070->device, "Device O-Device O");
  EXPECT_STREQ(r1070->dates, "1999-09-28 - ");
  EXPECT_STREQ(r1070->notes, "");

  const StationRecord* r3107 = FindStationRecord(3107);
  ASSERT_NE(r3107, nullptr);
  EXPECT_EQ(r3107->sequence, 140);
  EXPECT_STREQ(r3107->name, "3107-ETH");
  EXPECT_STREQ(r3107->coordinates, "");
  EXPECT_STREQ(r3107->location, "Peria, North Island, New Zealand");
  EXPECT_STREQ(r3107->device, "Device A, Linux");
  EXPECT_STREQ(r3107->dates, "2014-05-? nominal -");

  const StationRecord* r4251 = FindStationRecord(4251);
  ASSERT_NE(r4251, nullptr);
  EXPECT_EQ(r4251->sequence, 119);
  EXPECT_STREQ(r4251->name, "4251-ETH");
  EXPECT_STREQ(r4251->coordinates, "10.304 -61.446");
  EXPECT_STREQ(r4251->location, "Marabella, Trinidad and Tobago");
  EXPECT_STREQ(r4251->device, "Device O, Linux");
  EXPECT_STREQ(r4251->dates, "2009-07-28 -");
  EXPECT_STREQ(r4251->notes, "Change to Device T Feb 15 2015");
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
    EXPECT_EQ(text.find(' ', space + 1), std::string::npos) << row.id;
    size_t used = 0;
    const double lat = std::stod(text.substr(0, space), &used);
    EXPECT_EQ(used, space) << row.id;
    const std::string lonText = text.substr(space + 1);
    const double lon = std::stod(lonText, &used);
    EXPECT_EQ(used, lonText.size()) << row.id;
    EXPECT_LE(std::abs(lat), 90.0) << row.id;
    EXPECT_LE(std::abs(lon), 180.0) << row.id;
    EXPECT_GE(key, -180000) << row.id;
    EXPECT_LE(key, 180000) << row.id;
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

TEST(StationTableTest, PseudorandomStationsMatchTheirRows) {
  for (const PseudorandomRow& expected : kPseudorandomRows) {
    const StationRecord* row = FindStationRecord(expected.id);
    ASSERT_NE(row, nullptr) << expected.id;
    EXPECT_STREQ(row->name, expected.name) << expected.id;
    EXPECT_STREQ(row->coordinates, expected.coordinates) << expected.id;
    EXPECT_STREQ(row->location, expected.location) << expected.id;
    EXPECT_EQ(ParseLongitudeKey(row->coordinates), expected.key) << expected.id;
  }
}

TEST(StationTableTest, PseudorandomStationsSortWestToEast) {
  std::vector<PseudorandomRow> rows(std::begin(kPseudorandomRows), std::end(kPseudorandomRows));
  FixedClock clock;
  SampleStore store(kSourcePseudorandom, clock);
  std::stable_sort(rows.begin(), rows.end(), [&](const auto& a, const auto& b) {
    return LongitudeKey(store, a.id) < LongitudeKey(store, b.id);
  });
  std::vector<uint32_t> order;
  for (const auto& row : rows) {
    order.push_back(row.id);
  }
  const std::vector<uint32_t> expected = {2178, 3101, 1021, 110,  3247, 2000, 1070, 2220,
                                          226,  1,    2080, 3066, 3104, 2028, 37,   112,
                                          2049, 1237, 3106, 2232, 2083, 4234};
  EXPECT_EQ(order, expected);
}

TEST(LongitudeKeyTest, ParsesTheSecondWord) {
  EXPECT_EQ(ParseLongitudeKey("40.364 -74.656"), -74656);
  EXPECT_EQ(ParseLongitudeKey("13 80.183"), 80183);
  EXPECT_EQ(ParseLongitudeKey("-34.58338 18.288600"), 18288);  // stops at the third decimal
  EXPECT_EQ(ParseLongitudeKey("55.6 13"), 13000);
  EXPECT_EQ(ParseLongitudeKey("50.5 0.1"), 100);
  EXPECT_EQ(ParseLongitudeKey("52.09 5.18"), 5180);
  EXPECT_EQ(ParseLongitudeKey(""), 0);
  EXPECT_EQ(ParseLongitudeKey(nullptr), 0);
}

TEST(LongitudeKeyTest, OddTextsGiveBoundedKeys) {
  EXPECT_EQ(ParseLongitudeKey("40.364"), 0);               // no second word
  EXPECT_EQ(ParseLongitudeKey("   "), 0);                  // only spaces
  EXPECT_EQ(ParseLongitudeKey("  40.3   -74.6"), -74600);  // leading and repeated spaces
  EXPECT_EQ(ParseLongitudeKey("1 0 0 12.5"), 12500);       // zeros before the number
  EXPECT_EQ(ParseLongitudeKey("1 7 8"), 7000);             // a space ends a gathered number
  EXPECT_EQ(ParseLongitudeKey("1 12x3.4E"), 123400);       // other characters are ignored
  EXPECT_EQ(ParseLongitudeKey("1 123456"), 1234000);       // the integer part stops at 1000
  EXPECT_EQ(ParseLongitudeKey("1 -"), 0);
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
  EXPECT_EQ(StationListText(store_, 226), "226 - Brampton, Ontario, Canada");
  EXPECT_EQ(LongitudeKey(store_, 9999), kUnknownLongitudeKey);
  EXPECT_EQ(LongitudeKey(store_, 8888), kUnknownLongitudeKey);
  EXPECT_EQ(LongitudeKey(store_, 3107), 0);  // a table row without coordinates
  EXPECT_EQ(LongitudeKey(store_, 226), -79767);

  const std::vector<std::pair<uint32_t, std::string>> expected = {{9999, "9999 - Unknown"},
                                                                  {5, "5 - Unknown"}};
  EXPECT_EQ(told_, expected);
}

TEST_F(StationRegistryTest, TableIdsAreNeverRegistered) {
  for (const StationRecord& row : StationTable()) {
    RegisterStation(store_, uint32_t(row.id));
  }
  EXPECT_EQ(store_.unknownCount, 0);
  EXPECT_TRUE(told_.empty());
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
