#include "display/graph_painter.h"

#include <algorithm>

#include "analysis/histogram.h"
#include "samples/sample_store.h"

namespace tessaly {
namespace {

uint32_t CellColour(CHistogram& work, const SampleStore& store, uint32_t station, int64_t t,
                    int32_t n) {
  return work.Compute(store, station, t, n, kWeightNone) > 0 ? work.Colour(n) : kBlack;
}

void PaintStationColumn(Raster& raster, const SampleStore& store, const PaintParams& params,
                        CHistogram& work, int c, int64_t t) {
  const ImageGeometry& g = params.geometry;
  const int left = g.ColumnLeft(c);
  raster.FillRect(left, 0, left + kColumnWidth, g.height,
                  CellColour(work, store, params.station, t, params.values));
}

void PaintAllStationsColumn(Raster& raster, const SampleStore& store, const PaintParams& params,
                            CHistogram& work, int c, int64_t t) {
  const ImageGeometry& g = params.geometry;
  const int left = g.ColumnLeft(c);
  const int right = left + kColumnWidth;
  const int rows = g.visibleRows();

  // Rows without a station are black; so is a whole column whose second no
  // block holds, rather than keeping whatever second was drawn there before.
  raster.FillRect(left, 0, right, rows * kRowHeight, kBlack);
  const BlockPtr block = store.FindBlock(t, true);
  if (!block) {
    raster.FillRect(left, g.bandTop(), right, g.height, kBlack);
    return;
  }

  const auto& ranks = block->rank[size_t(params.view & 1)];
  uint32_t red = 0, green = 0, blue = 0;
  const int count = std::clamp(block->stationCount, 0, kMaxStations);
  for (int i = 0; i < count; ++i) {
    const uint32_t colour = CellColour(work, store, block->stationIds[size_t(i)], t, params.values);
    red += RedOf(colour);
    green += GreenOf(colour);
    blue += BlueOf(colour);
    const int64_t row = int64_t(ranks[size_t(i)]) - params.firstRow;
    if (row >= 0 && row < rows) {
      const int top = int(row) * kRowHeight;
      raster.FillRect(left, top, right, top + kRowHeight, colour);
    }
  }
  const uint32_t mean =
      count > 0 ? Rgb(red / uint32_t(count), green / uint32_t(count), blue / uint32_t(count))
                : kBlack;
  raster.FillRect(left, g.bandTop(), right, g.height, mean);
}

}  // namespace

void PaintColumns(Raster& raster, const SampleStore& store, const PaintParams& params,
                  int firstColumn, int endColumn, int64_t firstSecond) {
  CHistogram work;
  firstColumn = std::max(firstColumn, 0);
  endColumn = std::min(endColumn, params.geometry.columns);
  for (int c = firstColumn; c < endColumn; ++c) {
    const int64_t t = firstSecond + c;
    if (params.station != 0) {
      PaintStationColumn(raster, store, params, work, c, t);
    } else {
      PaintAllStationsColumn(raster, store, params, work, c, t);
    }
  }
}

void PaintImage(Raster& raster, const SampleStore& store, const PaintParams& params) {
  PaintColumns(raster, store, params, 0, params.geometry.columns,
               params.geometry.FirstSecond(params.position));
}

void ScrollToSecond(Raster& raster, const SampleStore& store, const PaintParams& params,
                    int64_t newSecond) {
  const ImageGeometry& g = params.geometry;
  const int64_t firstSecond = g.FirstSecond(newSecond);
  if (params.position == 0) {
    PaintColumns(raster, store, params, 0, g.columns, firstSecond);
    return;
  }
  if (newSecond == params.position) {
    return;
  }
  // The distance is exact in unsigned arithmetic whatever the two times are;
  // any move of a whole image or more simply repaints every column.
  const int columns = g.columns;
  const bool forward = newSecond > params.position;
  const uint64_t distance = forward ? uint64_t(newSecond) - uint64_t(params.position)
                                    : uint64_t(params.position) - uint64_t(newSecond);
  const int moved = distance < uint64_t(std::max(columns, 0)) ? int(distance) : columns;
  const int kept = columns - moved;
  if (forward) {
    if (kept > 0) {
      raster.Move(kColumnWidth * moved, 0, kColumnWidth * kept, g.height, 0, 0);
    }
    PaintColumns(raster, store, params, kept, columns, firstSecond);
  } else {
    if (kept > 0) {
      raster.Move(0, 0, kColumnWidth * kept, g.height, kColumnWidth * moved, 0);
    }
    // After a move right the column cut on the left becomes whole, so it is
    // painted too.
    const int extra = g.shift != 0 ? 1 : 0;
    PaintColumns(raster, store, params, 0, std::min(moved + extra, columns), firstSecond);
  }
}

void PaintRuler(Raster& strip, const ImageGeometry& image, uint32_t buttonFace) {
  strip.Fill(buttonFace);
  const int right = strip.width();
  // The middle of the cursor column.
  const int x0 = right - kColumnWidth * (image.columns - image.cursorColumn) + 2;
  for (int i = 0; i <= 4; ++i) {
    strip.FillRect(x0 - i, 1 + i, std::min(x0 + i + 1, right), 2 + i, kBlack);
  }
  // One tick per 10 seconds, every sixth (a minute) longer.
  constexpr int kTickStep = 10 * kColumnWidth;
  const auto tick = [&strip](int x, int k) {
    strip.FillRect(x, 2, x + 1, k % 6 == 5 ? 7 : 5, kBlack);
  };
  int k = 0;
  for (int x = x0 - kTickStep; x >= 0; x -= kTickStep, ++k) {
    tick(x, k);
  }
  k = 0;
  for (int x = x0 + kTickStep; x < right; x += kTickStep, ++k) {
    tick(x, k);
  }
}

void PaintStationMarkers(Raster& sideStrip, const MarkerParams& params, uint32_t buttonFace) {
  sideStrip.Fill(buttonFace);
  if (params.block == nullptr) {
    return;
  }
  const SampleBlock& block = *params.block;
  const int b = sideStrip.height();
  const auto marker = [&](uint32_t station, bool tailUp) {
    const int column = block.FindColumn(station);
    if (column < 0) {
      return;
    }
    const int64_t row =
        int64_t(block.rank[size_t(params.view & 1)][size_t(column)]) - params.firstRow;
    const int64_t y64 = kRowHeight * row + 1;  // the station row's second pixel line
    if (y64 < 0 || y64 - 4 >= b) {
      // Above the strip it is skipped; this far below it nothing of it would show.
      return;
    }
    const int y = int(y64);
    // An arrow pointing left.
    for (int i = 0; i <= 4; ++i) {
      const int top = std::max(y - i, 0);
      if (top < b) {
        sideStrip.FillRect(i + 1, top, i + 2, std::min(y + i + 1, b), kBlack);
      }
    }
    if (y < b) {
      sideStrip.SetPixel(7, y, kBlack);
      if (tailUp) {
        sideStrip.FillRect(8, std::max(y - 5, 0), 9, y, kBlack);
      } else {
        sideStrip.FillRect(8, y + 1, 9, std::min(y + 6, b), kBlack);
      }
    }
  };
  marker(params.station1, true);
  if (params.view2Shown) {
    marker(params.station2, false);
  }
}

}  // namespace tessaly
