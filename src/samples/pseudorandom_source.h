#pragma once

#include <array>
#include <cstdint>

#include "samples/sample_block.h"

namespace tessaly {

// The stations the pseudorandom source reports, in column order.
inline constexpr std::array<uint32_t, 22> kPseudorandomStations = {
    1,    37,   110,  112,  226,  1021, 1070, 1237, 2000, 2028, 2049,
    2080, 2083, 2178, 2220, 2232, 3066, 3101, 3104, 3106, 3247, 4234};

// The classic rand()/srand() linear congruential generator: 15-bit draws.
class RandGenerator {
 public:
  explicit RandGenerator(uint32_t seed = 1) : state_(seed) {}
  void Seed(uint32_t seed) { state_ = seed; }
  int Next() {
    state_ = state_ * 214013u + 2531011u;
    return int((state_ >> 16) & 0x7fff);
  }

 private:
  uint32_t state_;
};

// One sample: the one-bits among 200 pseudorandom bits (14 draws), at most 199.
int PseudorandomSample(RandGenerator& rng);

// Fills a block created by CreateBlocks with pseudorandom samples of the 22
// stations, seeded with the low 32 bits of now. Returns false when out of memory.
bool GeneratePseudorandomBlock(SampleBlock& block, int64_t now);
// The same with a seed of the caller's (the statistics seed each block with its
// own first second, so a stretch never repeats a block).
bool GeneratePseudorandomBlock(SampleBlock& block, int64_t now, uint32_t seed);

}  // namespace tessaly
