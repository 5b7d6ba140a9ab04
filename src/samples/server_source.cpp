#include "samples/server_source.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <new>
#include <optional>

#include "samples/station_table.h"
#include "samples/utc_time.h"

namespace tessaly {
namespace {

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// The run of digits at p, accumulated in 64 bits (wrapping, never undefined);
// p is left after the run.
uint64_t ReadDigits(const char*& p, const char* end) {
  uint64_t value = 0;
  while (p < end && IsDigit(*p)) {
    value = value * 10 + uint64_t(*p - '0');
    ++p;
  }
  return value;
}

const char* NextLine(const char* p, const char* end) {
  const void* lf = std::memchr(p, '\n', size_t(end - p));
  return lf ? static_cast<const char*>(lf) + 1 : end;
}

}  // namespace

const char* FindLine(const char* prefix, const char* from, const char* end) {
  const size_t n = std::strlen(prefix);
  const char* p = from;
  while (p < end) {
    if (*p == '\n') {
      ++p;
    }
    if (size_t(end - p) >= n && std::memcmp(p, prefix, n) == 0) {
      return p;
    }
    const void* lf = std::memchr(p, '\n', size_t(end - p));
    if (!lf) {
      return nullptr;
    }
    p = static_cast<const char*>(lf);
  }
  return nullptr;
}

bool ParseHeaderNumber(const char* line, const char* end, int64_t& value) {
  int commas = 0;
  for (const char* p = line; p < end && *p != '\n'; ++p) {
    if (*p == ',' && ++commas == 2) {
      ++p;
      value = int64_t(ReadDigits(p, end));
      return true;
    }
  }
  return false;
}

int ParseNumberList(const char* line, const char* end, std::span<uint32_t> out) {
  const int max = int(out.size());
  int count = 0;
  int commas = 0;
  const char* p = line;
  while (p < end && *p != '\n' && count < max) {
    if (*p != ',') {
      ++p;
      continue;
    }
    ++p;
    if (++commas >= 3) {
      // List values keep the low 32 bits.
      out[size_t(count++)] = uint32_t(ReadDigits(p, end));
    }
  }
  return count;
}

namespace {

// The header lines "11,2" (first second), "11,3" (last second) and "11,4"
// (count): sets the block's stretch and returns the count line, or null when
// the header is missing or does not describe a stretch a block can hold.
const char* ParseStretch(SampleBlock& block, const char* text, const char* end) {
  const char* startLine = FindLine("11,2", text, end);
  int64_t start = 0;
  if (!startLine || !ParseHeaderNumber(startLine, end, start) || start == 0) {
    return nullptr;
  }
  const char* endLine = FindLine("11,3", startLine, end);
  int64_t last = 0;
  if (!endLine || !ParseHeaderNumber(endLine, end, last)) {
    return nullptr;
  }
  const char* countLine = FindLine("11,4", endLine, end);
  int64_t count = 0;
  if (!countLine || !ParseHeaderNumber(countLine, end, count)) {
    return nullptr;
  }
  // The count must match the times, and must describe a stretch a block can
  // hold: a huge or negative claim would otherwise size the sample array.
  const int64_t expected = int64_t(int32_t(uint32_t(uint64_t(last) - uint64_t(start)))) + 1;
  if (count == 0 && expected == 0 && start >= 1 && start <= kMaxReplyTime) {
    // A stretch the server has nothing of yet: a valid reply that holds no second.
    block.dataStart = start;
    block.dataEnd = start - 1;
    block.secondCount = 0;
    return nullptr;
  }
  if (count != expected || count < 1 || count > kMaxReplySeconds) {
    return nullptr;
  }
  if (start < 1 || start > kMaxReplyTime || last < start || last - start + 1 != count) {
    return nullptr;
  }
  block.dataStart = start;
  block.dataEnd = last;
  block.secondCount = int32_t(count);
  return countLine;
}

// The data lines from `line` on into the block's values: from the first data
// line on every line is the next second, whatever it begins with.
int32_t ParseRows(SampleBlock& block, const char* line, const char* end) {
  const size_t stride = size_t(block.secondCount);
  std::array<uint32_t, kMaxReplyValues> fields{};
  int32_t r = 0;
  while (line < end && r < block.secondCount) {
    const int n = ParseNumberList(line, end, fields);
    const int filled = std::min(n, int(block.stationCount));
    for (int k = 0; k < filled; ++k) {
      block.values[size_t(k) * stride + size_t(r)] = uint16_t(fields[size_t(k)]);
    }
    line = NextLine(line, end);
    ++r;
  }
  block.rowsFilled = r;
  return r;
}

}  // namespace

int ParseReply(SampleBlock& block) {
  if (block.downloadSize <= 0 || block.downloadBuffer.empty()) {
    return 0;
  }
  const size_t size = std::min(size_t(block.downloadSize), block.downloadBuffer.size());
  const char* text = block.downloadBuffer.data();
  const char* end = text + size;

  const char* countLine = ParseStretch(block, text, end);
  if (!countLine) {
    return 0;
  }
  const char* idLine = FindLine("12", countLine, end);
  if (!idLine) {
    return 0;
  }
  block.stationIds.fill(0);
  const int idFields = ParseNumberList(idLine, end, block.stationIds);
  int32_t stations = 0;
  for (int k = 0; k < idFields; ++k) {
    stations += block.stationIds[size_t(k)] != 0 ? 1 : 0;
  }
  block.stationCount = stations;

  try {
    block.values.assign(size_t(stations) * size_t(block.secondCount), 0);
  } catch (const std::bad_alloc&) {
    return 0;
  }

  const char* line = FindLine("13", idLine, end);
  if (!line || line >= end) {
    block.rowsFilled = 0;
    return 0;
  }
  return ParseRows(block, line, end);
}

void TrimRecentSeconds(SampleBlock& block) {
  // Always applies when the server sent no date (serverTime 0).
  if (block.serverTime - block.requestEnd >= kRecentReplySeconds) {
    return;
  }
  const size_t stride = size_t(std::max(block.secondCount, 0));
  if (stride == 0 || block.values.size() != size_t(block.stationCount) * stride) {
    return;
  }
  int previous = 0;
  for (size_t j = 0; j < stride; ++j) {
    int reporting = 0;
    for (size_t k = 0; k < size_t(block.stationCount); ++k) {
      reporting += block.values[k * stride + j] != 0 ? 1 : 0;
    }
    if (previous - reporting > kTrimStationDrop) {
      // Only the end moves: the missing seconds are asked for again later.
      block.dataEnd = block.dataStart + int64_t(j) - 1;
      return;
    }
    previous = reporting;
  }
}

std::string NoDataMessage(const SampleBlock& block) {
  return "No data received from server for:\r\n" + FormatTime(block.requestStart) + " - " +
         FormatTime(block.requestEnd);
}

namespace {

// Why a fetch brought no samples, in words for the message's details. result is
// null when no request could be made.
std::string FailureCause(const HttpResult* result, bool received) {
  if (result == nullptr) {
    return "Out of memory";
  }
  if (!result->ok) {
    return result->error.empty() ? "The request failed" : result->error;
  }
  if (result->status >= 400) {
    return "HTTP " + std::to_string(result->status);
  }
  return received ? "The server's reply holds no samples" : "The server sent an empty reply";
}

}  // namespace

namespace {

// Near the server's present, a reply without one sample has nothing new either.
bool HoldsNoSample(const SampleBlock& block) {
  if (block.serverTime - block.requestEnd >= kRecentReplySeconds) {
    return false;
  }
  const size_t stride = size_t(block.secondCount);
  const size_t seconds = size_t(std::max<int64_t>(block.dataEnd - block.dataStart + 1, 0));
  for (size_t k = 0; k < size_t(block.stationCount); ++k) {
    for (size_t j = 0; j < seconds && j < stride; ++j) {
      if (block.values[k * stride + j] != 0) {
        return false;
      }
    }
  }
  return true;
}

}  // namespace

bool HoldsNothingNew(const SampleBlock& block) {
  return block.dataStart > 0 && block.dataEnd == block.dataStart - 1;
}

FetchOutcome FetchServerReply(SampleBlock& block, HttpGet& http) {
  block.serverTime = 0;
  block.downloadSize = 0;
  block.dataStart = 0;
  block.dataEnd = 0;
  block.secondCount = 0;

  bool received = false;
  std::optional<HttpResult> result;
  if (block.downloadCapacity > 1) {
    // One byte stays free for the terminating NUL. The adapter grows the buffer
    // as the reply arrives, so the bound costs nothing until a reply needs it.
    const size_t capacity = size_t(block.downloadCapacity);
    result = http.Get(block.requestUrl, block.downloadBuffer, capacity - 1);
    block.serverTime = result->date;
    if (result->ok) {
      const size_t size = std::min(block.downloadBuffer.size(), capacity - 1);
      try {
        block.downloadBuffer.resize(size);
        block.downloadBuffer.push_back('\0');
        block.downloadSize = int32_t(size);
        received = size > 0;
      } catch (const std::bad_alloc&) {
        result.reset();
      }
    }
  }

  int rows = 0;
  if (received) {
    rows = ParseReply(block);
    if (rows > 0) {
      TrimRecentSeconds(block);
      if (HoldsNoSample(block)) {
        block.dataEnd = block.dataStart - 1;
      }
    }
  }
  block.downloadBuffer.clear();
  block.downloadBuffer.shrink_to_fit();
  block.downloadSize = 0;
  if (rows > 0 || (received && HoldsNothingNew(block))) {
    return {true, {}};
  }
  return {false, FailureCause(result ? &*result : nullptr, received),
          received && result->status < 400};
}

bool FinishServerBlock(SampleStore& store, SampleBlock& block, const FetchOutcome& outcome,
                       ServerFailureSink* sink) {
  if (outcome.ok) {
    store.NoteServerTime(block.serverTime);
    for (int k = 0; k < block.stationCount; ++k) {
      // An empty id field is no station; it must not become "0 - Unknown".
      if (block.stationIds[size_t(k)] != 0) {
        RegisterStation(store, block.stationIds[size_t(k)]);
      }
    }
    return true;
  }
  if (sink) {
    sink->StopPlayingViews();
    sink->ShowMessage(NoDataMessage(block), kNoDataCaption, outcome.cause);
  }
  return false;
}

bool FetchServerBlock(SampleStore& store, SampleBlock& block, HttpGet& http,
                      ServerFailureSink* sink) {
  return FinishServerBlock(store, block, FetchServerReply(block, http), sink);
}

}  // namespace tessaly
