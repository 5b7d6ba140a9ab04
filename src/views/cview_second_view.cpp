// CView: showing View 2 and copying one view's settings to the other.

#include "views/cview.h"

#include "settings/settings.h"
#include "views/dialog_controls.h"

namespace tessaly {

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

  d.SetStationSetting(settings.station[sv]);
  d.station = s.station;
  const int row = RowOf(d.store, settings.station[sv]);
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
  settings.stationSortMode[dv] = settings.stationSortMode[sv];

  d.position = s.position;
  d.companion->position = s.position;
  d.Set(d.position);
}

}  // namespace tessaly
