// CView: building a view's lists, buffers and ranges with the dialog.

#include "views/cview.h"

#include <algorithm>
#include <cstdio>

#include "samples/station_table.h"
#include "samples/utc_time.h"
#include "settings/settings.h"
#include "views/dialog_controls.h"

namespace tessaly {
namespace {

// A raster of the size of a picture's drawable area.
Raster RasterOfControl(const DialogControls& dialog, int id, uint32_t fill) {
  const ScreenRect rect = dialog.ControlScreenRect(id);
  return Raster(rect.right - rect.left, rect.bottom - rect.top, fill);
}

}  // namespace

void CView::Construct() {
  DialogControls& dialog = Dialog();
  CSettings& settings = Settings();
  const size_t v = size_t(viewNumber());

  ConstructBuffers();
  SetStore(StoreForSource(settings.source[v]));
  playback_.SetStation(uint32_t(settings.station[v]));
  playback_.SetValuesN(settings.histogramValues[v]);

  if (!isMain()) {
    dialog.SetScrollInfo(Id(kSlotStationScroll), {0, 99, 100, 0});
    dialog.SetScrollInfo(Id(kSlotStepBar), {0, 89, 30, 30});
    selectorsChanged = true;
    return;
  }

  dialog.SetChecked(Id(kSlotServerRadio), settings.source[v] == kSourceServer);
  dialog.SetChecked(Id(kSlotPseudorandomRadio), settings.source[v] == kSourcePseudorandom);
  SetSoundOn(settings.sound[v] != 0);
  dialog.SetChecked(Id(kSlotSoundCheck), settings.sound[v] != 0);

  FillStationList();
  FillTimeLists();
  FillChoiceLists();
  if (store != nullptr) {
    store->sortMode[v] = settings.stationSortMode[v];
  }

  dialog.SetScrollInfo(Id(kSlotStepBar), {0, 89, 30, 30});
  selectorsChanged = true;
}

void CView::ConstructBuffers() {
  const DialogControls& dialog = Dialog();
  const ScreenRect rect = dialog.ControlScreenRect(Id(kSlotImage));
  width = std::max(rect.right - rect.left, 0);
  height = std::max(rect.bottom - rect.top, 0);
  if (isMain()) {
    geometry = ImageGeometry::ForMain(width, height);
  } else {
    geometry = ImageGeometry::ForGraph(width, height, companion->columns);
  }
  columns = geometry.columns;
  cursorColumn = geometry.cursorColumn;
  image = Raster(width, height);
  ruler = RasterOfControl(dialog, Id(kSlotPositionStrip), context_.buttonFace);
  if (isMain()) {
    histogramPanel = RasterOfControl(dialog, Id(kSlotHistogramPanel), context_.buttonFace);
    hexagramPanel = RasterOfControl(dialog, Id(kSlotHexagramPanel), context_.buttonFace);
  } else {
    sideStrip = RasterOfControl(dialog, Id(kSlotSideStrip), context_.buttonFace);
  }
}

void CView::FillStationList() {
  DialogControls& dialog = Dialog();
  const int stationList = Id(kSlotStationList);
  for (const StationRecord& row : StationTable()) {
    dialog.AddItemWithData(stationList, std::to_string(row.id) + " - " + row.location, row.id);
  }
  const int row = RowOf(store, StationSetting());
  if (row < 0) {
    SetStationSetting(1);
    dialog.SetSelection(stationList, 0);
  } else {
    dialog.SetSelection(stationList, row);
  }
}

void CView::FillTimeLists() {
  DialogControls& dialog = Dialog();
  const UtcFields now = BreakDownUtc(context_.clock->Now() - 600);
  for (int year = now.year; year >= kFirstYear; --year) {
    dialog.AddItemWithData(Id(kSlotYearList), std::to_string(year), year);
  }
  dialog.SetSelection(Id(kSlotYearList), 0);
  char text[16];
  const auto fill = [&](ViewSlot slot, int first, int last, int dataOffset) {
    for (int i = first; i <= last; ++i) {
      std::snprintf(text, sizeof text, "%.2d", i);
      dialog.AddItemWithData(Id(slot), text, i + dataOffset);
    }
  };
  fill(kSlotMonthList, 1, 12, -1);
  fill(kSlotDayList, 1, 31, 0);
  fill(kSlotHourList, 0, 23, 0);
  fill(kSlotMinuteList, 0, 59, 0);
  fill(kSlotSecondList, 0, 59, 0);
  dialog.SetSelection(Id(kSlotMonthList), now.month - 1);
  dialog.SetSelection(Id(kSlotDayList), now.day - 1);
  dialog.SetSelection(Id(kSlotHourList), now.hour);
  dialog.SetSelection(Id(kSlotMinuteList), now.minute);
  dialog.SetSelection(Id(kSlotSecondList), 0);
}

void CView::FillChoiceLists() {
  DialogControls& dialog = Dialog();
  const CSettings& settings = Settings();
  const size_t v = size_t(viewNumber());
  for (int n = 1; n <= 60; ++n) {
    dialog.AddItemWithData(Id(kSlotValuesList), std::to_string(n), n);
  }
  dialog.SetSelection(Id(kSlotValuesList), settings.histogramValues[v] - 1);
  for (int n = 0; n <= 20; ++n) {
    dialog.AddItemWithData(Id(kSlotSmoothList), std::to_string(n), n);
  }
  dialog.SetSelection(Id(kSlotSmoothList), settings.histogramSmooth[v]);
  const auto fillNames = [&](ViewSlot slot, std::initializer_list<const char*> names, int sel) {
    int i = 0;
    for (const char* name : names) {
      dialog.AddItemWithData(Id(slot), name, i++);
    }
    dialog.SetSelection(Id(slot), sel);
  };
  fillNames(kSlotHexagramMethodList, {"Sticks", "Coin", "Card"}, settings.hexagramMethod[v]);
  fillNames(kSlotHexagramLanguageList, {"Chinese", "English", "Russian"},
            settings.hexagramLanguage[v]);
  fillNames(kSlotOrderByList,
            {"Host IDs", "Longitude", "Current median", "Current median each time"},
            settings.stationSortMode[v]);
}

}  // namespace tessaly
