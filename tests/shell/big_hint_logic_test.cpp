#include "shell/big_hint_logic.h"

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <set>
#include <utility>
#include <vector>

#include "samples/station_table.h"
#include "samples/utc_time.h"
#include "support/fake_big_hint_window.h"
#include "support/fake_dialog.h"

namespace tessaly {
namespace {

class FixedClock : public Clock {
 public:
  int64_t Now() const override { return 1710100000; }
};

// Fills a block with the given stations; station column k at second offset j
// holds 50 + 10k + j % 7, except the holes, which hold 0 (no sample).
class ListSource : public BlockSource {
 public:
  bool Fill(SampleStore&, SampleBlock& b) override {
    b.dataStart = b.requestStart;
    b.dataEnd = b.requestEnd;
    b.secondCount = int32_t(b.requestEnd - b.requestStart + 1);
    b.rowsFilled = b.secondCount;
    b.stationCount = int32_t(stations.size());
    b.values.assign(stations.size() * size_t(b.secondCount), 0);
    for (size_t k = 0; k < stations.size(); ++k) {
      b.stationIds[k] = stations[k];
      for (int j = 0; j < b.secondCount; ++j) {
        const bool hole = holes.count({stations[k], b.dataStart + j}) != 0;
        b.values[k * size_t(b.secondCount) + size_t(j)] =
            hole ? 0 : uint16_t(50 + 10 * int(k) + j % 7);
      }
    }
    return true;
  }
  std::vector<uint32_t> stations;
  std::set<std::pair<uint32_t, int64_t>> holes;
};

const int64_t kT0 = MakeUtc(2024, 3, 10, 12, 0, 0);

std::string Expected(const char* head, int64_t t, int value) {
  return std::string(head) + "\r\n" + FormatTime(t) + "   " + std::to_string(value);
}

// A store with one block of five stations at kT0..kT0+999: Kingston (1), 37,
// the registered unknown 5000, the unregistered 6000, and Cambridge (100).
struct World {
  World() {
    source.stations = {1, 37, 5000, 6000, 100};
    source.holes.insert({37, kT0 + 5});
    RegisterStation(store, 5000);
    block = store.CreateBlocks(kT0, kT0 + 999);
    // View 2 shows the stations in reverse; View 1 in block order.
    for (int k = 0; k < 5; ++k) {
      block->rank[1][size_t(k)] = 4 - k;
    }
  }

  // The picture of view index i as a dialog shows it, at `position`.
  HintPicture Picture(int index, int64_t position) const {
    HintPicture p;
    p.index = index;
    p.rect = dialog.ControlScreenRect(kImageControlIds[index]);
    p.columns = (p.rect.right - p.rect.left + 3) / 4;
    const ScreenRect mainRect = dialog.ControlScreenRect(kImageControlIds[index & 1]);
    const int mainColumns = (mainRect.right - mainRect.left + 3) / 4;
    p.cursorColumn = p.columns - mainColumns / 2;
    p.position = position;
    p.station = index < 2 ? 1 : 0;
    p.currentBlock = block;
    p.store = &store;
    return p;
  }

  FixedClock clock;
  ListSource source;
  SampleStore store{kSourceServer, clock, &source};
  BlockPtr block;
  FakeDialog dialog;
};

TEST(StationTextTest, MainStripNamesTheSecondOfTheColumnUnderThePointer) {
  World w;
  const int64_t pos = kT0 + 100;
  const HintPicture strip = w.Picture(0, pos);  // 345 px: 87 columns, shift 3, cursor 44
  ASSERT_EQ(strip.columns, 87);
  ASSERT_EQ(strip.cursorColumn, 44);
  std::string text;

  // The cursor column covers x = 173..176; every one of its pixels is `position`.
  for (int x = 173; x <= 176; ++x) {
    ASSERT_EQ(StationText(strip, {strip.rect.left + x, strip.rect.top + 5}, text), kIdView1Image)
        << x;
    EXPECT_EQ(text, Expected("1 - Kingston, NJ, USA (40.364 -74.656)", pos, 50 + 100 % 7)) << x;
  }
  EXPECT_EQ(SecondAt(strip, strip.rect.left + 172), pos - 1);
  EXPECT_EQ(SecondAt(strip, strip.rect.left + 177), pos + 1);
  // The cut column 0 is one pixel wide; the last column ends at the right edge.
  EXPECT_EQ(SecondAt(strip, strip.rect.left), pos - 44);
  EXPECT_EQ(SecondAt(strip, strip.rect.left + 1), pos - 43);
  EXPECT_EQ(SecondAt(strip, strip.rect.right - 4), pos + 42);
  EXPECT_EQ(SecondAt(strip, strip.rect.right - 5), pos + 41);

  // The graph's last column shows the same second as the strip's.
  const HintPicture graph = w.Picture(2, pos);
  ASSERT_EQ(graph.columns, 157);
  ASSERT_EQ(graph.cursorColumn, 114);
  EXPECT_EQ(SecondAt(graph, graph.rect.right - 1), pos + 42);
}

TEST(StationTextTest, GraphRowsFollowTheViewsOwnOrderFromFirstRow) {
  World w;
  const int64_t pos = kT0 + 10;
  HintPicture graph = w.Picture(3, pos);                       // View 2: ranks reversed
  const int x = graph.rect.left + 4 * graph.cursorColumn - 1;  // shift 1: the cursor column
  ASSERT_EQ(SecondAt(graph, x), pos);
  std::string text;

  EXPECT_EQ(StationText(graph, {x, graph.rect.top}, text), kIdView2GraphImage);
  EXPECT_EQ(text, Expected("100 - Cambridge, Cambridgeshire, UK (52.205 0.119)", pos, 90 + 10 % 7));

  graph.firstRow = 1;
  const auto at = [&](int dy) { return StationText(graph, {x, graph.rect.top + dy}, text); };
  EXPECT_EQ(at(3), 0) << "rank 1 is 6000, which neither the table nor the store knows";
  EXPECT_EQ(at(4), kIdView2GraphImage);
  EXPECT_EQ(text, Expected("5000 (unknown)", pos, 70 + 10 % 7));
  EXPECT_EQ(at(8), kIdView2GraphImage);
  EXPECT_EQ(text, Expected("37 - Neuchatel, Switzerland (47.079 7.062)", pos, 60 + 10 % 7));
  EXPECT_EQ(at(12), kIdView2GraphImage);
  EXPECT_EQ(text.substr(0, 4), "1 - ");
  EXPECT_EQ(at(16), 0) << "rank 5: below the block's stations";

  // View 1's graph orders by block column: its top row is station 1.
  HintPicture graph1 = w.Picture(2, pos);
  EXPECT_EQ(StationText(graph1, {x - graph.rect.left + graph1.rect.left, graph1.rect.top}, text),
            kIdView1GraphImage);
  EXPECT_EQ(text.substr(0, 4), "1 - ");
}

TEST(StationTextTest, NothingToSayOutsideTheDataAndOutsideThePicture) {
  World w;
  const int64_t pos = kT0 + 5;
  HintPicture strip = w.Picture(1, pos);  // View 2 main, kIdView2Image
  strip.station = 37;
  const ScreenPoint cursor{strip.rect.left + 175, strip.rect.top + 2};
  std::string text = "untouched";

  // A second the block holds without a sample shows 0.
  ASSERT_EQ(StationText(strip, cursor, text), kIdView2Image);
  EXPECT_EQ(text, Expected("37 - Neuchatel, Switzerland (47.079 7.062)", pos, 0));

  // Both edges past the last pixel are outside.
  text = "untouched";
  EXPECT_EQ(StationText(strip, {strip.rect.right, cursor.y}, text), -1);
  EXPECT_EQ(StationText(strip, {cursor.x, strip.rect.bottom}, text), -1);
  EXPECT_EQ(text, "untouched");

  HintPicture noBlock = strip;
  noBlock.currentBlock = nullptr;
  EXPECT_EQ(StationText(noBlock, cursor, text), 0);

  // Columns past the end of the loaded data.
  HintPicture atEnd = w.Picture(1, kT0 + 999);
  EXPECT_EQ(StationText(atEnd, {atEnd.rect.left + 175, atEnd.rect.top}, text), kIdView2Image);
  EXPECT_EQ(StationText(atEnd, {atEnd.rect.left + 180, atEnd.rect.top}, text), 0);

  text = "untouched";
  HintPicture unknown = strip;
  unknown.station = -3;
  EXPECT_EQ(StationText(unknown, cursor, text), 0);
  EXPECT_EQ(text, "untouched");
}

TEST(StationTextTest, AStationMissingFromTheLastBlockShowsMinusOne) {
  World w;
  w.source.stations = {1};
  ASSERT_TRUE(w.store.CreateBlocks(kT0 + 900, kT0 + 1599));
  HintPicture strip = w.Picture(0, kT0 + 950);
  strip.station = 37;
  std::string text;
  ASSERT_EQ(StationText(strip, {strip.rect.left + 175, strip.rect.top}, text), kIdView1Image);
  EXPECT_EQ(text, Expected("37 - Neuchatel, Switzerland (47.079 7.062)", kT0 + 950, -1));
}

TEST(StationTextTest, TheGapAndTheMeanBandBelowTheRowsNameNoStation) {
  World w;
  std::vector<uint32_t> ids;
  for (uint32_t id = 7000; id < 7030; ++id) {
    RegisterStation(w.store, id);
    ids.push_back(id);
  }
  w.source.stations = ids;
  HintPicture graph = w.Picture(2, kT0 + 1500);
  graph.currentBlock = w.store.CreateBlocks(kT0 + 1200, kT0 + 1999);
  ASSERT_TRUE(graph.currentBlock);
  const int x = graph.rect.left + 300;
  std::string text;
  EXPECT_EQ(StationText(graph, {x, graph.rect.top + 99}, text),
            kIdView1GraphImage);  // the 25th row
  EXPECT_EQ(text.substr(0, 15), "7024 (unknown)\r");
  EXPECT_EQ(StationText(graph, {x, graph.rect.top + 100}, text), 0);
  EXPECT_EQ(StationText(graph, {x, graph.rect.top + 109}, text), 0);
}

// --- The window's shape and place

TEST(PlaceHintTest, CentredOnTheAnchorBelowThePointer) {
  ScreenPoint anchor{1010, 510};
  const HintPlacement p = PlaceHint("x", {186, 32}, anchor, {0, 0, 1920, 1040}, nullptr);
  EXPECT_EQ(p.window, (ScreenRect{910, 510, 1110, 566}));  // 200 x (32 + 24)
  EXPECT_EQ(p.bottomRow, 55);
  EXPECT_EQ(p.textBox, (ScreenRect{6, 18, 194, 50}));
  EXPECT_EQ(p.text, "x");

  // Shown at the same anchor, it stays where it was whatever its new size.
  const ScreenPoint previous{300, 40};
  const HintPlacement q = PlaceHint("x", {300, 16}, anchor, {0, 0, 1920, 1040}, &previous);
  EXPECT_EQ(q.window, (ScreenRect{300, 40, 614, 80}));
}

TEST(PlaceHintTest, EdgesOfTheWorkAreaAndWideBoxes) {
  const ScreenRect work{100, 0, 1920, 1040};
  const auto left = [&](int anchorX, int textWidth) {
    ScreenPoint anchor{anchorX, 500};
    return PlaceHint("x", {textWidth, 16}, anchor, work, nullptr).window.left;
  };
  EXPECT_EQ(left(1900, 186), 1720) << "moved left to end at the work area's edge";
  EXPECT_EQ(left(180, 186), 100) << "starts at the work area's left edge";
  EXPECT_EQ(left(110, 186), 110) << "anchor within 16 px of the box's left edge: start there";
  EXPECT_EQ(left(1000, 386), 600) << "a box wider than 368 px ends at the anchor";
  EXPECT_EQ(left(250, 386), 100) << "unless the anchor is within 184 px of its left edge";

  ScreenPoint anchor{2500, 500};
  const HintPlacement p = PlaceHint("x", {186, 16}, anchor, work, nullptr);
  EXPECT_EQ(anchor.x, 1920);
  EXPECT_EQ(p.window.right, 1920) << "clamped to the edge, the box ends at it";
  anchor = {40, 500};
  PlaceHint("x", {186, 16}, anchor, work, nullptr);
  EXPECT_EQ(anchor.x, 100);
}

bool InRegion(const std::vector<ScreenRect>& region, int x, int y) {
  for (const ScreenRect& r : region) {
    if (x >= r.left && x < r.right && y >= r.top && y < r.bottom) {
      return true;
    }
  }
  return false;
}

TEST(HintRegionTest, RoundedBoxBelowTheTopGap) {
  const int w = 30;
  const int b = 40;
  const std::vector<ScreenRect> region = HintRegion(w, b);
  // Where each row starts (and, mirrored, ends); -1 = nothing.
  const std::map<int, int> rowStart = {{0, -1}, {11, -1}, {12, 4}, {13, 2}, {14, 1},
                                       {15, 1}, {16, 0},  {36, 0}, {37, 1}, {38, 1},
                                       {39, 2}, {40, 4},  {41, -1}};
  for (const auto& [y, start] : rowStart) {
    for (int x = -1; x <= w; ++x) {
      const bool inside = start >= 0 && x >= start && x < w - start;
      EXPECT_EQ(InRegion(region, x, y), inside) << x << "," << y;
    }
  }
  // The bands do not overlap: their areas add up to the pixel count.
  int area = 0;
  for (const ScreenRect& r : region) {
    area += (r.right - r.left) * (r.bottom - r.top);
  }
  EXPECT_EQ(area, w * (b - 11) - 2 * 2 * (4 + 2 + 1 + 1));

  // Every rounding pixel of the outline lies on the visible box.
  const HintOutline outline = HintOutlineOf(w, b);
  EXPECT_EQ(outline.pixels.size(), 16u);
  for (const ScreenPoint& p : outline.pixels) {
    EXPECT_TRUE(InRegion(region, p.x, p.y)) << p.x << "," << p.y;
  }
  EXPECT_TRUE(HintRegion(0, 40).empty());
}

// --- Showing and hiding

// The tooltip beside a fake dialog, with the tick and the tooltip's timers run
// on a simulated clock.
struct Hover {
  Hover() {
    hint.SetDisplayTime(kHintStartupDisplaySeconds);
    // The dialog's top-left corner: background, away from the pictures.
    const ScreenPoint corner{200 + 1, 100 + 1};
    if (w.dialog.ControlAt(corner) == kHitDialog) {
      background = corner;
    }
  }

  std::vector<HintPicture> Pictures() const {
    std::vector<HintPicture> pictures;
    for (int i = 0; i < 4; ++i) {
      pictures.push_back(w.Picture(i, position));
    }
    return pictures;
  }

  // The graph of View 1 at the column of second `t`, row `row`.
  ScreenPoint OnGraph(int64_t t, int row) const {
    const ScreenRect r = w.dialog.ControlScreenRect(kIdView1GraphImage);
    return {r.left + 4 * int(t - position + 114) - 1, r.top + 4 * row + 1};
  }

  void MoveTo(ScreenPoint p) { w.dialog.SetCursorPos(p); }

  // From the background onto the graph, resting until the tip shows.
  void ShowOnGraph(int row) {
    MoveTo(*background);
    Run(100);
    MoveTo(OnGraph(position, row));
    Run(600);
  }

  // Tick by tick for `ms` milliseconds; the tooltip's timers fire when due.
  void Run(int ms) {
    for (const int64_t end = nowMs + ms; nowMs < end;) {
      nowMs += 100;
      for (int id : {kHintShowTimerId, kHintDisplayTimerId}) {
        if (w.dialog.TimerRunning(id) && due[id] <= nowMs) {
          due[id] += w.dialog.TimerInterval(id);
          w.dialog.FireTimer(id);
          Sync();
        }
      }
      hint.Poll();
      Sync();
    }
  }

  // Notes the start time of a timer started since the last look.
  void Sync() {
    for (int id : {kHintShowTimerId, kHintDisplayTimerId}) {
      if (w.dialog.TimerStartCount(id) != starts[id]) {
        starts[id] = w.dialog.TimerStartCount(id);
        due[id] = nowMs + w.dialog.TimerInterval(id);
      }
    }
  }

  World w;
  int64_t position = kT0 + 300;
  FakeBigHintWindow window;
  BigHintLogic hint{w.dialog, window, [this] { return Pictures(); }};
  std::optional<ScreenPoint> background;
  int64_t nowMs = 0;
  std::map<int, int64_t> due;
  std::map<int, int> starts;
};

TEST(BigHintLogicTest, ShowsAfterHalfASecondCentredBelowThePointer) {
  Hover h;
  ASSERT_TRUE(h.background);
  h.MoveTo(*h.background);
  h.Run(300);
  const ScreenPoint p = h.OnGraph(h.position + 3, 0);
  h.MoveTo(p);
  h.Run(200);
  EXPECT_FALSE(h.window.visible);
  EXPECT_EQ(h.hint.currentId(), kIdView1GraphImage);
  // Moving on while the delay runs does not cut it short.
  const ScreenPoint q = h.OnGraph(h.position + 4, 0);
  h.MoveTo(q);
  h.Run(300);
  EXPECT_FALSE(h.window.visible);
  h.Run(100);
  ASSERT_TRUE(h.window.visible);
  EXPECT_EQ(h.window.last.text,
            Expected("1 - Kingston, NJ, USA (40.364 -74.656)", h.position + 4, 50 + 304 % 7));
  const ScreenRect& win = h.window.last.window;
  EXPECT_EQ(win.top, q.y + 10);
  EXPECT_EQ(win.left, q.x + 10 - (win.right - win.left) / 2);
  EXPECT_EQ(win.right - win.left, 7 * 38 + 14);  // the wider first line
}

TEST(BigHintLogicTest, StaysWhileRestingAndTheDisplayTimerHidesItWithoutTicks) {
  Hover h;
  h.ShowOnGraph(2);
  ASSERT_TRUE(h.window.visible);
  h.Run(30000);
  EXPECT_TRUE(h.window.visible) << "every tick over a picture stops the display timer";
  EXPECT_FALSE(h.w.dialog.TimerRunning(kHintDisplayTimerId));

  // Shown again (another second) and then no tick for a while, as under a
  // message box: the display timer hides it.
  h.MoveTo(h.OnGraph(h.position + 1, 2));
  h.hint.Poll();
  ASSERT_TRUE(h.window.visible);
  EXPECT_EQ(h.w.dialog.TimerInterval(kHintDisplayTimerId), 15000);
  ASSERT_TRUE(h.w.dialog.FireTimer(kHintDisplayTimerId));
  EXPECT_FALSE(h.window.visible);
  EXPECT_FALSE(h.hint.shown());
}

TEST(BigHintLogicTest, PressHidesUntilThePointerReachesAnotherSecondOrStation) {
  Hover h;
  h.ShowOnGraph(0);
  ASSERT_TRUE(h.window.visible);

  h.hint.Hide();  // a mouse button went down
  EXPECT_FALSE(h.window.visible);
  h.Run(2000);
  EXPECT_FALSE(h.window.visible) << "resting on the same second keeps it hidden";

  const ScreenPoint next = h.OnGraph(h.position, 1);  // another station, same second
  h.MoveTo(next);
  h.Run(100);
  ASSERT_TRUE(h.window.visible) << "no new delay";
  EXPECT_EQ(h.window.last.text.substr(0, 5), "37 - ");
  EXPECT_EQ(h.window.last.window.top, next.y + 10) << "it follows the pointer";

  // Over the same picture it follows the pointer at once.
  const ScreenPoint later = h.OnGraph(h.position + 20, 1);
  h.MoveTo(later);
  h.Run(100);
  EXPECT_TRUE(h.window.visible);
  EXPECT_EQ(h.window.last.text.substr(h.window.last.text.find('\n') + 1, 19),
            FormatTime(h.position + 20));
}

TEST(BigHintLogicTest, LeavingHidesAndComingBackWaitsAgain) {
  Hover h;
  h.ShowOnGraph(0);
  ASSERT_TRUE(h.window.visible);

  h.MoveTo(*h.background);
  h.Run(100);
  EXPECT_FALSE(h.window.visible);
  EXPECT_EQ(h.hint.currentId(), 0);

  h.MoveTo(h.OnGraph(h.position, 0));
  h.Run(500);
  EXPECT_FALSE(h.window.visible);
  h.Run(100);
  EXPECT_TRUE(h.window.visible);

  // Leaving while the delay runs cancels the show.
  h.MoveTo(*h.background);
  h.Run(100);
  h.MoveTo(h.OnGraph(h.position, 0));
  h.Run(200);
  h.MoveTo(*h.background);
  h.Run(1000);
  EXPECT_FALSE(h.window.visible);
  EXPECT_FALSE(h.w.dialog.TimerRunning(kHintShowTimerId));
}

TEST(BigHintLogicTest, OrdinaryControlsAndEmptyPlacesShowNothing) {
  Hover h;
  h.MoveTo(*h.background);
  h.Run(100);
  // Straight from the graph onto a button: hidden, and no new show.
  h.MoveTo(h.OnGraph(h.position, 0));
  h.Run(600);
  ASSERT_TRUE(h.window.visible);
  const ScreenPoint button = h.w.dialog.PointIn(kIdView1Play, 3, 3);
  h.MoveTo(button);
  h.Run(100);
  EXPECT_FALSE(h.window.visible);
  EXPECT_EQ(h.hint.currentId(), kIdView1Play);
  EXPECT_FALSE(h.w.dialog.TimerRunning(kHintShowTimerId));

  // Arriving at the button from the background waits and then shows nothing.
  h.MoveTo(*h.background);
  h.Run(100);
  h.MoveTo(button);
  h.Run(1000);
  EXPECT_FALSE(h.window.visible);
  EXPECT_EQ(h.window.showCount, 1);

  // A picture without data under the pointer counts as background.
  h.position = kT0 + 5000;
  h.MoveTo(h.OnGraph(h.position, 0));
  h.Run(1000);
  EXPECT_FALSE(h.window.visible);
  EXPECT_EQ(h.hint.currentId(), 0);
}

TEST(BigHintLogicTest, DestructionStopsTheTimersAndHides) {
  World w;
  FakeDialog& dialog = w.dialog;
  FakeBigHintWindow window;
  {
    BigHintLogic hint(dialog, window,
                      [&] { return std::vector<HintPicture>{w.Picture(0, kT0 + 100)}; });
    dialog.SetCursorPos(dialog.PointIn(kIdView1Image, 100, 3));
    hint.Poll();
    ASSERT_TRUE(dialog.TimerRunning(kHintShowTimerId));
    ASSERT_TRUE(dialog.FireTimer(kHintShowTimerId));
    ASSERT_TRUE(window.visible);
    ASSERT_TRUE(dialog.TimerRunning(kHintDisplayTimerId));
  }
  EXPECT_FALSE(window.visible);
  EXPECT_FALSE(dialog.TimerRunning(kHintShowTimerId));
  EXPECT_FALSE(dialog.TimerRunning(kHintDisplayTimerId));
}

}  // namespace
}  // namespace tessaly
