#pragma once

#include <cstdint>

#include "analysis/network_stats.h"
#include "display/raster.h"

namespace tessaly {

inline constexpr uint32_t kPlotBackground = Rgb(255, 255, 255);
inline constexpr uint32_t kPlotAxis = Rgb(160, 160, 160);
inline constexpr uint32_t kPlotLine = Rgb(0, 0, 170);
inline constexpr uint32_t kPlotEnvelope05 = Rgb(230, 150, 0);
inline constexpr uint32_t kPlotEnvelope01 = Rgb(200, 0, 0);
inline constexpr uint32_t kPlotMarker = Rgb(0, 150, 0);

// The cumulative deviation C over the stretch's seconds, left to right, with the
// envelopes +-1.6449 sqrt(2k) and +-2.3263 sqrt(2k) (k counted seconds so far)
// around the zero line, and a marker at the second `marker` when it lies in the
// stretch. Each column shows the min and max of C over its seconds, so a long
// stretch loses no excursion. Only draws: the series is computed elsewhere.
void PaintCumulativeDeviation(Raster& raster, const NetworkStats& network, int64_t marker);

}  // namespace tessaly
