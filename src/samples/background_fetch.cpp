#include "samples/background_fetch.h"

#include <utility>

namespace tessaly {

BackgroundFetch::~BackgroundFetch() {
  if (thread_.joinable()) {
    source_.Cancel();
    thread_.join();
  }
}

bool BackgroundFetch::Start(SampleStore& store, int64_t start, int64_t end) {
  if (busy()) {
    return false;
  }
  std::shared_ptr<SampleBlock> block = store.NewLiveBlock(start, end);
  if (!block) {
    return false;
  }
  store_ = &store;
  block_ = std::move(block);
  number_ = started_++;
  done_.store(false);
  // The thread owns nothing: block_ and outcome_ are left alone until done_.
  thread_ = std::thread([this, block = block_.get()] {
    outcome_ = source_.Fetch(*block);
    done_.store(true, std::memory_order_release);
  });
  return true;
}

void BackgroundFetch::Wait() {
  if (thread_.joinable()) {
    thread_.join();
  }
}

FetchOutcome BackgroundFetch::FetchWaiting(SampleBlock& block, const Waiter& wait) {
  if (busy() || waiting_) {
    return {false, "Another request to the data server is still running"};
  }
  waiting_ = true;
  done_.store(false);
  ++started_;
  thread_ = std::thread([this, &block] {
    outcome_ = source_.Fetch(block);
    done_.store(true, std::memory_order_release);
  });
  wait([this] { return done_.load(std::memory_order_acquire); });
  if (!done_.load(std::memory_order_acquire)) {
    source_.Cancel();  // the program is closing: the request must not hold it
  }
  thread_.join();
  waiting_ = false;
  return std::move(outcome_);
}

BlockPtr BackgroundFetch::Poll(uint64_t oldestWanted) {
  lateFirst_ = 0;
  lateLast_ = -1;
  if (!busy() || !done_.load(std::memory_order_acquire)) {
    return nullptr;
  }
  Wait();
  // Idle before finishing: a failure's message box may run the message loop,
  // which polls again.
  std::shared_ptr<SampleBlock> block = std::move(block_);
  block_.reset();
  const FetchOutcome outcome = std::move(outcome_);
  if (!outcome.ok && number_ < oldestWanted) {
    return nullptr;  // the run that asked has ended; the next one asks anew
  }
  const bool filled = source_.Finish(*store_, *block, outcome);
  return store_->AddLiveBlock(std::move(block), filled, &lateFirst_, &lateLast_);
}

}  // namespace tessaly
