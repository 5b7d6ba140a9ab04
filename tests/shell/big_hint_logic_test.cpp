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
#include "support/fixed_clock.h"
#include "support/scripted_source.h"

namespace tessaly {
namespace {

const int64_t kT0 = MakeUtc(2024, 3, 10, 12, 0, 0);

std::string Expected(const char* head, int64_t t, int value) {
  return std::string(head) + "\r\n" + FormatTime(t) + "   " + std::to_string(value);
}
const char* const kKingston = "1 - Kingston, NJ, USA (40.364 -74.656)";
const char* const kNeuchatel = "37 - Neuchatel, Switzerland (47.079 7.062)";

// A store with one block of five stations at kT0..kT0+999: Kingston (1), 37,
// the registered unknown 5000, the unregistered 6000, and Cambridge (100).
// Column k at second offset j holds 50 + 10k + j % 7; station 37 has none at kT0 + 5.
struct World {
  World() {
    source.stations = {1, 37, 5000, 6000, 100};
    source.value = [](uint32_t id, int64_t t) {
      const int k = id == 1 ? 0 : id == 37 ? 1 : id == 5000 ? 2 : id == 6000 ? 3 : 4;
      return id == 37 && t == kT0 + 5 ? 0 : 50 + 10 * k + int(t - kT0) % 7;
    };
    RegisterStation(store, 5000);
    block = store.CreateBlocks(kT0, kT0 + 999);
    for (int k = 0; k < 5; ++k) {
      block->rank[1][size_t(k)] = 4 - k;  // View 2 shows the stations in reverse
    }
  }

  // The picture of view index i as a dialog shows it, at `position`.
  HintPicture Picture(int index, int64_t position) const {
    HintPicture p;
    p.index = index;
    p.rect = dialog.ControlScreenRect(kImageControlIds[index]);
    p.columns = (p.rect.right - p.rect.left + 3) / 4;
    const ScreenRect mainRect = dialog.ControlScreenRect(kImageControlIds[index & 1]);
    p.cursorColumn = p.columns - (mainRect.right - mainRect.left + 3) / 4 / 2;
    p.position = position;
    p.station = index < 2 ? 1 : 0;
    p.currentBlock = block;
    p.store = &store;
    return p;
  }

  FixedClock clock{1710100000};
  ScriptedSource source;
  SampleStore store{kSourceServer, clock, &source};
  BlockPtr block;
  FakeDialog dialog;
};

TEST(StationTextTest, NamesTheStationAndSecondUnderThePointer) {
  World w;
  const int64_t pos = kT0 + 100;
  const HintPicture strip = w.Picture(0, pos);  // 345 px: 87 columns, cursor 44
  ASSERT_EQ(strip.columns, 87);
  ASSERT_EQ(strip.cursorColumn, 44);
  std::string text;
  // The cursor column covers x = 173..176; every one of its pixels is `position`.
  for (int x = 173; x <= 176; ++x) {
    ASSERT_EQ(StationText(strip, {strip.rect.left + x, strip.rect.top + 5}, text), kIdView1Image);
    EXPECT_EQ(text, Expected(kKingston, pos, 50 + 100 % 7)) << x;
  }
  // The cut column 0 is one pixel wide; the last column ends at the right edge.
  const std::map<int, int64_t> seconds = {{172, -1}, {177, 1}, {0, -44}, {1, -43}, {340, 41}};
  for (const auto& [x, second] : seconds) {
    EXPECT_EQ(SecondAt(strip, strip.rect.left + x), pos + second) << x;
  }
  EXPECT_EQ(SecondAt(strip, strip.rect.right - 4), pos + 42);
  const HintPicture graph1 = w.Picture(2, pos);  // its last column shows the strip's
  ASSERT_EQ(graph1.columns, 157);
  ASSERT_EQ(graph1.cursorColumn, 114);
  EXPECT_EQ(SecondAt(graph1, graph1.rect.right - 1), pos + 42);

  // View 2's graph rows follow its own order (reversed) from its first row.
  HintPicture graph = w.Picture(3, kT0 + 10);
  const int x = graph.rect.left + 4 * graph.cursorColumn - 1;  // shift 1: the cursor column
  const auto at = [&](int dy) { return StationText(graph, {x, graph.rect.top + dy}, text); };
  EXPECT_EQ(at(0), kIdView2GraphImage);
  EXPECT_EQ(text, Expected("100 - Cambridge, Cambridgeshire, UK (52.205 0.119)", kT0 + 10, 93));
  graph.firstRow = 1;
  EXPECT_EQ(at(3), 0) << "rank 1 is 6000, which neither the table nor the store knows";
  EXPECT_EQ(at(4), kIdView2GraphImage);
  EXPECT_EQ(text, Expected("5000 (unknown)", kT0 + 10, 73));
  EXPECT_EQ(at(8), kIdView2GraphImage);
  EXPECT_EQ(text, Expected(kNeuchatel, kT0 + 10, 63));
  EXPECT_EQ(at(16), 0) << "rank 5: below the block's stations";
  EXPECT_EQ(StationText(graph1, {x - graph.rect.left + graph1.rect.left, graph1.rect.top}, text),
            kIdView1GraphImage);  // View 1's graph orders by block column
  EXPECT_EQ(text.substr(0, 4), "1 - ");
}

TEST(StationTextTest, NothingToSayOutsideTheDataAndOutsideThePicture) {
  World w;
  HintPicture strip = w.Picture(1, kT0 + 5);  // View 2 main, kIdView2Image
  strip.station = 37;
  const ScreenPoint cursor{strip.rect.left + 175, strip.rect.top + 2};
  std::string text = "untouched";
  ASSERT_EQ(StationText(strip, cursor, text), kIdView2Image);
  EXPECT_EQ(text, Expected(kNeuchatel, kT0 + 5, 0));  // held without a sample: 0
  text = "untouched";
  EXPECT_EQ(StationText(strip, {strip.rect.right, cursor.y}, text), -1);
  EXPECT_EQ(StationText(strip, {cursor.x, strip.rect.bottom}, text), -1);
  HintPicture noBlock = strip, unknown = strip;
  noBlock.currentBlock = nullptr;
  EXPECT_EQ(StationText(noBlock, cursor, text), 0);
  unknown.station = -3;
  EXPECT_EQ(StationText(unknown, cursor, text), 0);
  EXPECT_EQ(text, "untouched");
  HintPicture atEnd = w.Picture(1, kT0 + 999);  // columns past the loaded data
  EXPECT_EQ(StationText(atEnd, {atEnd.rect.left + 175, atEnd.rect.top}, text), kIdView2Image);
  EXPECT_EQ(StationText(atEnd, {atEnd.rect.left + 180, atEnd.rect.top}, text), 0);

  // A station missing from the last block shows -1.
  w.source.stations = {1};
  ASSERT_TRUE(w.store.CreateBlocks(kT0 + 900, kT0 + 1599));
  strip = w.Picture(0, kT0 + 950);
  strip.station = 37;
  ASSERT_EQ(StationText(strip, {strip.rect.left + 175, strip.rect.top}, text), kIdView1Image);
  EXPECT_EQ(text, Expected(kNeuchatel, kT0 + 950, -1));

  // The gap and the mean band below the 25 rows name no station.
  for (uint32_t id = 7000; id < 7030; ++id) {
    RegisterStation(w.store, id);
    w.source.stations.push_back(id);
  }
  HintPicture graph = w.Picture(2, kT0 + 1500);
  graph.currentBlock = w.store.CreateBlocks(kT0 + 1200, kT0 + 1999);
  EXPECT_EQ(StationText(graph, {graph.rect.left + 300, graph.rect.top + 99}, text),
            kIdView1GraphImage);
  EXPECT_EQ(text.substr(0, 15), "7023 (unknown)\r");
  EXPECT_EQ(StationText(graph, {graph.rect.left + 300, graph.rect.top + 100}, text), 0);
  EXPECT_EQ(StationText(graph, {graph.rect.left + 300, graph.rect.top + 109}, text), 0);
}

TEST(PlaceHintTest, BelowThePointerInsideTheWorkArea) {
  ScreenPoint anchor{1010, 510};
  const HintPlacement p = PlaceHint("x", {186, 32}, anchor, {0, 0, 1920, 1040}, nullptr);
  EXPECT_EQ(p.window, (ScreenRect{910, 510, 1110, 566}));  // 200 x (32 + 24)
  EXPECT_EQ(p.bottomRow, 55);
  EXPECT_EQ(p.textBox, (ScreenRect{6, 18, 194, 50}));
  EXPECT_EQ(p.text, "x");
  // Shown at the same anchor, it stays where it was whatever its new size.
  const ScreenPoint previous{300, 40};
  EXPECT_EQ(PlaceHint("x", {300, 16}, anchor, {0, 0, 1920, 1040}, &previous).window,
            (ScreenRect{300, 40, 614, 80}));

  const ScreenRect work{100, 0, 1920, 1040};
  const std::vector<std::array<int, 3>> lefts = {
      {1900, 186, 1720},  // moved left to end at the work area's edge
      {180, 186, 100},    // starts at the work area's left edge
      {110, 186, 110},    // anchor within 16 px of the box's left edge: start there
      {1000, 386, 600},   // a box wider than 368 px ends at the anchor
      {250, 386, 100},    // unless the anchor is within 184 px of its left edge
      {2500, 186, 1720},  // clamped to the edge, the box ends at it
  };
  for (const auto& [x, width, left] : lefts) {
    ScreenPoint a{x, 500};
    EXPECT_EQ(PlaceHint("x", {width, 16}, a, work, nullptr).window.left, left) << x;
  }
  anchor = {40, 500};
  PlaceHint("x", {186, 16}, anchor, work, nullptr);
  EXPECT_EQ(anchor.x, 100);
}

TEST(HintRegionTest, RoundedBoxBelowTheTopGap) {
  const int w = 30;
  const std::vector<ScreenRect> region = HintRegion(w, 40);
  const auto in = [&](int x, int y) {
    return std::any_of(region.begin(), region.end(), [&](const ScreenRect& r) {
      return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
    });
  };
  // Where each row starts (and, mirrored, ends); -1 = nothing.
  const std::map<int, int> rowStart = {{0, -1}, {11, -1}, {12, 4}, {13, 2}, {14, 1},
                                       {15, 1}, {16, 0},  {36, 0}, {37, 1}, {38, 1},
                                       {39, 2}, {40, 4},  {41, -1}};
  for (const auto& [y, start] : rowStart) {
    for (int x = -1; x <= w; ++x) {
      EXPECT_EQ(in(x, y), start >= 0 && x >= start && x < w - start) << x << "," << y;
    }
  }
  int area = 0;  // the bands do not overlap
  for (const ScreenRect& r : region) {
    area += (r.right - r.left) * (r.bottom - r.top);
  }
  EXPECT_EQ(area, w * (40 - 11) - 2 * 2 * (4 + 2 + 1 + 1));
  const HintOutline outline = HintOutlineOf(w, 40);
  EXPECT_EQ(outline.pixels.size(), 16u);
  for (const ScreenPoint& p : outline.pixels) {
    EXPECT_TRUE(in(p.x, p.y)) << p.x << "," << p.y;
  }
  EXPECT_TRUE(HintRegion(0, 40).empty());
}

// The tooltip beside a fake dialog, with the tick and the tooltip's timers run
// on a simulated clock.
struct Hover {
  Hover() { hint.SetDisplayTime(kHintStartupDisplaySeconds); }

  // The graph of View 1 at the column of second `t`, row `row`.
  ScreenPoint OnGraph(int64_t t, int row) const {
    const ScreenRect r = w.dialog.ControlScreenRect(kIdView1GraphImage);
    return {r.left + 4 * int(t - position + 114) - 1, r.top + 4 * row + 1};
  }
  // Moves the pointer to p and runs tick by tick for ms milliseconds; the
  // tooltip's timers fire when due.
  void Rest(ScreenPoint p, int ms) {
    w.dialog.SetCursorPos(p);
    for (const int64_t end = nowMs + ms; nowMs < end;) {
      nowMs += 100;
      for (int id : {kHintShowTimerId, kHintDisplayTimerId, 0}) {
        if (id != 0 && w.dialog.TimerRunning(id) && due[id] <= nowMs) {
          due[id] += w.dialog.TimerInterval(id);
          w.dialog.FireTimer(id);
        } else if (id == 0) {
          hint.Poll();
        }
        for (int t : {kHintShowTimerId, kHintDisplayTimerId}) {  // timers started since
          if (w.dialog.TimerStartCount(t) != starts[t]) {
            starts[t] = w.dialog.TimerStartCount(t);
            due[t] = nowMs + w.dialog.TimerInterval(t);
          }
        }
      }
    }
  }

  World w;
  int64_t position = kT0 + 300;
  FakeBigHintWindow window;
  BigHintLogic hint{w.dialog, window, [this] {
                      std::vector<HintPicture> pictures;
                      for (int i = 0; i < 4; ++i) {
                        pictures.push_back(w.Picture(i, position));
                      }
                      return pictures;
                    }};
  const ScreenPoint background{201, 101};  // the dialog's corner, away from the pictures
  int64_t nowMs = 0;
  std::map<int, int64_t> due;
  std::map<int, int> starts;
};

TEST(BigHintLogicTest, ShowsAfterHalfASecondAndFollowsThePointer) {
  Hover h;
  ASSERT_EQ(h.w.dialog.ControlAt(h.background), kHitDialog);
  h.Rest(h.background, 300);
  h.Rest(h.OnGraph(h.position + 3, 0), 200);
  EXPECT_FALSE(h.window.visible);
  EXPECT_EQ(h.hint.currentId(), kIdView1GraphImage);
  const ScreenPoint q = h.OnGraph(h.position + 4, 0);
  h.Rest(q, 300);  // moving on while the delay runs does not cut it short
  EXPECT_FALSE(h.window.visible);
  h.Rest(q, 100);
  ASSERT_TRUE(h.window.visible);
  EXPECT_EQ(h.window.last.text, Expected(kKingston, h.position + 4, 50 + 304 % 7));
  const ScreenRect& win = h.window.last.window;
  EXPECT_EQ(win.top, q.y + 10);
  EXPECT_EQ(win.left, q.x + 10 - (win.right - win.left) / 2);
  EXPECT_EQ(win.right - win.left, 7 * 38 + 14);  // the wider first line

  // Every tick over a picture stops the display timer: it stays while resting.
  h.Rest(q, 30000);
  EXPECT_TRUE(h.window.visible);
  EXPECT_FALSE(h.w.dialog.TimerRunning(kHintDisplayTimerId));

  // A press hides it until the pointer reaches another second or station; then
  // it follows the pointer at once.
  h.hint.Hide();
  EXPECT_FALSE(h.window.visible);
  h.Rest(q, 2000);
  EXPECT_FALSE(h.window.visible);
  const ScreenPoint next = h.OnGraph(h.position + 4, 1);
  h.Rest(next, 100);
  ASSERT_TRUE(h.window.visible);
  EXPECT_EQ(h.window.last.text.substr(0, 5), "37 - ");
  EXPECT_EQ(h.window.last.window.top, next.y + 10);
  h.Rest(h.OnGraph(h.position + 20, 1), 100);
  EXPECT_EQ(h.window.last.text.substr(h.window.last.text.find('\n') + 1, 19),
            FormatTime(h.position + 20));

  // Shown again without ticks, as under a message box: the display timer hides it.
  h.w.dialog.SetCursorPos(h.OnGraph(h.position + 1, 2));
  h.hint.Poll();
  ASSERT_TRUE(h.window.visible);
  EXPECT_EQ(h.w.dialog.TimerInterval(kHintDisplayTimerId), 15000);
  ASSERT_TRUE(h.w.dialog.FireTimer(kHintDisplayTimerId));
  EXPECT_FALSE(h.window.visible);
  EXPECT_FALSE(h.hint.shown());
}

TEST(BigHintLogicTest, LeavingControlsAndEmptyPlacesHideAndShowNothing) {
  Hover h;
  h.Rest(h.background, 100);
  h.Rest(h.OnGraph(h.position, 0), 600);
  ASSERT_TRUE(h.window.visible);
  h.Rest(h.background, 100);
  EXPECT_FALSE(h.window.visible);
  EXPECT_EQ(h.hint.currentId(), 0);
  h.Rest(h.OnGraph(h.position, 0), 500);  // coming back waits again
  EXPECT_FALSE(h.window.visible);
  h.Rest(h.OnGraph(h.position, 0), 100);
  EXPECT_TRUE(h.window.visible);
  // Straight onto a button: hidden, and no new show.
  const ScreenPoint button = h.w.dialog.PointIn(kIdView1Play, 3, 3);
  h.Rest(button, 100);
  EXPECT_FALSE(h.window.visible);
  EXPECT_EQ(h.hint.currentId(), kIdView1Play);
  EXPECT_FALSE(h.w.dialog.TimerRunning(kHintShowTimerId));
  // Leaving while the delay runs cancels the show; a button shows nothing.
  h.Rest(h.background, 100);
  h.Rest(h.OnGraph(h.position, 0), 200);
  h.Rest(h.background, 1000);
  h.Rest(button, 1000);
  EXPECT_FALSE(h.window.visible);
  EXPECT_FALSE(h.w.dialog.TimerRunning(kHintShowTimerId));
  EXPECT_EQ(h.window.showCount, 2);
  // A picture without data under the pointer counts as background.
  h.position = kT0 + 5000;
  h.Rest(h.OnGraph(h.position, 0), 1000);
  EXPECT_FALSE(h.window.visible);
  EXPECT_EQ(h.hint.currentId(), 0);
}

TEST(BigHintLogicTest, DestructionStopsTheTimersAndHides) {
  World w;
  FakeBigHintWindow window;
  {
    BigHintLogic hint(w.dialog, window,
                      [&] { return std::vector<HintPicture>{w.Picture(0, kT0 + 100)}; });
    w.dialog.SetCursorPos(w.dialog.PointIn(kIdView1Image, 100, 3));
    hint.Poll();
    ASSERT_TRUE(w.dialog.FireTimer(kHintShowTimerId));
    ASSERT_TRUE(window.visible);
    ASSERT_TRUE(w.dialog.TimerRunning(kHintDisplayTimerId));
  }
  EXPECT_FALSE(window.visible);
  EXPECT_FALSE(w.dialog.TimerRunning(kHintShowTimerId));
  EXPECT_FALSE(w.dialog.TimerRunning(kHintDisplayTimerId));
}

}  // namespace
}  // namespace tessaly
