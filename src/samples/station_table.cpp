#include "samples/station_table.h"

#include <algorithm>
#include <array>
#include <cstdio>

#include "samples/sample_store.h"

namespace tessaly {
namespace {

// The order of the rows is part of the contract (it is the order of the station
// lists), and where an id repeats the first row is the one that counts. Persons
// are kept empty on purpose.
// clang-format off
constexpr std::array<StationRecord, kStationTableRows> kStations{{
    {1, 1, "1-ETH", "40.364 -74.656", "Kingston, NJ, USA", "Device M", "", "1998-08-02 -", "was Device P to 010810"},
    {5, 33, "33", "35.989 -84.225", "USA Knoxville, TN, USA", "Device P", "", "1998-08-26 - XXXX-XX-XX", " OFF; Packets offtime"},
    {6, 34, "34-ETH", "51.752 -1.258", "Oxford, Oxfordshire, UK", "Device P", "", "1998-09-03 - 2001-11-30", "OFF; lost contact"},
    {4, 37, "37-ETH", "47.079 7.062", "Neuchatel, Switzerland", "Device M", "", "1998-08-20 -", ""},
    {2, 100, "100-ETH", "52.205 0.119", "Cambridge, Cambridgeshire, UK", "Device P", "", "1998-08-05 - 2003-06-15", ""},
    {3, 101, "101-ETH", "48.137 11.575", "Munich, Bavaria, Germany", "Device P", "", "1998-08-11 -", ""},
    {7, 102, "102-DD", "52.52 13.405", "Berlin, Berlin, Germany", "Device M", "", "1998-09-14 -", ""},
    {8, 103, "103-ETH", "59.329 18.068", "Stockholm, Stockholm County, Sweden", "Device P", "", "1998-09-22 - 2004-02-10", "OFF"},
    {9, 105, "105-ETH", "45.464 9.19", "Milan, Lombardy, Italy", "Device M", "", "1998-10-01 -", ""},
    {10, 106, "106-ETH", "-37.814 144.963", "Melbourne, Victoria, Australia", "Device P", "", "1998-10-12 -", ""},
    {11, 107, "107-ETH", "35.682 139.759", "Tokyo, Kanto, Japan", "Device M", "", "1998-10-30 - 2002-07-01", ""},
    {12, 108, "108-ETH", "42.36 -71.059", "Boston, MA, USA", "Device P", "", "1998-11-09 -", ""},
    {13, 109, "109-ETH", "47.606 -122.332", "Seattle, WA, USA", "Device P", "", "1998-12-01 -", "moved within the city 2001"},
    {14, 110, "110-ETH", "39.02 -104.75", "Black Forest, CO, USA", "Device M", "", "1999-01-05 -", ""},
    {15, 111, "111-ETH", "60.17 24.938", "Helsinki, Uusimaa, Finland", "Device P", "", "1999-01-20 -", ""},
    {16, 112, "112-ETH", "47.079 7.062", "Neuchatel, Switzerland", "Device O", "", "1999-02-03 -", "second device beside 37"},
    {17, 114, "114-ETH", "50.85 4.352", "Brussels, Brussels-Capital, Belgium", "Device P", "", "1999-03-01 -", ""},
    {18, 115, "115-ETH", "-33.925 18.424", "Cape Town, Western Cape, South Africa", "Device M", "", "1999-03-18 -", ""},
    {18, 116, "116-ETH", "30.267 -97.743", "Austin, TX, USA", "Device P", "", "1999-03-18 - 2005-09-30", "OFF"},
    {19, 118, "118-ETH", "-23.55 -46.633", "Sao Paulo, Sao Paulo, Brazil", "Device P", "", "1999-04-07 -", ""},
    {20, 119, "119-ETH", "53.349 -6.26", "Dublin, Leinster, Ireland", "Device M", "", "1999-05-28 - 2002-02-28", ""},
    {21, 134, "134-ETH", "49.283 -123.121", "Vancouver, British Columbia, Canada", "Device P", "", "1999-07-14 -", ""},
    {23, 142, "142-ETH", "55.676 12.568", "Copenhagen, Capital Region, Denmark", "Device P", "", "1999-10-04 -", ""},
    {24, 161, "161-ETH", "43.653 -79.383", "Toronto, Ontario, Canada", "Device O", "", "1999-10-21 -", ""},
    {25, 224, "224-ETH", "32.085 34.782", "Tel Aviv, Tel Aviv District, Israel", "Device P", "", "1999-11-15 -", ""},
    {26, 226, "226-ETH", "43.683 -79.767", "Brampton, Ontario, Canada", "Device O", "", "1999-12-01 - 2004-05-31", ""},
    {74, 226, "226-ETH", "44.231 -76.486", "Kingston, Ontario, Canada", "Device O, Linux", "", "2004-06-10 -", "moved from Brampton"},
    {27, 227, "227-ETH", "37.984 23.728", "Athens, Attica, Greece", "Device O", "", "2000-01-12 - 2003-03-31", "OFF"},
    {75, 227, "227", "38.246 21.735", "Patras, Western Greece, Greece", "Device O, Linux", "", "2004-07-02 -", ""},
    {28, 228, "228-ETH", "41.902 12.496", "Rome, Lazio, Italy", "Device O", "", "2000-02-08 -", ""},
    {29, 230, "230-ETH", "-34.603 -58.382", "Buenos Aires, Buenos Aires, Argentina", "Device P", "", "2000-03-03 -", ""},
    {30, 231, "231-ETH", "19.433 -99.133", "Mexico City, CDMX, Mexico", "Device O", "", "2000-03-27 -", ""},
    {31, 233, "233-ETH", "12.972 77.594", "Bangalore, Karnataka, India", "Device O", "", "2000-04-19 -", ""},
    {32, 1000, "1000-ETH", "37.774 -122.419", "San Francisco, CA, USA", "Device O", "", "2000-05-15 -", ""},
    {33, 1004, "1004-ETH", "52.37 4.895", "Amsterdam, North Holland, The Netherlands", "Device O", "", "2000-06-06 -", ""},
    {34, 1005, "1005-ETH", "48.857 2.352", "Paris, Ile-de-France, France", "Device O", "", "2000-06-28 - 2006-01-15", ""},
    {35, 1013, "1013-ETH", "-27.47 153.026", "Brisbane, Queensland, Australia", "Device O", "", "2000-07-20 -", ""},
    {36, 1021, "1021-ETH", "37.365 -121.967", "Santa Clara, CA, USA", "Device O", "", "2000-08-14 -", ""},
    {37, 1022, "1022-ETH", "45.501 -73.567", "Montreal, Quebec, Canada", "Device O", "", "2000-09-05 -", ""},
    {38, 1023, "1023-ETH", "50.088 14.42", "Prague, Bohemia, Czech Republic", "Device O", "", "2000-09-29 -", ""},
    {39, 1024, "1024-ETH", "47.498 19.04", "Budapest, Central Hungary, Hungary", "Device O", "", "2000-10-23 -", ""},
    {40, 1025, "1025-ETH", "44.426 26.102", "Bucharest, Ilfov, Romania", "Device O", "", "2000-11-16 - 2004-12-31", "OFF; lost contact"},
    {79, 1025, "1025-ETH", "46.77 23.59", "Cluj-Napoca, Transylvania, Romania", "Device O, Linux", "", "2005-01-20 -", ""},
    {41, 1026, "1026-ETH", "33.749 -84.388", "Atlanta, GA, USA", "Device O", "", "2000-12-08 -", ""},
    {42, 1027, "1027", "39.103 -84.512", "Cincinnati, Ohio, USA", "Device O", "", "2001-01-04 -", ""},
    {43, 1029, "1029-ETH", "41.385 2.173", "Barcelona, Catalonia, Spain", "Device O", "", "2001-01-29 -", ""},
    {44, 1051, "1051-ETH", "38.722 -9.139", "Lisbon, Lisbon District, Portugal", "Device O", "", "2001-02-19 -", ""},
    {45, 1063, "1063-ETH", "-41.286 174.776", "Wellington, Wellington Region, New Zealand", "Device O", "", "2001-03-12 -", ""},
    {46, 1066, "1066-ETH", "59.913 10.752", "Oslo, Oslo, Norway", "Device O", "", "2001-04-03 -", ""},
    {22, 1070, "1027-ETH", "39.202 -84.404", "Cincinnati, Ohio, USA", "Device O-Device O", "", "1999-09-28 - ", ""},
    {47, 1082, "1082-ETH", "29.76 -95.369", "Houston, TX, USA", "Device O", "", "2001-04-26 -", ""},
    {48, 1095, "1095-ETH", "1.352 103.82", "Singapore, Central Region, Singapore", "Device O", "", "2001-05-21 -", ""},
    {49, 1096, "1096-ETH", "50.45 30.523", "Kyiv, Kyiv Oblast, Ukraine", "Device O", "", "2001-06-13 - 2005-08-01", ""},
    {84, 1096, "1096-ETH", "49.839 24.029", "Lviv, Lviv Oblast, Ukraine", "Device O, Linux", "", "2005-08-15 -", "moved from Kyiv"},
    {50, 1092, "1092-ETH", "58.378 26.729", "Tartu, Tartu County, Estonia", "Device O", "", "2001-07-06 -", ""},
    {51, 1101, "1101-ETH", "52.229 21.012", "Warsaw, Masovia, Poland", "Device O", "", "2001-07-30 -", ""},
    {52, 1113, "1113-ETH", "48.208 16.373", "Vienna, Vienna, Austria", "Device O", "", "2001-08-22 -", ""},
    {53, 1223, "1223-ETH", "-33.869 151.209", "Sydney, New South Wales, Australia", "Device O", "", "2001-09-14 -", ""},
    {54, 1237, "1237-ETH", "55.75 37.617", "Moscow, Russia", "Device O", "", "2001-10-09 -", ""},
    {55, 1245, "1245-ETH", "59.939 30.316", "Saint Petersburg, Northwestern, Russia", "Device O", "", "2001-11-01 -", ""},
    {56, 1295, "1295-ETH", "21.307 -157.858", "Honolulu, HI, USA", "Device O", "", "2001-11-26 -", ""},
    {57, 2000, "2000-ETH", "43.111 -88.5", "Oconomowoc, WI, USA", "Device O", "", "2001-12-18 -", ""},
    {58, 2001, "2001-ETH", "44.977 -93.265", "Minneapolis, MN, USA", "Device O", "", "2002-01-14 -", ""},
    {59, 2002, "2002-ETH", "39.739 -104.99", "Denver, CO, USA", "Device O", "", "2002-02-06 -", ""},
    {60, 2006, "2006-ETH", "31.768 35.214", "Jerusalem, Jerusalem District, Israel", "Device O", "", "2002-03-01 - 2004-10-31", "OFF"},
    {77, 2006, "2006-ETH", "32.794 34.989", "Haifa, Haifa District, Israel", "Device O, Linux", "", "2004-11-20 -", ""},
    {61, 2007, "2007-ETH", "36.162 -86.781", "Nashville, TN, USA", "Device O", "", "2002-03-25 -", ""},
    {62, 2008, "2008-ETH", "53.48 -2.242", "Manchester, Greater Manchester, UK", "Device O", "", "2002-04-17 -", ""},
    {63, 2009, "2009-ETH", "55.953 -3.188", "Edinburgh, Scotland, UK", "Device O", "", "2002-05-10 -", ""},
    {64, 2013, "2013-ETH", "45.815 15.982", "Zagreb, City of Zagreb, Croatia", "Device O", "", "2002-06-03 -", ""},
    {66, 2024, "2024-ETH", "-22.907 -43.173", "Rio de Janeiro, Rio de Janeiro, Brazil", "Device O", "", "2002-07-19 -", ""},
    {65, 2023, "2023-ETH", "4.711 -74.072", "Bogota, Cundinamarca, Colombia", "Device O", "", "2002-06-26 -", ""},
    {65, 2022, "2022-ETH", "-12.046 -77.043", "Lima, Lima Province, Peru", "Device O", "", "2002-06-26 -", ""},
    {67, 2026, "2026-ETH", "50.938 6.96", "Cologne, North Rhine-Westphalia, Germany", "Device O", "", "2002-08-12 - 2005-03-01", ""},
    {82, 2026, "2026", "51.227 6.773", "Dusseldorf, North Rhine-Westphalia, Germany", "Device O, Linux", "", "2005-03-01 -", ""},
    {68, 2027, "2027-PPP", "53.551 9.993", "Hamburg, Hamburg, Germany", "Device O", "", "2002-09-04 -", ""},
    {69, 2028, "2028-ETH", "52.09 5.18", "Soest, The Netherlands", "Device O", "", "2002-09-27 -", ""},
    {70, 2040, "2040-ETH", "43.615 -116.202", "Boise, ID, USA", "Device O", "", "2002-10-21 -", ""},
    {71, 2041, "2041-ETH", "35.085 -106.605", "Albuquerque, NM, USA", "Device O", "", "2002-11-13 -", ""},
    {72, 2042, "2042-ETH", "64.147 -21.942", "Reykjavik, Capital Region, Iceland", "Device O", "", "2002-12-06 -", ""},
    {72, 2043, "2043-ETH", "57.708 11.974", "Gothenburg, Vastra Gotaland, Sweden", "Device O", "", "2002-12-06 -", ""},
    {73, 2044, "2044-ETH", "46.204 6.143", "Geneva, Geneva, Switzerland", "Device O", "", "2003-01-08 -", ""},
    {76, 2045, "2045-ETH", "43.296 5.37", "Marseille, Provence, France", "Device O", "", "2003-02-24 -", ""},
    {78, 2046, "2046-ETH", "-36.848 174.763", "Auckland, North Island, New Zealand", "Device O", "", "2003-03-19 - 2006-05-30", ""},
    {92, 2046, "2046-ETH", "-43.532 172.637", "Christchurch, South Island, New Zealand", "Device O, Linux", "", "2006-06-12 -", ""},
    {80, 2047, "2047-ETH", "34.052 -118.244", "Los Angeles, CA, USA", "Device O", "", "2003-04-14 -", ""},
    {81, 2049, "2049-ETH", "38.316 26.635", "Izmir, Turkey", "Device O", "", "2003-05-07 -", ""},
    {83, 2052, "2052-ETH", "41.879 -87.636", "Chicago, IL, USA", "Device O", "", "2003-06-23 -", ""},
    {85, 2060, "2060-ETH", "45.523 -122.676", "Portland, OR, USA", "Device O", "", "2003-08-11 -", ""},
    {86, 2061, "2061-ETH", "36.175 -115.137", "Las Vegas, NV, USA", "Device O", "", "2003-09-03 -", ""},
    {87, 2062, "2062-ETH", "14.599 120.984", "Manila, Metro Manila, Philippines", "Device O", "", "2003-09-26 -", ""},
    {88, 2064, "2064-ETH", "-1.292 36.822", "Nairobi, Nairobi County, Kenya", "Device O", "", "2003-10-20 - 2007-02-14", "OFF; lost contact"},
    {89, 2069, "2069-ETH", "3.139 101.687", "Kuala Lumpur, Federal Territory, Malaysia", "Device O", "", "2003-11-12 -", ""},
    {90, 2070, "2070-ETH", "13.756 100.502", "Bangkok, Central Thailand, Thailand", "Device O", "", "2003-12-05 -", ""},
    {91, 2073, "2073-ETH", "30.044 31.236", "Cairo, Cairo Governorate, Egypt", "Device O", "", "2003-12-29 -", ""},
    {93, 2080, "2080-ETH", "-33.485 -70.518", "Santiago, Chile", "Device O, Linux", "", "2006-07-21 -", ""},
    {94, 2083, "2083-ETH", "25.078 121.544", "Hsin Chu City, Taiwan", "Device O, Linux", "", "2006-08-13 -", ""},
    {95, 2084, "2084-ETH", "22.319 114.169", "Hong Kong, Kowloon, China", "Device O, Linux", "", "2006-09-08 -", ""},
    {96, 2088, "2088-ETH", "39.904 116.407", "Beijing, Beijing, China", "Device O, Linux", "", "2006-10-31 -", ""},
    {97, 2091, "2091-ETH", "35.18 129.076", "Busan, South Gyeongsang, South Korea", "Device O, Linux", "", "2006-11-23 -", ""},
    {98, 2093, "2093-ETH", "34.693 135.502", "Osaka, Kansai, Japan", "Device O, Linux", "", "2007-01-16 -", ""},
    {99, 2094, "2094-ETH", "43.062 141.354", "Sapporo, Hokkaido, Japan", "Device O, Linux", "", "2007-02-08 -", ""},
    {100, 2097, "2097-ETH", "28.614 77.209", "New Delhi, Delhi, India", "Device O, Linux", "", "2007-03-05 - 2009-11-30", "OFF"},
    {101, 2120, "2120-ETH", "19.076 72.878", "Mumbai, Maharashtra, India", "Device O, Linux", "", "2007-04-18 -", ""},
    {102, 2165, "2165-ETH", "-6.208 106.846", "Jakarta, Java, Indonesia", "Device O, Linux", "", "2007-06-02 -", ""},
    {103, 2173, "2173-ETH", "-34.929 138.601", "Adelaide, South Australia, Australia", "Device O, Linux", "", "2007-07-11 -", ""},
    {104, 2178, "2178-ETH", "37.187 -122.121", "Boulder Creek, CA, USA", "Device O, Linux", "", "2007-08-20 -", ""},
    {105, 2201, "2201-ETH", "32.716 -117.161", "San Diego, CA, USA", "Device O, Linux", "", "2007-10-01 -", ""},
    {105, 2202, "2202-ETH", "33.448 -112.074", "Phoenix, AZ, USA", "Device O, Linux", "", "2007-10-01 -", ""},
    {106, 2220, "2220-ETH", "41.386 -83.326", "Gibsonburg, Ohio, USA", "Device O, Linux", "", "2007-11-14 -", ""},
    {107, 2221, "2221-ETH", "42.331 -83.046", "Detroit, MI, USA", "Device O, Linux", "", "2007-12-27 -", ""},
    {108, 2222, "2222-ETH", "40.441 -79.996", "Pittsburgh, PA, USA", "Device O, Linux", "", "2008-02-05 -", ""},
    {109, 2225, "2225-ETH", "35.227 -80.843", "Charlotte, NC, USA", "Device O, Linux", "", "2008-03-17 -", ""},
    {110, 2231, "2231-ETH", "25.762 -80.192", "Miami, FL, USA", "Device O, Linux", "", "2008-04-28 -", ""},
    {111, 2232, "2232-ETH", "-31.921 115.892", "Perth, Western Australia", "Device O, Linux", "", "2008-06-09 -", ""},
    {112, 2235, "2235-ETH", "", "Ljubljana, Central Slovenia, Slovenia", "Device O, Linux", "", "2008-07-21 -", "position not reported"},
    {113, 2236, "2236-ETH", "46.948 7.447", "Bern, Bern, Switzerland", "Device O, Linux", "", "2008-09-01 -", ""},
    {114, 2239, "2239-ETH", "54.687 25.28", "Vilnius, Vilnius County, Lithuania", "Device O, Linux", "", "2008-10-13 -", ""},
    {115, 2240, "2240-ETH", "56.949 24.105", "Riga, Riga Region, Latvia", "Device O, Linux", "", "2008-11-24 -", ""},
    {116, 2241, "2241-ETH", "42.698 23.322", "Sofia, Sofia City, Bulgaria", "Device O, Linux", "", "2009-01-12 -", ""},
    {117, 2242, "2242-ETH", "44.787 20.457", "Belgrade, Central Serbia, Serbia", "Device O, Linux", "", "2009-03-02 -", ""},
    {118, 2243, "2243-ETH", "-25.746 28.188", "Pretoria, Gauteng, South Africa", "Device O, Linux", "", "2009-05-18 -", ""},
    {120, 2247, "2247-ETH", "-18.142 178.441", "Suva, Central Division, Fiji", "Device A, Linux", "", "2009-09-14 -", ""},
    {121, 2248, "2248-ETH", "61.218 -149.9", "Anchorage, AK, USA", "Device A, Linux", "", "2009-11-02 -", ""},
    {122, 2249, "2249-ETH", "47.567 -52.712", "St. John's, Newfoundland, Canada", "Device A, Linux", "", "2010-01-11 -", ""},
    {123, 2250, "2250-ETH", "51.045 -114.057", "Calgary, Alberta, Canada", "Device A, Linux", "", "2010-03-08 -", ""},
    {124, 3005, "3005-ETH", "45.76 4.835", "Lyon, Auvergne-Rhone-Alpes, France", "Device A, Linux", "", "2010-05-17 -", ""},
    {125, 3023, "3023-ETH", "37.389 -5.984", "Seville, Andalusia, Spain", "Device A, Linux", "", "2010-07-26 -", ""},
    {126, 3043, "3043-ETH", "40.852 14.268", "Naples, Campania, Italy", "Device A 1, Linux", "", "2010-10-04 -", ""},
    {127, 3045, "3045-ETH", "43.769 11.256", "Florence, Tuscany, Italy", "Device A 1, Linux", "", "2010-12-13 - 2012-06-30", ""},
    {133, 3045, "3045-ETH", "44.494 11.343", "Bologna, Emilia-Romagna, Italy", "Device A 1, Linux", "", "2012-07-15 -", "moved from Florence"},
    {128, 3066, "3066-ETH", "40.495 -3.621", "Madrid, Spain  Device T, was", "Device A 1, Linux", "", "2011-02-21 -", ""},
    {129, 3101, "3101-ETH", "37.192 -122.119", "Boulder Creek, CA, USA", "Device A 1, Linux", "", "2011-05-02 -", ""},
    {130, 3103, "3103-ETH", "49.895 -97.138", "Winnipeg, Manitoba, Canada", "Device A 1, Linux", "", "2011-07-11 -", ""},
    {131, 3104, "3104-ETH", "50.5 0.1", "Lewes, East Susses, UK", "Device A 1, Linux", "", "2011-09-19 -", ""},
    {132, 3106, "3106-ETH", "52.091 111.446", "Coronation, Alberta, CA", "Device A 1, Linux", "", "2011-11-28 -", ""},
    {140, 3107, "3107-ETH", "", "Peria, North Island, New Zealand", "Device A, Linux", "", "2014-05-? nominal -", ""},
    {134, 3115, "3115-ETH", "-15.794 -47.882", "Brasilia, Federal District, Brazil", "Device A 1, Linux", "", "2012-09-24 -", ""},
    {135, 3142, "3142-ETH", "-0.18 -78.467", "Quito, Pichincha, Ecuador", "Device A 1, Linux", "", "2012-12-03 -", ""},
    {136, 3240, "3240-ETH", "18.466 -66.106", "San Juan, Puerto Rico, USA", "Device A 1, Linux", "", "2013-02-11 -", ""},
    {137, 3247, "3247-ETH", "35.951 -94.1", "West Fork, AR, USA", "Device A 1, Linux", "", "2013-04-22 -", ""},
    {138, 4002, "4002-ETH", "-4.441 15.266", "Kinshasa, Kinshasa, DR Congo", "Device A 1, Linux", "", "2013-07-01 - 2014-01-31", "OFF; lost contact"},
    {139, 4101, "4101-ETH", "6.524 3.379", "Lagos, Lagos State, Nigeria", "Device A 1, Linux", "", "2013-09-09 -", ""},
    {141, 4234, "4234-ETH", "37.567 126.978", "Seoul, Korea", "Device A 1, Linux", "", "2014-06-16 -", ""},
    {119, 4251, "4251-ETH", "10.304 -61.446", "Marabella, Trinidad and Tobago", "Device O, Linux", "", "2009-07-28 -", "Change to Device T Feb 15 2015"},
}};
// clang-format on

// Registered unknown ids of a store; the count is clamped so that a damaged
// count can never index past the slots.
int UnknownCount(const SampleStore& store) {
  return std::clamp(store.unknownCount, int32_t{0}, int32_t{kMaxUnknownStations});
}

int FindTableRow(uint32_t id) {
  for (int row = 0; row < kStationTableRows; ++row) {
    if (static_cast<uint32_t>(kStations[size_t(row)].id) == id) {
      return row;
    }
  }
  return -1;
}

int FindUnknownSlot(const SampleStore& store, uint32_t id) {
  const int count = UnknownCount(store);
  for (int slot = 0; slot < count; ++slot) {
    if (store.unknownIds[size_t(slot)] == id) {
      return slot;
    }
  }
  return -1;
}

std::string UnknownText(uint32_t id) {
  char text[32];
  std::snprintf(text, sizeof text, "%u - Unknown", id);
  return text;
}

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

}  // namespace

std::span<const StationRecord> StationTable() {
  return kStations;
}

int FindStationRow(const SampleStore& store, uint32_t id) {
  const int row = FindTableRow(id);
  if (row >= 0) {
    return row;
  }
  const int slot = FindUnknownSlot(store, id);
  return slot >= 0 ? kStationTableRows + slot : -1;
}

const StationRecord* FindStationRecord(uint32_t id) {
  const int row = FindTableRow(id);
  return row >= 0 ? &kStations[size_t(row)] : nullptr;
}

std::string StationListText(const SampleStore& store, uint32_t id) {
  if (const StationRecord* record = FindStationRecord(id)) {
    return std::to_string(id) + " - " + record->location;
  }
  return FindUnknownSlot(store, id) >= 0 ? UnknownText(id) : std::string();
}

void RegisterStation(SampleStore& store, uint32_t id) {
  if (FindTableRow(id) >= 0 || FindUnknownSlot(store, id) >= 0) {
    return;
  }
  const int count = UnknownCount(store);
  if (count >= kMaxUnknownStations) {
    return;
  }
  store.unknownIds[size_t(count)] = id;
  store.unknownCount = count + 1;
  if (store.onUnknownStation) {
    store.onUnknownStation(id, UnknownText(id));
  }
}

int32_t ParseLongitudeKey(const char* coordinates) {
  if (coordinates == nullptr) {
    return 0;
  }
  // The longitude is the second word; without one there is nothing to read.
  const char* p = coordinates;
  bool seenWord = false;
  for (; *p != '\0'; ++p) {
    if (*p == ' ') {
      if (seenWord) {
        break;
      }
    } else {
      seenWord = true;
    }
  }
  if (*p == '\0') {
    return 0;
  }

  int32_t sign = 1;
  int32_t whole = 0;
  int32_t fraction = 0;
  int fractionDigits = 0;
  bool inFraction = false;
  for (; *p != '\0'; ++p) {
    const char c = *p;
    if (c == ' ') {
      if (whole != 0 || fraction != 0) {
        break;
      }
    } else if (c == '-') {
      sign = -1;
    } else if (c == '.') {
      inFraction = true;
      fractionDigits = 0;
    } else if (IsDigit(c)) {
      const int32_t digit = c - '0';
      if (inFraction) {
        fraction = fraction * 10 + digit;
        // A second "." restarts the digit count but not the value, so the
        // value is bounded as well to keep odd texts from overflowing.
        if (++fractionDigits >= 3 || fraction >= 1000) {
          break;
        }
      } else {
        whole = whole * 10 + digit;
        if (whole >= 1000) {
          break;
        }
      }
    }
  }
  if (fractionDigits == 1) {
    fraction *= 100;
  } else if (fractionDigits == 2) {
    fraction *= 10;
  }
  return (whole * 1000 + fraction) * sign;
}

int32_t LongitudeKey(const SampleStore& /*store*/, uint32_t id) {
  // Unknown ids, registered or not, have no coordinates: they sort last.
  const StationRecord* record = FindStationRecord(id);
  return record != nullptr ? ParseLongitudeKey(record->coordinates) : kUnknownLongitudeKey;
}

}  // namespace tessaly
