#include "shell/big_hint_logic.h"

#include <algorithm>
#include <utility>

#include "samples/station_table.h"
#include "samples/utc_time.h"
#include "views/dialog_controls.h"
#include "views/main_dialog.h"

namespace tessaly {

namespace {

bool Inside(const ScreenRect& r, ScreenPoint p) {
  return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom;
}

// One row of a region: half-open spans [first, second) from left to right.
using Spans = std::vector<std::pair<int, int>>;

void Subtract(std::vector<Spans>& rows, const ScreenRect& cut) {
  const int top = std::max(cut.top, 0);
  const int bottom = std::min(cut.bottom, int(rows.size()));
  for (int y = top; y < bottom; ++y) {
    Spans kept;
    for (const auto& [a, b] : rows[size_t(y)]) {
      if (std::min(b, cut.left) > a) {
        kept.emplace_back(a, std::min(b, cut.left));
      }
      if (std::max(a, cut.right) < b) {
        kept.emplace_back(std::max(a, cut.right), b);
      }
    }
    rows[size_t(y)] = std::move(kept);
  }
}

}  // namespace

bool IsImageControl(int id) {
  return std::find(std::begin(kImageControlIds), std::end(kImageControlIds), id) !=
         std::end(kImageControlIds);
}

// Columns end flush with the right edge and are 4 pixels wide, exactly as
// they are painted, so the last pixel belongs to column columns - 1.
int64_t SecondAt(const HintPicture& picture, int x) {
  const int column = picture.columns - 1 - (picture.rect.right - 1 - x) / 4;
  return picture.position - picture.cursorColumn + column;
}

int32_t GraphRowAt(const HintPicture& picture, int y) {
  const int visibleRows = (picture.rect.bottom - picture.rect.top) / 4 - 2;
  const int offset = (y - picture.rect.top) / 4;
  if (offset < 0 || offset >= visibleRows) {
    return -1;  // the gap and the mean band show no single station
  }
  return offset + picture.firstRow;
}

int StationText(const HintPicture& picture, ScreenPoint p, std::string& text) {
  if (picture.index < 0 || picture.index > 3 || !Inside(picture.rect, p)) {
    return -1;
  }
  if (!picture.currentBlock || picture.store == nullptr) {
    return 0;
  }
  const SampleStore& store = *picture.store;
  const int64_t t = SecondAt(picture, p.x);
  if (!store.FindBlock(t, false)) {
    return 0;
  }

  int32_t station = picture.station;
  if (picture.index >= 2) {
    const SampleBlock& block = *picture.currentBlock;
    const int32_t row = GraphRowAt(picture, p.y);
    if (row < 0 || block.stationCount < 1 || row >= block.stationCount) {
      return 0;
    }
    const auto& ranks = block.rank[size_t(picture.index & 1)];
    const int count = std::min(block.stationCount, kMaxStations);
    int column = -1;
    for (int k = 0; k < count; ++k) {
      if (ranks[size_t(k)] == row) {
        column = k;
        break;
      }
    }
    if (column < 0) {
      return 0;
    }
    station = static_cast<int32_t>(block.stationIds[size_t(column)]);
  }
  if (station < 0) {
    return 0;
  }
  const uint32_t id = static_cast<uint32_t>(station);
  if (FindStationRow(store, id) < 0) {
    return 0;
  }

  // -1 when the store has no sample of the station then, 0 for a second the
  // block holds without one: both are shown as they are.
  const int32_t value = store.GetValue(t, id);
  const std::string tail = "\r\n" + FormatTime(t) + "   " + std::to_string(value);
  if (const StationRecord* record = FindStationRecord(id)) {
    text = StationListText(store, id) + " (" + record->coordinates + ")" + tail;
  } else {
    text = std::to_string(station) + " (unknown)" + tail;
  }
  return kImageControlIds[picture.index];
}

std::vector<ScreenRect> HintRegion(int width, int bottomRow) {
  std::vector<ScreenRect> bands;
  if (width <= 0 || bottomRow < 0) {
    return bands;
  }
  const int w = width;
  const int b = bottomRow;
  std::vector<Spans> rows(size_t(b) + 1, Spans{{0, w}});
  const ScreenRect cuts[] = {
      {0, 0, w, kHintTopGap},
      // top left, bottom left, top right, bottom right
      {0, 12, 4, 13},
      {0, 13, 2, 14},
      {0, 14, 1, 16},
      {0, b, 4, b + 1},
      {0, b - 1, 2, b},
      {0, b - 3, 1, b - 1},
      {w - 4, 12, w, 13},
      {w - 2, 13, w, 14},
      {w - 1, 14, w, 16},
      {w - 4, b, w, b + 1},
      {w - 2, b - 1, w, b},
      {w - 1, b - 3, w, b - 1},
  };
  for (const ScreenRect& cut : cuts) {
    Subtract(rows, cut);
  }
  // Rows with the same spans make one band.
  size_t y = 0;
  while (y < rows.size()) {
    size_t end = y + 1;
    while (end < rows.size() && rows[end] == rows[y]) {
      ++end;
    }
    for (const auto& [a, c] : rows[y]) {
      bands.push_back({a, int(y), c, int(end)});
    }
    y = end;
  }
  return bands;
}

HintOutline HintOutlineOf(int width, int bottomRow) {
  const int w = width;
  const int b = bottomRow;
  HintOutline outline;
  outline.lines = {{0, 0, 1, b + 1},
                   {w - 1, 0, w, b + 1},
                   {0, kHintTopGap, w, kHintTopGap + 1},
                   {0, b, w, b + 1}};
  outline.pixels = {{2, 13},        {3, 13},        {1, 14},        {1, 15},
                    {w - 4, 13},    {w - 3, 13},    {w - 2, 14},    {w - 2, 15},
                    {w - 4, b - 1}, {w - 3, b - 1}, {w - 2, b - 2}, {w - 2, b - 3},
                    {2, b - 1},     {3, b - 1},     {1, b - 2},     {1, b - 3}};
  return outline;
}

HintPlacement PlaceHint(const std::string& text, HintSize textSize, ScreenPoint& anchor,
                        const ScreenRect& workArea, const ScreenPoint* previous) {
  const int w = textSize.width + 14;
  const int h = textSize.height + 24;  // top gap 12 + 11 + text + 1
  const int b = h - 1;

  anchor.x = std::min(anchor.x, workArea.right);
  anchor.x = std::max(anchor.x, workArea.left);

  ScreenPoint pos;
  if (previous != nullptr) {
    pos = *previous;
  } else {
    int x = anchor.x - w / 2;
    if (x < workArea.left) {
      x = workArea.left;
    }
    if (x + w > workArea.right) {
      x = workArea.right - w;
    }
    // A box that would barely reach left of the anchor starts at it; a wide
    // one that would stick out far to the right ends at it.
    int d = anchor.x - x;
    if (d < 16) {
      x = anchor.x;
      d = 0;
    }
    if (d > 184) {
      x = x + d - w;
    }
    pos = {x, anchor.y};
  }

  HintPlacement placement;
  placement.window = {pos.x, pos.y, pos.x + w, pos.y + h};
  placement.textBox = {6, kHintTopGap + 6, 6 + (w - 12), kHintTopGap + 6 + textSize.height};
  placement.bottomRow = b;
  placement.text = text;
  placement.region = HintRegion(w, b);
  return placement;
}

// --- BigHintLogic

BigHintLogic::BigHintLogic(HintHost& host, BigHintWindow& window,
                           std::function<std::vector<HintPicture>()> pictures)
    : host_(host), window_(window), pictures_(std::move(pictures)) {}

BigHintLogic::~BigHintLogic() {
  StopShowTimer();
  StopDisplayTimer();
  if (shown_) {
    window_.Hide();
  }
}

BigHintLogic::Hit BigHintLogic::HitTest() {
  const ScreenPoint p = host_.CursorPos();
  const int under = host_.ControlAt(p);
  if (under == kHitNothing) {
    return {};
  }
  Hit hit;
  if (under == kHitDialog) {
    // The pictures let the pointer through to the dialog: ask the views.
    std::string text;
    int id = 0;
    if (pictures_) {
      for (const HintPicture& picture : pictures_()) {
        std::string candidate;
        if (StationText(picture, p, candidate) > 0) {
          id = kImageControlIds[picture.index];
          text = std::move(candidate);
          break;
        }
      }
    }
    if (text != text_) {
      text_ = std::move(text);
      textChanged_ = true;
    }
    hit.id = id;
    hit.hasText = true;
  } else {
    hit.id = under;
  }
  if (hit.id <= 0) {
    return {};
  }
  hit.pointer = p;
  hit.anchor = {p.x + 10, p.y + 10};
  return hit;
}

void BigHintLogic::Poll() {
  const Hit hit = HitTest();
  if (hit.id == 0) {
    StopShowTimer();
    if (shown_) {
      Hide();
    }
    currentId_ = 0;
    return;
  }
  if (currentId_ == 0) {
    anchor_ = hit.anchor;
    currentId_ = hit.id;
    showTimerRunning_ = host_.StartTimer(kHintShowTimerId, kHintShowDelayMs, [this] {
      ShowStep();
      StopShowTimer();
    });
    return;
  }
  if (hit.id == currentId_) {
    if (IsImageControl(hit.id)) {
      StopDisplayTimer();  // it stays while the pointer rests on a picture
    }
    // While the show delay runs, the timer shows whatever text is current then.
    if (textChanged_ && !showTimerRunning_) {
      ShowStep();
    }
    return;
  }
  currentId_ = hit.id;
  if (shown_) {
    Hide();
  }
  anchor_ = hit.anchor;
}

void BigHintLogic::ShowStep() {
  const Hit hit = HitTest();
  if (hit.id == 0) {
    Hide();
    return;
  }
  const bool samePlace = shown_ && hit.anchor == anchor_;
  anchor_ = hit.anchor;
  textChanged_ = false;  // what is current now is what gets shown (or hidden)
  if (!hit.hasText || !IsImageControl(hit.id) || text_.empty()) {
    Hide();
    return;
  }
  const HintSize size = window_.MeasureText(text_);
  const HintPlacement placement = PlaceHint(text_, size, anchor_, window_.WorkAreaAt(hit.pointer),
                                            samePlace ? &windowPos_ : nullptr);
  windowPos_ = {placement.window.left, placement.window.top};
  window_.Show(placement);
  shown_ = true;
  displayTimerRunning_ =
      host_.StartTimer(kHintDisplayTimerId, displaySeconds_ * 1000, [this] { Hide(); });
}

void BigHintLogic::Hide() {
  window_.Hide();
  shown_ = false;
  StopDisplayTimer();
}

void BigHintLogic::StopShowTimer() {
  if (showTimerRunning_) {
    host_.StopTimer(kHintShowTimerId);
    showTimerRunning_ = false;
  }
}

void BigHintLogic::StopDisplayTimer() {
  if (displayTimerRunning_) {
    host_.StopTimer(kHintDisplayTimerId);
    displayTimerRunning_ = false;
  }
}

std::vector<HintPicture> ViewPictures(const CMainDialog& dialog, const DialogControls& controls) {
  std::vector<HintPicture> pictures;
  for (int i = 0; i < 4; ++i) {
    const CView& v = dialog.view(i);
    HintPicture p;
    p.index = i;
    p.rect = controls.ControlScreenRect(v.Id(kSlotImage));
    p.columns = v.columns;
    p.cursorColumn = v.cursorColumn;
    p.position = v.position;
    p.station = v.station;
    p.firstRow = v.firstRow;
    p.currentBlock = v.currentBlock;
    p.store = v.store;
    pictures.push_back(p);
  }
  return pictures;
}

}  // namespace tessaly
