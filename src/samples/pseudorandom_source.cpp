#include "samples/pseudorandom_source.h"

#include <new>

namespace tessaly {

int PseudorandomSample(RandGenerator& rng) {
  int count = 0;
  for (int i = 0; i < 14; ++i) {
    const int mask = (i % 2 == 0) ? 0x2AAA : 0x5555;
    const int w = rng.Next() ^ mask;
    const int bits = (i == 13) ? 5 : 15;
    for (int b = 0; b < bits; ++b) {
      count += (w >> b) & 1;
    }
  }
  return count == 200 ? 199 : count;
}

bool GeneratePseudorandomBlock(SampleBlock& block, int64_t now) {
  // Two blocks made within the same second repeat the same samples.
  return GeneratePseudorandomBlock(block, now, static_cast<uint32_t>(static_cast<uint64_t>(now)));
}

bool GeneratePseudorandomBlock(SampleBlock& block, int64_t now, uint32_t seed) {
  // A pseudorandom block never downloads.
  block.downloadBuffer.clear();
  block.downloadBuffer.shrink_to_fit();
  block.downloadSize = 0;

  block.dataStart = block.requestStart;
  block.dataEnd = block.requestEnd;
  block.fetchTime = now;
  block.serverTime = now;

  block.stationIds.fill(0);
  for (size_t k = 0; k < kPseudorandomStations.size(); ++k) {
    block.stationIds[k] = kPseudorandomStations[k];
  }
  block.stationCount = int32_t(kPseudorandomStations.size());
  block.secondCount = int32_t(block.requestEnd - block.requestStart + 1);
  block.rowsFilled = block.secondCount;
  if (block.secondCount < 1) {
    return false;
  }

  try {
    block.values.assign(size_t(block.stationCount) * size_t(block.secondCount), 0);
  } catch (const std::bad_alloc&) {
    return false;
  }

  RandGenerator rng{seed};
  const size_t stride = size_t(block.secondCount);
  for (size_t j = 0; j < stride; ++j) {
    for (size_t k = 0; k < size_t(block.stationCount); ++k) {
      block.values[k * stride + j] = uint16_t(PseudorandomSample(rng));
    }
  }
  return true;
}

}  // namespace tessaly
