// CView: choosing and stepping stations, and their order in the graph.

#include "views/cview.h"

#include <algorithm>

#include "samples/station_ordering.h"
#include "samples/station_table.h"
#include "settings/settings.h"
#include "views/dialog_controls.h"

namespace tessaly {

int CView::ListRowCount() const {
  return kStationTableRows + (store != nullptr ? store->unknownCount : 0);
}

void CView::StationChosen() {
  if (!isMain()) {
    return;
  }
  const int32_t id = Dialog().ReadList(Id(kSlotStationList));
  SetStationSetting(id);
  station = id;
  companion->station = 0;
  UpdateStepButtons();
  if (position == 0) {
    return;
  }
  Refresh(position);
  RepaintImageOf(*this);
  PaintMarkersOfGraphs();
}

void CView::RefillStationList() {
  if (!isMain()) {
    return;
  }
  const int32_t before = StationSetting();
  Dialog().ClearItems(Id(kSlotStationList));
  FillStationList();
  if (StationSetting() != before) {
    StationChosen();
  }
  UpdateStepButtons();
}

void CView::Neighbours(const SampleBlock& block, int32_t cur, int& next, int& previous) {
  next = -1;
  previous = -1;
  const int count = std::min(block.stationCount, kMaxStations);
  for (int k = 0; k < count; ++k) {
    if (int64_t(block.stationIds[size_t(k)]) > cur) {
      next = k;
      break;
    }
  }
  const int end = next < 0 ? count : next;
  for (int k = 0; k < end; ++k) {
    if (int64_t(block.stationIds[size_t(k)]) < cur) {
      previous = k;
    }
  }
}

void CView::StepStation(int buttonId) {
  if (!isMain()) {
    return;
  }
  const bool down = buttonId == Id(kSlotStepDown);
  const int32_t cur = StationSetting();
  if (cur < 0) {
    return;
  }
  int row = RowOf(store, cur);
  int64_t next = -1;
  bool haveNew = false;
  if (currentBlock) {
    int nextColumn = -1;
    int previousColumn = -1;
    Neighbours(*currentBlock, cur, nextColumn, previousColumn);
    const int k = down ? nextColumn : previousColumn;
    if (k >= 0) {
      next = currentBlock->stationIds[size_t(k)];
      haveNew = next >= 0 && next <= INT32_MAX;
      if (haveNew) {
        row = RowOf(store, int32_t(next));
      }
    }
  } else {
    if (row < 0) {
      return;
    }
    row += down ? 1 : -1;
    if (row >= 0 && row < ListRowCount()) {
      next = row < kStationTableRows ? StationTable()[size_t(row)].id
                                     : int64_t(store->unknownIds[size_t(row - kStationTableRows)]);
    } else {
      next = cur;
    }
    haveNew = true;
  }
  if (haveNew && next >= 0) {
    DialogControls& dialog = Dialog();
    if (row >= 0 && row < dialog.ItemCount(Id(kSlotStationList))) {
      dialog.SetSelection(Id(kSlotStationList), row);
    }
    SetStationSetting(int32_t(next));
    dialog.SetText(Id(kSlotNoDataText), "");
    noDataShown = false;
    station = int32_t(next);
    if (position != 0) {
      Refresh(position);
      RepaintImageOf(*this);
      PaintMarkersOfGraphs();
    }
  }
  UpdateStepButtons();
}

void CView::UpdateStepButtons() {
  if (!isMain()) {
    return;
  }
  DialogControls& dialog = Dialog();
  bool up = true;
  bool down = true;
  const int id = dialog.ReadList(Id(kSlotStationList));
  const int row = RowOf(store, id);
  if (id >= 0 && row >= 0) {
    if (row == 0) {
      up = false;
    }
    if (row == ListRowCount() - 1) {
      down = false;
    }
    if (currentBlock) {
      int next = -1;
      int previous = -1;
      Neighbours(*currentBlock, id, next, previous);
      up = up && previous >= 0;
      down = down && next >= 0;
    }
  }
  dialog.Enable(Id(kSlotStepUp), up);
  dialog.Enable(Id(kSlotStepDown), down);
}

void CView::OrderStations() {
  if (!isMain()) {
    return;
  }
  const int v = viewNumber();
  const int mode = Dialog().ReadList(Id(kSlotOrderByList));
  Settings().stationSortMode[size_t(v)] = mode;
  if (store == nullptr) {
    return;
  }
  const BlockPtr b = store->FindBlock(position, true);
  if (!b) {
    return;
  }
  const int64_t t = position;
  RankStations(*store, b.get(), mode, t, v, [this, t](uint32_t id) { return MedianKey(id, t); });
  RepaintImageOf(*companion);
  companion->PaintStationMarkers();
}

}  // namespace tessaly
