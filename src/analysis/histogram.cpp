#include "analysis/histogram.h"

#include <algorithm>
#include <cstdint>
#include <limits>

#include "samples/sample_store.h"

namespace tessaly {

namespace {

// Adds the samples of column k of block b for seconds t .. last (all inside the
// block's data) into bins; the weight of window index j is base + step * j.
// This is the hot path of graph painting: one pointer walk, no lookups.
void CountRun(const SampleBlock& b, int k, int64_t t, int64_t last, int64_t j, int64_t base,
              int64_t step, std::array<uint32_t, kBinCount>& bins, int32_t& sampleCount) {
  const uint16_t* p = b.values.data() + size_t(k) * size_t(b.secondCount) + size_t(t - b.dataStart);
  const uint16_t* const stop = p + (last - t + 1);
  int32_t counted = 0;
  if (step == 0) {  // every caller but the audio engine
    for (; p != stop; ++p) {
      const int v = static_cast<int16_t>(*p);
      if (unsigned(v - 1) < unsigned(kBinCount - 1)) {  // 1..199
        bins[size_t(v)] += static_cast<uint32_t>(base);
        ++counted;
      }
    }
  } else {
    int64_t weight = base + step * j;
    for (; p != stop; ++p, weight += step) {
      const int v = static_cast<int16_t>(*p);
      if (unsigned(v - 1) < unsigned(kBinCount - 1)) {
        bins[size_t(v)] += static_cast<uint32_t>(weight);
        ++counted;
      }
    }
  }
  sampleCount += counted;
}

// Column k of b can be read when the block's samples hold that row in full.
bool Readable(const SampleBlock& b, int k) {
  return k >= 0 && b.secondCount > 0 && b.values.size() >= (size_t(k) + 1) * size_t(b.secondCount);
}

// How many of the Count entries from p are not 0.
template <size_t Count>
int32_t NonZero(const uint32_t* p) {
  int32_t count = 0;
  for (size_t i = 0; i < Count; ++i) {
    count += p[i] != 0;
  }
  return count;
}

}  // namespace

int32_t CHistogram::Compute(const SampleStore& store, uint32_t id, int64_t start, int32_t n,
                            int weighting) {
  stationId = static_cast<int32_t>(id);
  bins.fill(0);
  sampleCount = 0;
  if (n < 1) {
    return -1;
  }
  if (start > std::numeric_limits<int64_t>::max() - (n - 1)) {
    return -2;  // no store reaches past the end of time
  }
  const int64_t end = start + int64_t(n) - 1;

  // Weight of window index j: 1, j + 1 (newest weighs n) or n - j (oldest weighs n).
  int64_t base = 1, step = 0;
  if (weighting == kWeightFadeOut) {
    step = 1;
  } else if (weighting == kWeightFadeIn) {
    base = n;
    step = -1;
  }

  // The shared lock keeps every block of the list alive and unchanged while we read.
  return store.Read([&](const BlockList& list) -> int32_t {
    const int first = FindRangeIn(list, start, end);
    if (first < 0) {
      return -2;
    }
    const SampleBlock* b = list[size_t(first)].get();
    int k = b->FindColumn(id);
    if (k < 0) {
      return -3;
    }

    int64_t t = start;
    for (;;) {
      // The seconds of the window this block holds; only its own columns are read.
      const int64_t blockLast = std::min(end, b->dataEnd);
      const int64_t readFirst = std::max(t, b->dataStart);
      const int64_t readLast = std::min(blockLast, b->dataStart + int64_t(b->secondCount) - 1);
      if (readFirst <= readLast && Readable(*b, k)) {
        CountRun(*b, k, readFirst, readLast, readFirst - start, base, step, bins, sampleCount);
      }
      if (blockLast >= end) {
        return n;
      }
      // Continue in the block that holds the next second. The list's next block
      // may be a short one lying inside this block's neighbour, so look it up.
      t = std::max(blockLast, t) + 1;
      b = FindBlockIn(list, t, true);
      if (b == nullptr) {
        return -4;
      }
      k = b->FindColumn(id);
    }
  });
}

uint32_t CHistogram::Colour(int32_t n) const {
  if (n < 1) {
    return 0;
  }
  // Values far from 100 add a flat 100 each, however often they occur. The
  // counts run over 88 bins each (a whole number of vector lanes) plus the rest.
  int32_t lowValues = NonZero<88>(&bins[0]) + (bins[88] != 0) + (bins[89] != 0);
  int32_t highValues = NonZero<88>(&bins[110]) + (bins[198] != 0);
  int64_t r = 100 * int64_t(lowValues), g = 0, b = 100 * int64_t(highValues);
  for (int i = 90; i < 100; ++i) {
    const int64_t c = bins[size_t(i)];
    r += c * (10000 - 100 * i) / 10;
    g += c * (100 * i - 9000) / 10;
  }
  for (int i = 100; i < 110; ++i) {
    const int64_t c = bins[size_t(i)];
    g += c * (11000 - 100 * i) / 10;
    b += c * (100 * i - 10000) / 10;
  }
  const auto channel = [n](int64_t x) { return uint32_t(std::min<int64_t>(4 * x / n, 255)); };
  return channel(b) << 16 | channel(g) << 8 | channel(r);
}

int CHistogram::MedianBin() const {
  uint64_t total = 0;
  for (uint32_t c : bins) {
    total += c;
  }
  if (total == 0) {
    return 0;
  }
  uint64_t sum = 0;
  for (int m = 0; m < kBinCount; ++m) {
    sum += bins[size_t(m)];
    if (2 * sum >= total) {
      return m;
    }
  }
  return kBinCount - 1;
}

std::array<int32_t, kBinCount> CHistogram::Smoothed(int p) const {
  std::array<int64_t, kBinCount> a{};
  for (size_t i = 0; i < a.size(); ++i) {
    a[i] = 10 * int64_t(bins[i]);
  }
  // Once a pass changes nothing every later pass is the same, so a huge count
  // from a hand-edited settings file costs no more than the passes that matter.
  for (int pass = 0; pass < p; ++pass) {
    bool changed = false;
    for (size_t i = 0; i + 1 < a.size(); ++i) {
      const int64_t v = (a[i] + a[i + 1]) / 2;
      changed |= v != a[i];
      a[i] = v;
    }
    if (!changed) {
      break;
    }
  }
  std::array<int32_t, kBinCount> out{};
  for (size_t i = 0; i < a.size(); ++i) {
    out[i] = int32_t(std::min<int64_t>(a[i], std::numeric_limits<int32_t>::max()));
  }
  return out;
}

}  // namespace tessaly
