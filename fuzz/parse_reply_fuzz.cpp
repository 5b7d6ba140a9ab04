// libFuzzer target: ParseReply and the trim on any byte sequence. The buffer
// holds exactly the input (no terminating NUL), so AddressSanitizer reports
// any read past the received bytes.
#include <algorithm>
#include <climits>
#include <cstddef>
#include <cstdint>

#include "samples/server_source.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tessaly;
  SampleBlock block;
  block.downloadBuffer.assign(data, data + size);
  block.downloadSize = int32_t(std::min<size_t>(size, INT32_MAX));
  const int rows = ParseReply(block);
  if (rows > 0) {
    // What the rest of the program relies on for a usable reply.
    const bool sound =
        rows <= block.secondCount && block.secondCount >= 1 &&
        block.secondCount <= kMaxReplySeconds && block.stationCount >= 0 &&
        block.stationCount <= kMaxStations &&
        block.dataEnd - block.dataStart + 1 == block.secondCount &&
        block.values.size() == size_t(block.stationCount) * size_t(block.secondCount);
    if (!sound) {
      __builtin_trap();
    }
    TrimRecentSeconds(block);
    if (block.dataEnd < block.dataStart || block.dataEnd - block.dataStart >= block.secondCount) {
      __builtin_trap();
    }
  }
  return 0;
}
