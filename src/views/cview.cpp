#include "views/cview.h"

#include "samples/station_table.h"
#include "settings/settings.h"
#include "views/dialog_controls.h"

namespace tessaly {
namespace {

// The ids of View 1 and View 2 in slot order; the graph views differ in three slots.
// clang-format off
constexpr std::array<int, kSlotCount> kView1Ids = {
    kIdView1Play, kIdView1ServerRadio, kIdView1PseudorandomRadio, kIdView1StationList,
    kIdView1YearList, kIdView1MonthList, kIdView1DayList, kIdView1HourList, kIdView1MinuteList,
    kIdView1SecondList, kIdView1SoundCheck, kIdView1Image, kIdView1PositionStrip, kIdView1SideStrip,
    kIdView1HexagramMethodList, kIdView1HexagramLanguageList, kIdView1ValuesList,
    kIdView1SmoothList, kIdView1OrderByList, kIdView1StationScroll, kIdView1StepBar, kIdView1Set,
    kIdView1PositionText, kIdView1ValueText, kIdView1HistogramPanel, kIdView1HexagramNameText,
    kIdView1HexagramPanel, kIdView1NoDataText, kIdView1StationsText, kIdView1StepDown, kIdView1StepUp};
constexpr std::array<int, kSlotCount> kView2Ids = {
    kIdView2Play, kIdView2ServerRadio, kIdView2PseudorandomRadio, kIdView2StationList,
    kIdView2YearList, kIdView2MonthList, kIdView2DayList, kIdView2HourList, kIdView2MinuteList,
    kIdView2SecondList, kIdView2SoundCheck, kIdView2Image, kIdView2PositionStrip, kIdView2SideStrip,
    kIdView2HexagramMethodList, kIdView2HexagramLanguageList, kIdView2ValuesList,
    kIdView2SmoothList, kIdView2OrderByList, kIdView2StationScroll, kIdView2StepBar, kIdView2Set,
    kIdView2PositionText, kIdView2ValueText, kIdView2HistogramPanel, kIdView2HexagramNameText,
    kIdView2HexagramPanel, kIdView2NoDataText, kIdView2StationsText, kIdView2StepDown, kIdView2StepUp};
// clang-format on
constexpr std::array<int, 4> kImageIds = {kIdView1Image, kIdView2Image, kIdView1GraphImage,
                                          kIdView2GraphImage};
constexpr std::array<int, 4> kStripIds = {kIdView1PositionStrip, kIdView2PositionStrip,
                                          kIdView1GraphPositionStrip, kIdView2GraphPositionStrip};
constexpr std::array<int, 4> kStepBarIds = {kIdView1StepBar, kIdView2StepBar, kIdView1GraphStepBar,
                                            kIdView2GraphStepBar};

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

int32_t CView::StationSetting() const {
  return Settings().station[size_t(viewNumber())];
}

void CView::SetStationSetting(int32_t id) {
  Settings().station[size_t(viewNumber())] = id;
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

int CView::RowOf(const SampleStore* store, int32_t id) {
  return store == nullptr || id < 0 ? -1 : FindStationRow(*store, uint32_t(id));
}

}  // namespace tessaly
