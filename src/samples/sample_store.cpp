#include "samples/sample_store.h"

#include <algorithm>
#include <limits>

#include "samples/pseudorandom_source.h"
#include "samples/request_url.h"
#include "samples/station_ordering.h"
#include "samples/station_table.h"
#include "samples/utc_time.h"

#ifndef TESSALY_DEFAULT_SERVER_HOST
#define TESSALY_DEFAULT_SERVER_HOST "127.0.0.1:8321"
#endif

namespace tessaly {
namespace {

// Calendar arithmetic is done for years 1..9999; anything outside is refused
// rather than wrapped.
const int64_t kEarliestTime = MakeUtc(1, 1, 1, 0, 0, 0);
const int64_t kLatestTime = MakeUtc(9999, 12, 31, 23, 59, 59);

constexpr int64_t kMaxRequestSpan = 1800;  // a block covers at most 1801 seconds
constexpr int64_t kMinRequestSpan = 599;   // and at least 600
constexpr int64_t kEnsureStep = 599;       // EnsureBefore/After ask for up to 600 seconds

}  // namespace

std::string DefaultServerHost() {
  return TESSALY_DEFAULT_SERVER_HOST;
}

// ---- BlockList ----

size_t BlockList::FirstCandidate(int64_t t) const {
  // A block starting before t - maxSpan_ ends before t.
  const int64_t from = t < std::numeric_limits<int64_t>::min() + maxSpan_ ? t : t - maxSpan_;
  return size_t(std::lower_bound(starts_.begin(), starts_.end(), from) - starts_.begin());
}

size_t BlockList::UpperBound(int64_t t) const {
  return size_t(std::upper_bound(starts_.begin(), starts_.end(), t) - starts_.begin());
}

int BlockList::IndexOf(const SampleBlock* block) const {
  if (block == nullptr) {
    return -1;
  }
  // Blocks with the same start sit side by side; search only those.
  const size_t lo =
      size_t(std::lower_bound(starts_.begin(), starts_.end(), block->dataStart) - starts_.begin());
  for (size_t i = lo; i < blocks_.size() && starts_[i] == block->dataStart; ++i) {
    if (blocks_[i].get() == block) {
      return int(i);
    }
  }
  return -1;
}

void BlockList::Insert(BlockPtr block) {
  // After every block with the same or an earlier start.
  const size_t at = UpperBound(block->dataStart);
  maxSpan_ = std::max(maxSpan_, block->dataEnd - block->dataStart);
  starts_.insert(starts_.begin() + std::ptrdiff_t(at), block->dataStart);
  blocks_.insert(blocks_.begin() + std::ptrdiff_t(at), std::move(block));
}

void BlockList::Erase(size_t index) {
  starts_.erase(starts_.begin() + std::ptrdiff_t(index));
  blocks_.erase(blocks_.begin() + std::ptrdiff_t(index));
}

// ---- lookups over a list ----

const SampleBlock* FindBlockIn(const BlockList& list, int64_t t, bool wantLast) {
  const SampleBlock* found = nullptr;
  const size_t end = list.UpperBound(t);
  for (size_t i = list.FirstCandidate(t); i < end; ++i) {
    const SampleBlock* b = list[i].get();
    if (b->dataEnd >= t) {
      found = b;
      if (!wantLast) {
        break;
      }
    }
  }
  return found;
}

int FindRangeIn(const BlockList& list, int64_t start, int64_t end, int* firstIndex,
                int* lastIndex) {
  int first = -1;
  int last = -1;
  // How far the blocks walked so far reach without a gap. Comparing with the
  // furthest end rather than the previous block's keeps a short block that
  // lies inside a longer one from looking like a gap.
  int64_t reach = std::numeric_limits<int64_t>::min();
  for (size_t i = list.FirstCandidate(start); i < list.size(); ++i) {
    const SampleBlock& b = *list[i];
    if (b.dataStart > end) {
      break;  // neither this block nor any later one can be first or last
    }
    if (b.dataEnd < start) {
      continue;
    }
    if (first < 0 && b.dataStart > start) {
      break;  // the range begins in a gap
    }
    if (first >= 0 && reach + 1 < b.dataStart) {
      break;  // a gap inside the range
    }
    if (b.dataStart <= start) {
      first = int(i);
    }
    if (b.dataStart <= end && b.dataEnd >= end) {
      last = int(i);
    }
    reach = std::max(reach, b.dataEnd);
  }
  if (firstIndex != nullptr) {
    *firstIndex = first;
  }
  if (lastIndex != nullptr) {
    *lastIndex = last;
  }
  return (first >= 0 && last >= 0) ? first : -1;
}

// ---- SampleStore ----

SampleStore::SampleStore(int sourceType, const Clock& clock, BlockSource* serverSource)
    : sourceType_(sourceType),
      clock_(clock),
      serverSource_(serverSource),
      serverHost_(DefaultServerHost()) {
  tableRowCount = int32_t(StationTable().size());
}

SampleStore::~SampleStore() = default;

void SampleStore::Evict() {
  std::unique_lock lock(mutex_);
  for (;;) {
    int64_t total = 0;
    for (const BlockPtr& b : blocks_) {
      total += b->secondCount;
    }
    if (total < secondsLimit_ || blocks_.empty()) {
      return;
    }
    size_t oldest = 0;
    for (size_t i = 1; i < blocks_.size(); ++i) {
      if (blocks_[i]->fetchTime < blocks_[oldest]->fetchTime) {
        oldest = i;
      }
    }
    blocks_.Erase(oldest);
  }
}

BlockPtr SampleStore::CreateBlocks(int64_t start, int64_t end) {
  if (start > end || start < kEarliestTime || start > kLatestTime) {
    return nullptr;
  }
  // Keeps end - start within 64 bits; nothing past year 9999 can be asked for anyway.
  end = std::min(end, kLatestTime);

  Evict();
  BlockPtr last;
  for (int pass = 0; pass < 2; ++pass) {
    if (start > end) {
      return last;
    }
    bool split = false;
    BlockPtr block = CreateOneBlock(start, end, &split);
    if (!block) {
      return nullptr;
    }
    last = block;
    if (!split) {
      return last;
    }
    // One call covers at most one midnight.
    start = block->dataEnd + 1;
  }
  return last;
}

std::shared_ptr<SampleBlock> SampleStore::NewBlock(int64_t start, int64_t end) const {
  if (start > end || start < kEarliestTime || start > kLatestTime) {
    return nullptr;
  }
  bool split = false;
  return NewBlock(start, std::min(end, kLatestTime), &split);
}

std::shared_ptr<SampleBlock> SampleStore::NewBlock(int64_t start, int64_t end, bool* split) const {
  auto block = std::make_shared<SampleBlock>();
  block->downloadCapacity = kDownloadCapacity;
  for (auto& ranks : block->rank) {
    for (int k = 0; k < kMaxStations; ++k) {
      ranks[size_t(k)] = k;
    }
  }
  block->fetchTime = clock_.Now();

  int64_t s = start;
  int64_t e = end;
  if (e - s >= kMaxRequestSpan) {
    e = s + kMaxRequestSpan;
  }
  if (e - s < kMinRequestSpan) {
    e = s + kMinRequestSpan;  // also pads ranges that end in the future
  }
  const UtcFields fs = BreakDownUtc(s);
  const UtcFields fe = BreakDownUtc(e);
  if (fs.yearDay != fe.yearDay) {
    e = MakeUtc(fs.year, fs.month, fs.day, 23, 59, 59);
    *split = true;
    if (e - s < kMinRequestSpan) {
      s = e - kMinRequestSpan;  // a short stretch before midnight still spans 600 seconds
    }
  }
  block->requestUrl = BuildRequestUrl(serverHost_, s, e);
  block->requestStart = s;
  block->requestEnd = e;
  return block;
}

std::shared_ptr<SampleBlock> SampleStore::NewLiveBlock(int64_t start, int64_t end) const {
  if (start > end || start < kEarliestTime || start > kLatestTime) {
    return nullptr;
  }
  const UtcFields fs = BreakDownUtc(start);
  const int64_t dayEnd = MakeUtc(fs.year, fs.month, fs.day, 23, 59, 59);
  bool split = false;
  std::shared_ptr<SampleBlock> block = NewBlock(start, start + kMaxRequestSpan, &split);
  block->requestStart = start;
  block->requestEnd = std::min({end, dayEnd, start + kMaxRequestSpan});
  block->requestUrl = BuildRequestUrl(serverHost_, start, block->requestEnd);
  return block;
}

bool SampleStore::HasLateStation(int64_t from, int64_t to) const {
  std::vector<std::pair<uint32_t, int64_t>> newest;  // station, its last second with a sample
  std::shared_lock lock(mutex_);
  const size_t stop = blocks_.UpperBound(to);
  for (size_t i = blocks_.FirstCandidate(from); i < stop; ++i) {
    const SampleBlock& b = *blocks_[i];
    const int64_t first = std::max(from, b.dataStart);
    const int64_t last = std::min({to, b.dataEnd, b.dataStart + b.secondCount - 1});
    for (int k = 0; k < b.stationCount && first <= last; ++k) {
      const uint16_t* cells = b.values.data() + size_t(k) * size_t(b.secondCount);
      int64_t t = last;
      while (t >= first && cells[t - b.dataStart] == 0) {
        --t;
      }
      if (t < first) {
        continue;
      }
      const uint32_t id = b.stationIds[size_t(k)];
      auto it = std::find_if(newest.begin(), newest.end(), [id](auto& e) { return e.first == id; });
      if (it == newest.end()) {
        newest.emplace_back(id, t);
      } else {
        it->second = std::max(it->second, t);
      }
    }
  }
  return std::any_of(newest.begin(), newest.end(), [to](auto& e) { return e.second < to; });
}

void SampleStore::NoteServerTime(int64_t serverTime) {
  if (serverTime > 0) {
    serverOffset_ = serverTime - clock_.Now();
  }
}

BlockPtr SampleStore::AddLiveBlock(std::shared_ptr<SampleBlock> block, bool filled,
                                   int64_t* lateFirst, int64_t* lateLast) {
  *lateFirst = 0;
  *lateLast = -1;
  if (!filled || block->dataEnd < block->dataStart || block->secondCount < 1 ||
      block->stationCount < 0 || block->stationCount > kMaxStations ||
      block->values.size() < size_t(block->stationCount) * size_t(block->secondCount)) {
    return AddBlock(std::move(block), filled);
  }
  const int64_t replyEnd = std::min(block->dataEnd, block->dataStart + block->secondCount - 1);
  int64_t covered = block->dataStart - 1;  // the last reply second an earlier block holds
  {
    std::unique_lock lock(mutex_);
    const size_t stop = blocks_.UpperBound(replyEnd);
    for (size_t i = blocks_.FirstCandidate(block->dataStart); i < stop; ++i) {
      SampleBlock& old = *blocks_[i];
      const int64_t from = std::max(old.dataStart, block->dataStart);
      const int64_t to = std::min({old.dataEnd, replyEnd, old.dataStart + old.secondCount - 1});
      if (from > to) {
        continue;
      }
      covered = std::max(covered, to);
      for (int k = 0; k < old.stationCount; ++k) {
        // Replies usually list the stations in the same order.
        const uint32_t id = old.stationIds[size_t(k)];
        const int r = k < block->stationCount && block->stationIds[size_t(k)] == id
                          ? k
                          : block->FindColumn(id);
        if (r < 0) {
          continue;
        }
        uint16_t* cells = old.values.data() + size_t(k) * size_t(old.secondCount);
        const uint16_t* late = block->values.data() + size_t(r) * size_t(block->secondCount);
        for (int64_t t = from; t <= to; ++t) {
          uint16_t& cell = cells[t - old.dataStart];
          const uint16_t v = late[t - block->dataStart];
          if (cell == 0 && v != 0) {
            cell = v;
            if (*lateLast < *lateFirst) {
              *lateFirst = *lateLast = t;
            } else {
              *lateFirst = std::min(*lateFirst, t);
              *lateLast = std::max(*lateLast, t);
            }
          }
        }
      }
    }
  }
  if (covered >= replyEnd) {
    return nullptr;  // nothing after what the store held: no block, nothing counted
  }
  if (covered >= block->dataStart) {
    // Keep only the new seconds, so none is counted twice toward eviction.
    const int64_t drop = covered + 1 - block->dataStart;
    const int32_t count = block->secondCount - int32_t(drop);
    std::vector<uint16_t> values(size_t(block->stationCount) * size_t(count));
    for (size_t k = 0; k < size_t(block->stationCount); ++k) {
      const auto from =
          block->values.begin() + std::ptrdiff_t(k * size_t(block->secondCount) + size_t(drop));
      std::copy(from, from + count, values.begin() + std::ptrdiff_t(k * size_t(count)));
    }
    block->values = std::move(values);
    block->secondCount = count;
    block->rowsFilled = std::max(0, block->rowsFilled - int32_t(drop));
    block->dataStart = covered + 1;
  }
  return AddBlock(std::move(block), true);
}

BlockPtr SampleStore::CreateOneBlock(int64_t start, int64_t end, bool* split) {
  std::shared_ptr<SampleBlock> block = NewBlock(start, end, split);
  bool filled = false;
  if (sourceType_ == kSourcePseudorandom) {
    filled = GeneratePseudorandomBlock(*block, clock_.Now());
  } else if (sourceType_ == kSourceServer && serverSource_ != nullptr) {
    filled = serverSource_->Fill(*this, *block);
  } else {
    return nullptr;
  }
  return InsertBlock(std::move(block), filled);
}

BlockPtr SampleStore::AddBlock(std::shared_ptr<SampleBlock> block, bool filled) {
  Evict();
  return InsertBlock(std::move(block), filled);
}

BlockPtr SampleStore::InsertBlock(std::shared_ptr<SampleBlock> block, bool filled) {
  if (sourceType_ == kSourceServer) {
    failedFetches_ += filled ? 0 : 1;
  }
  block->downloadBuffer.clear();
  block->downloadBuffer.shrink_to_fit();
  block->downloadSize = 0;
  if (!filled || block->dataEnd < block->dataStart || block->secondCount < 1 ||
      block->stationCount < 0 || block->stationCount > kMaxStations ||
      block->values.size() < size_t(block->stationCount) * size_t(block->secondCount)) {
    return nullptr;
  }
  // Samples are read only inside dataStart..dataEnd, which must fit the columns.
  block->dataEnd = std::min(block->dataEnd, block->dataStart + block->secondCount - 1);

  {
    std::unique_lock lock(mutex_);
    blocks_.Insert(block);
  }
  for (int v = 0; v < kViewCount; ++v) {
    if (sortMode[size_t(v)] == kSortStationIds || sortMode[size_t(v)] == kSortLongitude) {
      RankStations(*this, block.get(), sortMode[size_t(v)], rankTime, v);
    }
  }
  return block;
}

void SampleStore::DestroyBlock(const SampleBlock* block) {
  std::unique_lock lock(mutex_);
  const int i = blocks_.IndexOf(block);
  if (i >= 0) {
    blocks_.Erase(size_t(i));
  }
}

void SampleStore::Clear() {
  {
    std::unique_lock lock(mutex_);
    blocks_ = BlockList();
  }
  unknownIds.fill(0);
  unknownCount = 0;
  serverOffset_ = 0;  // another server, another clock
}

BlockPtr SampleStore::FindBlock(int64_t t, bool wantLast) const {
  std::shared_lock lock(mutex_);
  const SampleBlock* b = FindBlockIn(blocks_, t, wantLast);
  return b ? blocks_[size_t(blocks_.IndexOf(b))] : nullptr;
}

BlockPtr SampleStore::FindRange(int64_t start, int64_t end, bool fetch) {
  BlockPtr first;
  BlockPtr last;
  {
    std::shared_lock lock(mutex_);
    int firstIndex = -1;
    int lastIndex = -1;
    const int covered = FindRangeIn(blocks_, start, end, &firstIndex, &lastIndex);
    if (covered >= 0) {
      return blocks_[size_t(covered)];
    }
    if (firstIndex >= 0) {
      first = blocks_[size_t(firstIndex)];
    }
    if (lastIndex >= 0) {
      last = blocks_[size_t(lastIndex)];
    }
  }
  if (!fetch) {
    return nullptr;
  }
  if (first) {
    CreateBlocks(first->dataEnd + 1, end);
    return first;
  }
  if (last) {
    return CreateBlocks(start, last->dataStart - 1);
  }
  return CreateBlocks(start, end);
}

BlockPtr SampleStore::EnsureAfter(int64_t t, int64_t n) {
  if (t == 0) {
    return nullptr;
  }
  const int64_t e = t + n;
  int64_t from = 0;
  int64_t to = 0;
  {
    std::shared_lock lock(mutex_);
    const SampleBlock* found = FindBlockIn(blocks_, t, true);
    if (found == nullptr) {
      return nullptr;
    }
    const size_t bi = size_t(blocks_.IndexOf(found));
    const BlockPtr& b = blocks_[bi];
    size_t cur = bi;
    for (;;) {
      if (blocks_[cur]->dataEnd >= e) {
        return b;
      }
      if (cur + 1 >= blocks_.size()) {
        break;
      }
      const SampleBlock& next = *blocks_[cur + 1];
      if (blocks_[cur]->dataEnd + 1 < next.dataStart || next.dataStart > e) {
        break;
      }
      ++cur;
    }
    from = b->dataEnd + 1;
    to = from + kEnsureStep;
    if (bi + 1 < blocks_.size() && blocks_[bi + 1]->dataStart <= to) {
      to = blocks_[bi + 1]->dataStart - 1;
      if (from > to) {
        return nullptr;
      }
    }
  }
  return CreateBlocks(from, to);
}

BlockPtr SampleStore::EnsureBefore(int64_t t, int64_t n) {
  if (t == 0) {
    return nullptr;
  }
  const int64_t a = t - n;
  int64_t from = 0;
  int64_t to = 0;
  {
    std::shared_lock lock(mutex_);
    int bi = -1;
    for (size_t i = 0; i < blocks_.size() && blocks_[i]->dataStart <= t; ++i) {
      if (blocks_[i]->dataEnd >= t) {
        bi = int(i);
        break;
      }
    }
    if (bi < 0) {
      return nullptr;
    }
    const BlockPtr& b = blocks_[size_t(bi)];
    int cur = bi;
    for (;;) {
      if (blocks_[size_t(cur)]->dataStart <= a) {
        return b;
      }
      if (cur == 0) {
        break;
      }
      const SampleBlock& prev = *blocks_[size_t(cur - 1)];
      if (prev.dataEnd + 1 < blocks_[size_t(cur)]->dataStart || prev.dataEnd < a) {
        break;
      }
      --cur;
    }
    to = b->dataStart - 1;
    from = to - kEnsureStep;
    if (bi > 0 && blocks_[size_t(bi - 1)]->dataEnd >= from) {
      from = blocks_[size_t(bi - 1)]->dataEnd + 1;
      if (from > to) {
        return nullptr;
      }
    }
  }
  return CreateBlocks(from, to);
}

int32_t SampleStore::GetValue(int64_t t, uint32_t stationId, BlockPtr* outBlock) const {
  std::shared_lock lock(mutex_);
  const SampleBlock* b = FindBlockIn(blocks_, t, true);
  if (outBlock != nullptr) {
    *outBlock = b ? blocks_[size_t(blocks_.IndexOf(b))] : nullptr;
  }
  if (b == nullptr) {
    return -1;
  }
  const int k = b->FindColumn(stationId);
  if (k < 0) {
    return -1;
  }
  return b->Sample(k, t);
}

BlockPtr SampleStore::Next(const SampleBlock* block) const {
  std::shared_lock lock(mutex_);
  const int i = blocks_.IndexOf(block);
  return (i >= 0 && size_t(i) + 1 < blocks_.size()) ? blocks_[size_t(i) + 1] : nullptr;
}

BlockPtr SampleStore::Prev(const SampleBlock* block) const {
  std::shared_lock lock(mutex_);
  const int i = blocks_.IndexOf(block);
  return i > 0 ? blocks_[size_t(i) - 1] : nullptr;
}

BlockList SampleStore::Blocks() const {
  std::shared_lock lock(mutex_);
  return blocks_;
}

size_t SampleStore::BlockCount() const {
  std::shared_lock lock(mutex_);
  return blocks_.size();
}

}  // namespace tessaly
