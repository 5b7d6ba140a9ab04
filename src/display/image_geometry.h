#pragma once

#include <cstdint>

namespace tessaly {

// One second is one column this many pixels wide; one station one row this high.
inline constexpr int kColumnWidth = 4;
inline constexpr int kRowHeight = 4;
// The mean band at the bottom of a graph.
inline constexpr int kBandHeight = 8;

// Columns of an image: the last one ends exactly at the right edge, so the
// first may be cut on the left.
inline constexpr int ColumnCount(int width) {
  return width > 0 ? (width + kColumnWidth - 1) / kColumnWidth : 0;
}
// Pixels of column 0 that lie left of the image.
inline constexpr int ColumnShift(int width) {
  return width > 0 ? (kColumnWidth - width % kColumnWidth) % kColumnWidth : 0;
}
// A main view shows its position in its middle.
inline constexpr int MainCursorColumn(int mainColumns) {
  return mainColumns - mainColumns / 2;
}
// A graph's cursor falls at the same place of the dialog as its main view's,
// the two images ending at the same right edge.
inline constexpr int GraphCursorColumn(int graphColumns, int mainColumns) {
  return graphColumns - mainColumns / 2;
}
// Station rows a graph shows above its band and a 2-pixel gap (may be 0).
inline constexpr int VisibleRows(int height) {
  return height / kRowHeight - 2 > 0 ? height / kRowHeight - 2 : 0;
}

// Where the columns and rows of one picture lie.
struct ImageGeometry {
  int width = 0;
  int height = 0;
  int columns = 0;
  int shift = 0;
  int cursorColumn = 0;  // the column that shows the view's position

  static ImageGeometry ForMain(int width, int height) {
    const int columns = ColumnCount(width);
    return {width, height, columns, ColumnShift(width), MainCursorColumn(columns)};
  }
  static ImageGeometry ForGraph(int width, int height, int mainColumns) {
    const int columns = ColumnCount(width);
    return {width, height, columns, ColumnShift(width), GraphCursorColumn(columns, mainColumns)};
  }

  // x of the first pixel of column c (negative for a cut column 0).
  int ColumnLeft(int c) const { return kColumnWidth * c - shift; }
  // The column that pixel x belongs to (outside 0..columns - 1 for x outside the image).
  int ColumnAt(int x) const {
    const int v = x + shift;
    return v >= 0 ? v / kColumnWidth : -((-v + kColumnWidth - 1) / kColumnWidth);
  }
  // The second column c shows when column cursorColumn shows position.
  int64_t SecondOfColumn(int64_t position, int c) const { return position - cursorColumn + c; }
  // The second of column 0.
  int64_t FirstSecond(int64_t position) const { return position - cursorColumn; }
  int visibleRows() const { return VisibleRows(height); }
  // Top of the mean band.
  int bandTop() const { return height - kBandHeight; }
};

}  // namespace tessaly
