#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <thread>
#include <utility>

#include "samples/sample_store.h"

namespace tessaly {

// Fills one block of a store at a time on a thread of its own, so a slow or
// hanging server never holds the GUI thread. Start and Poll run on the GUI
// thread, which alone touches the store; the thread touches only the block and
// the source, which therefore needs a connection of its own.
class BackgroundFetch {
 public:
  explicit BackgroundFetch(SplitBlockSource& source) : source_(source) {}
  // Cancels a fetch in progress and waits for it; its block is dropped.
  ~BackgroundFetch();
  BackgroundFetch(const BackgroundFetch&) = delete;
  BackgroundFetch& operator=(const BackgroundFetch&) = delete;

  // A fetch has started and not been finished by Poll yet.
  bool busy() const { return block_ != nullptr; }
  // Fetches started so far; the number of the next one.
  uint64_t started() const { return started_; }
  // Starts fetching exactly [start, end] of store (cut at midnight, never
  // padded: a live request asks only for what it names); false when busy or
  // the time is unsupported.
  bool Start(SampleStore& store, int64_t start, int64_t end);
  // When the fetch has ended: finishes it here (the source registers what it
  // brought, or reports the failure) and adds it to the store, late samples
  // into the blocks that hold their seconds (see SampleStore::AddLiveBlock).
  // A fetch numbered below oldestWanted belongs to an earlier run: its failure
  // is dropped unreported. Returns the new block; null when none has ended,
  // it failed or it brought only late samples.
  BlockPtr Poll(uint64_t oldestWanted = 0);
  // The seconds whose late samples the last Poll filled in (first > last: none).
  int64_t lateFirst() const { return lateFirst_; }
  int64_t lateLast() const { return lateLast_; }
  // Waits until the fetch in progress has ended; Poll then finishes it.
  void Wait();

  // Keeps the GUI thread answering while a fetch runs: runs its message loop
  // until ended() holds, or earlier when the program is closing; a fetch that
  // has not ended then is cancelled.
  using Waiter = std::function<void(const std::function<bool()>& ended)>;
  // For a fill its caller waits for: fetches block on the thread while wait
  // runs, then returns the outcome. A fetch already running (one started from
  // inside wait) fails at once: one request at a time.
  FetchOutcome FetchWaiting(SampleBlock& block, const Waiter& wait);
  // A FetchWaiting is running.
  bool waiting() const { return waiting_; }

 private:
  SplitBlockSource& source_;
  SampleStore* store_ = nullptr;
  std::shared_ptr<SampleBlock> block_;
  FetchOutcome outcome_;
  std::atomic<bool> done_{false};
  bool waiting_ = false;
  uint64_t started_ = 0;
  uint64_t number_ = 0;  // of the fetch in progress
  int64_t lateFirst_ = 0;
  int64_t lateLast_ = -1;
  std::thread thread_;
};

// A split source whose fetches run on a BackgroundFetch's thread while the
// caller's waiter keeps the window answering; without a waiter it fetches on
// the calling thread. Finish stays on the calling (GUI) thread.
class WaitingSource final : public SplitBlockSource {
 public:
  explicit WaitingSource(SplitBlockSource& source) : source_(source), fetch_(source) {}
  void SetWaiter(BackgroundFetch::Waiter wait) { wait_ = std::move(wait); }
  bool waiting() const { return fetch_.waiting(); }
  FetchOutcome Fetch(SampleBlock& block) override {
    return wait_ ? fetch_.FetchWaiting(block, wait_) : source_.Fetch(block);
  }
  bool Finish(SampleStore& store, SampleBlock& block, const FetchOutcome& outcome) override {
    return source_.Finish(store, block, outcome);
  }
  void Cancel() override { source_.Cancel(); }

 private:
  SplitBlockSource& source_;
  BackgroundFetch fetch_;  // after source_, which its thread uses
  BackgroundFetch::Waiter wait_;
};

}  // namespace tessaly
