// Start-up, "Set", "Now - 10 min" and the time controls, driven as a user would.

#include <numeric>
#include <tuple>

#include "views/view_harness.h"

namespace tessaly::testing {
namespace {

TEST(StartupScenario, FirstRunLoadsBothViewsAtNowMinusTenAndTakesTheFirstStation) {
  ViewHarness h({.serverStations = {33, 1, 34, 37, 100}});
  h.Create();

  // Construction: lists, defaults, the two posted "Set"s and the tick.
  EXPECT_EQ(h.dialog.ItemCount(kIdView1YearList), 2026 - 1998 + 1);
  EXPECT_EQ(h.dialog.ItemCount(kIdView1StationList), kStationTableRows);
  EXPECT_EQ(h.dialog.ItemText(kIdView1ValuesList, 59) + h.dialog.ItemText(kIdView1SmoothList, 20),
            "6020");  // the last items: 1..60 notes, 0..20 smoothing passes
  EXPECT_EQ(h.dialog.ItemText(kIdFade, h.dialog.Selection(kIdFade)), "Fade-out");
  EXPECT_EQ(h.device.level(), 32767u | (32767u << 16));
  EXPECT_TRUE(h.dialog.IsChecked(kIdView1ServerRadio));
  EXPECT_TRUE(h.dialog.IsChecked(kIdView2PseudorandomRadio));
  EXPECT_EQ(h.dialog.GetScrollInfo(kIdView1StepBar), (ScrollInfo{0, 89, 30, 30}));
  EXPECT_EQ(h.dialog.TimerInterval(kTickTimerId), 100);
  using Msg = FakeDialog::PostedMessage;
  EXPECT_EQ(h.dialog.Posted(),
            (std::vector<Msg>{{Msg::Kind::kCommand, kIdView1Set, NotifyCode::kClicked},
                              {Msg::Kind::kCommand, kIdView2Set, NotifyCode::kClicked}}));
  EXPECT_EQ(h.v1().position, 0);

  h.dialog.DeliverPosted();
  EXPECT_EQ(h.g1().position, kPreset);
  EXPECT_EQ(h.v2().position, kPreset);
  EXPECT_EQ(h.Text(kIdView1PositionText), "2026-03-10 11:50:00");
  // First run: the first station of the first block, in the setting, the list
  // and the view alike.
  EXPECT_EQ(h.Station1(), (std::array<int32_t, 3>{33, 33, 33}));
  EXPECT_EQ(h.settings.station[1], int32_t(kPseudorandomStations[0]));
  EXPECT_EQ(h.Text(kIdView1StationsText), "Hosts: 5");
  EXPECT_EQ(h.Text(kIdView1ValueText), std::to_string(DefaultValue(33, kPreset)));
  EXPECT_EQ(h.dialog.GetScrollInfo(kIdView1StationScroll), (ScrollInfo{0, 4, 5, 0}));
  // Row 0 of the list (station 1) has no station before it in the block's order.
  EXPECT_TRUE(h.dialog.IsEnabled(kIdView1StepDown));
  h.dialog.UserClick(kIdView1StepUp);  // to station 1, the list's first row
  EXPECT_EQ(h.Station1(), (std::array<int32_t, 3>{1, 1, 1}));

  // Stored settings keep their station.
  StartedHarness stored({.settingsFile = true, .serverStations = {33, 1, 34}});
  EXPECT_EQ(stored.Station1(), (std::array<int32_t, 3>{1, 1, 1}));
}

// On a monitor of 150 % scaling the pictures are half as large again: the
// views show more seconds, 4 pixels each, around the same position, and the
// seconds shown before look as they did.
TEST(StartupScenario, LargerPicturesShowMoreSecondsAroundTheSamePosition) {
  StartedHarness h;
  const CView& graph = h.g1();
  const auto cursorPixel = [&graph](int dy) {
    return graph.image.Pixel(graph.geometry.ColumnLeft(graph.cursorColumn) + 1, dy);
  };
  ASSERT_EQ(graph.image.width(), 627);  // 418 dialog units
  ASSERT_EQ(graph.columns, 157);
  const std::vector<uint32_t> atCursor = {cursorPixel(0), cursorPixel(5), cursorPixel(17)};

  h.dialog.scalePercent = 150;
  h.main->PicturesResized();
  EXPECT_EQ(graph.image.width(), 940);
  EXPECT_EQ(graph.columns, 235);
  EXPECT_EQ(h.v1().ruler.width(), 517);
  EXPECT_EQ((std::vector<uint32_t>{cursorPixel(0), cursorPixel(5), cursorPixel(17)}), atCursor);
  // The newly shown seconds at the right edge are painted too.
  EXPECT_EQ(graph.image.Pixel(939, 1), graph.image.Pixel(936, 1));  // one column
  EXPECT_NE(graph.image.Pixel(937, 1), kBlack);
}

TEST(StartupScenario, UnusableStoredValuesLeaveListsUnselectedAndStationOne) {
  ViewHarness h;
  h.settings.histogramValues[0] = 0;
  h.settings.station[0] = 4242;  // in no list
  h.settings.Write(h.settingsPath);
  h.ini->Write();
  h.ini->Read();
  h.settings.Read(h.settingsPath);
  h.settings.source[1] = 7;  // the file reader mends this; the dialog copes as well
  h.Start();
  EXPECT_EQ(h.dialog.Selection(kIdView1ValuesList), -1);
  EXPECT_EQ(h.dialog.ReadList(kIdView1StationList), 1);
  EXPECT_EQ(h.settings.station[0], 1);
  // A source that is neither reads the local generator, with no radio ticked.
  EXPECT_FALSE(h.dialog.IsChecked(kIdView2ServerRadio));
  EXPECT_FALSE(h.dialog.IsChecked(kIdView2PseudorandomRadio));
  EXPECT_EQ(h.v2().store, &h.pseudoStore);
  EXPECT_EQ(h.v2().position, kPreset);
}

// "Set" goes to the lists' time. Any of the six time lists of either view marks
// its selectors as changed, by the user's choice only: opening and closing a
// list changes nothing.
TEST(StartupScenario, SetGoesToTheChosenTimeAndOnlyAChoiceInATimeListMarksItsView) {
  StartedHarness h;
  h.dialog.UserSelect(kIdView1DayList, 30);  // day 31 of March
  h.dialog.UserSelect(kIdView1HourList, 3);
  h.dialog.UserSelect(kIdView1SecondList, 7);
  h.dialog.UserClick(kIdView1Set);
  EXPECT_EQ(h.v1().position, MakeUtc(2026, 3, 31, 3, 50, 7));
  EXPECT_EQ(h.Text(kIdView1PositionText), "2026-03-31 03:50:07");
  // Day 31 of a 30-day month rolls into the next.
  h.dialog.UserSelect(kIdView1MonthList, 3);  // April
  h.dialog.UserClick(kIdView1Set);
  EXPECT_EQ(h.v1().position, MakeUtc(2026, 5, 1, 3, 50, 7));

  h.dialog.UserClick(kIdView2);
  for (int v = 0; v < 2; ++v) {
    for (int id : kTimeLists[v]) {
      h.v1().selectorsChanged = h.v2().selectorsChanged = false;
      h.dialog.UserNotify(id, NotifyCode::kDropDown);
      h.dialog.UserNotify(id, NotifyCode::kCloseUp);
      EXPECT_FALSE(h.v1().selectorsChanged || h.v2().selectorsChanged) << id;
      h.dialog.UserSelect(id, h.dialog.ReadList(id) == 0 ? 1 : 0);
      EXPECT_EQ(h.v1().selectorsChanged, v == 0) << id;
      EXPECT_EQ(h.v2().selectorsChanged, v == 1) << id;
    }
  }
  const int32_t stationId = h.settings.station[0];
  h.dialog.UserNotify(kIdView1StationList, NotifyCode::kCloseUp);
  h.dialog.UserNotify(kIdView1ValuesList, NotifyCode::kDropDown);
  EXPECT_EQ(h.settings.station[0], stationId);
  EXPECT_TRUE(h.main->OnCommand(kIdView1OrderByList, NotifyCode::kDropDown));
  EXPECT_FALSE(h.main->OnCommand(4711, NotifyCode::kClicked));
}

// View 1's time lists.
std::vector<int> Lists(ViewHarness& h) {
  std::vector<int> values;
  for (int id : kTimeLists[0]) {
    values.push_back(h.dialog.ReadList(id));
  }
  return values;
}

TEST(StartupScenario, NowMinusTenSelectsTheYearOfTheComputedTime) {
  ViewHarness h;
  h.clock.Set(MakeUtc(2025, 12, 31, 23, 30, 0));
  h.Start();
  EXPECT_EQ(h.dialog.ItemText(kIdView1YearList, 0), "2025");
  // The program runs across New Year.
  h.clock.Set(MakeUtc(2026, 1, 1, 0, 30, 45));
  h.dialog.UserClick(kIdView1NowMinus10);
  EXPECT_EQ(Lists(h), (std::vector<int>{2026, 0, 1, 0, 20, 0}));
  // Neither the position nor the changed flag moves until "Set".
  h.v1().selectorsChanged = false;
  const int64_t before = h.v1().position;
  h.dialog.UserClick(kIdView1NowMinus10);
  EXPECT_FALSE(h.v1().selectorsChanged);
  EXPECT_EQ(h.v1().position, before);
  h.dialog.UserClick(kIdView1Set);
  EXPECT_EQ(h.v1().position, MakeUtc(2026, 1, 1, 0, 20, 0));

  // At 00:05 on 1 January the preset is 23:55 of the year before.
  ViewHarness early;
  early.clock.Set(MakeUtc(2027, 1, 1, 0, 5, 0));
  early.Create();
  EXPECT_EQ(Lists(early), (std::vector<int>{2026, 11, 31, 23, 55, 0}));
}

TEST(StartupScenario, StepBarsMoveByLinesAndPagesAndStopAtTheEndOfData) {
  StartedHarness h;
  int64_t p = h.v1().position;
  // Down is later, up earlier, a page is the graph's 87 columns; a drag moves nothing.
  const std::tuple<int, ScrollCode, int> steps[] = {
      {kIdView1StepBar, ScrollCode::kLineDown, 1},
      {kIdView1StepBar, ScrollCode::kLineUp, -1},
      {kIdView1GraphStepBar, ScrollCode::kLineUp, -1},
      {kIdView1StepBar, ScrollCode::kPageUp, -87},
      {kIdView1GraphStepBar, ScrollCode::kPageDown, 87},
      {kIdView1StepBar, ScrollCode::kPageDown, 87},
      {kIdView1StepBar, ScrollCode::kThumbTrack, 0},
      {kIdView1GraphStepBar, ScrollCode::kLineDown, 1}};
  for (auto [bar, code, delta] : steps) {
    h.dialog.UserScroll(bar, code, 10);
    EXPECT_EQ(h.v1().position, p += delta) << bar << " " << int(code);
    EXPECT_EQ(h.g1().position, p);
  }
  // The data end: the next stretch cannot be had, the view stops in place.
  h.server.script.fail = true;
  for (int i = 0; i < 20 && h.Text(kIdView1Play) != "Continue"; ++i) {
    h.dialog.UserScroll(kIdView1StepBar, ScrollCode::kPageDown);
  }
  EXPECT_EQ(h.Text(kIdView1Play), "Continue");
  const int64_t stopped = h.v1().position;
  h.dialog.UserScroll(kIdView1StepBar, ScrollCode::kPageDown);
  EXPECT_EQ(h.v1().position, stopped);
  // That Stop ran with no run going on: the next run is not spoilt by it.
  EXPECT_FALSE(h.player->IsRendering());
  h.server.script.fail = false;
  h.Play(kIdView1Play, 3);
  EXPECT_EQ(h.v1().position, stopped + 3);
  EXPECT_TRUE(h.v1().playing());
  EXPECT_GT(h.device.writeCount(), 0);
}

TEST(StartupScenario, StationScrollFollowsTheBlockAndRepaintsFromTheNewRow) {
  std::vector<uint32_t> ids(40);
  std::iota(ids.begin(), ids.end(), 1u);
  StartedHarness h({.serverStations = ids});
  EXPECT_EQ(h.dialog.GetScrollInfo(kIdView1StationScroll), (ScrollInfo{0, 39, 25, 0}));
  h.dialog.UserScroll(kIdView1StationScroll, ScrollCode::kLineDown);
  EXPECT_EQ(h.g1().firstRow, 1);
  h.dialog.UserScroll(kIdView1StationScroll, ScrollCode::kBottom);
  EXPECT_EQ(h.g1().firstRow, 40 - 1 - 25);
  EXPECT_EQ(h.dialog.GetScrollInfo(kIdView1StationScroll).pos, 14);
  // The graph now starts at row 14: its top row shows station 15 (rank 14).
  CHistogram cell;
  const int64_t t = h.g1().position - h.g1().cursorColumn + 156;
  ASSERT_GT(cell.Compute(h.serverStore, 15, t, h.settings.histogramValues[0]), 0);
  EXPECT_EQ(h.g1().image.Pixel(626, 1), cell.Colour(h.settings.histogramValues[0]));
  h.dialog.UserScroll(kIdView1StationScroll, ScrollCode::kTop);
  EXPECT_EQ(h.g1().firstRow, 0);
  h.dialog.UserScroll(kIdView1StationScroll, ScrollCode::kThumbPosition, 500);
  EXPECT_EQ(h.g1().firstRow, 39);
}

}  // namespace
}  // namespace tessaly::testing
