#include "display/panel_painter.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "analysis/histogram.h"
#include "raster_text.h"

namespace tessaly {
namespace {

constexpr int kW = 75;  // c = 37
constexpr int kB = 60;  // bottom

// (bins, smoothing passes, bar height at x, the scale marks above the bottom).
TEST(HistogramPanelTest, BarsAndScaleOfKnownHistograms) {
  struct Case {
    std::map<int, uint64_t> bins;
    int smooth;
    std::map<int, int> heights;
    std::string marks;  // empty: every line from b - 39 to b - 1
  };
  const Case cases[] = {
      // h = 30, d = 3: one bar at x = 38, just right of the green line.
      {{{100, 3}}, 0, {{37, 0}, {38, 40}, {39, 0}}, "-39 -25 -12 "},
      // h[99] = h[100] = 15, d = 2: bars at 37 (over the green line) and 38.
      {{{100, 3}}, 1, {{36, 0}, {37, 30}, {38, 30}, {39, 0}}, "-39 -19 "},
      // Too low for the panel: first column; too high: last column.
      {{{101, 1}, {30, 1}, {160, 1}}, 0, {{39, 40}, {0, 40}, {74, 40}}, "-39 "},
      // h = 10^9, d = 10^8: a tiny share rounds to no height.
      {{{100, 100000000}, {120, 1}}, 0, {{38, 40}, {58, 0}}, ""},
  };
  for (const Case& c : cases) {
    CHistogram h;
    for (const auto& [bin, count] : c.bins) {
      h.bins[size_t(bin)] = count;
    }
    Raster r(kW, kB, kUnpainted);
    PaintHistogramPanel(r, h, c.smooth, kFace);
    for (const auto& [x, height] : c.heights) {
      std::string column;
      for (int y = 0; y < kB; ++y) {
        column += Line(r, y, x, x + 1);
      }
      EXPECT_EQ(column.substr(size_t(kB - height)), std::string(size_t(height), '#')) << x;
      EXPECT_EQ(column.substr(0, size_t(kB - height)).find('#'), std::string::npos) << x;
    }
    std::string marks, all;
    for (int y = 0; y < kB; ++y) {
      if (Line(r, y, 0, 2) == "##") {
        marks += std::to_string(y - kB) + " ";
      }
      all += y >= kB - 39 ? std::to_string(y - kB) + " " : "";
    }
    EXPECT_EQ(marks, c.marks.empty() ? all : c.marks);
    if (c.smooth == 0 && c.bins.size() == 1) {
      EXPECT_EQ(Line(r, kB - 1, 26, 49), ".r.........g#........b.");
      EXPECT_EQ(r.Pixel(2, kB - 12), kFace);
    }
  }
  // Empty: only the marker lines.
  Raster r(kW, kB, kUnpainted);
  PaintHistogramPanel(r, CHistogram(), 5, kFace);
  for (int y = 0; y < kB; ++y) {
    ASSERT_EQ(Line(r, y, 0, kW), std::string(27, '.') + "r" + std::string(9, '.') + "g" +
                                     std::string(9, '.') + "b" + std::string(27, '.'))
        << y;
  }
}

// Lines 7, 8, 9, 6, 7, 8 from the bottom: from the top down broken; solid;
// broken with its mark; solid with its mark; broken; solid.
TEST(HexagramPanelTest, WholeBrokenAndMarkedLinesFromTheTopDown) {
  Raster r(45, 45, kUnpainted);
  PaintHexagramPanel(r, {7, 8, 9, 6, 7, 8}, kFace);
  const std::string left(5, '.'), solid(33, '#'), mark = "....##.", none(7, '.');
  const std::string broken = std::string(14, '#') + "....." + std::string(14, '#');
  const std::string rows[6] = {left + broken + none, left + solid + none,  left + broken + mark,
                               left + solid + mark,  left + broken + none, left + solid + none};
  for (int y = 0; y < 45; ++y) {
    const bool drawn = y >= 6 && y < 39 && (y - 6) % 6 < 3;
    EXPECT_EQ(Line(r, y, 0, 45), drawn ? rows[(y - 6) / 6] : std::string(45, '.')) << y;
  }
}

}  // namespace
}  // namespace tessaly
