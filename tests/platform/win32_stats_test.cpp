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
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "platform/stb/stb_png_writer.h"
#include "platform/win32/win_frame.h"
#include "platform/win32/win_resources.h"
#include "platform/win32/win_stats_window.h"
#include "platform/wintext/win_text.h"
#include "samples/clock.h"
#include "samples/utc_time.h"

#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#include <stb/stb_image.h>

namespace tessaly {
namespace {

void Pump(DWORD ms) {
  for (const DWORD start = GetTickCount(); GetTickCount() - start < ms; Sleep(5)) {
    for (MSG message; PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE);) {
      DispatchMessageW(&message);
    }
  }
}

// Pumps until done() or about 30 s.
template <typename Done>
bool PumpUntil(Done done) {
  for (int i = 0; i < 1500 && !done(); ++i) {
    Pump(20);
  }
  return done();
}

// The "key: value" lines of tessaly-render --stats, from the file the test
// command names (a Linux path, seen by Wine on drive Z:).
std::map<std::string, std::string> RenderSummary() {
  std::map<std::string, std::string> values;
  const char* path = std::getenv("TESSALY_STATS_SUMMARY");
  if (path == nullptr) {
    return values;
  }
  std::ifstream in(std::string("Z:") + path);
  for (std::string line; std::getline(in, line);) {
    const size_t colon = line.find(": ");
    if (colon != std::string::npos) {
      values[line.substr(0, colon)] = line.substr(colon + 2);
    }
  }
  return values;
}

// The number after `label` on the line that starts with `line`.
double Shown(const std::string& text, const std::string& line, const std::string& label) {
  const size_t start = text.find(line);
  const size_t end = text.find('\n', start);
  const size_t at = text.find(label + " ", start);
  if (start == std::string::npos || at == std::string::npos || at > end) {
    return -12345.0;
  }
  return std::strtod(text.c_str() + at + label.size() + 1, nullptr);
}

void ExpectSame(double shown, const std::string& printed, const char* what) {
  const double expected = std::stod(printed);
  // The window shows 6 significant digits (10 for chi-square).
  EXPECT_NEAR(shown, expected, std::fabs(expected) * 1e-5) << what;
}

void Type(HWND edit, const std::string& text) {
  SetWindowTextW(edit, Widen(text).c_str());
}

// What the screen shows of a window's client area, as 0x00RRGGBB.
std::vector<uint32_t> ScreenPixels(HWND window, int width, int height) {
  const HDC screen = GetDC(window);
  const HDC dc = CreateCompatibleDC(screen);
  const HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
  const HGDIOBJ old = SelectObject(dc, bitmap);
  BitBlt(dc, 0, 0, width, height, screen, 0, 0, SRCCOPY);
  SelectObject(dc, old);
  BITMAPINFO info{};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  std::vector<uint32_t> pixels(size_t(width) * size_t(height));
  GetDIBits(dc, bitmap, 0, UINT(height), pixels.data(), &info, DIB_RGB_COLORS);
  DeleteObject(bitmap);
  DeleteDC(dc);
  ReleaseDC(window, screen);
  for (uint32_t& p : pixels) {
    p &= 0xFFFFFF;
  }
  return pixels;
}

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
  const std::map<std::string, std::string> cli = RenderSummary();
  ASSERT_EQ(cli.size(), 9u) << "no summary of tessaly-render --stats in TESSALY_STATS_SUMMARY";
  const int64_t from = MakeUtc(2020, 3, 5, 7, 0, 0);
  SystemClock clock;
  StbPngWriter png;
  // A pseudorandom view after "Set", two hours into the stretch.
  const ViewSnapshot view{kSourcePseudorandom, "", from + 7200, nullptr};
  WinStatsWindow window(
      nullptr, 0, [&] { return view; }, clock, [] { return nullptr; }, &png);
  ASSERT_NE(window.Window(), nullptr);
  window.Show();
  // It opens with the last hour up to the view's position.
  ASSERT_TRUE(PumpUntil([&] { return window.record().hasResult() && !window.record().busy(); }));
  EXPECT_EQ(window.record().key().from, from + 7200 - 3599);
  EXPECT_EQ(window.record().key().to, from + 7200);

  // "From / To" as the user picks it: the fields open, nonsense is refused.
  const HWND choice = window.Control(kStatsChoice);
  EXPECT_FALSE(IsWindowEnabled(window.Control(kStatsFrom)));
  SendMessageW(choice, CB_SETCURSEL, kStretchFree, 0);
  SendMessageW(window.Window(), WM_COMMAND, MAKEWPARAM(kStatsChoice, CBN_SELCHANGE),
               LPARAM(choice));
  EXPECT_TRUE(IsWindowEnabled(window.Control(kStatsFrom)));
  Type(window.Control(kStatsFrom), "yesterday");
  SendMessageW(window.Control(kStatsCompute), BM_CLICK, 0, 0);
  EXPECT_NE(window.NumbersText().find("Choose From before To"), std::string::npos);
  Type(window.Control(kStatsFrom), "2020-03-05 07:00:00");
  Type(window.Control(kStatsTo), "2020-03-05 08:29:59");
  SendMessageW(window.Control(kStatsCompute), BM_CLICK, 0, 0);
  ASSERT_TRUE(PumpUntil([&] {
    return window.record().key().to == from + 5399 && !window.record().busy();
  })) << window.NumbersText();
  ASSERT_EQ(window.record().key().from, from);

  const std::string text = window.NumbersText();
  EXPECT_NE(text.find(cli.at("seconds") + " counted seconds"), std::string::npos) << text;
  ExpectSame(Shown(text, "Network variance", "\xCF\x87\xC2\xB2"), cli.at("chi-square"), "chi2");
  ExpectSame(Shown(text, "Network variance", "df"), cli.at("df"), "df");
  ExpectSame(Shown(text, "Network variance", "p"), cli.at("p"), "p");
  ExpectSame(Shown(text, "Network variance", "equivalent Z"), cli.at("z"), "z");
  ExpectSame(Shown(text, "Device variance", "\xCF\x87\xC2\xB2"), cli.at("device-chi-square"),
             "device chi2");
  ExpectSame(Shown(text, "Device variance", "df"), cli.at("device-df"), "device df");
  ExpectSame(Shown(text, "Device variance", "p"), cli.at("device-p"), "device p");

  // The plot on the screen is the painter's raster, pixel for pixel.
  const Raster& plot = window.plot();
  UpdateWindow(window.Window());
  std::vector<uint32_t> expected = plot.pixels();
  for (uint32_t& c : expected) {  // COLORREF to 0x00RRGGBB
    c = (c & 0xFF) << 16 | (c & 0xFF00) | (c >> 16 & 0xFF);
  }
  EXPECT_EQ(ScreenPixels(window.Control(kStatsPlot), plot.width(), plot.height()), expected);

  // The files: the table with a row a second and its summary, the PNG decoding
  // to the same picture.
  wchar_t temp[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, temp);
  const std::string folder =
      Narrow(temp) + "tessaly-stats-test-" + std::to_string(GetCurrentProcessId()) + "\\";
  CreateDirectoryW(Widen(folder).c_str(), nullptr);
  std::string error;
  ASSERT_TRUE(window.SaveTableTo(folder + "t.csv", &error)) << error;
  ASSERT_TRUE(window.SavePictureTo(folder + "p.png", &error)) << error;
  {
    std::ifstream table(folder + "t.csv");
    EXPECT_EQ(std::count(std::istreambuf_iterator<char>(table), {}, '\n'), 5401);
    std::ifstream summary(folder + "t-summary.csv");
    EXPECT_TRUE(summary.good());
  }
  int w = 0;
  int h = 0;
  int channels = 0;
  unsigned char* rgb = stbi_load((folder + "p.png").c_str(), &w, &h, &channels, 3);
  ASSERT_NE(rgb, nullptr);
  ASSERT_EQ(w, plot.width());
  ASSERT_EQ(h, plot.height());
  std::vector<uint32_t> decoded(size_t(w) * size_t(h));
  for (size_t i = 0; i < decoded.size(); ++i) {
    decoded[i] = uint32_t(rgb[3 * i]) << 16 | uint32_t(rgb[3 * i + 1]) << 8 | rgb[3 * i + 2];
  }
  stbi_image_free(rgb);
  EXPECT_EQ(decoded, expected);
  for (const char* name : {"t.csv", "t-summary.csv", "p.png"}) {
    DeleteFileW(Widen(folder + name).c_str());
  }
  RemoveDirectoryW(Widen(folder).c_str());

  // The sound cue: off until ticked, at the level typed; no level, no cue.
  EXPECT_EQ(window.record().cueThreshold(), std::nullopt);
  Type(window.Control(kStatsCueLevel), "2.5");
  SendMessageW(window.Control(kStatsCue), BM_CLICK, 0, 0);
  EXPECT_EQ(window.record().cueThreshold(), 2.5);
  Type(window.Control(kStatsCueLevel), "2.5x");
  EXPECT_EQ(window.record().cueThreshold(), std::nullopt);

  // Unticking a station in the health table leaves it out, and the record
  // computes again with it excluded.
  const HWND health = window.Control(kStatsHealth);
  ASSERT_GT(ListView_GetItemCount(health), 20);
  const uint32_t first = window.record().stretch().result().health[0].id;
  ListView_SetCheckState(health, 0, FALSE);
  ASSERT_TRUE(PumpUntil([&] {
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
