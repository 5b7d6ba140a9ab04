#include "views/main_dialog.h"

#include <algorithm>

#include "shell/settings.h"
#include "sound/tone_tables.h"
#include "views/dialog_controls.h"
#include "views/playback_engine.h"

namespace tessaly {
namespace {

// The key code of Escape as the dialog's key messages carry it.
constexpr int kVirtualKeyEscape = 27;

bool IsOneOf(int id, std::initializer_list<int> ids) {
  return std::find(ids.begin(), ids.end(), id) != ids.end();
}

}  // namespace

CMainDialog::CMainDialog(const MainDialogParts& parts) {
  static_cast<MainDialogParts&>(context_) = parts;
  context_.sendCommand = [this](int id, int code) { OnCommand(id, code); };
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
}

CMainDialog::~CMainDialog() {
  // The engine stops reading the views before they go.
  context_.engine->SetHost(nullptr);
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

  dialog.PostCommand(view1Main().Id(kSlotSet), kNotifyClicked);
  dialog.PostCommand(view2Main().Id(kSlotSet), kNotifyClicked);

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
  settings.source[0] = dialog.IsChecked(1080) ? kSourcePseudorandom : kSourceServer;
  settings.source[1] = dialog.IsChecked(1090) ? kSourcePseudorandom : kSourceServer;
  settings.sound[0] = dialog.IsChecked(1050) ? 1 : 0;
  settings.sound[1] = dialog.IsChecked(1051) ? 1 : 0;
}

// ---------------------------------------------------------------- commands

bool CMainDialog::OnCommand(int id, int code) {
  DialogControls& dialog = *context_.dialog;
  CSettings& settings = *context_.settings;
  const bool selChange = code == kNotifySelChange;
  CView& v1 = view1Main();
  CView& v2 = view2Main();

  switch (id) {
    case kIdExit:
      if (v2.playing()) {
        v2.Stop();
      }
      if (v1.playing()) {
        v1.Stop();
      }
      dialog.PostExitRequest();
      return true;
    case 1091:
    case 3: {
      CView& v = id == 1091 ? v1 : v2;
      if (v.playing()) {
        v.Stop();
      } else {
        v.Play();
      }
      return true;
    }
    case kIdHelp:
      if (context_.shell != nullptr) {
        context_.shell->ShowHelp(kHelpContextPurpose);
      }
      return true;
    case kIdCopyDown:
      CView::CopySettings(v2, v1);
      return true;
    case kIdCopyUp:
      CView::CopySettings(v1, v2);
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
      break;
  }

  for (CView* v : {&v1, &v2}) {
    if (id == v->Id(kSlotStepDown) || id == v->Id(kSlotStepUp)) {
      v->StepStation(id);
      return true;
    }
    if (id == v->Id(kSlotStationList)) {
      if (selChange) {
        v->StationChosen();
      }
      return true;
    }
    if (IsOneOf(id, {v->Id(kSlotYearList), v->Id(kSlotMonthList), v->Id(kSlotDayList),
                     v->Id(kSlotHourList), v->Id(kSlotMinuteList), v->Id(kSlotSecondList)})) {
      if (selChange) {
        v->selectorsChanged = true;
      }
      return true;
    }
    if (id == (v == &v1 ? 1048 : 1036)) {
      v->SetSelectorsToNowMinus10();
      return true;
    }
    if (id == v->Id(kSlotSet)) {
      v->Set(0);
      return true;
    }
    if (id == v->Id(kSlotServerRadio) || id == v->Id(kSlotPseudorandomRadio)) {
      v->SourceChanged();
      return true;
    }
    if (id == v->Id(kSlotSoundCheck)) {
      v->ToggleSound(id);
      return true;
    }
    if (id == v->Id(kSlotValuesList)) {
      if (selChange) {
        v->ValuesChanged();
      }
      return true;
    }
    if (id == v->Id(kSlotSmoothList)) {
      if (selChange) {
        v->SmoothChanged();
      }
      return true;
    }
    if (id == v->Id(kSlotOrderByList)) {
      if (selChange) {
        v->OrderHosts();
      }
      return true;
    }
    if (id == (v == &v1 ? 1041 : 1042)) {
      v->OrderHosts();
      return true;
    }
    if (id == v->Id(kSlotHexagramMethodList)) {
      if (selChange) {
        v->HexagramMethodChanged();
      }
      return true;
    }
    if (id == v->Id(kSlotHexagramLanguageList)) {
      if (selChange) {
        v->HexagramLanguageChanged();
      }
      return true;
    }
  }
  return false;
}

// ---------------------------------------------------------------- scrolls, volume, mute

void CMainDialog::OnScroll(int id, int code, int thumb) {
  switch (id) {
    case 1083:
    case 1086:
      view1Main().StepPosition(code);
      break;
    case 1087:
    case 1088:
      view2Main().StepPosition(code);
      break;
    case 1082:
      view1Graph().ScrollHosts(code, thumb);
      break;
    case 1084:
      view2Graph().ScrollHosts(code, thumb);
      break;
    case kIdVolume:
      OnVolume(code, thumb);
      break;
    default:
      break;
  }
}

void CMainDialog::ApplyVolume() {
  const CSettings& settings = *context_.settings;
  context_.engine->SetVolume(settings.volume, settings.mute == 1);
}

void CMainDialog::OnVolume(int code, int thumb) {
  int pos = 0;
  if (code == kTrackbarThumbTrack) {
    pos = thumb;
  } else if (code == kTrackbarEndTrack) {
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
  if (view1Graph().GraphClick(point.x, point.y) != -1) {
    return;
  }
  // A hidden graph takes no clicks.
  if (dialog.IsVisible(view2Graph().Id(kSlotImage))) {
    view2Graph().GraphClick(point.x, point.y);
  }
}

bool CMainDialog::OnKey(int key) {
  if (key != kVirtualKeyEscape) {
    return false;
  }
  OnCommand(kIdExit, kNotifyClicked);
  return true;
}

// ---------------------------------------------------------------- tick and engine

void CMainDialog::OnTick() {
  // A tick from inside a message box that an earlier tick opened does nothing.
  if (tickBusy_ != 0) {
    return;
  }
  tickBusy_ = 1;
  if (hoverPoll_) {
    hoverPoll_();
  }
  if (context_.engine->IsRendering()) {
    view1Main().Advance();
    view2Main().Advance();
  }
  tickBusy_ = 0;
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
  context_.dialog->ShowMessageBox(text, caption, MessageBoxStyle::kOk, detail);
}

void CMainDialog::OnUnknownStation(uint32_t id, const std::string& text) {
  for (int v = 0; v < 2; ++v) {
    context_.dialog->AddItemWithData(views_[size_t(v)]->Id(kSlotStationList), text, int(id));
  }
}

}  // namespace tessaly
