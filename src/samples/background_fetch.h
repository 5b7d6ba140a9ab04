#pragma once

#include <atomic>
#include <memory>
#include <thread>

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
  // Starts filling [start, end] of store (cut and padded as CreateBlocks
  // does); false when busy or the time is unsupported.
  bool Start(SampleStore& store, int64_t start, int64_t end);
  // When the fetch has ended: finishes it here (the source registers what it
  // brought, or reports the failure) and adds the block to the store. Returns
  // the block added; null when none has ended or it failed.
  BlockPtr Poll();
  // Waits until the fetch in progress has ended; Poll then finishes it.
  void Wait();

 private:
  SplitBlockSource& source_;
  SampleStore* store_ = nullptr;
  std::shared_ptr<SampleBlock> block_;
  FetchOutcome outcome_;
  std::atomic<bool> done_{false};
  std::thread thread_;
};

}  // namespace tessaly
