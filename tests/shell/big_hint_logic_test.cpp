#include "shell/big_hint_logic.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <tuple>
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
  EXPECT_EQ(StationText(strip, {strip.rect.left, strip.rect.top}, text), kIdView1Image);
  EXPECT_EQ(StationText(strip, {strip.rect.left - 1, strip.rect.top}, text), -1);
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
  EXPECT_EQ(text, Expected("37 - Neuchatel, Switzerland (47.079 7.062)", kT0 + 10, 63));
  EXPECT_EQ(at(16), 0) << "rank 5: below the block's stations";
  ASSERT_EQ(graph.rect.bottom - graph.rect.top, 110);
  const int rows = 25;  // 27 rows of 4 px, of which the last two are the gap and the mean band
  graph.firstRow = 3 - rows;  // the last row shown is rank 2; rank 3 would lie in the gap
  EXPECT_EQ(at(4 * rows - 4), kIdView2GraphImage);
  EXPECT_EQ(at(4 * rows), 0) << "the gap and the mean band below the rows show no station";
  EXPECT_EQ(StationText(graph1, {x - graph.rect.left + graph1.rect.left, graph1.rect.top}, text),
            kIdView1GraphImage);  // View 1's graph orders by block column
  EXPECT_EQ(text.substr(0, 4), "1 - ");
}

TEST(PlaceHintTest, BelowThePointerInsideTheWorkArea) {
  ScreenPoint anchor{1010, 510};
  const HintPlacement p = PlaceHint("x", {186, 32}, anchor, {0, 0, 1920, 1040}, nullptr);
  EXPECT_EQ(p.window, (ScreenRect{910, 510, 1110, 566}));  // 200 x (32 + 24)
  EXPECT_EQ(p.bottomRow, 55);
  EXPECT_EQ(p.textBox, (ScreenRect{6, 18, 194, 50}));
  EXPECT_EQ(p.text, "x");
  // Its frame: both sides, the row below the top gap and the bottom row, and
  // four pixels at each rounded corner.
  const HintOutline o = HintOutlineOf(200, p.bottomRow);
  const std::vector<ScreenRect> sides = {
      {0, 0, 1, 56}, {199, 0, 200, 56}, {0, 12, 200, 13}, {0, 55, 200, 56}};
  const std::vector<ScreenPoint> corners = {
      {2, 13},   {3, 13},   {1, 14},   {1, 15},   {196, 13}, {197, 13}, {198, 14}, {198, 15},
      {196, 54}, {197, 54}, {198, 53}, {198, 52}, {2, 54},   {3, 54},   {1, 53},   {1, 52}};
  EXPECT_EQ(o.lines, sides);
  EXPECT_EQ(o.pixels, corners);
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

// The tooltip's states as the pointer moves: it shows after resting 500 ms on
// a picture, follows the text while the pointer rests there, hides on a click
// and comes back with the next second, and after a move straight onto another
// control shows again only once the pointer has left and come back.
TEST(BigHintLogicTest, ShowsAfterTheDelayFollowsThePointerAndHides) {
  World w;
  FakeBigHintWindow window;
  const int64_t pos = kT0 + 100;
  BigHintLogic hint(w.dialog, window, [&] {
    return std::vector<HintPicture>{w.Picture(0, pos), w.Picture(2, pos)};
  });
  const ScreenPoint a = w.dialog.PointIn(kIdView1Image, 100, 3);
  const ScreenPoint b = w.dialog.PointIn(kIdView1Image, 120, 3);  // five seconds later
  const ScreenPoint button = w.dialog.PointIn(kIdView1Play, 2, 2);
  const ScreenPoint noRow = w.dialog.PointIn(kIdView1GraphImage, 400, 60);  // below the stations
  const ScreenPoint away{-500, -500};
  enum Do { kPoll, kFireShow, kFireDisplay, kClick };
  const struct {
    ScreenPoint at;
    Do what;
    bool visible, showTimer, displayTimer;
    int shows, id;
  } steps[] = {
      {a, kPoll, false, true, false, 0, kIdView1Image},     // pending
      {a, kFireShow, true, false, true, 1, kIdView1Image},  // shown
      {a, kPoll, true, false, false, 1, kIdView1Image},     // resting: it stays
      {b, kPoll, true, false, true, 2, kIdView1Image},      // the next second's text
      {b, kClick, false, false, false, 2, kIdView1Image},
      {b, kPoll, false, false, false, 2, kIdView1Image},  // same text: stays hidden
      {a, kPoll, true, false, true, 3, kIdView1Image},    // another second: back
      {a, kFireDisplay, false, false, false, 3, kIdView1Image},
      {button, kPoll, false, false, false, 3, kIdView1Play},
      {a, kPoll, false, false, false, 3, kIdView1Image},  // straight from a control: no timer
      {a, kPoll, false, false, false, 3, kIdView1Image},
      {b, kPoll, true, false, true, 4, kIdView1Image},  // until the text changes
      {noRow, kPoll, false, false, false, 4, 0},        // nothing to say there
      {b, kPoll, false, true, false, 4, kIdView1Image},
      {away, kFireShow, false, false, false, 4, kIdView1Image},  // gone before the delay
      {away, kPoll, false, false, false, 4, 0},
  };
  int n = 0;
  for (const auto& s : steps) {
    SCOPED_TRACE("step " + std::to_string(n++));
    w.dialog.SetCursorPos(s.at);
    if (s.what == kPoll) {
      hint.Poll();
    } else if (s.what == kClick) {
      hint.Hide();
    } else {
      ASSERT_TRUE(w.dialog.FireTimer(s.what == kFireShow ? kHintShowTimerId : kHintDisplayTimerId));
    }
    EXPECT_EQ(window.visible, s.visible);
    EXPECT_EQ(w.dialog.TimerInterval(kHintShowTimerId), s.showTimer ? kHintShowDelayMs : 0);
    EXPECT_EQ(w.dialog.TimerInterval(kHintDisplayTimerId), s.displayTimer ? 10000 : 0);
    EXPECT_EQ(window.showCount, s.shows);
    EXPECT_EQ(hint.currentId(), s.id);
  }
  // The window's top is 10 px below the pointer; the text is the second under it.
  EXPECT_EQ(window.last.window.top, b.y + 10);
  EXPECT_EQ(window.last.text, Expected(kKingston, pos - 14, 50 + 86 % 7));
}

// Two monitors side by side whose edge crosses View 1's strip: the tooltip
// keeps to the work area of the monitor under the pointer, wherever the
// primary one is; destroyed, it hides and stops its timers.
TEST(BigHintLogicTest, TheTooltipStaysOnTheMonitorUnderThePointerAndGoesWithItsLogic) {
  World w;
  FakeBigHintWindow window;
  const ScreenRect strip = w.dialog.ControlScreenRect(kIdView1Image);
  const int edge = strip.left + 150;
  const ScreenRect left{edge - 1920, 0, edge, 1040};
  const ScreenRect right{edge, 0, edge + 1600, 900};
  // The pointer and the box's left edge from the monitors' edge, for either
  // monitor primary; the text is 38 characters: a box 280 px wide.
  const std::tuple<int, std::vector<ScreenRect>, int> cases[] = {
      {2, {left, right}, 12},  // starts at the anchor on the right monitor
      {2, {right, left}, 12},
      {-30, {left, right}, -300},  // ends at the anchor on the left monitor
      {-30, {right, left}, -300}};
  for (const auto& [dx, workAreas, boxLeft] : cases) {
    window.workAreas = workAreas;
    {
      BigHintLogic hint(w.dialog, window,
                        [&] { return std::vector<HintPicture>{w.Picture(0, kT0 + 100)}; });
      w.dialog.SetCursorPos({edge + dx, strip.top + 3});
      hint.Poll();
      ASSERT_TRUE(w.dialog.FireTimer(kHintShowTimerId));
      ASSERT_TRUE(window.visible && w.dialog.TimerRunning(kHintDisplayTimerId));
      EXPECT_EQ(window.last.window.left, edge + boxLeft) << dx;
      EXPECT_EQ(window.last.window.right, edge + boxLeft + 280) << dx;
    }
    EXPECT_FALSE(window.visible);
    EXPECT_FALSE(w.dialog.TimerRunning(kHintShowTimerId));
    EXPECT_FALSE(w.dialog.TimerRunning(kHintDisplayTimerId));
  }
}

}  // namespace
}  // namespace tessaly
