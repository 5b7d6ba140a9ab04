// CView: the graph view's station scroll bar, its clicks and its station markers.

#include "views/cview.h"

#include <algorithm>

#include "display/panel_painter.h"
#include "samples/station_table.h"
#include "settings/settings.h"
#include "views/dialog_controls.h"

namespace tessaly {

void CView::ScrollStations(ScrollCode code, int thumb) {
  if (isMain()) {
    return;
  }
  DialogControls& dialog = Dialog();
  const int bar = Id(kSlotStationScroll);
  if (!currentBlock) {
    dialog.SetScrollInfo(bar, {0, 99, 100, 0});
    return;
  }
  const int rows = height / 4 - 2;
  const int n = currentBlock->stationCount;
  const int p = dialog.GetScrollInfo(bar).pos;
  int q = 0;
  switch (code) {
    case ScrollCode::kLineUp:
      q = p - 1;
      break;
    case ScrollCode::kLineDown:
      q = p + 1;
      break;
    case ScrollCode::kPageUp:
      q = p - rows;
      break;
    case ScrollCode::kPageDown:
      q = p + rows;
      break;
    case ScrollCode::kThumbPosition:
    case ScrollCode::kThumbTrack:
      q = thumb;
      break;
    case ScrollCode::kTop:
      q = 0;
      break;
    case ScrollCode::kBottom:
      q = n - 1 - rows;
      break;
    default:
      return;
  }
  q = std::min(n - 1, std::max(0, q));
  dialog.SetScrollInfo(bar, {0, n - 1, rows, q});
  if (q != firstRow) {
    firstRow = q;
    if (store != nullptr) {
      PaintColumns(image, *store, Params(), 0, columns, position - cursorColumn);
    }
  }
  InvalidateAndUpdate(Id(kSlotImage));
  PaintStationMarkers();
}

void CView::ResetStationScroll() {
  CView& graph = isMain() ? *companion : *this;
  const int bar = graph.Id(kSlotStationScroll);
  if (graph.currentBlock) {
    Dialog().SetScrollInfo(bar, {0, graph.currentBlock->stationCount - 1, graph.height / 4 - 2, 0});
  } else {
    Dialog().SetScrollInfo(bar, {0, 99, 100, 0});
  }
}

int CView::GraphClick(int x, int y) {
  if (isMain()) {
    return -1;
  }
  DialogControls& dialog = Dialog();
  const ScreenRect rect = dialog.ControlScreenRect(Id(kSlotImage));
  if (x < rect.left || x >= rect.right || y < rect.top || y >= rect.bottom) {
    return -1;
  }
  const BlockPtr block = currentBlock;
  if (!block) {
    return 0;
  }
  const int r = (y - rect.top) / 4 + firstRow;
  if (r < 0 || r >= block->stationCount) {
    return 0;
  }
  const auto& ranks = block->rank[size_t(viewNumber())];
  int k = -1;
  for (int i = 0; i < block->stationCount && i < kMaxStations; ++i) {
    if (ranks[size_t(i)] == r) {
      k = i;
      break;
    }
  }
  if (k < 0) {
    return 0;
  }
  const uint32_t id = block->stationIds[size_t(k)];
  if (id > uint32_t(INT32_MAX) || store == nullptr) {
    return 0;
  }
  const int row = FindStationRow(*store, id);
  if (row < 0) {
    return 0;
  }
  const int list = Id(kSlotStationList);
  dialog.SetSelection(list, row);
  if (context_.sendCommand) {
    context_.sendCommand(list, NotifyCode::kSelChange);
  }
  companion->SetStationSetting(int32_t(id));
  return 1;
}

void CView::PaintStationMarkers() {
  if (isMain()) {
    return;
  }
  MarkerParams params;
  params.block = currentBlock.get();
  params.view = viewNumber();
  params.firstRow = firstRow;
  params.station1 = uint32_t(std::max(context_.View1Main().station, 0));
  params.station2 = uint32_t(std::max(context_.View2Main().station, 0));
  params.view2Shown = Settings().view2 != 0;
  tessaly::PaintStationMarkers(sideStrip, params, context_.buttonFace);
  InvalidateAndUpdate(Id(kSlotSideStrip));
}

}  // namespace tessaly
