#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>

#include "analysis/histogram.h"
#include "display/graph_painter.h"
#include "display/image_geometry.h"
#include "display/raster.h"
#include "samples/sample_store.h"
#include "sound/player_host.h"
#include "views/control_ids.h"
#include "views/dialog_controls.h"

namespace tessaly {

class CIni;
class CSettings;
class CView;
class DialogControls;
class PlaybackEngine;

// The slots of a view's control-id table, in their fixed order.
enum ViewSlot : int {
  kSlotPlay = 0,
  kSlotServerRadio,
  kSlotPseudorandomRadio,
  kSlotStationList,
  kSlotYearList,
  kSlotMonthList,
  kSlotDayList,
  kSlotHourList,
  kSlotMinuteList,
  kSlotSecondList,
  kSlotSoundCheck,
  kSlotImage,
  kSlotPositionStrip,
  kSlotSideStrip,
  kSlotHexagramMethodList,
  kSlotHexagramLanguageList,
  kSlotValuesList,
  kSlotSmoothList,
  kSlotOrderByList,
  kSlotStationScroll,
  kSlotStepBar,
  kSlotSet,
  kSlotPositionText,
  kSlotValueText,
  kSlotHistogramPanel,
  kSlotHexagramNameText,
  kSlotHexagramPanel,
  kSlotNoDataText,
  kSlotStationsText,
  kSlotStepDown,
  kSlotStepUp,
  kSlotCount
};
static_assert(kSlotCount == 31);

// The view's control ids for index 0..3 (View 1 main, View 2 main, View 1
// graph, View 2 graph).
std::array<int, kSlotCount> ViewControlIds(int index);

// The oldest year the year lists offer.
inline constexpr int kFirstYear = 1998;

inline constexpr const char* kNoDataText = "No data for this host";
inline constexpr const char* kCannotReceiveText = "Cannot receive data from server";
inline constexpr const char* kCannotReceiveCaption = "Cannot receive data";

class AppShell;
class BackgroundFetch;
class WaitingSource;

// The long-lived objects the main dialog is built on.
struct MainDialogParts {
  DialogControls* dialog = nullptr;
  CSettings* settings = nullptr;
  const CIni* ini = nullptr;
  SampleStore* serverStore = nullptr;
  SampleStore* pseudorandomStore = nullptr;
  PlaybackEngine* engine = nullptr;
  const Clock* clock = nullptr;
  AppShell* shell = nullptr;  // may be null: no frame to lay out, no help
  // Fills the server store for views that follow the present, off the GUI
  // thread; may be null (those fetches then run on the GUI thread).
  BackgroundFetch* liveFetch = nullptr;
  // The server store's source when its requests run off the GUI thread while
  // the window keeps answering; may be null (they then block the window).
  WaitingSource* requests = nullptr;
};

// What every view reaches besides its own record: the dialog's parts and the
// other three views. Owned by the main dialog.
struct ViewContext : MainDialogParts {
  std::array<CView*, 4> views{};  // by index
  uint32_t buttonFace = Rgb(240, 240, 240);
  // The program is closing: a request it cancelled fails without a word.
  bool closing = false;
  // Sends a command to the dialog at once, as a control would.
  std::function<void(int id, NotifyCode code)> sendCommand;

  CView& View1Main() const { return *views[0]; }
  CView& View2Main() const { return *views[1]; }
  CView& View1Graph() const { return *views[2]; }
  CView& View2Graph() const { return *views[3]; }
};

// One area of a view: the main view (index 0, 1) holds the position, the
// station and the playback state; the graph view (index 2, 3) follows it.
// Everything runs on the GUI thread except the playback fields, which the
// audio engine reads through PlaybackState().
class CView {
 public:
  CView(int index, ViewContext& context);
  CView(const CView&) = delete;
  CView& operator=(const CView&) = delete;

  // --- Construction with the dialog
  void Construct();

  // --- Time selection
  int64_t ReadSelectors();
  void SetSelectorsToNowMinus10();
  void StepPosition(ScrollCode code);
  void ScrollStations(ScrollCode code, int thumb);
  void ResetStationScroll();

  // --- Transport
  // Goes to `time` (0: the time the lists show); false when no data could be had.
  bool Set(int64_t time);
  void Play();
  void Stop();
  void Advance();
  // One second of a view that follows the present: small fetches of what the
  // server has newly received, never stopping at the end of the data.
  void AdvanceLive(int64_t t);
  // Play's Set for a view that follows the present; false as Set.
  bool StartLive();
  // Repaints the columns of the views on this store that show [first, last].
  void RepaintSeconds(int64_t first, int64_t last);
  void SourceChanged();
  void ToggleSound(int checkBoxId);

  // --- Refresh and second view
  void Refresh(int64_t t);
  void StationChosen();
  // The station list back to the table's rows (another server's stations
  // gone); a view on a station no longer listed goes to the first row.
  void RefillStationList();
  void StepStation(int buttonId);
  void UpdateStepButtons();
  int GraphClick(int x, int y);
  void ValuesChanged();
  void SmoothChanged();
  void OrderStations();
  int ComputeHexagram(int64_t t);
  void HexagramMethodChanged();
  void HexagramLanguageChanged();
  void ShowView2Controls(bool show);
  static void CopySettings(CView& destination, CView& source);

  // --- Painting
  // The dialog's pictures changed size (another DPI): the buffers take the
  // new sizes, so more or fewer seconds show, and everything is painted anew.
  void ResizeBuffers();
  void PaintWholeImage();
  void PaintStationMarkers();
  void PaintRulerStrip();
  void PaintHistogramPanel();
  void PaintHexagramPanel();

  // --- The record
  int index() const { return index_; }
  int viewNumber() const { return index_ & 1; }
  bool isMain() const { return index_ < 2; }
  int Id(ViewSlot slot) const { return controlIds[size_t(slot)]; }
  bool playing() const { return playback_.playing(); }
  bool soundOn() const { return playback_.soundOn(); }
  const PlayerViewState& PlaybackState() const { return playback_; }
  PaintParams Params() const;

  // The view's per-view settings; the two the engine reads go through here.
  int32_t StationSetting() const;
  void SetStationSetting(int32_t id);
  int32_t ValuesSetting() const;
  void SetValuesSetting(int32_t n);

  CView* companion = nullptr;
  int32_t station = 0;
  bool selectorsChanged = true;
  int64_t position = 0;
  BlockPtr currentBlock;
  int32_t lastEngineMs = -1;
  SampleStore* store = nullptr;
  int32_t firstRow = 0;
  int32_t width = 0;
  int32_t height = 0;
  int32_t columns = 0;
  int32_t cursorColumn = 0;
  bool noDataShown = false;
  bool following = false;          // "Follow Live"
  int64_t lastLiveFetch = 0;       // UTC second of the last live fetch
  uint64_t liveRunFirstFetch = 0;  // fetches numbered below belong to earlier runs
  CHistogram histogram;
  std::array<int, kSlotCount> controlIds{};

  // Back buffer of the image, and the surfaces of the strips and panels the
  // dialog hands to the screen.
  ImageGeometry geometry;
  Raster image;
  Raster ruler;
  Raster sideStrip;       // graph views
  Raster histogramPanel;  // main views
  Raster hexagramPanel;   // main views

  int64_t playStartPosition() const { return playback_.playStartPosition(); }
  int32_t playStartMs() const { return playback_.playStartMs(); }

 private:
  void ConstructBuffers();
  void FillStationList();
  void FillTimeLists();
  void FillChoiceLists();
  // The station's row in the station list, or -1.
  static int RowOf(const SampleStore* store, int32_t id);
  DialogControls& Dialog() const;
  CSettings& Settings() const;
  SampleStore* StoreForSource(int source) const;
  void SetStore(SampleStore* s);
  void SetPlaying(bool on);
  void SetSoundOn(bool on);
  void InvalidateAndUpdate(int id);
  void RepaintImageOf(CView& view);
  void PaintMarkersOfGraphs();
  int32_t MedianKey(uint32_t stationId, int64_t t);
  void WriteValueText(int64_t t);
  int ListRowCount() const;
  // Neighbour columns of cur in the block: the first greater id, and the last
  // smaller id before it; -1 when there is none.
  static void Neighbours(const SampleBlock& block, int32_t cur, int& next, int& previous);

  const int index_;
  ViewContext& context_;
  PlayerViewFields playback_;
  CHistogram work_;  // for orderings, so the panel's histogram is left alone
};

}  // namespace tessaly
