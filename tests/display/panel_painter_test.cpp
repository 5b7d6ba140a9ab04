#include "display/panel_painter.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "analysis/histogram.h"

namespace tessaly {
namespace {

constexpr uint32_t kFace = 0x00C8D0D4;
constexpr uint32_t kUnpainted = 0x00123456;
constexpr int kW = 75;  // c = 37
constexpr int kB = 60;  // bottom

// One letter per pixel: '#' black, '.' face, 'g', 'r', 'b' the marker lines.
std::string Line(const Raster& r, int y, int from, int to) {
  std::string s;
  for (int x = from; x < to; ++x) {
    const uint32_t c = r.Pixel(x, y);
    s += c == kBlack           ? '#'
         : c == kFace          ? '.'
         : c == Rgb(0, 255, 0) ? 'g'
         : c == Rgb(255, 0, 0) ? 'r'
         : c == Rgb(0, 0, 255) ? 'b'
                               : '?';
  }
  return s;
}

// Top to bottom at column x.
std::string Column(const Raster& r, int x) {
  std::string s;
  for (int y = 0; y < r.height(); ++y) {
    s += Line(r, y, x, x + 1);
  }
  return s;
}

// The bar heights seen from the bottom line up, for columns from..to - 1.
int BarHeight(const Raster& r, int x) {
  int h = 0;
  while (h < r.height() && r.Pixel(x, r.height() - 1 - h) == kBlack) {
    ++h;
  }
  return h;
}

std::string ScaleMarks(const Raster& r) {
  std::string s;
  for (int y = 0; y < r.height(); ++y) {
    if (r.Pixel(0, y) == kBlack && r.Pixel(1, y) == kBlack) {
      s += std::to_string(y - kB) + " ";
    }
  }
  return s;
}

// (bins, smoothing passes, bar height at x, the scale marks above the bottom).
TEST(HistogramPanelTest, BarsAndScaleOfKnownHistograms) {
  struct Case {
    const char* name;
    std::map<int, uint64_t> bins;
    int smooth;
    std::map<int, int> heights;
    std::string marks;
  };
  const Case cases[] = {
      // h = 30, d = 3: one bar at x = 38, just right of the green line; marks
      // at b + 1 (outside), b - 12, b - 25, b - 39.
      {"one value", {{100, 3}}, 0, {{37, 0}, {38, 40}, {39, 0}}, "-39 -25 -12 "},
      // h[99] = h[100] = 15, d = 2: bars at 37 (over the green line) and 38.
      {"smoothed once", {{100, 3}}, 1, {{36, 0}, {37, 30}, {38, 30}, {39, 0}}, "-39 -19 "},
      // Too low for the panel: first column; too high: last column.
      {"small counts", {{101, 1}, {30, 1}, {160, 1}}, 0, {{39, 40}, {0, 40}, {74, 40}}, "-39 "},
      // h = 10^9, d = 10^8: a tiny share rounds to no height.
      {"huge counts", {{100, 100000000}, {120, 1}}, 0, {{38, 40}, {58, 0}}, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CHistogram h;
    for (const auto& [bin, count] : c.bins) {
      h.bins[size_t(bin)] = count;
    }
    Raster r(kW, kB, kUnpainted);
    PaintHistogramPanel(r, h, c.smooth, kFace);
    for (const auto& [x, height] : c.heights) {
      EXPECT_EQ(BarHeight(r, x), height) << x;
      EXPECT_EQ(Column(r, x).substr(0, size_t(kB - height)).find('#'), std::string::npos) << x;
    }
    if (c.marks.empty()) {
      // Every line of the scale from b - 39 to b - 1 carries a mark.
      std::string all;
      for (int y = kB - 39; y < kB; ++y) {
        all += std::to_string(y - kB) + " ";
      }
      EXPECT_EQ(ScaleMarks(r), all);
    } else {
      EXPECT_EQ(ScaleMarks(r), c.marks);
    }
  }
  CHistogram one;
  one.bins[100] = 3;
  Raster r(kW, kB, kUnpainted);
  PaintHistogramPanel(r, one, 0, kFace);
  EXPECT_EQ(Line(r, kB - 1, 26, 49), ".r.........g#........b.");
  EXPECT_EQ(r.Pixel(2, kB - 12), kFace);
}

TEST(HistogramPanelTest, EmptyHistogramShowsOnlyTheMarkerLines) {
  CHistogram h;
  Raster r(kW, kB, kUnpainted);
  PaintHistogramPanel(r, h, 5, kFace);
  const std::string line = std::string(27, '.') + "r" + std::string(9, '.') + "g" +
                           std::string(9, '.') + "b" + std::string(27, '.');
  for (int y = 0; y < kB; ++y) {
    ASSERT_EQ(Line(r, y, 0, kW), line) << y;
  }
}

TEST(HexagramPanelTest, DrawsSolidBrokenAndMarkedLines) {
  Raster r(50, 45, kUnpainted);
  PaintHexagramPanel(r, {7, 8, 9, 6, 7, 8}, kFace);
  const auto row = [](bool broken, bool mark) {
    std::string s = ".....";
    s += broken ? std::string(14, '#') + "....." + std::string(14, '#') : std::string(33, '#');
    s += "....";
    s += mark ? "##" : "..";
    return s + std::string(50 - int(s.size()), '.');
  };
  // From the top: broken; solid; broken marked; solid marked; broken; solid.
  const std::string expected[6] = {row(true, false), row(false, false), row(true, true),
                                   row(false, true), row(true, false),  row(false, false)};
  for (int k = 0; k < 6; ++k) {
    const int top = 6 + 6 * k;
    for (int y = top; y < top + 3; ++y) {
      EXPECT_EQ(Line(r, y, 0, 50), expected[k]) << "line from the top " << k << ", y " << y;
    }
    for (int y = top + 3; y < top + 6; ++y) {
      EXPECT_EQ(Line(r, y, 0, 50), std::string(50, '.')) << y;
    }
  }
  for (int y = 0; y < 6; ++y) {
    EXPECT_EQ(Line(r, y, 0, 50), std::string(50, '.')) << y;
  }
}

TEST(HexagramPanelTest, LinesWithoutAValueStayEmpty) {
  Raster r(50, 45, kUnpainted);
  PaintHexagramPanel(r, {0, 0, 0, 0, 0, 9}, kFace);
  int black = 0;
  for (uint32_t c : r.pixels()) {
    black += c == kBlack ? 1 : 0;
  }
  EXPECT_EQ(black, (33 + 2) * 3);  // only the top line, solid and marked
  EXPECT_EQ(r.Pixel(5, 6), kBlack);
  EXPECT_EQ(r.Pixel(42, 8), kBlack);
}

}  // namespace
}  // namespace tessaly
