#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace tessaly {

class SampleStore;

// One known station of the network.
struct StationRecord {
  int32_t sequence;
  int32_t id;
  const char* name;
  const char* coordinates;  // "lat lon" in decimal degrees, south/west negative; may be empty
  const char* location;
  const char* device;
  const char* persons;
  const char* dates;
  const char* notes;
};

inline constexpr int kStationTableRows = 145;
inline constexpr int32_t kUnknownLongitudeKey = 360000;

// The 145 known stations in their fixed order (ids may repeat; lookups take the first).
std::span<const StationRecord> StationTable();

// Index of the first table row with the id; else 145 + its slot among the
// store's unknown ids; else -1. This is also its position in the station lists.
int FindStationRow(const SampleStore& store, uint32_t id);

// First table row with the id, or null.
const StationRecord* FindStationRecord(uint32_t id);

// The text of a station list entry: "1 - Kingston, NJ, USA" or "%d - Unknown".
std::string StationListText(const SampleStore& store, uint32_t id);

// Registers an id a server reply brought: when it is neither a table id nor
// registered yet and fewer than 100 are registered, it is appended and the
// store's onUnknownStation hook is told with its "%d - Unknown" text.
void RegisterStation(SampleStore& store, uint32_t id);

// Longitude in thousandths of a degree parsed from a coordinates text.
int32_t ParseLongitudeKey(const char* coordinates);

// The ordering key of a station for "Longitude": table row first, then the
// store's unknown ids (both get kUnknownLongitudeKey when unknown or unregistered).
int32_t LongitudeKey(const SampleStore& store, uint32_t id);

}  // namespace tessaly
