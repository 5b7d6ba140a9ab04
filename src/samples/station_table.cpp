#include "samples/station_table.h"

#include <cstdio>

#include "samples/sample_store.h"

namespace tessaly {
namespace {

// Interim table: the pseudorandom source's stations; the full network table replaces it.
const StationRecord kRows[] = {
    {1, 1, "1-ETH", "40.364 -74.656", "Kingston, NJ, USA", "Device M", "", "1998-08-02 -", ""},
    {3, 37, "37-ETH", "47.079 7.062", "Neuchatel, Switzerland", "Device O", "", "", ""},
    {4, 110, "110-ETH", "39.02 -104.75", "Black Forest, CO, USA", "Device O", "", "", ""},
    {4, 112, "112-ETH", "47.079 7.062", "Neuchatel, Switzerland", "Device O", "", "", ""},
    {6, 226, "226-ETH", "43.683 -79.767", "Brampton, Ontario, Canada", "Device O", "", "", ""},
    {9, 1021, "1021-ETH", "37.365 -121.967", "Santa Clara, CA, USA", "Device O", "", "", ""},
    {22, 1070, "1027-ETH", "39.202 -84.404", "Cincinnati, Ohio, USA", "Device O-Device O", "",
     "1999-09-28 - ", ""},
    {30, 1237, "1237-ETH", "55.75 37.617", "Moscow, Russia", "Device O", "", "", ""},
    {40, 2000, "2000-ETH", "43.111 -88.5", "Oconomowoc, WI, USA", "Device O", "", "", ""},
    {45, 2028, "2028-ETH", "52.09 5.18", "Soest, The Netherlands", "Device O", "", "", ""},
    {50, 2049, "2049-ETH", "38.316 26.635", "Izmir, Turkey", "Device O", "", "", ""},
    {55, 2080, "2080-ETH", "-33.485 -70.518", "Santiago, Chile", "Device O", "", "", ""},
    {55, 2083, "2083-ETH", "25.078 121.544", "Hsin Chu City, Taiwan", "Device O", "", "", ""},
    {60, 2178, "2178-ETH", "37.187 -122.121", "Boulder Creek, CA, USA", "Device O", "", "", ""},
    {65, 2220, "2220-ETH", "41.386 -83.326", "Gibsonburg, Ohio, USA", "Device O", "", "", ""},
    {66, 2232, "2232-ETH", "-31.921 115.892", "Perth, Western Australia", "Device O", "", "", ""},
    {80, 3066, "3066-ETH", "40.495 -3.621", "Madrid, Spain  Device T, was", "Device T", "", "", ""},
    {81, 3101, "3101-ETH", "37.192 -122.119", "Boulder Creek, CA, USA", "Device O", "", "", ""},
    {82, 3104, "3104-ETH", "50.5 0.1", "Lewes, East Susses, UK", "Device O", "", "", ""},
    {83, 3106, "3106-ETH", "52.091 111.446", "Coronation, Alberta, CA", "Device O", "", "", ""},
    {90, 3247, "3247-ETH", "35.951 -94.1", "West Fork, AR, USA", "Device O", "", "", ""},
    {100, 4234, "4234-ETH", "37.567 126.978", "Seoul, Korea", "Device O", "", "", ""},
};

int UnknownSlot(const SampleStore& store, uint32_t id) {
  for (int i = 0; i < store.unknownCount && i < kMaxUnknownStations; ++i) {
    if (store.unknownIds[size_t(i)] == id) {
      return i;
    }
  }
  return -1;
}

std::string UnknownText(uint32_t id) {
  char text[32];
  std::snprintf(text, sizeof text, "%d - Unknown", int(id));
  return text;
}

}  // namespace

std::span<const StationRecord> StationTable() {
  return kRows;
}

const StationRecord* FindStationRecord(uint32_t id) {
  for (const StationRecord& row : StationTable()) {
    if (uint32_t(row.id) == id) {
      return &row;
    }
  }
  return nullptr;
}

int FindStationRow(const SampleStore& store, uint32_t id) {
  const auto table = StationTable();
  for (size_t i = 0; i < table.size(); ++i) {
    if (uint32_t(table[i].id) == id) {
      return int(i);
    }
  }
  const int slot = UnknownSlot(store, id);
  return slot >= 0 ? int(table.size()) + slot : -1;
}

std::string StationListText(const SampleStore&, uint32_t id) {
  if (const StationRecord* row = FindStationRecord(id)) {
    return std::to_string(row->id) + " - " + row->location;
  }
  return UnknownText(id);
}

void RegisterStation(SampleStore& store, uint32_t id) {
  if (FindStationRecord(id) != nullptr || UnknownSlot(store, id) >= 0 ||
      store.unknownCount >= kMaxUnknownStations) {
    return;
  }
  store.unknownIds[size_t(store.unknownCount++)] = id;
  if (store.onUnknownStation) {
    store.onUnknownStation(id, UnknownText(id));
  }
}

int32_t ParseLongitudeKey(const char* text) {
  if (text == nullptr) {
    return 0;
  }
  // Skip the latitude: to the first space after a non-space character.
  const char* p = text;
  bool seenNonSpace = false;
  while (*p != '\0' && !(seenNonSpace && *p == ' ')) {
    seenNonSpace = seenNonSpace || *p != ' ';
    ++p;
  }
  if (*p == '\0') {
    return 0;
  }
  int32_t sign = 1;
  int32_t whole = 0;
  int32_t fraction = 0;
  int fractionDigits = 0;
  bool inFraction = false;
  bool gathered = false;
  for (; *p != '\0'; ++p) {
    const char c = *p;
    if (c == ' ') {
      if (gathered) {
        break;
      }
    } else if (c == '-') {
      sign = -1;
    } else if (c == '.') {
      inFraction = true;
      fractionDigits = 0;
    } else if (c >= '0' && c <= '9') {
      const int digit = c - '0';
      gathered = gathered || digit != 0;
      if (inFraction) {
        fraction = fraction * 10 + digit;
        if (++fractionDigits == 3) {
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

int32_t LongitudeKey(const SampleStore&, uint32_t id) {
  const StationRecord* row = FindStationRecord(id);
  return row ? ParseLongitudeKey(row->coordinates) : kUnknownLongitudeKey;
}

}  // namespace tessaly
