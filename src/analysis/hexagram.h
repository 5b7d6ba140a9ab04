#pragma once

#include <cstdint>
#include <string>

namespace tessaly {

class CHistogram;
class SampleStore;

// Casting methods (the "HexagramMethod" choices) and name languages ("HexagramLanguage").
enum HexagramMethod : int { kHexagramSticks = 0, kHexagramCoin = 1, kHexagramCard = 2 };
enum HexagramLanguage : int {
  kHexagramChinese = 0,
  kHexagramEnglish = 1,
  kHexagramRussian = 2,
};

// Seconds of samples one hexagram is cast from: three per line.
inline constexpr int kHexagramSeconds = 18;

// Each casts a hexagram from the station's samples at position .. position + 17
// and returns its number 1..64, writing the six line values (6..9, bottom first)
// into histogram.hexagramLines; 0 when a second lies in no block, leaving the
// lines as they were. A station missing from a block reads as -1 there.
int HexagramBySticks(CHistogram& histogram, const SampleStore& store, uint32_t stationId,
                     int64_t position);
int HexagramByCoins(CHistogram& histogram, const SampleStore& store, uint32_t stationId,
                    int64_t position);
int HexagramByCards(CHistogram& histogram, const SampleStore& store, uint32_t stationId,
                    int64_t position);

// Casts with the given method; any value other than Coin or Card casts by Sticks.
int CastHexagram(int method, CHistogram& histogram, const SampleStore& store, uint32_t stationId,
                 int64_t position);

// King Wen number of the trigram codes (0..7 each, bit i = line i is yang); 0 outside.
int HexagramNumber(int lower, int upper);

// "number. name" in the language (unknown languages show Chinese); "" when the
// number is not 1..64.
std::string HexagramName(int number, int language);

}  // namespace tessaly
