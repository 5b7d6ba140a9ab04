#include "display/raster.h"

#include <gtest/gtest.h>

namespace tessaly {
namespace {

// A raster whose pixel (x, y) holds a value that names it.
Raster Numbered(int w, int h) {
  Raster r(w, h);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      r.SetPixel(x, y, uint32_t(y * 1000 + x + 1));
    }
  }
  return r;
}

TEST(RasterTest, DrawingIsClippedToTheImage) {
  Raster r(10, 5, 7);
  EXPECT_EQ(r.pixels().size(), 50u);
  r.FillRect(-3, -2, 2, 1, 1);  // covers (0..1, 0)
  r.FillRect(8, 3, 100, 100, 2);
  r.FillRect(5, 0, 5, 5, 3);  // empty
  r.SetPixel(-1, 0, 4);
  r.SetPixel(10, 0, 4);
  r.SetPixel(0, 5, 4);
  EXPECT_EQ(r.Pixel(0, 0), 1u);
  EXPECT_EQ(r.Pixel(1, 0), 1u);
  EXPECT_EQ(r.Pixel(2, 0), 7u);
  EXPECT_EQ(r.Pixel(0, 1), 7u);
  EXPECT_EQ(r.Pixel(8, 3), 2u);
  EXPECT_EQ(r.Pixel(9, 4), 2u);
  EXPECT_EQ(r.Pixel(7, 4), 7u);
  EXPECT_EQ(r.Pixel(5, 2), 7u);
  EXPECT_EQ(r.Pixel(-1, 0), kBlack);
  EXPECT_EQ(r.Pixel(10, 0), kBlack);

  Raster none(-4, 3);
  EXPECT_TRUE(none.empty());
  none.FillRect(0, 0, 10, 10, 1);
  none.Move(0, 0, 5, 5, 1, 1);
  EXPECT_EQ(none.width(), 0);
}

TEST(RasterTest, MoveCopiesOverlappingAreasLikeABlit) {
  const Raster before = Numbered(12, 3);
  Raster left = before;
  left.Move(4, 0, 8, 3, 0, 0);
  Raster right = before;
  right.Move(0, 0, 8, 3, 4, 0);
  for (int y = 0; y < 3; ++y) {
    for (int x = 0; x < 12; ++x) {
      EXPECT_EQ(left.Pixel(x, y), x < 8 ? before.Pixel(x + 4, y) : before.Pixel(x, y));
      EXPECT_EQ(right.Pixel(x, y), x >= 4 ? before.Pixel(x - 4, y) : before.Pixel(x, y));
    }
  }
  Raster down = before;
  down.Move(0, 0, 12, 2, 0, 1);
  EXPECT_EQ(down.Pixel(3, 2), before.Pixel(3, 1));
  EXPECT_EQ(down.Pixel(3, 1), before.Pixel(3, 0));
  EXPECT_EQ(down.Pixel(3, 0), before.Pixel(3, 0));
}

TEST(RasterTest, MoveReadsAndWritesOnlyInsideTheImage) {
  const Raster before = Numbered(8, 2);
  // Source and destination both partly outside: only the overlap moves.
  Raster r = before;
  r.Move(-2, 0, 6, 2, 5, 0);  // pixels x = 0..2 go to 7..9, of which 7 is inside
  Raster expected = before;
  expected.SetPixel(7, 0, before.Pixel(0, 0));
  expected.SetPixel(7, 1, before.Pixel(0, 1));
  EXPECT_EQ(r, expected);

  r = before;
  r.Move(4, 0, 16, 2, 0, 0);  // wider than what is there
  EXPECT_EQ(r.Pixel(0, 0), before.Pixel(4, 0));
  EXPECT_EQ(r.Pixel(3, 1), before.Pixel(7, 1));
  EXPECT_EQ(r.Pixel(4, 1), before.Pixel(4, 1));

  r = before;
  r.Move(0, 0, 1 << 30, 1 << 30, -(1 << 30), 0);
  EXPECT_EQ(r, before);
}

}  // namespace
}  // namespace tessaly
