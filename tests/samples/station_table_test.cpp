#include "samples/station_table.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "samples/clock.h"
#include "samples/sample_store.h"

namespace tessaly {
namespace {

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

TEST(StationTableTest, RowsKeepTheirOrderAndRepeatedIdsResolveToTheFirstRow) {
  const auto table = StationTable();
  ASSERT_EQ(table.size(), size_t(kStationTableRows));
  EXPECT_EQ(table[0].id, 1);
  EXPECT_EQ(table[4].id, 100);
  EXPECT_EQ(table[144].id, 4251);
  for (const StationRecord& row : table) {
    EXPECT_STREQ(row.persons, "") << row.id;  // no one's name is carried
  }
  // Rows whose texts are easy to get wrong: empty coordinates, odd dates and notes.
  const StationRecord* r33 = FindStationRecord(33);
  ASSERT_NE(r33, nullptr);
  EXPECT_EQ(r33->sequence, 5);
  EXPECT_STREQ(r33->notes, " OFF; Packets offtime");
  const StationRecord* r3107 = FindStationRecord(3107);
  ASSERT_NE(r3107, nullptr);
  EXPECT_STREQ(r3107->coordinates, "");
  EXPECT_STREQ(r3107->dates, "2014-05-? nominal -");
  // A station that moved has two rows; the first one names it.
  EXPECT_STREQ(FindStationRecord(1096)->coordinates, "50.45 30.523");
  EXPECT_STREQ(FindStationRecord(2046)->coordinates, "-36.848 174.763");
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
