#include "display/graph_painter.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "samples/sample_store.h"
#include "samples/utc_time.h"
#include "support/fixed_clock.h"
#include "support/scripted_source.h"

namespace tessaly {
namespace {

const int64_t kT0 = MakeUtc(2024, 3, 1, 12, 0, 0);
// Not a colour any painter makes: shows what was left unpainted.
constexpr uint32_t kUnpainted = 0x00123456;
constexpr uint32_t kFace = 0x00C8D0D4;
constexpr uint32_t kGreen = Rgb(0, 255, 0);
constexpr uint32_t kRed = Rgb(255, 0, 0);
constexpr uint32_t kBlue = Rgb(0, 0, 255);

constexpr uint32_t kA = 5;
constexpr uint32_t kB = 9;
constexpr uint32_t kC = 7;

// With windows of one second: 100 paints green, 50 red, 150 blue, 0 black.
class GraphPainterTest : public testing::Test {
 protected:
  GraphPainterTest() : store(kSourceServer, clock, &source) {
    source.stations = {kA, kB, kC};
    source.value = [](uint32_t id, int64_t) { return id == kA ? 100 : id == kB ? 50 : 150; };
  }

  BlockPtr Load(int64_t start, int64_t end) {
    BlockPtr b = store.CreateBlocks(start, end);
    EXPECT_NE(b, nullptr);
    return b;
  }

  PaintParams Strip(uint32_t station, int64_t position, int width = 345) {
    PaintParams p;
    p.geometry = ImageGeometry::ForMain(width, 21);
    p.position = position;
    p.station = station;
    p.values = 1;
    return p;
  }

  PaintParams Graph(int64_t position, int width = 627) {
    PaintParams p;
    p.geometry = ImageGeometry::ForGraph(width, 110, 87);
    p.position = position;
    p.values = 1;
    return p;
  }

  static Raster Surface(const PaintParams& p) {
    return Raster(p.geometry.width, p.geometry.height, kUnpainted);
  }

  // The colour of each pixel of line y between x = from and to, one letter each.
  static std::string Line(const Raster& r, int y, int from, int to) {
    std::string s;
    for (int x = from; x < to; ++x) {
      const uint32_t c = r.Pixel(x, y);
      s += c == kGreen ? 'g' : c == kRed ? 'r' : c == kBlue ? 'b' : c == kBlack ? '#' : '?';
    }
    return s;
  }

  FixedClock clock{kT0 + 86400};
  ScriptedSource source;
  SampleStore store;
};

TEST_F(GraphPainterTest, StripColoursEachColumnByTheStationsWindowAtItsSecond) {
  // Odd seconds low, even seconds high.
  source.value = [](uint32_t, int64_t t) { return t % 2 != 0 ? 50 : 150; };
  Load(kT0, kT0 + 1800);
  const int64_t position = kT0 + 600;  // even
  const PaintParams p = Strip(kA, position);
  Raster r = Surface(p);
  PaintImage(r, store, p);

  // Column 0 (second position - 44, even) shows only its last pixel at x = 0;
  // the cursor column 44 covers x = 173 .. 176.
  EXPECT_EQ(Line(r, 0, 0, 9), "brrrrbbbb");
  EXPECT_EQ(Line(r, 20, 169, 181), "rrrrbbbbrrrr");
  EXPECT_EQ(Line(r, 10, 341, 345), "bbbb");  // column 86, an even second
  for (int y = 0; y < 21; ++y) {
    EXPECT_EQ(r.Pixel(175, y), kBlue);
  }
}

TEST_F(GraphPainterTest, StripIsBlackWhereTheWindowHasNoData) {
  Load(kT0, kT0 + 599);
  PaintParams p = Strip(kA, kT0 + 10);
  p.values = 3;
  Raster r = Surface(p);
  PaintImage(r, store, p);
  // Columns before kT0 (cursor 44 shows kT0 + 10) are black, then green.
  EXPECT_EQ(Line(r, 5, 4 * 34 - 3 - 4, 4 * 34 - 3 + 4), "####gggg");
  // A station the block lacks paints black everywhere.
  p.station = 4242;
  PaintImage(r, store, p);
  EXPECT_EQ(Line(r, 5, 0, 345), std::string(345, '#'));
}

TEST_F(GraphPainterTest, GraphDrawsOneRowPerStationByRankAndTheMeanBand) {
  BlockPtr b = Load(kT0, kT0 + 1800);
  const PaintParams p = Graph(kT0 + 900);
  Raster r = Surface(p);
  PaintImage(r, store, p);

  // Identity ranks: A, B, C in rows 0, 1, 2; rows 3..24 black; the 2-pixel
  // gap at y = 100, 101 is left alone; the band at 102..109 holds the mean.
  for (const auto& [y, colour] : {std::pair{0, 'g'}, {7, 'r'}, {11, 'b'}, {12, '#'}, {99, '#'}}) {
    EXPECT_EQ(Line(r, y, 0, 627), std::string(627, colour)) << y;
  }
  EXPECT_EQ(r.Pixel(300, 100), kUnpainted);
  EXPECT_EQ(r.Pixel(300, 101), kUnpainted);
  EXPECT_EQ(r.Pixel(0, 102), Rgb(85, 85, 85));
  EXPECT_EQ(r.Pixel(626, 109), Rgb(85, 85, 85));

  // View 2's own order, from its first row on.
  b->rank[1] = {};
  b->rank[1][0] = 2;  // A
  b->rank[1][1] = 0;  // B
  b->rank[1][2] = 1;  // C
  PaintParams q = p;
  q.view = 1;
  q.firstRow = 1;
  PaintImage(r, store, q);
  EXPECT_EQ(Line(r, 1, 200, 204), "bbbb");  // C in row 0
  EXPECT_EQ(Line(r, 5, 200, 204), "gggg");  // A in row 1
  EXPECT_EQ(Line(r, 9, 200, 204), "####");  // B is above the first row shown
  EXPECT_EQ(r.Pixel(200, 105), Rgb(85, 85, 85));
}

TEST_F(GraphPainterTest, StationWithoutDataIsBlackAndPullsTheBandTowardBlack) {
  const int64_t hole = kT0 + 905;
  source.value = [hole](uint32_t id, int64_t t) {
    if (id == kB) {
      return t == hole ? 0 : 50;
    }
    return id == kA ? 100 : 150;
  };
  Load(kT0, kT0 + 1800);
  const PaintParams p = Graph(kT0 + 900);
  Raster r = Surface(p);
  PaintImage(r, store, p);
  const int c = p.geometry.cursorColumn + 5;
  const int x = p.geometry.ColumnLeft(c);
  EXPECT_EQ(Line(r, 5, x - 1, x + 5), "r####r");
  EXPECT_EQ(r.Pixel(x, 105), Rgb(0, 85, 85));
  EXPECT_EQ(r.Pixel(x + 4, 105), Rgb(85, 85, 85));
}

TEST_F(GraphPainterTest, TallBlocksShowTheRowsFromTheFirstRowOn) {
  std::vector<uint32_t> many;
  for (uint32_t id = 1; id <= 40; ++id) {
    many.push_back(id);
  }
  source.stations = many;
  // Station id i is green when even, red when odd.
  source.value = [](uint32_t id, int64_t) { return id % 2 == 0 ? 100 : 50; };
  Load(kT0, kT0 + 1800);
  PaintParams p = Graph(kT0 + 900);
  p.firstRow = 10;  // rows 0..24 show the stations of ranks 10..34, ids 11..35
  Raster r = Surface(p);
  PaintImage(r, store, p);
  EXPECT_EQ(r.Pixel(50, 0), kRed);    // id 11
  EXPECT_EQ(r.Pixel(50, 4), kGreen);  // id 12
  EXPECT_EQ(r.Pixel(50, 99), kRed);   // id 35
  EXPECT_EQ(r.Pixel(50, 100), kUnpainted);
  // The band averages all 40 stations, shown or not.
  EXPECT_EQ(r.Pixel(50, 108), Rgb(127, 127, 0));
}

TEST_F(GraphPainterTest, ColumnsOfSecondsInNoBlockArePaintedBlack) {
  Load(kT0, kT0 + 599);
  // The first 20 columns show seconds before the block, the rest lie in it.
  const PaintParams p = Graph(kT0 + 114 - 20);
  Raster r = Surface(p);
  PaintImage(r, store, p);
  const int edge = p.geometry.ColumnLeft(20);
  EXPECT_EQ(Line(r, 2, edge - 2, edge + 2), "##gg");
  EXPECT_EQ(r.Pixel(edge - 1, 104), kBlack);
  EXPECT_EQ(r.Pixel(edge, 104), Rgb(85, 85, 85));
  EXPECT_EQ(r.Pixel(0, 100), kUnpainted);  // the gap stays as it was

  // Scrolling back, the columns that enter show no stale pixels of other seconds.
  PaintParams q = p;
  ScrollToSecond(r, store, q, q.position - 10);
  q.position -= 10;
  Raster fresh = Surface(q);
  PaintImage(fresh, store, q);
  EXPECT_EQ(r, fresh);
  EXPECT_EQ(Line(r, 2, 0, p.geometry.ColumnLeft(30)),
            std::string(size_t(p.geometry.ColumnLeft(30)), '#'));
}

TEST_F(GraphPainterTest, ScrollingRepaintsOnlyTheColumnsThatEnter) {
  BlockPtr b = Load(kT0, kT0 + 1800);
  const PaintParams p = Strip(kA, kT0 + 900);  // width 345: column 0 is cut
  Raster r = Surface(p);
  PaintImage(r, store, p);
  // Station A turns blue in the store; only repainted columns can show it.
  std::fill(b->values.begin(), b->values.begin() + b->secondCount, uint16_t(150));

  ScrollToSecond(r, store, p, p.position + 1);
  EXPECT_EQ(Line(r, 0, 0, 341), std::string(341, 'g'));
  EXPECT_EQ(Line(r, 0, 341, 345), "bbbb");

  PaintParams q = p;
  q.position += 1;
  Raster back = r;
  ScrollToSecond(back, store, q, q.position - 3);
  // Columns 0..3 (x = 0 .. 12): the cut column becomes whole and is repainted too.
  EXPECT_EQ(Line(back, 0, 0, 14), "bbbbbbbbbbbbbg");

  // A move of a whole image repaints everything; so does a first position.
  Raster far = r;
  ScrollToSecond(far, store, q, q.position + 87);
  EXPECT_EQ(Line(far, 0, 0, 345), std::string(345, 'b'));
  PaintParams none = q;
  none.position = 0;
  Raster first = Surface(p);
  ScrollToSecond(first, store, none, q.position);
  EXPECT_EQ(Line(first, 0, 0, 345), std::string(345, 'b'));
}

// Scrolling by any distance gives the picture a full repaint at the new second
// gives, for cut and whole first columns, strips and graphs, with data ending
// inside the picture.
TEST_F(GraphPainterTest, ScrollingEqualsAFullRepaint) {
  std::vector<uint32_t> ids;
  for (uint32_t id = 1; id <= 30; ++id) {
    ids.push_back(id);
  }
  source.stations = ids;
  source.value = [](uint32_t id, int64_t t) { return int((t * 7 + id * 13) % 120) + 40; };
  Load(kT0, kT0 + 1800);
  Load(kT0 + 2400, kT0 + 3000);  // a gap of 599 seconds between the blocks
  const std::vector<int64_t> moves = {1,   2,  3,  5,   -1,  -3,  -4,  40,
                                      -40, 86, 87, -87, 156, 157, 500, -500};
  for (int width : {345, 344, 343, 342, 627}) {
    for (bool graph : {false, true}) {
      PaintParams p = graph ? Graph(kT0 + 1760, width) : Strip(11, kT0 + 1760, width);
      p.values = 4;
      for (int64_t d : moves) {
        Raster scrolled = Surface(p);
        PaintImage(scrolled, store, p);
        ScrollToSecond(scrolled, store, p, p.position + d);
        PaintParams q = p;
        q.position += d;
        Raster fresh = Surface(p);
        PaintImage(fresh, store, q);
        ASSERT_EQ(scrolled, fresh)
            << "width " << width << (graph ? " graph" : " strip") << " move " << d;
      }
    }
  }
}

TEST_F(GraphPainterTest, RulerMarksTheCursorAndTicksEveryTenSeconds) {
  const ImageGeometry strip = ImageGeometry::ForMain(345, 21);
  Raster r(345, 11, kUnpainted);
  PaintRuler(r, strip, kFace);
  // The cursor column starts at x = 173; the mark's tip is 2 pixels right of it.
  const auto at = [&r](int y, int from, int to) {
    std::string s;
    for (int x = from; x < to; ++x) {
      s += r.Pixel(x, y) == kBlack ? '#' : r.Pixel(x, y) == kFace ? '.' : '?';
    }
    return s;
  };
  EXPECT_EQ(at(0, 169, 182), ".............");
  EXPECT_EQ(at(1, 169, 182), "......#......");
  EXPECT_EQ(at(3, 169, 182), "....#####....");
  EXPECT_EQ(at(5, 169, 182), "..#########..");
  EXPECT_EQ(at(6, 169, 182), ".............");
  // Ticks at 175 -/+ 40 k, from y = 2 to 4; none falls at x = 375 or beyond.
  for (int x : {135, 95, 55, 15, 215, 255, 295, 335}) {
    EXPECT_EQ(at(1, x, x + 1) + at(2, x, x + 1) + at(4, x, x + 1) + at(5, x, x + 1), ".##.") << x;
  }
  int black = 0;
  for (uint32_t c : r.pixels()) {
    black += c == kBlack ? 1 : 0;
  }
  EXPECT_EQ(black, 25 + 8 * 3);

  // On the graph's strip (cursor at x = 457) the sixth tick each way is a minute away.
  const ImageGeometry graph = ImageGeometry::ForGraph(627, 110, strip.columns);
  Raster g(627, 11, kUnpainted);
  PaintRuler(g, graph, kFace);
  EXPECT_EQ(g.Pixel(457, 1), kBlack);
  EXPECT_EQ(g.Pixel(457 - 240, 6), kBlack);
  EXPECT_EQ(g.Pixel(457 - 200, 6), kFace);
  EXPECT_EQ(g.Pixel(457 - 440, 4), kBlack);  // x = 17, the eleventh tick
  EXPECT_EQ(g.Pixel(457 + 160, 4), kBlack);  // x = 617, the last one on the right
}

class StationMarkersTest : public GraphPainterTest {
 protected:
  StationMarkersTest() {
    source.stations = {5, 9, 7};  // identity ranks: 9 in row 1, 7 in row 2
    block = Load(kT0, kT0 + 600);
  }

  // Column x of the side strip as '#' (black) and '.' (face), top to bottom up to `to`.
  std::string Column(int x, int to = 20) const {
    std::string s;
    for (int y = 0; y < to; ++y) {
      s += side.Pixel(x, y) == kBlack ? '#' : side.Pixel(x, y) == kFace ? '.' : '?';
    }
    return s;
  }

  BlockPtr block;
  Raster side{12, 110, kUnpainted};
};

TEST_F(StationMarkersTest, ArrowsOfBothViewsWithTheirTails) {
  MarkerParams m{block.get(), 0, 0, 9, 7, true};
  PaintStationMarkers(side, m, kFace);
  // View 1's arrow at y = 5 (tail up), View 2's at y = 9 (tail down).
  EXPECT_EQ(Column(0), "....................");
  EXPECT_EQ(Column(1), ".....#...#..........");
  EXPECT_EQ(Column(3), "...#########........");  // the two arrows touch
  EXPECT_EQ(Column(5), ".#############......");
  EXPECT_EQ(Column(6), "....................");
  EXPECT_EQ(Column(7), ".....#...#..........");
  EXPECT_EQ(Column(8), "#####.....#####.....");

  side.Fill(kUnpainted);
  m.view2Shown = false;
  PaintStationMarkers(side, m, kFace);
  EXPECT_EQ(Column(1), ".....#..............");
  EXPECT_EQ(Column(8), "#####...............");
}

TEST_F(StationMarkersTest, ArrowsFollowTheGraphsOwnOrderAndFirstRow) {
  block->rank[1] = {};
  block->rank[1][1] = 3;                             // station 9 in row 3 of View 2's order
  MarkerParams m{block.get(), 1, 2, 9, 4242, true};  // 4242 is not in the block
  PaintStationMarkers(side, m, kFace);
  EXPECT_EQ(Column(1), ".....#..............");  // row 3 - first row 2 = 1: y = 5
  EXPECT_EQ(Column(7), ".....#..............");

  // A station above the first row shown has no arrow.
  side.Fill(kUnpainted);
  m.firstRow = 4;
  PaintStationMarkers(side, m, kFace);
  EXPECT_EQ(Column(5, 110), std::string(110, '.'));
}

TEST_F(StationMarkersTest, ArrowsAtTheBottomEdgeAreCut) {
  block->rank[0][1] = 27;  // station 9: y = 109, the last line
  block->rank[0][2] = 28;  // station 7: y = 113, below the strip
  MarkerParams m{block.get(), 0, 0, 9, 5, true};
  PaintStationMarkers(side, m, kFace);
  EXPECT_EQ(side.Pixel(1, 109), kBlack);
  EXPECT_EQ(side.Pixel(7, 109), kBlack);
  EXPECT_EQ(Column(5, 110).substr(100), ".....#####");
  EXPECT_EQ(Column(8, 110).substr(100), "....#####.");

  // Of an arrow below the strip only the top of its widest line shows, and no dot.
  side.Fill(kUnpainted);
  m.station1 = 5;  // row 0: y = 1
  m.station2 = 7;
  PaintStationMarkers(side, m, kFace);
  int black = 0;
  for (int y = 20; y < 110; ++y) {
    for (int x = 0; x < 12; ++x) {
      black += side.Pixel(x, y) == kBlack ? 1 : 0;
    }
  }
  EXPECT_EQ(black, 1);
  EXPECT_EQ(side.Pixel(5, 109), kBlack);

  // Without a block the strip is only the face colour.
  m.block = nullptr;
  PaintStationMarkers(side, m, kFace);
  EXPECT_EQ(side, Raster(12, 110, kFace));
}

}  // namespace
}  // namespace tessaly
