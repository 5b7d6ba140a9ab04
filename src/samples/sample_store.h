#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <shared_mutex>
#include <string>
#include <vector>

#include "samples/clock.h"
#include "samples/sample_block.h"

namespace tessaly {

inline constexpr int kSourceServer = 1;
inline constexpr int kSourcePseudorandom = 3;
inline constexpr int kMaxUnknownStations = 100;
// Eviction keeps about one day of samples per store.
inline constexpr int64_t kStoreSecondsLimit = 86400;

class SampleStore;

// Blocks are shared: a holder (a view, the tooltip, the audio engine) keeps
// its block alive even after the store has evicted it.
using BlockPtr = std::shared_ptr<SampleBlock>;
// The store's blocks in ascending dataStart; equal starts keep insertion order.
// Read-only outside the store; it also knows the longest block, so lookups can
// skip straight to the blocks that may contain a second.
class BlockList {
 public:
  size_t size() const { return blocks_.size(); }
  bool empty() const { return blocks_.empty(); }
  const BlockPtr& operator[](size_t i) const { return blocks_[i]; }
  auto begin() const { return blocks_.begin(); }
  auto end() const { return blocks_.end(); }
  // Index of the first block that can contain t (every earlier one ends before t).
  size_t FirstCandidate(int64_t t) const;
  // Index of the first block starting after t (size() when none).
  size_t UpperBound(int64_t t) const;
  int IndexOf(const SampleBlock* block) const;

 private:
  friend class SampleStore;
  void Insert(BlockPtr block);
  void Erase(size_t index);

  std::vector<BlockPtr> blocks_;
  std::vector<int64_t> starts_;  // dataStart of each block, for binary search
  int64_t maxSpan_ = 0;          // longest dataEnd - dataStart ever inserted
};

// Fills a newly created block. Called by CreateBlocks on the GUI thread while
// no store lock is held (a server fetch may take a while).
class BlockSource {
 public:
  virtual ~BlockSource() = default;
  // true when the block is complete; false destroys it.
  virtual bool Fill(SampleStore& store, SampleBlock& block) = 0;
};

// What the fetching half of a split source hands to its finishing half.
struct FetchOutcome {
  bool ok = false;
  std::string cause;       // when not ok: why, for the user who asks ("HTTP 500")
  bool noSamples = false;  // not ok only because the server's orderly reply held no sample
};

// A source whose fill splits in two, so the slow half can run off the GUI
// thread: Fetch touches nothing but the block (and the source's own
// connection); Finish runs on the GUI thread and may touch the store.
class SplitBlockSource : public BlockSource {
 public:
  virtual FetchOutcome Fetch(SampleBlock& block) = 0;
  // Registers what the block brought, or reports the failure; true when complete.
  virtual bool Finish(SampleStore& store, SampleBlock& block, const FetchOutcome& outcome) = 0;
  // From any thread: a Fetch in progress ends soon (it fails).
  virtual void Cancel() {}
  bool Fill(SampleStore& store, SampleBlock& block) final {
    return Finish(store, block, Fetch(block));
  }
};

// Lookups over a list snapshot; the caller holds the store's lock (or owns the list).
// FindBlockIn: the first block containing t, or the last one in list order when wantLast.
const SampleBlock* FindBlockIn(const BlockList& list, int64_t t, bool wantLast);
// FindRangeIn: index of the block from which [start, end] is covered without a gap, or -1.
// firstIndex/lastIndex receive what the walk found (-1 when nothing).
int FindRangeIn(const BlockList& list, int64_t start, int64_t end, int* firstIndex = nullptr,
                int* lastIndex = nullptr);

// One source's blocks. Changes to the list (create, evict, destroy) happen on
// the GUI thread under the exclusive lock; the audio thread reads under the
// shared lock (see Read).
class SampleStore {
 public:
  // serverSource fills blocks of a server store; a server store without one fails every fill.
  SampleStore(int sourceType, const Clock& clock, BlockSource* serverSource = nullptr);
  ~SampleStore();
  SampleStore(const SampleStore&) = delete;
  SampleStore& operator=(const SampleStore&) = delete;

  int sourceType() const { return sourceType_; }
  const Clock& clock() const { return clock_; }
  void SetServerSource(BlockSource* source) { serverSource_ = source; }
  BlockSource* serverSource() const { return serverSource_; }
  // Seconds held before the oldest blocks are evicted (kStoreSecondsLimit);
  // a one-off export that must keep its whole stretch raises it.
  void SetSecondsLimit(int64_t seconds) { secondsLimit_ = seconds; }
  // "host[:port]" of the data server the request URLs name.
  void SetServerHost(std::string host) { serverHost_ = std::move(host); }
  const std::string& serverHost() const { return serverHost_; }

  // Creates, fills and inserts the block or blocks for [start, end]; the last
  // one created, or null (start > end, unsupported time, unknown source, failed fill).
  BlockPtr CreateBlocks(int64_t start, int64_t end);
  // The two ends of a fill done elsewhere (a fetch on another thread):
  // NewBlock makes the empty block for [start, end] (cut at midnight, padded as
  // CreateBlocks pads), null when the time is unsupported; AddBlock counts a
  // failed fill, or checks and inserts the filled block and returns it.
  std::shared_ptr<SampleBlock> NewBlock(int64_t start, int64_t end) const;
  BlockPtr AddBlock(std::shared_ptr<SampleBlock> block, bool filled);
  void DestroyBlock(const SampleBlock* block);
  // Forgets every block and every unknown station (another server's); holders
  // keep their blocks alive.
  void Clear();

  // Following the present. NewLiveBlock: the block for exactly [start, end],
  // cut at midnight but never padded, so a live request asks only for what it
  // names. AddLiveBlock: a live reply's seconds that earlier blocks already
  // cover go into those blocks' empty cells (late stations); only the seconds
  // after them become a new block. Returns that block (null when the reply
  // brought no new second); *lateFirst..*lateLast receive the seconds whose
  // cells were filled (lateFirst > lateLast when none).
  std::shared_ptr<SampleBlock> NewLiveBlock(int64_t start, int64_t end) const;
  BlockPtr AddLiveBlock(std::shared_ptr<SampleBlock> block, bool filled, int64_t* lateFirst,
                        int64_t* lateLast);
  // A station that reports within [from, to] but not up to `to`: it reports
  // late, and its missing seconds may still come.
  bool HasLateStation(int64_t from, int64_t to) const;
  // The server's present: the machine's clock corrected by the Date header of
  // the last valid reply (the machine's clock until one came).
  void NoteServerTime(int64_t serverTime);
  int64_t ServerNow() const { return clock_.Now() + serverOffset_; }

  BlockPtr FindBlock(int64_t t, bool wantLast) const;
  BlockPtr FindRange(int64_t start, int64_t end, bool fetch);
  BlockPtr EnsureBefore(int64_t t, int64_t n);
  BlockPtr EnsureAfter(int64_t t, int64_t n);
  // Server fetches that failed so far (each one already reported to the user).
  int64_t failedFetches() const { return failedFetches_; }
  // The sample of the station at t from the last block containing t; -1 when none.
  int32_t GetValue(int64_t t, uint32_t stationId, BlockPtr* outBlock = nullptr) const;

  // Neighbours in list order (null at the ends or when block is not in the store).
  BlockPtr Next(const SampleBlock* block) const;
  BlockPtr Prev(const SampleBlock* block) const;
  BlockList Blocks() const;  // a snapshot in list order
  size_t BlockCount() const;

  // Runs f(const BlockList&) under the shared lock: the way another thread reads.
  template <typename F>
  auto Read(F&& f) const {
    std::shared_lock lock(mutex_);
    return f(static_cast<const BlockList&>(blocks_));
  }

  // View state, GUI thread only.
  int64_t windowStart = 0;
  int64_t windowEnd = 0;
  std::array<int32_t, kViewCount> sortMode{};
  int64_t rankTime = 0;

  // Ids met in server replies that the station table lacks, in registration order.
  std::array<uint32_t, kMaxUnknownStations> unknownIds{};
  int32_t unknownCount = 0;
  int32_t tableRowCount = 0;
  // Told of every newly registered unknown id with its "%d - Unknown" text.
  std::function<void(uint32_t id, const std::string& text)> onUnknownStation;

 private:
  BlockPtr CreateOneBlock(int64_t start, int64_t end, bool* split);
  std::shared_ptr<SampleBlock> NewBlock(int64_t start, int64_t end, bool* split) const;
  BlockPtr InsertBlock(std::shared_ptr<SampleBlock> block, bool filled);
  void Evict();

  const int sourceType_;
  const Clock& clock_;
  BlockSource* serverSource_;
  std::string serverHost_;
  int64_t failedFetches_ = 0;  // GUI thread only, like every fetch
  int64_t secondsLimit_ = kStoreSecondsLimit;
  int64_t serverOffset_ = 0;  // server's clock minus the machine's, GUI thread only

  mutable std::shared_mutex mutex_;
  BlockList blocks_;
};

// The built-in default of the data server host (a configure-time setting).
std::string DefaultServerHost();

}  // namespace tessaly
