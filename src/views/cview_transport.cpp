// CView: Set, Play, Stop and the playback advance, the source and the sound box.

#include "views/cview.h"

#include "samples/clock.h"
#include "settings/ini.h"
#include "settings/settings.h"
#include "views/dialog_controls.h"
#include "views/playback_engine.h"

namespace tessaly {

bool CView::Set(int64_t time) {
  if (!isMain()) {
    return false;
  }
  CView& graph = *companion;
  const BlockPtr previous = currentBlock;
  const int64_t t = time != 0 ? time : ReadSelectors();
  const int64_t from = t - graph.cursorColumn;
  BlockPtr found;
  if (store != nullptr) {
    const int64_t failuresBefore = store->failedFetches();
    // A view that follows the present fetches what comes after t itself.
    const bool followingAhead = following && store->FindBlock(t, true);
    // A failed fetch was reported already: do not ask for it a second time.
    if (!followingAhead && !store->EnsureAfter(t, columns - cursorColumn + 60) &&
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
    if (!context_.closing) {  // a request cancelled at exit fails without a word
      Dialog().ShowMessageBox(kCannotReceiveText, kCannotReceiveCaption, MessageBoxStyle::kOk);
    }
    return false;
  }
  if (!previous) {
    if (context_.ini != nullptr && !context_.ini->storedVersion && found->stationCount > 0) {
      const int32_t id = int32_t(found->stationIds[0]);
      SetStationSetting(id);
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
  ResetStationScroll();
  position = 0;
  graph.position = 0;
  Refresh(t);
  return true;
}

void CView::Play() {
  if (!isMain()) {
    return;
  }
  // A view that follows the present starts the delay behind it.
  if (following && !StartLive()) {
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
  ResetStationScroll();
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
  if (following) {
    AdvanceLive(t);
    return;
  }
  const bool ahead = store->EnsureAfter(t, columns - cursorColumn + 60) != nullptr;
  // Stopped meanwhile: by a failed fetch (the user has been told), or by
  // "Stop" while the window waited for the data.
  if (!playing()) {
    return;
  }
  if (ahead) {
    Refresh(t);
    return;
  }
  const BlockPtr b = store->FindBlock(position, true);
  if (!b || !store->FindRange(b->dataEnd + 1, b->dataEnd + 600, true)) {
    if (playing()) {
      Stop();
    }
    return;
  }
  if (playing()) {
    Refresh(t);
  }
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
  Dialog().PostCommand(Id(kSlotSet), NotifyCode::kClicked);
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

}  // namespace tessaly
