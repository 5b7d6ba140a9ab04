#include "views/main_dialog.h"

#include <algorithm>

#include "samples/background_fetch.h"
#include "settings/ini.h"
#include "settings/settings.h"
#include "sound/tone_tables.h"
#include "views/dialog_controls.h"
#include "views/dialog_events.h"
#include "views/playback_engine.h"

namespace tessaly {
namespace {}  // namespace

CMainDialog::CMainDialog(const MainDialogParts& parts) {
  static_cast<MainDialogParts&>(context_) = parts;
  context_.sendCommand = [this](int id, NotifyCode code) { OnCommand(id, code); };
  for (int i = 0; i < 4; ++i) {
    views_[size_t(i)] = std::make_unique<CView>(i, context_);
    context_.views[size_t(i)] = views_[size_t(i)].get();
  }
  for (int i = 0; i < 2; ++i) {
    views_[size_t(i)]->companion = views_[size_t(i) + 2].get();
    views_[size_t(i) + 2]->companion = views_[size_t(i)].get();
  }
  soundFade_.store(parts.settings->soundFade);
  for (SampleStore* store : {parts.serverStore, parts.pseudorandomStore}) {
    if (store != nullptr) {
      store->onUnknownStation = [this](uint32_t id, const std::string& text) {
        OnUnknownStation(id, text);
      };
    }
  }
  parts.engine->SetHost(this);
  if (parts.requests != nullptr) {
    parts.requests->SetWaiter(
        [this](const std::function<bool()>& ended) { WaitForRequest(ended); });
  }
}

CMainDialog::~CMainDialog() {
  // The engine stops reading the views before they go.
  context_.engine->SetHost(nullptr);
  if (context_.requests != nullptr) {
    context_.requests->SetWaiter(nullptr);
  }
  for (SampleStore* store : {context_.serverStore, context_.pseudorandomStore}) {
    if (store != nullptr) {
      store->onUnknownStation = nullptr;
    }
  }
  if (tickTimer_ != 0) {
    context_.dialog->StopTimer(tickTimer_);
  }
}

// ---------------------------------------------------------------- construction

void CMainDialog::Construct() {
  DialogControls& dialog = *context_.dialog;
  CSettings& settings = *context_.settings;
  for (auto& view : views_) {
    view->Construct();
  }
  view1Main().following = settings.followLive[0] != 0;
  view2Main().following = settings.followLive[1] != 0;

  int i = 0;
  for (const char* name : {"None", "Fade-out", "Fade-in"}) {
    dialog.AddItemWithData(kIdFade, name, i++);
  }
  dialog.SetSelection(kIdFade, settings.soundFade);
  for (int scale = 0; scale < kScaleCount; ++scale) {
    dialog.AddItemWithData(kIdMusicScale, ScaleName(scale), scale);
  }
  dialog.SetSelection(kIdMusicScale, settings.musicScale);

  dialog.SetTrackbarPos(kIdVolume, 100 - settings.volume);
  dialog.SetChecked(kIdMute, settings.mute == 1);
  ApplyVolume();

  for (const BaseNoteItem& item : BaseFrequencyItems()) {
    dialog.AddItemWithData(kIdBaseFrequency, item.text, item.offset);
  }
  dialog.SetSelection(kIdBaseFrequency, settings.baseFrequency + 21);
  context_.engine->SetBaseNote(settings.baseFrequency);
  context_.engine->SetScale(settings.musicScale);

  dialog.PostCommand(view1Main().Id(kSlotSet), NotifyCode::kClicked);
  dialog.PostCommand(view2Main().Id(kSlotSet), NotifyCode::kClicked);

  if (dialog.StartTimer(kTickTimerId, kTickIntervalMs, [this] { OnTick(); })) {
    tickTimer_ = kTickTimerId;
  }
}

void CMainDialog::Destroy() {
  DialogControls& dialog = *context_.dialog;
  CSettings& settings = *context_.settings;
  if (tickTimer_ != 0) {
    dialog.StopTimer(tickTimer_);
    tickTimer_ = 0;
  }
  for (CView* view : {&view1Main(), &view2Main()}) {
    const size_t v = size_t(view->viewNumber());
    settings.source[v] =
        dialog.IsChecked(view->Id(kSlotPseudorandomRadio)) ? kSourcePseudorandom : kSourceServer;
    settings.sound[v] = dialog.IsChecked(view->Id(kSlotSoundCheck)) ? 1 : 0;
  }
}

// ---------------------------------------------------------------- commands

namespace {

// What a view's control does when it sends a command, by its slot in the
// view's control-id table. Lists act only on a user's choice.
struct ViewCommand {
  ViewSlot slot;
  bool onlyOnSelChange;
  void (*handle)(CView& view, int id);
};

void SelectorChanged(CView& view, int /*id*/) {
  view.selectorsChanged = true;
}

constexpr ViewCommand kViewCommands[] = {
    {kSlotPlay, false,
     [](CView& view, int) {
       if (view.playing()) {
         view.Stop();
       } else {
         view.Play();
       }
     }},
    {kSlotStepDown, false, [](CView& view, int id) { view.StepStation(id); }},
    {kSlotStepUp, false, [](CView& view, int id) { view.StepStation(id); }},
    {kSlotStationList, true, [](CView& view, int) { view.StationChosen(); }},
    {kSlotYearList, true, SelectorChanged},
    {kSlotMonthList, true, SelectorChanged},
    {kSlotDayList, true, SelectorChanged},
    {kSlotHourList, true, SelectorChanged},
    {kSlotMinuteList, true, SelectorChanged},
    {kSlotSecondList, true, SelectorChanged},
    {kSlotSet, false, [](CView& view, int) { view.Set(0); }},
    {kSlotServerRadio, false, [](CView& view, int) { view.SourceChanged(); }},
    {kSlotPseudorandomRadio, false, [](CView& view, int) { view.SourceChanged(); }},
    {kSlotSoundCheck, false, [](CView& view, int id) { view.ToggleSound(id); }},
    {kSlotValuesList, true, [](CView& view, int) { view.ValuesChanged(); }},
    {kSlotSmoothList, true, [](CView& view, int) { view.SmoothChanged(); }},
    {kSlotOrderByList, true, [](CView& view, int) { view.OrderStations(); }},
    {kSlotHexagramMethodList, true, [](CView& view, int) { view.HexagramMethodChanged(); }},
    {kSlotHexagramLanguageList, true, [](CView& view, int) { view.HexagramLanguageChanged(); }},
};

// The two buttons of each view that its control-id table does not hold, by view number.
constexpr std::array<int, 2> kNowMinus10Ids = {kIdView1NowMinus10, kIdView2NowMinus10};
constexpr std::array<int, 2> kOrderDoIds = {kIdView1OrderDo, kIdView2OrderDo};

}  // namespace

bool CMainDialog::OnCommand(int id, NotifyCode code) {
  if (waiting_ && !PassesWhileWaiting(id, code)) {
    return true;
  }
  if (OnSharedCommand(id, code)) {
    return true;
  }
  for (CView* view : {&view1Main(), &view2Main()}) {
    const size_t v = size_t(view->viewNumber());
    if (id == kNowMinus10Ids[v]) {
      view->SetSelectorsToNowMinus10();
      return true;
    }
    if (id == kOrderDoIds[v]) {
      For(view, [view] { view->OrderStations(); });
      return true;
    }
    for (const ViewCommand& command : kViewCommands) {
      if (id == view->Id(command.slot)) {
        if (!command.onlyOnSelChange || code == NotifyCode::kSelChange) {
          For(view, [&] { command.handle(*view, id); });
        }
        return true;
      }
    }
  }
  return false;
}

bool CMainDialog::PassesWhileWaiting(int id, NotifyCode code) {
  if (id == kIdCopyDown || id == kIdCopyUp) {
    deferred_.emplace_back(id, code);
    return false;
  }
  for (CView* view : {&view1Main(), &view2Main()}) {
    const size_t v = size_t(view->viewNumber());
    bool owned = id == kNowMinus10Ids[v] || id == kOrderDoIds[v];
    for (const ViewCommand& command : kViewCommands) {
      owned = owned || id == view->Id(command.slot);
    }
    if (!owned || !Held(*view)) {
      continue;
    }
    if (waitingView_ == nullptr || waitingView_ == view) {
      return id == view->Id(kSlotPlay) && view->playing();  // "Stop" only
    }
    deferred_.emplace_back(id, code);
    return false;
  }
  return true;  // the other view's, and the shared ones: sound, help, View 2, Exit
}

bool CMainDialog::Held(const CView& main) const {
  return waiting_ && (&main == waitingView_ || main.store == context_.serverStore);
}

void CMainDialog::WaitForRequest(const std::function<bool()>& ended) {
  waiting_ = true;
  waitingView_ = dispatching_;
  // Ticks run again inside the wait, so the other view plays on.
  const bool tickBusy = std::exchange(tickBusy_, false);
  context_.dialog->RunWhile([&] { return !ended() && !context_.closing; });
  tickBusy_ = tickBusy;
  waiting_ = false;
  waitingView_ = nullptr;
  // What the other view was asked meanwhile now runs, in order.
  for (const auto& [id, code] : std::exchange(deferred_, {})) {
    if (!context_.closing) {
      context_.dialog->PostCommand(id, code);
    }
  }
}

bool CMainDialog::OnSharedCommand(int id, NotifyCode code) {
  DialogControls& dialog = *context_.dialog;
  CSettings& settings = *context_.settings;
  const bool selChange = code == NotifyCode::kSelChange;
  switch (id) {
    case kIdExit:
      // A request still running is given up: the program ends at once.
      context_.closing = true;
      if (waiting_ && context_.requests != nullptr) {
        context_.requests->Cancel();
      }
      for (CView* view : {&view2Main(), &view1Main()}) {
        if (view->playing()) {
          view->Stop();
        }
      }
      dialog.PostExitRequest();
      return true;
    case kIdHelp:
      if (context_.shell != nullptr) {
        context_.shell->ShowHelp(kHelpContextPurpose);
      }
      return true;
    case kIdCopyDown:
      CView::CopySettings(view2Main(), view1Main());
      return true;
    case kIdCopyUp:
      CView::CopySettings(view1Main(), view2Main());
      return true;
    case kIdView2:
      ToggleView2();
      return true;
    case kIdFade:
      if (selChange) {
        settings.soundFade = dialog.ReadList(kIdFade);
        soundFade_.store(settings.soundFade);
      }
      return true;
    case kIdBaseFrequency:
      if (selChange) {
        settings.baseFrequency = dialog.ReadList(kIdBaseFrequency);
        context_.engine->SetBaseNote(settings.baseFrequency);
      }
      return true;
    case kIdMusicScale:
      if (selChange) {
        settings.musicScale = dialog.ReadList(kIdMusicScale);
        context_.engine->SetScale(settings.musicScale);
      }
      return true;
    case kIdMute:
      ToggleMute();
      return true;
    default:
      return false;
  }
}

// ---------------------------------------------------------------- scrolls, volume, mute

void CMainDialog::OnScroll(int id, ScrollCode code, int thumb) {
  if (id == kIdVolume) {
    OnVolume(code, thumb);
    return;
  }
  for (auto& view : views_) {
    // Both step bars of a view step its main view.
    CView* main = views_[size_t(view->viewNumber())].get();
    if (id == view->Id(kSlotStepBar)) {
      if (!Held(*main)) {
        For(main, [main, code] { main->StepPosition(code); });
      }
      return;
    }
    if (!view->isMain() && id == view->Id(kSlotStationScroll)) {
      if (!Held(*main)) {
        view->ScrollStations(code, thumb);
      }
      return;
    }
  }
}

void CMainDialog::ApplyVolume() {
  const CSettings& settings = *context_.settings;
  context_.engine->SetVolume(settings.volume, settings.mute == 1);
}

void CMainDialog::OnVolume(ScrollCode code, int thumb) {
  int pos = 0;
  if (code == ScrollCode::kThumbTrack) {
    pos = thumb;
  } else if (code == ScrollCode::kEnd) {
    pos = context_.dialog->TrackbarPos(kIdVolume);
  } else {
    return;
  }
  CSettings& settings = *context_.settings;
  settings.volume = 100 - std::min(pos, 100);
  if (settings.mute == 0) {
    context_.engine->SetVolume(settings.volume, false);
  }
}

void CMainDialog::ToggleMute() {
  CSettings& settings = *context_.settings;
  settings.mute = settings.mute == 0 ? 1 : 0;
  context_.dialog->SetChecked(kIdMute, settings.mute == 1);
  context_.engine->SetVolume(settings.volume, settings.mute == 1);
}

// ---------------------------------------------------------------- View 2

void CMainDialog::SetFollowLive(int view, bool on) {
  CView& main = this->view(view & 1);
  if (Held(main)) {
    return;
  }
  context_.settings->followLive[size_t(view & 1)] = on ? 1 : 0;
  main.following = on;
  if (!on) {
    return;  // it plays on, and stops at the end of the data as usual
  }
  For(&main, [&main] {
    if (main.playing()) {
      main.Stop();
    }
    main.Play();
  });
}

void CMainDialog::PicturesResized() {
  // The graphs take their column count from their main view's.
  for (int i : {0, 1, 2, 3}) {
    view(i).ResizeBuffers();
  }
}

void CMainDialog::ShowView2(bool show) {
  view2Main().ShowView2Controls(show);
  view2Graph().ShowView2Controls(show);
}

void CMainDialog::ToggleView2() {
  CSettings& settings = *context_.settings;
  if (settings.view2 != 0) {
    if (context_.shell != nullptr) {
      context_.shell->LayoutFrame(false);
    }
    ShowView2(false);
    settings.view2 = 0;
    view1Graph().PaintStationMarkers();
  } else {
    if (context_.shell != nullptr) {
      context_.shell->LayoutFrame(true);
    }
    ShowView2(true);
    context_.dialog->InvalidateAll();
    context_.dialog->UpdateAll();
    settings.view2 = 1;
  }
}

// ---------------------------------------------------------------- drawing, clicks, keys

bool CMainDialog::OnDraw(int id) {
  for (auto& view : views_) {
    if (id == view->Id(kSlotImage)) {
      return true;  // the back buffer is the surface
    }
    if (id == view->Id(kSlotPositionStrip)) {
      view->PaintRulerStrip();
      if (!view->isMain()) {
        view->PaintStationMarkers();
      }
      return true;
    }
    if (view->isMain() && id == view->Id(kSlotHistogramPanel)) {
      view->PaintHistogramPanel();
      return true;
    }
    if (view->isMain() && id == view->Id(kSlotHexagramPanel)) {
      view->PaintHexagramPanel();
      return true;
    }
  }
  // Side strips are painted with the station markers only.
  return true;
}

const Raster* CMainDialog::RasterFor(int id) const {
  for (const auto& view : views_) {
    if (id == view->Id(kSlotImage)) {
      return &view->image;
    }
    if (id == view->Id(kSlotPositionStrip)) {
      return &view->ruler;
    }
    if (view->isMain() && id == view->Id(kSlotHistogramPanel)) {
      return &view->histogramPanel;
    }
    if (view->isMain() && id == view->Id(kSlotHexagramPanel)) {
      return &view->hexagramPanel;
    }
    if (!view->isMain() && id == view->Id(kSlotSideStrip)) {
      return &view->sideStrip;
    }
  }
  return nullptr;
}

void CMainDialog::OnLeftButtonUp() {
  DialogControls& dialog = *context_.dialog;
  const ScreenPoint point = dialog.CursorPos();
  if (dialog.ControlAt(point) != kHitDialog) {
    return;
  }
  if (!Held(view1Main()) && view1Graph().GraphClick(point.x, point.y) != -1) {
    return;
  }
  // A hidden graph takes no clicks.
  if (!Held(view2Main()) && dialog.IsVisible(view2Graph().Id(kSlotImage))) {
    view2Graph().GraphClick(point.x, point.y);
  }
}

bool CMainDialog::OnKey(int key) {
  if (key != kKeyEscape) {
    return false;
  }
  OnCommand(kIdExit, NotifyCode::kClicked);
  return true;
}

// ---------------------------------------------------------------- tick and engine

void CMainDialog::OnTick() {
  // A tick from inside a message box that an earlier tick opened does nothing.
  if (tickBusy_) {
    return;
  }
  tickBusy_ = true;
  if (hoverPoll_) {
    hoverPoll_();
  }
  if (context_.engine->IsRendering()) {
    for (CView* main : {&view1Main(), &view2Main()}) {
      if (!Held(*main)) {
        For(main, [main] { main->Advance(); });
      }
    }
  }
  tickBusy_ = false;
}

const PlayerViewState* CMainDialog::PlayerView(int view) const {
  return view == 0 || view == 1 ? &views_[size_t(view)]->PlaybackState() : nullptr;
}

void CMainDialog::OnPlayerStopped() {
  context_.dialog->PostPlayerStopped();
}

void CMainDialog::ShowPlayerMessage(const std::string& text, const std::string& caption,
                                    const std::string& detail) {
  // The box is shown on the GUI thread when the run's end arrives there.
  std::lock_guard lock(messagesMutex_);
  engineMessages_.push_back({text, caption, detail});
}

void CMainDialog::HandlePlayerStopped() {
  std::vector<EngineMessage> messages;
  {
    std::lock_guard lock(messagesMutex_);
    messages.swap(engineMessages_);
  }
  for (const EngineMessage& m : messages) {
    context_.dialog->ShowMessageBox(m.text, m.caption, MessageBoxStyle::kOk, m.detail);
  }
  if (!view1Main().playing() && !view2Main().playing()) {
    context_.dialog->Enable(kIdCopyDown, true);
    context_.dialog->Enable(kIdCopyUp, true);
  }
}

void CMainDialog::StopPlayingViews() {
  if (view1Main().playing()) {
    view1Main().Stop();
  }
  if (view2Main().playing()) {
    view2Main().Stop();
  }
}

void CMainDialog::ShowMessage(const std::string& text, const std::string& caption,
                              const std::string& detail) {
  if (context_.closing) {
    return;  // the failure of a request cancelled at exit
  }
  context_.dialog->ShowMessageBox(text, caption, MessageBoxStyle::kOk, detail);
}

ServerChange CMainDialog::ChangeServerHost(std::string_view typed) {
  const ServerHostCheck check = CheckServerHost(typed);
  SampleStore* store = context_.serverStore;
  if (!check.ok() || store == nullptr) {
    return {false, check.error};
  }
  if (waiting_) {
    return {false, "A request to the data server is still running: try again when it has ended"};
  }
  const std::array<CView*, 2> mains = {&view1Main(), &view2Main()};
  for (CView* view : mains) {
    if (view->store == store && view->playing()) {
      view->Stop();
    }
  }
  // A live fetch from the old server must not land in the emptied store.
  if (context_.liveFetch != nullptr && context_.liveFetch->busy()) {
    context_.liveFetch->Wait();
    context_.liveFetch->Poll();
  }
  ServerChange change{true, {}};
  context_.settings->serverHost = check.host;
  if (context_.ini == nullptr || !context_.settings->WriteServerHost(context_.ini->path())) {
    change.message = "Tessaly now uses the data server " + check.host +
                     ", but could not save it in the settings file; it tries again at exit.";
  }
  store->SetServerHost(check.host);
  store->Clear();
  for (CView* view : mains) {
    view->RefillStationList();
  }
  for (CView* view : mains) {
    if (view->store == store) {
      view->Set(view->position);
    }
  }
  return change;
}

void CMainDialog::OnUnknownStation(uint32_t id, const std::string& text) {
  for (int v = 0; v < 2; ++v) {
    context_.dialog->AddItemWithData(views_[size_t(v)]->Id(kSlotStationList), text, int(id));
  }
}

void ConnectMainDialog(DialogEvents& events, CMainDialog& d, std::function<void()> onExitRequest) {
  events.onCommand = [&d](int id, NotifyCode code) { d.OnCommand(id, code); };
  events.onScroll = [&d](int id, ScrollCode code, int thumb) { d.OnScroll(id, code, thumb); };
  events.onDraw = [&d](int id) { d.OnDraw(id); };
  events.onLeftButtonUp = [&d](ScreenPoint) { d.OnLeftButtonUp(); };
  events.onKey = [&d](int key) { d.OnKey(key); };
  events.onPlayerStopped = [&d] { d.HandlePlayerStopped(); };
  events.onExitRequest = std::move(onExitRequest);
}

}  // namespace tessaly
