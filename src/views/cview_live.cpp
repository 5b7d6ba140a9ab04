// Following the present: the view plays a fixed delay behind now and fetches
// the seconds the server has newly received, in small requests.
#include "samples/background_fetch.h"
#include "samples/clock.h"
#include "views/cview.h"

namespace tessaly {

namespace {

// At most one request this often, and only while less than this much data
// lies ahead of the played second.
constexpr int64_t kLiveFetchSeconds = 5;
constexpr int64_t kLiveLookahead = 30;

}  // namespace

void CView::AdvanceLive(int64_t t) {
  BackgroundFetch* fetch = context_.liveFetch;
  const bool inBackground = fetch != nullptr && store->sourceType() == kSourceServer;
  if (inBackground && fetch->busy()) {
    const int64_t failures = store->failedFetches();
    fetch->Poll();
    // A failed fetch has stopped the views and told the user.
    if (store->failedFetches() != failures || !playing()) {
      return;
    }
  }
  const int64_t now = context_.clock->Now();
  const BlockPtr block = store->FindBlock(t, true);
  int64_t end = block ? block->dataEnd : t - 1;
  // Later blocks that touch it extend what is there without a gap.
  for (BlockPtr next = block ? store->Next(block.get()) : nullptr;
       next && next->dataStart <= end + 1; next = store->Next(next.get())) {
    end = std::max(end, next->dataEnd);
  }
  if (end < t + kLiveLookahead && end < now && now - lastLiveFetch >= kLiveFetchSeconds &&
      !(inBackground && fetch->busy())) {
    lastLiveFetch = now;
    if (inBackground) {
      // The seconds arrive on a later tick; the view plays on meanwhile.
      fetch->Start(*store, end + 1, now);
    } else {
      const int64_t failures = store->failedFetches();
      store->CreateBlocks(end + 1, now);
      if (store->failedFetches() != failures || !playing()) {
        return;
      }
    }
  }
  Refresh(t);
}

}  // namespace tessaly
