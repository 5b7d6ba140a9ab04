#include "display/graph_painter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <string>
#include <vector>

#include "raster_text.h"
#include "samples/sample_store.h"
#include "samples/utc_time.h"
#include "support/fixed_clock.h"
#include "support/scripted_source.h"

namespace tessaly {
namespace {

const int64_t kT0 = MakeUtc(2024, 3, 1, 12, 0, 0);

// Scrolling by any distance gives what a full repaint at the new second gives,
// for cut and whole first columns, strips and graphs, with data ending and a
// gap between blocks inside the picture; only the columns that enter are painted.
TEST(GraphPainterTest, ScrollingEqualsAFullRepaintAndRepaintsOnlyWhatEnters) {
  std::vector<uint32_t> stations(30);
  std::iota(stations.begin(), stations.end(), 1u);
  FixedClock clock{kT0 + 86400};
  ScriptedSource source(stations,
                        [](uint32_t id, int64_t t) { return int((t * 7 + id * 13) % 120) + 40; });
  SampleStore store{kSourceServer, clock, &source};
  const auto paint = [&store](const PaintParams& p) {
    Raster r(p.geometry.width, p.geometry.height, kUnpainted);
    PaintImage(r, store, p);
    return r;
  };
  store.CreateBlocks(kT0, kT0 + 1800);
  store.CreateBlocks(kT0 + 2400, kT0 + 3000);
  for (int width : {345, 344, 343, 342, 627}) {
    for (bool graph : {false, true}) {
      const ImageGeometry g =
          graph ? ImageGeometry::ForGraph(width, 110, 87) : ImageGeometry::ForMain(width, 21);
      const PaintParams p{g, kT0 + 1760, graph ? 0u : 11u, 0, 0, 4};
      for (int64_t d : {1, 2, 3, 5, -1, -3, -4, 40, -40, 86, 87, -87, 156, 157, 500, -500}) {
        Raster scrolled = paint(p);
        ScrollToSecond(scrolled, store, p, p.position + d);
        PaintParams q = p;
        q.position += d;
        ASSERT_EQ(scrolled, paint(q)) << "width " << width << " graph " << graph << " move " << d;
      }
    }
  }
  // Station 5 turns blue in the store; only repainted columns can show it.
  source.stations = {5};
  source.value = [](uint32_t, int64_t) { return 100; };
  BlockPtr b = store.CreateBlocks(kT0 + 7200, kT0 + 9000);
  const PaintParams p{ImageGeometry::ForMain(345, 21), kT0 + 8000, 5};  // column 0 is cut
  Raster r = paint(p);
  std::fill(b->values.begin(), b->values.end(), uint16_t(150));
  ScrollToSecond(r, store, p, p.position + 1);
  EXPECT_EQ(Line(r, 0, 0, 345), std::string(341, 'g') + "bbbb");
  PaintParams q = p;
  q.position += 1;
  Raster back = r, far = r, first(345, 21, kUnpainted);
  ScrollToSecond(back, store, q, q.position - 3);  // the cut column becomes whole as well
  EXPECT_EQ(Line(back, 0, 0, 14), "bbbbbbbbbbbbbg");
  ScrollToSecond(far, store, q, q.position + 87);  // a move of a whole image repaints all
  EXPECT_EQ(Line(far, 0, 0, 345), std::string(345, 'b'));
  PaintParams none = q;
  none.position = 0;  // so does a first position
  ScrollToSecond(first, store, none, q.position);
  EXPECT_EQ(Line(first, 0, 0, 345), std::string(345, 'b'));
}

TEST(RulerAndMarkers, RulerMarksTheCursorAndTicksEveryTenSeconds) {
  const ImageGeometry strip = ImageGeometry::ForMain(345, 21);
  Raster r(345, 11, kUnpainted);
  PaintRuler(r, strip, kFace);
  // The cursor column starts at x = 173; the mark's tip is 2 pixels right of it.
  EXPECT_EQ(Line(r, 0, 169, 182), ".............");
  EXPECT_EQ(Line(r, 1, 169, 182), "......#......");
  EXPECT_EQ(Line(r, 3, 169, 182), "....#####....");
  EXPECT_EQ(Line(r, 5, 169, 182), "..#########..");
  EXPECT_EQ(Line(r, 6, 169, 182), ".............");
  for (int x : {135, 95, 55, 15, 215, 255, 295, 335}) {  // 175 -/+ 40 k, y = 2..4
    EXPECT_EQ(
        Line(r, 1, x, x + 1) + Line(r, 2, x, x + 1) + Line(r, 4, x, x + 1) + Line(r, 5, x, x + 1),
        ".##.")
        << x;
  }
  EXPECT_EQ(std::count(r.pixels().begin(), r.pixels().end(), kBlack), 25 + 8 * 3);
  // On the graph's strip (cursor at x = 457) the sixth tick each way is a minute away.
  Raster g(627, 11, kUnpainted);
  PaintRuler(g, ImageGeometry::ForGraph(627, 110, strip.columns), kFace);
  EXPECT_EQ(Line(g, 1, 457, 458) + Line(g, 6, 217, 218) + Line(g, 6, 257, 258) +
                Line(g, 4, 17, 18) + Line(g, 4, 617, 618),
            "##.##");
}

TEST(RulerAndMarkers, StationArrowsOfBothViewsFollowTheirOrderAndAreCut) {
  FixedClock clock{kT0 + 86400};
  ScriptedSource source({5, 9, 7}, nullptr);
  SampleStore store(kSourceServer, clock, &source);
  BlockPtr block = store.CreateBlocks(kT0, kT0 + 600);  // identity ranks: 9 row 1, 7 row 2
  Raster side(12, 110, kUnpainted);
  const auto column = [&](int x, int from = 0, int to = 20) {
    std::string s;
    for (int y = from; y < to; ++y) {
      s += Line(side, y, x, x + 1);
    }
    return s;
  };
  MarkerParams m{block.get(), 0, 0, 9, 7, true};
  PaintStationMarkers(side, m, kFace);
  // View 1's arrow at y = 5 (tail up), View 2's at y = 9 (tail down).
  const std::vector<std::string> both = {
      "....................", ".....#...#..........", "....###.###.........",
      "...#########........", "..###########.......", ".#############......",
      "....................", ".....#...#..........", "#####.....#####....."};
  for (int x = 0; x < 9; ++x) {
    EXPECT_EQ(column(x), both[size_t(x)]) << x;
  }
  m.view2Shown = false;
  PaintStationMarkers(side, m, kFace);
  EXPECT_EQ(column(1) + column(8), ".....#..............#####...............");

  // View 2's own order from its first row: station 9 in row 3, shown at y = 5.
  block->rank[1] = {};
  block->rank[1][1] = 3;
  m = {block.get(), 1, 2, 9, 4242, true};  // 4242 is not in the block
  PaintStationMarkers(side, m, kFace);
  EXPECT_EQ(column(1) + column(7),
            ".....#.............."
            ".....#..............");
  m.firstRow = 4;  // above the first row shown: no arrow
  PaintStationMarkers(side, m, kFace);
  EXPECT_EQ(column(5, 0, 110), std::string(110, '.'));

  m.block = nullptr;  // without a block the strip is only the face colour
  PaintStationMarkers(side, m, kFace);
  EXPECT_EQ(side, Raster(12, 110, kFace));
}

}  // namespace
}  // namespace tessaly
