// CView: showing a second (texts, images, histogram, hexagram) and the panels.

#include "views/cview.h"

#include "analysis/hexagram.h"
#include "display/panel_painter.h"
#include "samples/station_ordering.h"
#include "samples/utc_time.h"
#include "settings/settings.h"
#include "views/dialog_controls.h"

namespace tessaly {

void CView::WriteValueText(int64_t t) {
  const int32_t stationId = StationSetting();
  const int32_t value =
      store == nullptr || stationId < 0 ? -1 : store->GetValue(t, uint32_t(stationId));
  // No sample (no block, station missing, or 0) shows nothing rather than a number.
  Dialog().SetText(Id(kSlotValueText), value > 0 ? std::to_string(value) : std::string());
}

int32_t CView::MedianKey(uint32_t stationId, int64_t t) {
  if (store == nullptr || work_.Compute(*store, stationId, t, ValuesSetting()) < 0) {
    return kNoMedianKey;
  }
  return 200 - work_.MedianBin();
}

void CView::Refresh(int64_t t) {
  if (!isMain()) {
    return;
  }
  DialogControls& dialog = Dialog();
  CView& graph = *companion;
  dialog.SetText(Id(kSlotPositionText), FormatTime(t));
  BlockPtr block;
  if (store != nullptr) {
    store->windowStart = t - graph.cursorColumn;
    store->windowEnd = t - graph.cursorColumn + graph.columns + 61;
    block = store->FindBlock(t, true);
  }
  currentBlock = block;
  graph.currentBlock = block;

  const bool noData = !block || station < 0 || block->FindColumn(uint32_t(station)) < 0;
  if (noData != noDataShown) {
    noDataShown = noData;
    dialog.SetText(Id(kSlotNoDataText), noData ? kNoDataText : "");
  }

  if (store != nullptr) {
    ScrollToSecond(image, *store, Params(), t);
    ScrollToSecond(graph.image, *store, graph.Params(), t);
  }
  position = t;
  graph.position = t;

  dialog.SetText(Id(kSlotStationsText),
                 block ? "Hosts: " + std::to_string(block->stationCount) : std::string());

  const int v = viewNumber();
  if (store != nullptr && Settings().stationSortMode[size_t(v)] == kSortCurrentMedianEachTime) {
    RankStations(*store, block.get(), kSortCurrentMedianEachTime, t, v,
                 [this, t](uint32_t id) { return MedianKey(id, t); });
    PaintColumns(graph.image, *store, graph.Params(), 0, graph.columns, t - graph.cursorColumn);
  }

  const int32_t stationId = StationSetting();
  if (store != nullptr && stationId >= 0) {
    histogram.Compute(*store, uint32_t(stationId), t, ValuesSetting());
  } else {
    histogram.bins.fill(0);
  }
  WriteValueText(t);

  InvalidateAndUpdate(Id(kSlotHistogramPanel));
  InvalidateAndUpdate(Id(kSlotImage));
  InvalidateAndUpdate(graph.Id(kSlotImage));
  ComputeHexagram(t);
  graph.PaintStationMarkers();
}

void CView::RepaintImageOf(CView& view) {
  if (view.store != nullptr) {
    PaintImage(view.image, *view.store, view.Params());
  }
  InvalidateAndUpdate(view.Id(kSlotImage));
}

void CView::ResizeBuffers() {
  ConstructBuffers();
  RepaintImageOf(*this);
  PaintRulerStrip();
  InvalidateAndUpdate(Id(kSlotPositionStrip));
  if (isMain()) {
    PaintHistogramPanel();
    PaintHexagramPanel();
    InvalidateAndUpdate(Id(kSlotHistogramPanel));
    InvalidateAndUpdate(Id(kSlotHexagramPanel));
  } else {
    ResetStationScroll();
    PaintStationMarkers();
  }
}

void CView::PaintWholeImage() {
  RepaintImageOf(*this);
}

void CView::PaintMarkersOfGraphs() {
  context_.View1Graph().PaintStationMarkers();
  if (Settings().view2 != 0) {
    context_.View2Graph().PaintStationMarkers();
  }
}

void CView::ValuesChanged() {
  if (!isMain()) {
    return;
  }
  SetValuesSetting(Dialog().ReadList(Id(kSlotValuesList)));
  if (position != 0) {
    RepaintImageOf(*this);
    RepaintImageOf(*companion);
    InvalidateAndUpdate(Id(kSlotHistogramPanel));
  }
}

void CView::SmoothChanged() {
  if (!isMain()) {
    return;
  }
  Settings().histogramSmooth[size_t(viewNumber())] = Dialog().ReadList(Id(kSlotSmoothList));
  InvalidateAndUpdate(Id(kSlotHistogramPanel));
}

int CView::ComputeHexagram(int64_t t) {
  if (!isMain()) {
    return 0;
  }
  const size_t v = size_t(viewNumber());
  const int method = Settings().hexagramMethod[v];
  const int32_t stationId = StationSetting();
  int n = 0;
  if (store != nullptr && stationId >= 0) {
    n = CastHexagram(method, histogram, *store, uint32_t(stationId), t);
  }
  const std::string name = n >= 1 && n <= 64 ? HexagramName(n, Settings().hexagramLanguage[v]) : "";
  Dialog().SetText(Id(kSlotHexagramNameText), name);
  InvalidateAndUpdate(Id(kSlotHexagramPanel));
  return n;
}

void CView::HexagramMethodChanged() {
  if (!isMain()) {
    return;
  }
  Settings().hexagramMethod[size_t(viewNumber())] = Dialog().ReadList(Id(kSlotHexagramMethodList));
  ComputeHexagram(position);
}

void CView::HexagramLanguageChanged() {
  if (!isMain()) {
    return;
  }
  // Shown from the next cast on.
  Settings().hexagramLanguage[size_t(viewNumber())] =
      Dialog().ReadList(Id(kSlotHexagramLanguageList));
}

void CView::PaintRulerStrip() {
  tessaly::PaintRuler(ruler, geometry, context_.buttonFace);
}

void CView::PaintHistogramPanel() {
  if (!isMain()) {
    return;
  }
  tessaly::PaintHistogramPanel(histogramPanel, histogram,
                               Settings().histogramSmooth[size_t(viewNumber())],
                               context_.buttonFace);
}

void CView::PaintHexagramPanel() {
  if (!isMain()) {
    return;
  }
  tessaly::PaintHexagramPanel(hexagramPanel, histogram.hexagramLines, context_.buttonFace);
}

}  // namespace tessaly
