#pragma once

#include <cstdint>

#include "display/image_geometry.h"
#include "display/raster.h"

namespace tessaly {

class SampleStore;
struct SampleBlock;

// What painting a view's picture reads: the view fills it from its own record,
// so the painters know nothing of views or dialogs.
struct PaintParams {
  ImageGeometry geometry;
  int64_t position = 0;  // the second of the cursor column; 0 = nothing painted yet
  uint32_t station = 0;  // the station of a strip; 0 paints all stations with the mean band
  int view = 0;          // view number 0 or 1: whose ranks order the rows
  int firstRow = 0;      // the first station row shown
  int32_t values = 1;    // "Values (Notes)": seconds each cell's histogram spans
};

// Paints columns [firstColumn, endColumn) of the picture, column c showing
// second firstSecond + c. A cell is coloured by the histogram of its station
// over the seconds that start there, black without data. Uses a histogram of
// its own, so the view's histogram (the one its panel shows) stays as it was.
void PaintColumns(Raster& raster, const SampleStore& store, const PaintParams& params,
                  int firstColumn, int endColumn, int64_t firstSecond);

// Every column, for the view's position.
void PaintImage(Raster& raster, const SampleStore& store, const PaintParams& params);

// Moves the picture from params.position to second newSecond: the content that
// still shows moves by whole columns and only the new columns are painted; a
// position of 0 paints everything. The caller sets the position afterwards.
void ScrollToSecond(Raster& raster, const SampleStore& store, const PaintParams& params,
                    int64_t newSecond);

// The position strip under a picture of the given geometry (the strip has the
// picture's width): the mark at the cursor column and ticks every 10 seconds,
// longer every 60.
void PaintRuler(Raster& strip, const ImageGeometry& image, uint32_t buttonFace);

// What the side strip beside a graph shows.
struct MarkerParams {
  const SampleBlock* block = nullptr;  // the graph's current block; none draws no arrows
  int view = 0;                        // the graph's view number: its ranks place the arrows
  int firstRow = 0;
  uint32_t station1 = 0;  // the stations selected in View 1 and View 2
  uint32_t station2 = 0;
  bool view2Shown = true;
};

// Arrows at the rows of the two views' selected stations; View 1's tail points
// up, View 2's down.
void PaintStationMarkers(Raster& sideStrip, const MarkerParams& params, uint32_t buttonFace);

}  // namespace tessaly
