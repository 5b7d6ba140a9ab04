// Stations, orderings, panels, View 2, copying settings, sound panel and exit.

#include <map>

#include "views/view_harness.h"

namespace tessaly::testing {
namespace {

TEST(SecondViewScenario, UnknownStationsJoinBothListsAndStepsFollowTheBlockOrder) {
  ViewHarness h({.serverStations = {5, 9, 7, 11}});  // none of them in the station table
  h.Start();
  for (int list : {kIdView1StationList, kIdView2StationList}) {
    ASSERT_EQ(h.dialog.ItemCount(list), kStationTableRows + 4);
    EXPECT_EQ(h.dialog.ItemText(list, kStationTableRows), "5 - Unknown");
    EXPECT_EQ(h.dialog.ItemData(list, kStationTableRows + 1), 9);
  }
  // First run: station 5, the first of the block.
  EXPECT_EQ(h.settings.station[0], 5);
  EXPECT_EQ(h.dialog.Selection(kIdView1StationList), kStationTableRows);

  h.dialog.UserSelect(kIdView1StationList, kStationTableRows + 2);  // 7
  EXPECT_EQ(h.v1().station, 7);
  EXPECT_TRUE(h.dialog.IsEnabled(kIdView1StepDown));
  EXPECT_TRUE(h.dialog.IsEnabled(kIdView1StepUp));
  h.dialog.UserClick(kIdView1StepDown);  // "▼": the first greater id in column order
  EXPECT_EQ(h.Station1(), (std::array<int32_t, 3>{9, 9, 9}));
  EXPECT_EQ(h.Text(kIdView1ValueText), std::to_string(DefaultValue(9, kPreset)));
  h.dialog.UserClick(kIdView1StepDown);
  EXPECT_EQ(h.settings.station[0], 11);
  EXPECT_FALSE(
      h.dialog.IsEnabled(kIdView1StepDown));  // the last row, and nothing greater in the block

  h.dialog.UserSelect(kIdView1StationList, kStationTableRows + 2);  // 7 again
  h.dialog.UserClick(kIdView1StepUp);  // "▲": the last smaller id before that column
  EXPECT_EQ(h.settings.station[0], 5);
  EXPECT_FALSE(h.dialog.IsEnabled(kIdView1StepUp));
  EXPECT_TRUE(h.dialog.IsEnabled(kIdView1StepDown));
}

TEST(SecondViewScenario, AStationWithoutDataShowsTheNoDataTextAndNoValue) {
  StartedHarness h;
  h.dialog.UserSelect(kIdView1StationList, 4);  // id 100 is in the block
  EXPECT_EQ(h.Text(kIdView1NoDataText), "");
  EXPECT_FALSE(h.Text(kIdView1ValueText).empty());
  h.dialog.UserSelect(kIdView1StationList, 10);  // a station the block lacks
  const int32_t missing = h.dialog.ReadList(kIdView1StationList);
  EXPECT_EQ(h.v1().station, missing);
  EXPECT_EQ(h.Text(kIdView1NoDataText), "No data for this host");
  EXPECT_EQ(h.Text(kIdView1ValueText), "");
  // The strip of a station without data is black.
  EXPECT_EQ(h.v1().image.Pixel(100, 10), kBlack);

  // A second without a sample (0) has no value either.
  ViewHarness zero;
  zero.server.script.value = [](uint32_t id, int64_t t) {
    return t == kPreset ? 0 : DefaultValue(id, t);
  };
  zero.Start();
  EXPECT_EQ(zero.Text(kIdView1NoDataText), "");
  EXPECT_EQ(zero.Text(kIdView1ValueText), "");
  zero.dialog.UserScroll(kIdView1StepBar, ScrollCode::kLineDown);
  EXPECT_EQ(zero.Text(kIdView1ValueText),
            std::to_string(DefaultValue(zero.settings.station[0], kPreset + 1)));
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
  h.dialog.UserSelect(kIdView1OrderByList, 3);
  EXPECT_EQ(h.settings.stationSortMode[0], 3);
  h.Play(kIdView1Play);
  // Largest median first; the equal 101s of stations 1 and 34 keep column order.
  h.PlaySeconds(1);
  EXPECT_EQ(ranks(), (std::vector<int32_t>{2, 0, 3, 4, 1}));
  h.dialog.ResetPaintCounts();
  h.PlaySeconds(10);
  EXPECT_EQ(ranks(), (std::vector<int32_t>{2, 0, 4, 1, 3}));
  EXPECT_GE(h.dialog.DrawCount(kIdView1GraphImage), 1);

  // Another mode leaves the order alone while playing.
  h.dialog.UserClick(kIdView1Play);
  h.dialog.UserSelect(kIdView1OrderByList, 0);
  EXPECT_EQ(ranks(), (std::vector<int32_t>{0, 1, 2, 3, 4}));
  ASSERT_TRUE(h.FinishRun());
}

TEST(SecondViewScenario, CopyingSettingsAcrossSourcesAndChoosingWithoutAPosition) {
  StartedHarness h;
  h.dialog.UserClick(kIdView2);
  h.dialog.UserScroll(kIdView1StepBar, ScrollCode::kPageDown);
  h.dialog.UserSelect(kIdView1StationList, 2);
  h.dialog.UserSelect(kIdView1ValuesList, 6);
  h.dialog.UserSelect(kIdView1SmoothList, 4);
  h.dialog.UserSelect(kIdView1HexagramMethodList, 2);
  h.dialog.UserSelect(kIdView1HexagramLanguageList, 1);
  h.dialog.UserSelect(kIdView1OrderByList, 1);
  ASSERT_EQ(h.v2().store, &h.pseudoStore);

  h.dialog.UserClick(kIdCopyDown);  // View 1 -> View 2
  EXPECT_EQ(h.v2().store, &h.serverStore);
  EXPECT_EQ(h.g2().store, &h.serverStore);
  EXPECT_TRUE(h.dialog.IsChecked(kIdView2ServerRadio));
  EXPECT_EQ(h.settings.source[1], kSourceServer);
  EXPECT_EQ(h.v2().station, 34);
  EXPECT_EQ(h.dialog.ReadList(kIdView2StationList), 34);
  EXPECT_EQ(h.v2().position, h.v1().position);
  EXPECT_EQ(h.Text(kIdView2PositionText), h.Text(kIdView1PositionText));
  EXPECT_EQ(h.v2().currentBlock, h.v1().currentBlock);
  EXPECT_EQ(h.settings.histogramValues[1], 7);
  EXPECT_EQ(h.settings.stationSortMode[1], 1);
  for (size_t i = 0; i < 6; ++i) {
    EXPECT_EQ(h.dialog.Selection(kTimeLists[0][i]), h.dialog.Selection(kTimeLists[1][i])) << i;
  }
  EXPECT_EQ(h.dialog.Selection(kIdView2ValuesList), h.dialog.Selection(kIdView1ValuesList));
  EXPECT_EQ(h.dialog.Selection(kIdView2SmoothList), h.dialog.Selection(kIdView1SmoothList));
  EXPECT_EQ(h.v2().image, h.v1().image);
  EXPECT_EQ(h.v2().histogram.hexagramLines, h.v1().histogram.hexagramLines);
  // The sound box is not copied.
  EXPECT_FALSE(h.dialog.IsChecked(kIdView2SoundCheck));

  // Without a position (the posted "Set"s have not run) a station choice
  // paints nothing, and the buttons follow the list rows.
  ViewHarness fresh;
  fresh.Create();
  fresh.dialog.ResetPaintCounts();
  fresh.dialog.UserSelect(kIdView1StationList, 3);
  EXPECT_EQ(fresh.settings.station[0], 37);
  EXPECT_EQ(fresh.v1().station, 37);
  EXPECT_EQ(fresh.dialog.DrawCount(kIdView1Image), 0);
  EXPECT_EQ(fresh.v1().position, 0);
  EXPECT_TRUE(fresh.dialog.IsEnabled(kIdView1StepUp));
  fresh.dialog.UserSelect(kIdView1StationList, 0);
  EXPECT_FALSE(fresh.dialog.IsEnabled(kIdView1StepUp));
  fresh.dialog.UserClick(kIdView1StepDown);
  EXPECT_EQ(fresh.settings.station[0], 33);
  EXPECT_EQ(fresh.dialog.Selection(kIdView1StationList), 1);
  fresh.dialog.UserSelect(kIdView1StationList, kStationTableRows - 1);
  EXPECT_FALSE(fresh.dialog.IsEnabled(kIdView1StepDown));
  // Back the other way from a view without a position: the copied lists' time.
  fresh.dialog.UserClick(kIdView2);
  fresh.dialog.UserSelect(kIdView2HourList, 4);
  fresh.dialog.UserClick(kIdCopyUp);  // View 2 -> View 1
  EXPECT_EQ(fresh.v1().store, &fresh.pseudoStore);
  EXPECT_EQ(fresh.v1().position, MakeUtc(2026, 3, 10, 4, 50, 0));
}

TEST(SecondViewScenario, HexagramMethodRecastsAtOnceAndLanguageWaits) {
  ViewHarness h;
  // Every sample 100: three coins of 3 on each line, six old yang lines.
  h.server.script.value = [](uint32_t, int64_t) { return 100; };
  h.Start();
  const std::string sticks = h.Text(kIdView1HexagramNameText);
  EXPECT_FALSE(sticks.empty());
  h.dialog.UserSelect(kIdView1HexagramLanguageList, 1);  // English: shown from the next cast on
  EXPECT_EQ(h.Text(kIdView1HexagramNameText), sticks);
  h.dialog.UserSelect(kIdView1HexagramMethodList, 1);  // coins
  EXPECT_EQ(h.Text(kIdView1HexagramNameText), "1. Creative");
  EXPECT_EQ(h.v1().histogram.hexagramLines, (std::array<uint8_t, 6>{9, 9, 9, 9, 9, 9}));
  h.dialog.ResetPaintCounts();
  h.dialog.UserSelect(kIdView1SmoothList, 5);
  EXPECT_EQ(h.settings.histogramSmooth[0], 5);
  EXPECT_EQ(h.dialog.DrawCount(kIdView1HistogramPanel), 1);
}

TEST(SecondViewScenario, PicturesAreDrawnFromTheViewsSurfacesAndClicksChooseStations) {
  StartedHarness h;
  ASSERT_NE(h.main->RasterFor(kIdView1Image), nullptr);
  EXPECT_EQ(h.main->RasterFor(kIdView1Group), nullptr);
  EXPECT_EQ(h.g1().columns, 157);

  // The strip shows the histogram colour of the station at the cursor second.
  CHistogram cell;
  const int n = h.settings.histogramValues[0];
  ASSERT_GT(cell.Compute(h.serverStore, h.settings.station[0], kPreset, n), 0);
  EXPECT_EQ(h.main->RasterFor(kIdView1Image)->Pixel(4 * 44 - 3 + 1, 5), cell.Colour(n));
  // After the panel is drawn it shows the view's histogram for its position.
  h.dialog.Invalidate(kIdView1HistogramPanel);
  h.dialog.Update(kIdView1HistogramPanel);
  const Raster* panel = h.main->RasterFor(kIdView1HistogramPanel);
  ASSERT_NE(panel, nullptr);
  EXPECT_EQ(panel->Pixel(panel->width() / 2, 1), Rgb(0, 255, 0));
  // A whole repaint (a station change) leaves the panel's histogram at the position.
  h.dialog.UserSelect(kIdView1StationList, 2);
  ASSERT_GT(cell.Compute(h.serverStore, 34, kPreset, n), 0);
  EXPECT_EQ(h.v1().histogram.bins, cell.bins);
  const Raster* side = h.main->RasterFor(kIdView1SideStrip);
  ASSERT_NE(side, nullptr);
  EXPECT_EQ(side->Pixel(1, 4 * 2 + 1), kBlack);  // View 1's arrow at station 34's row
  // A click on the graph chooses the station of that row; in host IDs order
  // row 3 is column 3, station 37.
  h.dialog.UserClickAt(h.dialog.PointIn(kIdView1GraphImage, 300, 4 * 3 + 1));
  EXPECT_EQ(h.Station1(), (std::array<int32_t, 3>{37, 37, 37}));
  EXPECT_EQ(h.g1().station, 0);
  // A click on an empty row, or on the station strip, does nothing.
  h.dialog.UserClickAt(h.dialog.PointIn(kIdView1GraphImage, 300, 4 * 20 + 1));
  h.dialog.UserClickAt(h.dialog.PointIn(kIdView1Image, 10, 10));
  EXPECT_EQ(h.settings.station[0], 37);
  // View 2's graph is hidden: its area takes no clicks.
  h.dialog.UserClickAt(h.dialog.PointIn(kIdView2GraphImage, 300, 1));
  EXPECT_EQ(h.settings.station[1], int32_t(kPseudorandomStations[0]));
  h.dialog.UserClick(kIdView2);
  h.dialog.UserClickAt(h.dialog.PointIn(kIdView2GraphImage, 300, 4 * 3 + 1));
  EXPECT_EQ(h.settings.station[1], int32_t(kPseudorandomStations[3]));
  EXPECT_EQ(h.v2().station, int32_t(kPseudorandomStations[3]));
}

// View 2 shown and hidden while it plays, the sound panel, then Escape and
// the dialog's end.
TEST(SecondViewScenario, ViewTwoHiddenWhilePlayingSoundPanelEscapeAndDestroy) {
  StartedHarness h;
  const int view2Controls[] = {kIdView2Group,      kIdCopyDown,      kIdCopyUp,
                               kIdCopyLabel,       kIdView2Play,     kIdView2StationList,
                               kIdView2GraphImage, kIdView2SideStrip};
  for (int id : view2Controls) {
    EXPECT_FALSE(h.dialog.IsVisible(id)) << id;
  }
  h.dialog.UserClick(kIdView2);
  EXPECT_EQ(h.Text(kIdView2), "Hide View 2");
  EXPECT_EQ(h.settings.view2, 1);
  EXPECT_EQ(h.shell.layouts, std::vector<bool>{true});
  for (int id : view2Controls) {
    EXPECT_TRUE(h.dialog.IsVisible(id)) << id;
  }
  EXPECT_GE(h.dialog.WholeDialogInvalidations(), 1);
  h.Play(kIdView2Play, 1);
  EXPECT_EQ(h.v2().position, kPreset + 1);

  h.dialog.UserClick(kIdView2);
  EXPECT_FALSE(h.v2().playing());
  EXPECT_EQ(h.Text(kIdView2Play), "Continue");
  EXPECT_EQ(h.Text(kIdView2), "View 2");
  EXPECT_EQ(h.shell.layouts, (std::vector<bool>{true, false}));
  EXPECT_FALSE(h.dialog.IsVisible(kIdView2Play));
  ASSERT_TRUE(h.FinishRun());

  // The volume follows the thumb while it is dragged (the top is 100 %), and
  // stays on release; a key moves the thumb with no drag, only ending the move.
  // Both channels' halves at volume x 65535 / 100.
  const auto level = [](uint32_t v) { return v * 65535u / 100u * 0x10001u; };
  EXPECT_EQ(h.dialog.TrackbarPos(kIdVolume), 50);  // the first run's volume, mid-way
  h.dialog.UserDragTrackbar(kIdVolume, 30);
  EXPECT_EQ(h.settings.volume, 70);
  EXPECT_EQ(h.device.level(), level(70));
  h.dialog.UserReleaseTrackbar(kIdVolume);
  EXPECT_EQ(h.settings.volume, 70);
  h.dialog.UserKeyTrackbar(kIdVolume, 0);
  EXPECT_EQ(h.settings.volume, 100);
  EXPECT_EQ(h.device.level(), 0xFFFFFFFFu);
  h.dialog.UserClick(kIdMute);
  EXPECT_EQ(h.settings.mute, 1);
  EXPECT_TRUE(h.dialog.IsChecked(kIdMute));
  EXPECT_EQ(h.device.level(), 0u);
  h.dialog.UserDragTrackbar(kIdVolume, 75);
  EXPECT_EQ(h.settings.volume, 25);
  EXPECT_EQ(h.device.level(), 0u);  // still muted
  h.dialog.UserClick(kIdMute);
  EXPECT_EQ(h.settings.mute, 0);
  EXPECT_EQ(h.device.level(), level(25));

  h.dialog.UserSelect(kIdMusicScale, 2);
  EXPECT_EQ(h.settings.musicScale, 2);
  EXPECT_EQ(h.player->scaleNumber(), 2);
  h.dialog.UserSelect(kIdBaseFrequency, 21);
  EXPECT_EQ(h.settings.baseFrequency, 0);
  EXPECT_NEAR(h.player->baseFrequency(), 440.0f, 0.01f);
  h.dialog.UserSelect(kIdFade, 2);
  EXPECT_EQ(h.main->SoundFade(), 2);

  h.dialog.UserClick(kIdHelp);
  EXPECT_EQ(h.shell.helps, std::vector<int>{101});

  // Escape stops, then asks to exit; destroying the dialog keeps the choices.
  h.dialog.UserClick(kIdView2);
  h.dialog.UserClick(kIdView2SoundCheck);   // View 2 sound on
  h.dialog.UserClick(kIdView2ServerRadio);  // View 2 on the server
  h.dialog.DeliverPosted();
  h.dialog.UserSelect(kIdView1StationList, 3);
  h.Play(kIdView1Play);
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
  EXPECT_EQ(h.settings.station[0], 37);
  EXPECT_EQ(h.settings.view2, 1);
  ASSERT_TRUE(h.FinishRun());
}

}  // namespace
}  // namespace tessaly::testing
