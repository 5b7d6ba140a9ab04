// Following the present: the view plays a fixed delay behind the server's
// present and fetches the seconds the server has newly received, in small
// requests; while a station reports late, the last minutes are asked again.
#include <algorithm>
#include <limits>

#include "display/graph_painter.h"
#include "samples/background_fetch.h"
#include "samples/clock.h"
#include "samples/utc_time.h"
#include "settings/settings.h"
#include "views/cview.h"
#include "views/dialog_controls.h"

namespace tessaly {

namespace {

// At most one request this often, and only while less than this much data
// lies ahead of the played second.
constexpr int64_t kLiveFetchSeconds = 5;
constexpr int64_t kLiveLookahead = 30;
// How far back late samples are still asked for.
constexpr int64_t kLateSeconds = 300;

int64_t DayStart(int64_t t) {
  const UtcFields f = BreakDownUtc(t);
  return MakeUtc(f.year, f.month, f.day, 0, 0, 0);
}

}  // namespace

bool CView::StartLive() {
  const int64_t delay = Settings().liveDelay;
  if (store == nullptr || store->sourceType() != kSourceServer) {
    return Set(context_.clock->Now() - delay);
  }
  liveRunFirstFetch = context_.liveFetch != nullptr ? context_.liveFetch->started() : 0;
  int64_t t = store->ServerNow() - delay;
  // A reply tells the server's present; without one here the delay is not
  // known yet, so ask for the stretch around the present first.
  const int64_t failures = store->failedFetches();
  if (!store->FindBlock(t, true)) {
    store->FindRange(t - companion->cursorColumn, t + 600, true);
  }
  if (store->failedFetches() != failures) {
    // Already reported; asking again would only repeat the message.
    if (!context_.closing) {
      Dialog().ShowMessageBox(kCannotReceiveText, kCannotReceiveCaption, MessageBoxStyle::kOk);
    }
    return false;
  }
  t = store->ServerNow() - delay;
  // When the server lags more than the delay, start at its newest second.
  int64_t newest = std::numeric_limits<int64_t>::min();
  for (const BlockPtr& b : store->Blocks()) {
    if (b->dataStart <= t) {
      newest = std::max(newest, b->dataEnd);
    }
  }
  return Set(newest >= t - kLateSeconds ? std::min(t, newest) : t);
}

void CView::RepaintSeconds(int64_t first, int64_t last) {
  for (CView* view : {&context_.View1Main(), &context_.View2Main()}) {
    if (view->store != store) {
      continue;
    }
    for (CView* v : {view, view->companion}) {
      const PaintParams p = v->Params();
      if (p.position == 0) {
        continue;
      }
      // A cell shows the seconds that start there, so earlier cells change too.
      const int64_t firstSecond = p.geometry.FirstSecond(p.position);
      const int64_t from = std::max<int64_t>(first - (p.values - 1) - firstSecond, 0);
      const int64_t to = std::min<int64_t>(last - firstSecond + 1, p.geometry.columns);
      if (from < to) {
        PaintColumns(v->image, *store, p, int(from), int(to), firstSecond);
        InvalidateAndUpdate(v->Id(kSlotImage));
      }
    }
  }
}

void CView::AdvanceLive(int64_t t) {
  BackgroundFetch* fetch = context_.liveFetch;
  const bool inBackground = fetch != nullptr && store->sourceType() == kSourceServer;
  if (inBackground && fetch->busy()) {
    const int64_t failures = store->failedFetches();
    const BlockPtr added = fetch->Poll(liveRunFirstFetch);
    // A failed fetch has stopped the views and told the user.
    if (store->failedFetches() != failures || !playing()) {
      return;
    }
    // Columns already painted may show seconds that have just come: late
    // samples, and new seconds ahead of the cursor.
    int64_t first = fetch->lateFirst();
    int64_t last = fetch->lateLast();
    if (added) {
      first = first <= last ? std::min(first, added->dataStart) : added->dataStart;
      last = std::max(last, added->dataEnd);
    }
    if (first <= last) {
      RepaintSeconds(first, last);
    }
  }
  const int64_t now = context_.clock->Now();
  const int64_t present = store->ServerNow();
  // What lies ahead without a gap, from the second shown last (or the one
  // before it, when the view waits after the newest second).
  const int64_t shown = std::min(t, position);
  BlockPtr block = store->FindBlock(shown, true);
  block = block ? block : store->FindBlock(shown - 1, true);
  int64_t end = block ? block->dataEnd : t - 1;
  for (BlockPtr next = block ? store->Next(block.get()) : nullptr;
       next && next->dataStart <= end + 1; next = store->Next(next.get())) {
    end = std::max(end, next->dataEnd);
  }
  const bool due = now - lastLiveFetch >= kLiveFetchSeconds && !(inBackground && fetch->busy());
  // Looked for only when a request may go out: it walks five minutes of samples.
  const bool late =
      due && inBackground && block && store->HasLateStation(end - kLateSeconds + 1, end);
  if (due && (late || (end < t + kLiveLookahead && end < present))) {
    lastLiveFetch = now;
    // One request brings both: the last minutes again and what is new, on
    // the day of the new seconds (a request never crosses midnight).
    const int64_t from = late ? std::max(end - kLateSeconds + 1, DayStart(end + 1)) : end + 1;
    if (inBackground) {
      // The seconds arrive on a later tick; the view plays on meanwhile.
      fetch->Start(*store, from, std::max(present, end + 1));
    } else {
      const int64_t failures = store->failedFetches();
      store->CreateBlocks(end + 1, now);
      if (store->failedFetches() != failures || !playing()) {
        return;
      }
    }
  }
  if (inBackground && t > end + 1) {
    // Nothing new yet: wait silently after the newest second; the engine's
    // next second is the first one still to come.
    playback_.SetPlayStartPosition(playStartPosition() - (t - end - 1));
    t = std::max(end, position);
  }
  Refresh(t);
}

}  // namespace tessaly
