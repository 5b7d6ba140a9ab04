// Stations, orderings, panels, View 2, copying settings, sound panel and exit.

#include <gtest/gtest.h>

#include <map>

#include "views/view_harness.h"

namespace tessaly::testing {
namespace {

TEST(SecondViewScenario, UnknownStationsJoinBothListsAndStepsFollowTheBlockOrder) {
  ViewHarness h({.serverStations = {5, 9, 7, 11}});  // none of them in the station table
  h.Start();
  for (int list : {1003, 1034}) {
    ASSERT_EQ(h.dialog.ItemCount(list), kStationTableRows + 4);
    EXPECT_EQ(h.dialog.ItemText(list, kStationTableRows), "5 - Unknown");
    EXPECT_EQ(h.dialog.ItemData(list, kStationTableRows + 1), 9);
  }
  // First run: station 5, the first of the block.
  EXPECT_EQ(h.settings.site[0], 5);
  EXPECT_EQ(h.dialog.Selection(1003), kStationTableRows);

  h.dialog.UserSelect(1003, kStationTableRows + 2);  // 7
  EXPECT_EQ(h.v1().station, 7);
  EXPECT_TRUE(h.dialog.IsEnabled(1000));
  EXPECT_TRUE(h.dialog.IsEnabled(1001));
  h.dialog.UserClick(1000);  // "▼": the first greater id in column order
  EXPECT_EQ(h.settings.site[0], 9);
  EXPECT_EQ(h.v1().station, 9);
  EXPECT_EQ(h.dialog.ReadList(1003), 9);
  EXPECT_EQ(h.Text(1056), std::to_string(DefaultValue(9, kPreset)));
  h.dialog.UserClick(1000);
  EXPECT_EQ(h.settings.site[0], 11);
  EXPECT_FALSE(h.dialog.IsEnabled(1000));  // the last row, and nothing greater in the block

  h.dialog.UserSelect(1003, kStationTableRows + 2);  // 7 again
  h.dialog.UserClick(1001);  // "▲": the last smaller id before that column
  EXPECT_EQ(h.settings.site[0], 5);
  EXPECT_FALSE(h.dialog.IsEnabled(1001));
  EXPECT_TRUE(h.dialog.IsEnabled(1000));
}

TEST(SecondViewScenario, AStationWithoutDataShowsTheNoDataTextAndNoValue) {
  ViewHarness h;
  h.Start();
  h.dialog.UserSelect(1003, 4);  // id 100 is in the block
  EXPECT_EQ(h.Text(1049), "");
  EXPECT_FALSE(h.Text(1056).empty());
  h.dialog.UserSelect(1003, 10);  // a station the block lacks
  const int32_t missing = h.dialog.ReadList(1003);
  EXPECT_EQ(h.v1().station, missing);
  EXPECT_EQ(h.Text(1049), "No data for this host");
  EXPECT_EQ(h.Text(1056), "");
  // The strip of a station without data is black.
  EXPECT_EQ(h.v1().image.Pixel(100, 10), kBlack);

  // A second without a sample (0) has no value either.
  ViewHarness zero;
  zero.server.script.value = [](uint32_t id, int64_t t) {
    return t == kPreset ? 0 : DefaultValue(id, t);
  };
  zero.Start();
  EXPECT_EQ(zero.Text(1049), "");
  EXPECT_EQ(zero.Text(1056), "");
  zero.dialog.UserScroll(1083, kScrollLineDown);
  EXPECT_EQ(zero.Text(1056), std::to_string(DefaultValue(zero.settings.site[0], kPreset + 1)));
}

TEST(SecondViewScenario, ChoosingAStationWithoutAPositionPaintsNothing) {
  ViewHarness h;
  h.Create();  // the posted "Set"s have not run
  h.dialog.ResetPaintCounts();
  h.dialog.UserSelect(1003, 3);
  EXPECT_EQ(h.settings.site[0], 37);
  EXPECT_EQ(h.v1().station, 37);
  EXPECT_EQ(h.dialog.DrawCount(1033), 0);
  EXPECT_EQ(h.v1().position, 0);
  // Without a block the buttons follow the list rows.
  EXPECT_TRUE(h.dialog.IsEnabled(1001));
  h.dialog.UserSelect(1003, 0);
  EXPECT_FALSE(h.dialog.IsEnabled(1001));
  h.dialog.UserClick(1000);
  EXPECT_EQ(h.settings.site[0], 33);
  EXPECT_EQ(h.dialog.Selection(1003), 1);
  h.dialog.UserSelect(1003, kStationTableRows - 1);
  EXPECT_FALSE(h.dialog.IsEnabled(1000));
}

TEST(SecondViewScenario, AClickOnTheGraphChoosesTheStationOfThatRow) {
  ViewHarness h;
  h.Start();
  // Host IDs order: row 2 is column 2, station 34.
  h.dialog.UserClickAt(h.dialog.PointIn(1037, 300, 4 * 2 + 1));
  EXPECT_EQ(h.settings.site[0], 34);
  EXPECT_EQ(h.v1().station, 34);
  EXPECT_EQ(h.dialog.ReadList(1003), 34);
  EXPECT_EQ(h.g1().station, 0);
  // A click on an empty row, or on the station strip, does nothing.
  h.dialog.UserClickAt(h.dialog.PointIn(1037, 300, 4 * 20 + 1));
  h.dialog.UserClickAt(h.dialog.PointIn(1033, 10, 10));
  EXPECT_EQ(h.settings.site[0], 34);
  // View 2's graph is hidden: its area takes no clicks.
  h.dialog.UserClickAt(h.dialog.PointIn(1040, 300, 1));
  EXPECT_EQ(h.settings.site[1], int32_t(kPseudorandomStations[0]));
  h.dialog.UserClick(6);
  h.dialog.UserClickAt(h.dialog.PointIn(1040, 300, 4 * 3 + 1));
  EXPECT_EQ(h.settings.site[1], int32_t(kPseudorandomStations[3]));
  EXPECT_EQ(h.v2().station, int32_t(kPseudorandomStations[3]));
}

TEST(SecondViewScenario, CurrentMedianEachTimeReordersEverySecond) {
  ViewHarness h;
  // Every station keeps one value until second 5 after the preset and another
  // from then on, so the medians of any short window are those values.
  h.server.script.value = [](uint32_t id, int64_t t) {
    const std::map<uint32_t, std::pair<int, int>> before_after = {
        {1, {101, 102}}, {33, {103, 104}}, {34, {101, 100}}, {37, {100, 103}}, {100, {102, 101}}};
    const auto [early, late] = before_after.at(id);
    return t < kPreset + 5 ? early : late;
  };
  h.Start();
  const auto ranks = [&] {
    const SampleBlock& block = *h.v1().currentBlock;
    return std::vector<int32_t>(block.rank[0].begin(), block.rank[0].begin() + 5);
  };
  EXPECT_EQ(ranks(), (std::vector<int32_t>{0, 1, 2, 3, 4}));
  h.dialog.UserSelect(1018, 3);
  EXPECT_EQ(h.settings.hostSortMode[0], 3);
  h.dialog.UserClick(1091);
  ASSERT_TRUE(h.WaitRendering());
  // Largest median first; the equal 101s of stations 1 and 34 keep column order.
  h.PlaySeconds(1);
  EXPECT_EQ(ranks(), (std::vector<int32_t>{2, 0, 3, 4, 1}));
  h.dialog.ResetPaintCounts();
  h.PlaySeconds(10);
  EXPECT_EQ(ranks(), (std::vector<int32_t>{2, 0, 4, 1, 3}));
  EXPECT_GE(h.dialog.DrawCount(1037), 1);

  // Another mode leaves the order alone while playing.
  h.dialog.UserClick(1091);
  h.dialog.UserSelect(1018, 0);
  EXPECT_EQ(ranks(), (std::vector<int32_t>{0, 1, 2, 3, 4}));
  ASSERT_TRUE(h.FinishRun());
}

TEST(SecondViewScenario, HidingViewTwoWhilePlayingStopsIt) {
  ViewHarness h;
  h.Start();
  for (int id : {1093, 5, 1011, 1094, 3, 1034, 1040, 1057}) {
    EXPECT_FALSE(h.dialog.IsVisible(id)) << id;
  }
  h.dialog.UserClick(6);
  EXPECT_EQ(h.Text(6), "Hide View 2");
  EXPECT_EQ(h.settings.view2, 1);
  EXPECT_EQ(h.shell.layouts, std::vector<bool>{true});
  for (int id : {1093, 5, 1011, 1094, 3, 1034, 1040, 1057}) {
    EXPECT_TRUE(h.dialog.IsVisible(id)) << id;
  }
  EXPECT_GE(h.dialog.WholeDialogInvalidations(), 1);
  h.dialog.UserClick(3);
  ASSERT_TRUE(h.WaitRendering());
  h.PlaySeconds(1);
  EXPECT_EQ(h.v2().position, kPreset + 1);

  h.dialog.UserClick(6);
  EXPECT_FALSE(h.v2().playing());
  EXPECT_EQ(h.Text(3), "Continue");
  EXPECT_EQ(h.Text(6), "View 2");
  EXPECT_EQ(h.shell.layouts, (std::vector<bool>{true, false}));
  EXPECT_FALSE(h.dialog.IsVisible(3));
  ASSERT_TRUE(h.FinishRun());
}

TEST(SecondViewScenario, CopyingSettingsAcrossSourcesShowsTheSameSecond) {
  ViewHarness h;
  h.Start();
  h.dialog.UserClick(6);
  h.dialog.UserScroll(1083, kScrollPageDown);
  h.dialog.UserSelect(1003, 2);
  h.dialog.UserSelect(1015, 6);
  h.dialog.UserSelect(1021, 4);
  h.dialog.UserSelect(1068, 2);
  h.dialog.UserSelect(1069, 1);
  h.dialog.UserSelect(1018, 1);
  ASSERT_EQ(h.v2().store, &h.pseudoStore);

  h.dialog.UserClick(5);  // View 1 -> View 2
  EXPECT_EQ(h.v2().store, &h.serverStore);
  EXPECT_EQ(h.g2().store, &h.serverStore);
  EXPECT_TRUE(h.dialog.IsChecked(1089));
  EXPECT_EQ(h.settings.source[1], kSourceServer);
  EXPECT_EQ(h.v2().station, 34);
  EXPECT_EQ(h.dialog.ReadList(1034), 34);
  EXPECT_EQ(h.v2().position, h.v1().position);
  EXPECT_EQ(h.Text(1077), h.Text(1060));
  EXPECT_EQ(h.v2().currentBlock, h.v1().currentBlock);
  EXPECT_EQ(h.settings.histogramValues[1], 7);
  EXPECT_EQ(h.settings.hostSortMode[1], 1);
  for (auto [a, b] : {std::pair{1008, 1025},
                      {1009, 1026},
                      {1010, 1035},
                      {1007, 1027},
                      {1006, 1028},
                      {1005, 1029},
                      {1015, 1020},
                      {1021, 1022}}) {
    EXPECT_EQ(h.dialog.Selection(a), h.dialog.Selection(b)) << a;
  }
  EXPECT_EQ(h.v2().image, h.v1().image);
  EXPECT_EQ(h.v2().histogram.hexagramLines, h.v1().histogram.hexagramLines);
  // The sound box is not copied.
  EXPECT_FALSE(h.dialog.IsChecked(1051));

  // Back the other way from a view without a position: the copied lists' time.
  ViewHarness fresh;
  fresh.Create();
  fresh.dialog.UserClick(6);
  fresh.dialog.UserSelect(1027, 4);
  fresh.dialog.UserClick(1011);  // View 2 -> View 1
  EXPECT_EQ(fresh.v1().store, &fresh.pseudoStore);
  EXPECT_EQ(fresh.v1().position, MakeUtc(2026, 3, 10, 4, 50, 0));
}

TEST(SecondViewScenario, HexagramMethodRecastsAtOnceAndLanguageWaits) {
  ViewHarness h;
  // Every sample 100: three coins of 3 on each line, six old yang lines.
  h.server.script.value = [](uint32_t, int64_t) { return 100; };
  h.Start();
  const std::string sticks = h.Text(1066);
  EXPECT_FALSE(sticks.empty());
  h.dialog.UserSelect(1069, 1);  // English: shown from the next cast on
  EXPECT_EQ(h.Text(1066), sticks);
  h.dialog.UserSelect(1068, 1);  // coins
  EXPECT_EQ(h.Text(1066), "1. Creative");
  EXPECT_EQ(h.v1().histogram.hexagramLines, (std::array<uint8_t, 6>{9, 9, 9, 9, 9, 9}));
  h.dialog.ResetPaintCounts();
  h.dialog.UserSelect(1021, 5);
  EXPECT_EQ(h.settings.histogramSmooth[0], 5);
  EXPECT_EQ(h.dialog.DrawCount(1038), 1);
}

TEST(SecondViewScenario, PicturesAreDrawnFromTheViewsSurfaces) {
  ViewHarness h;
  h.Start();
  ASSERT_NE(h.main->RasterFor(1033), nullptr);
  EXPECT_EQ(h.main->RasterFor(1092), nullptr);
  EXPECT_EQ(h.g1().columns, 157);

  // The strip shows the histogram colour of the station at the cursor second.
  CHistogram cell;
  const int n = h.settings.histogramValues[0];
  ASSERT_GT(cell.Compute(h.serverStore, h.settings.site[0], kPreset, n), 0);
  EXPECT_EQ(h.main->RasterFor(1033)->Pixel(4 * 44 - 3 + 1, 5), cell.Colour(n));
  // After the panel is drawn it shows the view's histogram for its position.
  h.dialog.Invalidate(1038);
  h.dialog.Update(1038);
  const Raster* panel = h.main->RasterFor(1038);
  ASSERT_NE(panel, nullptr);
  EXPECT_EQ(panel->Pixel(panel->width() / 2, 1), Rgb(0, 255, 0));
  // A whole repaint (a station change) leaves the panel's histogram at the position.
  h.dialog.UserSelect(1003, 2);
  ASSERT_GT(cell.Compute(h.serverStore, 34, kPreset, n), 0);
  EXPECT_EQ(h.v1().histogram.bins, cell.bins);
  const Raster* side = h.main->RasterFor(1054);
  ASSERT_NE(side, nullptr);
  EXPECT_EQ(side->Pixel(1, 4 * 2 + 1), kBlack);  // View 1's arrow at station 34's row
}

TEST(SecondViewScenario, SoundPanelVolumeMuteScaleAndHelp) {
  ViewHarness h;
  h.Start();
  // The volume follows the thumb while it is dragged (the top is 100 %), and
  // stays on release; a key moves the thumb with no drag, only ending the move.
  h.dialog.UserDragTrackbar(1032, 30);
  EXPECT_EQ(h.settings.volume, 70);
  const uint32_t level70 = 70u * 65535u / 100u;
  EXPECT_EQ(h.device.level(), level70 | (level70 << 16));
  h.dialog.UserReleaseTrackbar(1032);
  EXPECT_EQ(h.settings.volume, 70);
  h.dialog.UserKeyTrackbar(1032, 0);
  EXPECT_EQ(h.settings.volume, 100);
  EXPECT_EQ(h.device.level(), 0xFFFFFFFFu);
  h.dialog.UserClick(1055);
  EXPECT_EQ(h.settings.mute, 1);
  EXPECT_TRUE(h.dialog.IsChecked(1055));
  EXPECT_EQ(h.device.level(), 0u);
  h.dialog.UserDragTrackbar(1032, 75);
  EXPECT_EQ(h.settings.volume, 25);
  EXPECT_EQ(h.device.level(), 0u);  // still muted
  h.dialog.UserClick(1055);
  EXPECT_EQ(h.settings.mute, 0);
  const uint32_t quarter = 25u * 65535u / 100u;
  EXPECT_EQ(h.device.level(), quarter | (quarter << 16));

  h.dialog.UserSelect(1045, 2);
  EXPECT_EQ(h.settings.musicScale, 2);
  EXPECT_EQ(h.player->scaleNumber(), 2);
  h.dialog.UserSelect(1017, 21);
  EXPECT_EQ(h.settings.baseFrequency, 0);
  EXPECT_NEAR(h.player->baseFrequency(), 440.0f, 0.01f);
  h.dialog.UserSelect(1016, 2);
  EXPECT_EQ(h.main->SoundFade(), 2);

  h.dialog.UserClick(4);
  EXPECT_EQ(h.shell.helps, std::vector<int>{101});
}

TEST(SecondViewScenario, EscapeStopsAndAsksToExitAndDestroyKeepsTheChoices) {
  ViewHarness h;
  h.Start();
  h.dialog.UserClick(6);
  h.dialog.UserClick(1051);  // View 2 sound on
  h.dialog.UserClick(1089);  // View 2 on the server
  h.dialog.DeliverPosted();
  h.dialog.UserSelect(1003, 3);
  h.dialog.UserClick(1091);
  ASSERT_TRUE(h.WaitRendering());
  EXPECT_FALSE(h.main->OnKey('a'));
  h.dialog.UserKey(27);  // Escape
  EXPECT_FALSE(h.v1().playing());
  EXPECT_FALSE(h.exited);
  h.dialog.DeliverPosted();
  EXPECT_TRUE(h.exited);

  // The application then destroys the dialog, which hands the radios and sound
  // boxes to the settings (cleared here so only that can set them).
  h.settings.sound = {0, 0};
  h.settings.source[1] = kSourcePseudorandom;
  h.main->Destroy();
  EXPECT_FALSE(h.dialog.TimerRunning(kTickTimerId));
  EXPECT_EQ(h.settings.sound, (std::array<int32_t, 2>{1, 1}));
  EXPECT_EQ(h.settings.source[1], kSourceServer);
  EXPECT_EQ(h.settings.site[0], 37);
  EXPECT_EQ(h.settings.view2, 1);
  ASSERT_TRUE(h.FinishRun());
}

}  // namespace
}  // namespace tessaly::testing
