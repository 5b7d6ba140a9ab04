#include "views/cview.h"

#include <algorithm>
#include <cstdio>

#include "analysis/hexagram.h"
#include "display/panel_painter.h"
#include "samples/station_ordering.h"
#include "samples/station_table.h"
#include "samples/utc_time.h"
#include "shell/ini.h"
#include "shell/settings.h"
#include "views/dialog_controls.h"
#include "views/playback_engine.h"

namespace tessaly {
namespace {

constexpr int kFirstYear = 1998;

// The ids of View 1 and View 2 in slot order; the graph views differ in three slots.
constexpr std::array<int, kSlotCount> kView1Ids = {
    1091, 1078, 1080, 1003, 1008, 1009, 1010, 1007, 1006, 1005, 1050, 1033, 1074, 1054, 1068, 1069,
    1015, 1021, 1018, 1082, 1083, 1071, 1060, 1056, 1038, 1066, 1058, 1049, 1081, 1000, 1001};
constexpr std::array<int, kSlotCount> kView2Ids = {
    3,    1089, 1090, 1034, 1025, 1026, 1035, 1027, 1028, 1029, 1051, 1031, 1075, 1057, 1070, 1073,
    1020, 1022, 1019, 1084, 1087, 1072, 1077, 1061, 1039, 1067, 1065, 1053, 1085, 1004, 1002};
constexpr std::array<int, 4> kImageIds = {1033, 1031, 1037, 1040};
constexpr std::array<int, 4> kStripIds = {1074, 1075, 1063, 1064};
constexpr std::array<int, 4> kStepBarIds = {1083, 1087, 1086, 1088};

int RowOf(const SampleStore* store, int32_t id) {
  return store == nullptr || id < 0 ? -1 : FindStationRow(*store, uint32_t(id));
}

}  // namespace

std::array<int, kSlotCount> ViewControlIds(int index) {
  std::array<int, kSlotCount> ids = (index & 1) ? kView2Ids : kView1Ids;
  if (index >= 0 && index < 4) {
    ids[kSlotImage] = kImageIds[size_t(index)];
    ids[kSlotPositionStrip] = kStripIds[size_t(index)];
    ids[kSlotStepBar] = kStepBarIds[size_t(index)];
  }
  return ids;
}

CView::CView(int index, ViewContext& context)
    : controlIds(ViewControlIds(index)), index_(index), context_(context) {
  playback_.SetSoundOn(true);
}

DialogControls& CView::Dialog() const {
  return *context_.dialog;
}

CSettings& CView::Settings() const {
  return *context_.settings;
}

SampleStore* CView::StoreForSource(int source) const {
  if (source == kSourceServer) {
    return context_.serverStore;
  }
  // An unusable stored source still reads somewhere: the local generator
  // needs no network and the radios then show no choice.
  return context_.pseudorandomStore;
}

void CView::SetStore(SampleStore* s) {
  store = s;
  playback_.SetStore(s);
}

void CView::SetPlaying(bool on) {
  playback_.SetPlaying(on);
}

void CView::SetSoundOn(bool on) {
  playback_.SetSoundOn(on);
}

int32_t CView::SiteSetting() const {
  return Settings().site[size_t(viewNumber())];
}

void CView::SetSiteSetting(int32_t id) {
  Settings().site[size_t(viewNumber())] = id;
  playback_.SetStation(uint32_t(id));
  if (companion != nullptr) {
    companion->playback_.SetStation(uint32_t(id));
  }
}

int32_t CView::ValuesSetting() const {
  return Settings().histogramValues[size_t(viewNumber())];
}

void CView::SetValuesSetting(int32_t n) {
  Settings().histogramValues[size_t(viewNumber())] = n;
  playback_.SetValuesN(n);
  if (companion != nullptr) {
    companion->playback_.SetValuesN(n);
  }
}

PaintParams CView::Params() const {
  PaintParams p;
  p.geometry = geometry;
  p.position = position;
  // A main view always paints its one station (an id of -1 has no data and
  // paints black); 0 is the graph's "all stations".
  p.station = isMain() ? uint32_t(station) : 0;
  p.view = viewNumber();
  p.firstRow = firstRow;
  p.values = ValuesSetting();
  return p;
}

void CView::InvalidateAndUpdate(int id) {
  Dialog().Invalidate(id);
  Dialog().Update(id);
}

// ---------------------------------------------------------------- construction

void CView::Construct() {
  DialogControls& dialog = Dialog();
  CSettings& settings = Settings();
  const size_t v = size_t(viewNumber());

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
  const ScreenRect strip = dialog.ControlScreenRect(Id(kSlotPositionStrip));
  ruler = Raster(strip.right - strip.left, strip.bottom - strip.top, context_.buttonFace);

  SetStore(StoreForSource(settings.source[v]));
  playback_.SetStation(uint32_t(settings.site[v]));
  playback_.SetValuesN(settings.histogramValues[v]);

  if (!isMain()) {
    const ScreenRect side = dialog.ControlScreenRect(Id(kSlotSideStrip));
    sideStrip = Raster(side.right - side.left, side.bottom - side.top, context_.buttonFace);
    dialog.SetScrollInfo(Id(kSlotHostScroll), {0, 99, 100, 0});
    dialog.SetScrollInfo(Id(kSlotStepBar), {0, 89, 30, 30});
    selectorsChanged = true;
    return;
  }

  const ScreenRect hist = dialog.ControlScreenRect(Id(kSlotHistogramPanel));
  histogramPanel = Raster(hist.right - hist.left, hist.bottom - hist.top, context_.buttonFace);
  const ScreenRect hex = dialog.ControlScreenRect(Id(kSlotHexagramPanel));
  hexagramPanel = Raster(hex.right - hex.left, hex.bottom - hex.top, context_.buttonFace);

  dialog.SetChecked(Id(kSlotServerRadio), settings.source[v] == kSourceServer);
  dialog.SetChecked(Id(kSlotPseudorandomRadio), settings.source[v] == kSourcePseudorandom);

  SetSoundOn(settings.sound[v] != 0);
  dialog.SetChecked(Id(kSlotSoundCheck), settings.sound[v] != 0);

  const int stationList = Id(kSlotStationList);
  for (const StationRecord& row : StationTable()) {
    dialog.AddItemWithData(stationList, std::to_string(row.id) + " - " + row.location, row.id);
  }
  const int row = RowOf(store, settings.site[v]);
  if (row < 0) {
    SetSiteSetting(1);
    dialog.SetSelection(stationList, 0);
  } else {
    dialog.SetSelection(stationList, row);
  }

  const UtcFields now = BreakDownUtc(context_.clock->Now() - 600);
  char text[16];
  for (int year = now.year; year >= kFirstYear; --year) {
    dialog.AddItemWithData(Id(kSlotYearList), std::to_string(year), year);
  }
  dialog.SetSelection(Id(kSlotYearList), 0);
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
            settings.hostSortMode[v]);
  if (store != nullptr) {
    store->sortMode[v] = settings.hostSortMode[v];
  }

  dialog.SetScrollInfo(Id(kSlotStepBar), {0, 89, 30, 30});
  selectorsChanged = true;
}

// ---------------------------------------------------------------- time selection

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
  station = SiteSetting();
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

void CView::StepPosition(int code) {
  if (!isMain() || playing() || position == 0 || store == nullptr) {
    return;
  }
  const bool forward = code == kScrollLineDown || code == kScrollPageDown;
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
    case kScrollLineUp:
      t = position - 1;
      ok = store->EnsureBefore(t, g + 1);
      break;
    case kScrollLineDown:
      t = position + 1;
      ok = store->EnsureAfter(t, c - k + 60);
      break;
    case kScrollPageUp:
      t = position - c;
      ok = store->EnsureBefore(t, g + c);
      break;
    case kScrollPageDown:
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

void CView::ScrollHosts(int code, int thumb) {
  if (isMain()) {
    return;
  }
  DialogControls& dialog = Dialog();
  const int bar = Id(kSlotHostScroll);
  if (!currentBlock) {
    dialog.SetScrollInfo(bar, {0, 99, 100, 0});
    return;
  }
  const int rows = height / 4 - 2;
  const int n = currentBlock->stationCount;
  const int p = dialog.GetScrollInfo(bar).pos;
  int q = 0;
  switch (code) {
    case kScrollLineUp:
      q = p - 1;
      break;
    case kScrollLineDown:
      q = p + 1;
      break;
    case kScrollPageUp:
      q = p - rows;
      break;
    case kScrollPageDown:
      q = p + rows;
      break;
    case kScrollThumbPosition:
    case kScrollThumbTrack:
      q = thumb;
      break;
    case kScrollTop:
      q = 0;
      break;
    case kScrollBottom:
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

void CView::ResetHostScroll() {
  CView& graph = isMain() ? *companion : *this;
  const int bar = graph.Id(kSlotHostScroll);
  if (graph.currentBlock) {
    Dialog().SetScrollInfo(bar, {0, graph.currentBlock->stationCount - 1, graph.height / 4 - 2, 0});
  } else {
    Dialog().SetScrollInfo(bar, {0, 99, 100, 0});
  }
}

// ---------------------------------------------------------------- transport

int CView::Set(int64_t time) {
  if (!isMain()) {
    return 0;
  }
  CView& graph = *companion;
  const BlockPtr previous = currentBlock;
  const int64_t t = time != 0 ? time : ReadSelectors();
  const int64_t from = t - graph.cursorColumn;
  BlockPtr found;
  if (store != nullptr) {
    const int64_t failuresBefore = store->failedFetches();
    // A failed fetch was reported already: do not ask for it a second time.
    if (!store->EnsureAfter(t, columns - cursorColumn + 60) &&
        store->failedFetches() == failuresBefore) {
      store->FindRange(from, t + 600, true);
    }
    store->windowStart = from;
    store->windowEnd = from + graph.columns + 61;
    found = store->FindBlock(t, true);
  }
  currentBlock = found;
  graph.currentBlock = found;
  if (!found) {
    if (context_.View1Main().playing()) {
      context_.View1Main().Stop();
    }
    if (context_.View2Main().playing()) {
      context_.View2Main().Stop();
    }
    Dialog().ShowMessageBox(kCannotReceiveText, kCannotReceiveCaption, MessageBoxStyle::kOk);
    return 0;
  }
  if (!previous) {
    if (context_.ini != nullptr && context_.ini->storedVersion == 0 && found->stationCount > 0) {
      const int32_t id = int32_t(found->stationIds[0]);
      SetSiteSetting(id);
      // The strip, the texts and the list all name the same station from the start.
      station = id;
      const int row = RowOf(store, id);
      if (row != -1) {
        Dialog().SetSelection(Id(kSlotStationList), row);
      }
    }
    UpdateStepButtons();
    if (index_ == 1) {
      context_.View1Graph().PaintStationMarkers();
    }
  }
  ResetHostScroll();
  position = 0;
  graph.position = 0;
  Refresh(t);
  return 1;
}

void CView::Play() {
  if (!isMain()) {
    return;
  }
  DialogControls& dialog = Dialog();
  if (selectorsChanged) {
    selectorsChanged = false;
    // Reads the lists for the station; the position stays where Set put it.
    // The label it may write is replaced by "Stop" below.
    ReadSelectors();
  } else {
    Refresh(position);
  }
  dialog.SetText(Id(kSlotPlay), "Stop");
  playback_.SetPlayStartPosition(position);
  // Not ClockMs: right after a Stop the old run's clock still shows until the
  // engine has ended that run, and the new run starts again from 0.
  playback_.SetPlayStartMs(context_.engine->StartClockMs() / 1000 * 1000);
  SetSoundOn(dialog.IsChecked(Id(kSlotSoundCheck)));
  Settings().source[size_t(viewNumber())] =
      dialog.IsChecked(Id(kSlotPseudorandomRadio)) ? kSourcePseudorandom : kSourceServer;
  // The engine sees the view only once its start fields are in place.
  SetPlaying(true);
  dialog.Enable(Id(kSlotServerRadio), false);
  dialog.Enable(Id(kSlotPseudorandomRadio), false);
  dialog.Enable(Id(kSlotStepBar), false);
  dialog.Enable(Id(kSlotSet), false);
  dialog.Enable(kIdCopyDown, false);
  dialog.Enable(kIdCopyUp, false);
  ResetHostScroll();
  lastEngineMs = -1;
  context_.engine->RequestStart();
}

void CView::Stop() {
  if (!isMain()) {
    return;
  }
  DialogControls& dialog = Dialog();
  SetPlaying(false);
  if (!context_.View1Main().playing() && !context_.View2Main().playing()) {
    context_.engine->RequestStop();
    dialog.Enable(kIdCopyDown, true);
    dialog.Enable(kIdCopyUp, true);
  }
  dialog.SetText(Id(kSlotPlay), "Continue");
  dialog.Enable(Id(kSlotServerRadio), true);
  dialog.Enable(Id(kSlotPseudorandomRadio), true);
  dialog.Enable(Id(kSlotStepBar), true);
  dialog.Enable(Id(kSlotSet), true);
}

void CView::Advance() {
  if (!isMain() || !playing()) {
    return;
  }
  const int32_t ms = context_.engine->ClockMs();
  if (ms == lastEngineMs) {
    return;
  }
  const int32_t old = lastEngineMs;
  lastEngineMs = ms;
  if (old / 1000 == ms / 1000) {
    return;
  }
  const int64_t t = playStartPosition() + (int64_t(ms) - playStartMs()) / 1000;
  if (store == nullptr) {
    Stop();
    return;
  }
  if (store->EnsureAfter(t, columns - cursorColumn + 60)) {
    Refresh(t);
    return;
  }
  // A failed fetch may have stopped the view and told the user already.
  if (!playing()) {
    return;
  }
  const BlockPtr b = store->FindBlock(position, true);
  if (!b || !store->FindRange(b->dataEnd + 1, b->dataEnd + 600, true)) {
    Stop();
    return;
  }
  Refresh(t);
}

void CView::SourceChanged() {
  if (!isMain()) {
    return;
  }
  const int s = Dialog().IsChecked(Id(kSlotServerRadio)) ? kSourceServer : kSourcePseudorandom;
  int32_t& setting = Settings().source[size_t(viewNumber())];
  if (setting == s) {
    return;
  }
  setting = s;
  SetStore(StoreForSource(s));
  companion->SetStore(store);
  position = 0;
  companion->position = 0;
  Dialog().PostCommand(Id(kSlotSet), kNotifyClicked);
}

void CView::ToggleSound(int checkBoxId) {
  if (!isMain()) {
    return;
  }
  const bool on = !soundOn();
  SetSoundOn(on);
  Dialog().SetChecked(checkBoxId, on);
  Settings().sound[size_t(viewNumber())] = on ? 1 : 0;
}

// ---------------------------------------------------------------- refresh

void CView::WriteValueText(int64_t t) {
  const int32_t site = SiteSetting();
  const int32_t value = store == nullptr || site < 0 ? -1 : store->GetValue(t, uint32_t(site));
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

  dialog.SetText(Id(kSlotHostsText),
                 block ? "Hosts: " + std::to_string(block->stationCount) : std::string());

  const int v = viewNumber();
  if (store != nullptr && Settings().hostSortMode[size_t(v)] == kSortCurrentMedianEachTime) {
    RankStations(*store, block.get(), kSortCurrentMedianEachTime, t, v,
                 [this, t](uint32_t id) { return MedianKey(id, t); });
    PaintColumns(graph.image, *store, graph.Params(), 0, graph.columns, t - graph.cursorColumn);
  }

  const int32_t site = SiteSetting();
  if (store != nullptr && site >= 0) {
    histogram.Compute(*store, uint32_t(site), t, ValuesSetting());
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

void CView::PaintWholeImage() {
  RepaintImageOf(*this);
}

void CView::PaintMarkersOfGraphs() {
  context_.View1Graph().PaintStationMarkers();
  if (Settings().view2 != 0) {
    context_.View2Graph().PaintStationMarkers();
  }
}

int CView::ListRowCount() const {
  return kStationTableRows + (store != nullptr ? store->unknownCount : 0);
}

void CView::StationChosen() {
  if (!isMain()) {
    return;
  }
  const int32_t id = Dialog().ReadList(Id(kSlotStationList));
  SetSiteSetting(id);
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
  const int32_t cur = SiteSetting();
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
    SetSiteSetting(int32_t(next));
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
    context_.sendCommand(list, kNotifySelChange);
  }
  companion->SetSiteSetting(int32_t(id));
  return 1;
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

void CView::OrderHosts() {
  if (!isMain()) {
    return;
  }
  const int v = viewNumber();
  const int mode = Dialog().ReadList(Id(kSlotOrderByList));
  Settings().hostSortMode[size_t(v)] = mode;
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

int CView::ComputeHexagram(int64_t t) {
  if (!isMain()) {
    return 0;
  }
  const size_t v = size_t(viewNumber());
  const int method = Settings().hexagramMethod[v];
  const int32_t site = SiteSetting();
  int n = 0;
  if (store != nullptr && site >= 0) {
    n = CastHexagram(method, histogram, *store, uint32_t(site), t);
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

void CView::ShowView2Controls(bool show) {
  if (index_ != 1 && index_ != 3) {
    return;
  }
  DialogControls& dialog = Dialog();
  if (!show) {
    if (playing()) {
      Stop();
    }
    dialog.SetText(kIdView2, "View 2");
  } else {
    dialog.SetText(kIdView2, "Hide View 2");
  }
  for (int id : {kIdView2Group, kIdCopyDown, kIdCopyUp, kIdCopyLabel}) {
    dialog.Show(id, show);
  }
  for (int id : controlIds) {
    dialog.Show(id, show);
  }
  Settings().view2 = show ? 1 : 0;
}

void CView::CopySettings(CView& d, CView& s) {
  if (!d.isMain() || !s.isMain()) {
    return;
  }
  DialogControls& dialog = d.Dialog();
  CSettings& settings = d.Settings();
  const size_t dv = size_t(d.viewNumber());
  const size_t sv = size_t(s.viewNumber());

  d.SetStore(s.store);
  d.companion->SetStore(s.store);
  if (s.store != nullptr) {
    for (const BlockPtr& block : s.store->Blocks()) {
      block->rank[dv] = block->rank[sv];
    }
  }
  d.currentBlock = s.currentBlock;
  d.companion->currentBlock = s.currentBlock;

  settings.source[dv] = settings.source[sv];
  dialog.SetChecked(d.Id(kSlotServerRadio), dialog.IsChecked(s.Id(kSlotServerRadio)));
  dialog.SetChecked(d.Id(kSlotPseudorandomRadio), dialog.IsChecked(s.Id(kSlotPseudorandomRadio)));

  d.SetSiteSetting(settings.site[sv]);
  d.station = s.station;
  const int row = RowOf(d.store, settings.site[sv]);
  if (row >= 0) {
    dialog.SetSelection(d.Id(kSlotStationList), row);
  }

  for (ViewSlot slot : {kSlotYearList, kSlotMonthList, kSlotDayList, kSlotHourList, kSlotMinuteList,
                        kSlotSecondList, kSlotValuesList, kSlotSmoothList, kSlotHexagramMethodList,
                        kSlotHexagramLanguageList, kSlotOrderByList}) {
    dialog.SetSelection(d.Id(slot), dialog.Selection(s.Id(slot)));
  }
  d.SetValuesSetting(settings.histogramValues[sv]);
  settings.histogramSmooth[dv] = settings.histogramSmooth[sv];
  settings.hexagramMethod[dv] = settings.hexagramMethod[sv];
  settings.hexagramLanguage[dv] = settings.hexagramLanguage[sv];
  settings.hostSortMode[dv] = settings.hostSortMode[sv];

  d.position = s.position;
  d.companion->position = s.position;
  d.Set(d.position);
}

// ---------------------------------------------------------------- painting

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
