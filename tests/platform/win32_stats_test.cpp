// The statistics window of the Windows program on the real system (Wine and
// Xvfb): opened on a view after "Set", a stretch picked, its numbers those the
// Linux tessaly-render --stats printed for the same stretch (the test command
// passes its summary), a station excluded, the plot on the screen, the files
// saved and read back.

#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/stb/stb_png_writer.h"
#include "platform/win32/win_frame.h"
#include "platform/win32/win_resources.h"
#include "platform/win32/win_stats_window.h"
#include "platform/wintext/win_text.h"
#include "samples/clock.h"
#include "samples/utc_time.h"
#include "stats_summary.h"
#include "support/temp_folder.h"
#include "win32_test_support.h"

#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#include <stb/stb_image.h>

namespace tessaly {
namespace {

TEST(Win32StatsTest, MenuItemsOpenTheWindowOfTheirView) {
  WinFrame frame;
  std::vector<int> asked;
  frame.onNetworkStatistics = [&](int view) { asked.push_back(view); };
  wchar_t label[64] = {};
  GetMenuStringW(GetMenu(frame.Window()), TESSALY_CMD_STATISTICS_1, label, 64, MF_BYCOMMAND);
  EXPECT_EQ(Narrow(label), "Network &Statistics (View 1)\xE2\x80\xA6");
  GetMenuStringW(GetMenu(frame.Window()), TESSALY_CMD_STATISTICS_2, label, 64, MF_BYCOMMAND);
  EXPECT_EQ(Narrow(label), "Network S&tatistics (View 2)\xE2\x80\xA6");
  SendMessageW(frame.Window(), WM_COMMAND, TESSALY_CMD_STATISTICS_2, 0);
  SendMessageW(frame.Window(), WM_COMMAND, TESSALY_CMD_STATISTICS_1, 0);
  EXPECT_EQ(asked, (std::vector<int>{1, 0}));
}

TEST(Win32StatsTest, ShowsWhatTheCommandLinePrintsAndSavesItsFiles) {
  const int64_t from = MakeUtc(2020, 3, 5, 7, 0, 0);
  SystemClock clock;
  StbPngWriter png;
  // A pseudorandom view after "Set", two hours into the stretch.
  const ViewSnapshot view{kSourcePseudorandom, "", from + 7200, nullptr};
  WinStatsWindow window(
      nullptr, 0, [&] { return view; }, clock, [] { return nullptr; }, &png);
  ASSERT_NE(window.Window(), nullptr);
  window.Show();
  // It opens on the stretch up to the view's position.
  ASSERT_TRUE(Pump(30000, [&] { return window.record().hasResult() && !window.record().busy(); }));
  EXPECT_EQ(window.record().key().to, from + 7200);

  // "From / To" as the user picks it: the fields open, nonsense is refused.
  const HWND choice = window.Control(kStatsChoice);
  EXPECT_FALSE(IsWindowEnabled(window.Control(kStatsFrom)));
  SendMessageW(choice, CB_SETCURSEL, kStretchFree, 0);
  SendMessageW(window.Window(), WM_COMMAND, MAKEWPARAM(kStatsChoice, CBN_SELCHANGE),
               LPARAM(choice));
  EXPECT_TRUE(IsWindowEnabled(window.Control(kStatsFrom)));
  SetWindowTextW(window.Control(kStatsFrom), L"yesterday");
  SendMessageW(window.Control(kStatsCompute), BM_CLICK, 0, 0);
  EXPECT_NE(window.NumbersText().find("Choose From before To"), std::string::npos);
  SetWindowTextW(window.Control(kStatsFrom), L"2020-03-05 07:00:00");
  SetWindowTextW(window.Control(kStatsTo), L"2020-03-05 08:29:59");
  SendMessageW(window.Control(kStatsCompute), BM_CLICK, 0, 0);
  ASSERT_TRUE(Pump(30000, [&] {
    return window.record().key().to == from + 5399 && !window.record().busy();
  })) << window.NumbersText();
  ASSERT_EQ(window.record().key().from, from);

  // The summary's file, a Linux path, which Wine sees on drive Z:.
  const char* summary = std::getenv("TESSALY_STATS_SUMMARY");
  ExpectSummaryShown(window.NumbersText(),
                     ReadStatsSummary(std::string("Z:") + (summary != nullptr ? summary : "")));

  // The plot on the screen is the painter's raster, pixel for pixel.
  const Raster& plot = window.plot();
  UpdateWindow(window.Window());
  EXPECT_EQ(ScreenPixels(window.Control(kStatsPlot)), plot.pixels());

  // The picture file decodes to the same picture. (The end-to-end run under
  // Wine checks the saved table.)
  const testing::TempFolder folder;
  std::string error;
  ASSERT_TRUE(window.SavePictureTo(folder.File("p.png"), &error)) << error;
  int w = 0, h = 0, channels = 0;
  unsigned char* rgb = stbi_load(folder.File("p.png").c_str(), &w, &h, &channels, 3);
  ASSERT_NE(rgb, nullptr);
  ASSERT_EQ(w, plot.width());
  ASSERT_EQ(h, plot.height());
  std::vector<uint32_t> decoded(size_t(w) * size_t(h));
  for (size_t i = 0; i < decoded.size(); ++i) {
    decoded[i] = Rgb(rgb[3 * i], rgb[3 * i + 1], rgb[3 * i + 2]);
  }
  stbi_image_free(rgb);
  EXPECT_EQ(decoded, plot.pixels());

  // The sound cue: off until ticked, at the level typed; no level, no cue.
  EXPECT_EQ(window.record().cueThreshold(), std::nullopt);
  SetWindowTextW(window.Control(kStatsCueLevel), L"2.5");
  SendMessageW(window.Control(kStatsCue), BM_CLICK, 0, 0);
  EXPECT_EQ(window.record().cueThreshold(), 2.5);
  SetWindowTextW(window.Control(kStatsCueLevel), L"2.5x");
  EXPECT_EQ(window.record().cueThreshold(), std::nullopt);

  // Unticking a station in the health table leaves it out, and the record
  // computes again with it excluded.
  const HWND health = window.Control(kStatsHealth);
  ASSERT_GT(ListView_GetItemCount(health), 20);
  const uint32_t first = window.record().stretch().result().health[0].id;
  ListView_SetCheckState(health, 0, FALSE);
  ASSERT_TRUE(Pump(30000, [&] {
    const auto& excluded = window.record().stretch().result().excluded;
    return !window.record().busy() &&
           std::find(excluded.begin(), excluded.end(), first) != excluded.end();
  }));
  const std::string shown = window.NumbersText();
  EXPECT_NE(shown.find(std::to_string(first), shown.find("Excluded: ")), std::string::npos)
      << shown;
  EXPECT_FALSE(ListView_GetCheckState(health, 0));
  // Escape hides the window; the menu shows it again as it was.
  SendMessageW(window.Window(), WM_COMMAND, IDCANCEL, 0);
  EXPECT_FALSE(IsWindowVisible(window.Window()));
  window.Show();
  EXPECT_TRUE(IsWindowVisible(window.Window()));
}

}  // namespace
}  // namespace tessaly
