// CView: the time selection lists and stepping the position.

#include "views/cview.h"

#include "samples/utc_time.h"
#include "views/dialog_controls.h"

namespace tessaly {

int64_t CView::ReadSelectors() {
  if (!isMain()) {
    return 0;
  }
  DialogControls& dialog = Dialog();
  const int year = dialog.ReadList(Id(kSlotYearList));
  const int month = dialog.ReadList(Id(kSlotMonthList));
  const int day = dialog.ReadList(Id(kSlotDayList));
  const int hour = dialog.ReadList(Id(kSlotHourList));
  const int minute = dialog.ReadList(Id(kSlotMinuteList));
  const int second = dialog.ReadList(Id(kSlotSecondList));
  station = StationSetting();
  if (!playing()) {
    dialog.SetText(Id(kSlotPlay), "Play");
  }
  return MakeUtc(year, month + 1, day, hour, minute, second);
}

void CView::SetSelectorsToNowMinus10() {
  DialogControls& dialog = Dialog();
  const UtcFields t = BreakDownUtc(context_.clock->Now() - 600);
  // The year of t, not simply the first entry: after New Year the list still
  // starts at the year the program was started in.
  const int yearList = Id(kSlotYearList);
  if (dialog.ItemCount(yearList) > 0 && dialog.ItemData(yearList, 0) < t.year) {
    // A new year since start-up: the list grows at its top, newest first as before.
    dialog.ClearItems(yearList);
    for (int year = t.year; year >= kFirstYear; --year) {
      dialog.AddItemWithData(yearList, std::to_string(year), year);
    }
  }
  int yearRow = 0;
  for (int i = 0, n = dialog.ItemCount(yearList); i < n; ++i) {
    if (dialog.ItemData(yearList, i) == t.year) {
      yearRow = i;
      break;
    }
  }
  dialog.SetSelection(yearList, yearRow);
  dialog.SetSelection(Id(kSlotMonthList), t.month - 1);
  dialog.SetSelection(Id(kSlotDayList), t.day - 1);
  dialog.SetSelection(Id(kSlotHourList), t.hour);
  dialog.SetSelection(Id(kSlotMinuteList), t.minute);
  dialog.SetSelection(Id(kSlotSecondList), 0);
}

void CView::StepPosition(ScrollCode code) {
  if (!isMain() || playing() || position == 0 || store == nullptr) {
    return;
  }
  const bool forward = code == ScrollCode::kLineDown || code == ScrollCode::kPageDown;
  if (!store->FindBlock(position, forward)) {
    return;
  }
  const int64_t c = columns;
  const int64_t k = cursorColumn;
  const int64_t g = companion->cursorColumn;
  int64_t t = 0;
  BlockPtr ok;
  const int64_t failuresBefore = store->failedFetches();
  switch (code) {
    case ScrollCode::kLineUp:
      t = position - 1;
      ok = store->EnsureBefore(t, g + 1);
      break;
    case ScrollCode::kLineDown:
      t = position + 1;
      ok = store->EnsureAfter(t, c - k + 60);
      break;
    case ScrollCode::kPageUp:
      t = position - c;
      ok = store->EnsureBefore(t, g + c);
      break;
    case ScrollCode::kPageDown:
      t = position + c;
      ok = store->EnsureAfter(t, 2 * c + 60 - k);
      break;
    default:
      return;
  }
  if (!ok) {
    // A fetch that failed was reported already; asking again for the same
    // stretch would only fail and report it a second time.
    const BlockPtr b =
        store->failedFetches() == failuresBefore ? store->FindBlock(position, forward) : nullptr;
    BlockPtr more;
    if (b) {
      if (t > position) {
        more = store->FindRange(b->dataEnd + 1, b->dataEnd + 600, true);
      } else {
        more = store->FindRange(b->dataStart - 600, b->dataStart - 1, true);
      }
    }
    if (!more) {
      Stop();
      return;
    }
  }
  Refresh(t);
}

}  // namespace tessaly
