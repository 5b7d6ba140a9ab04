#include "samples/station_table.h"

#include <gtest/gtest.h>

#include <vector>

namespace tessaly {
namespace {

// The station lists show the rows in this order; a repeated id names its first row.
TEST(StationTableTest, RowIdsInTheirOrder) {
  const std::vector<int32_t> expected = {
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
  std::vector<int32_t> ids;
  for (const StationRecord& row : StationTable()) {
    ids.push_back(row.id);
  }
  EXPECT_EQ(ids, expected);
  EXPECT_EQ(FindStationRecord(226), &StationTable()[25]);
}

}  // namespace
}  // namespace tessaly
