#pragma once

#include <array>
#include <cstdint>

#include "display/raster.h"

namespace tessaly {

class CHistogram;

// The histogram panel: the view's histogram smoothed `smooth` times, scaled so
// that the tallest bar is at most 40 pixels, against green, red and blue lines
// at the values 100, 90 and 110 (value 100 drawn just right of the green line
// in the middle of the panel).
void PaintHistogramPanel(Raster& panel, const CHistogram& histogram, int smooth,
                         uint32_t buttonFace);

// The six lines of a hexagram, the bottom line (index 0) lowest: 7 and 9 solid,
// 6 and 8 broken, 6 and 9 marked on the right; other values leave the line empty.
void PaintHexagramPanel(Raster& panel, const std::array<uint8_t, 6>& lines, uint32_t buttonFace);

}  // namespace tessaly
