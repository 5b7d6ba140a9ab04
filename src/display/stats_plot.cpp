#include "display/stats_plot.h"

#include <algorithm>
#include <cmath>

namespace tessaly {
namespace {

// A vertical run of pixels from y0 to y1 (either order).
void VerticalLine(Raster& raster, int x, int y0, int y1, uint32_t colour) {
  raster.FillRect(x, std::min(y0, y1), x + 1, std::max(y0, y1) + 1, colour);
}

}  // namespace

void PaintCumulativeDeviation(Raster& raster, const NetworkStats& network, int64_t marker) {
  raster.Fill(kPlotBackground);
  const int width = raster.width();
  const int height = raster.height();
  const std::vector<NetworkSecond>& series = network.series();
  const int mid = height / 2;
  raster.FillRect(0, mid, width, mid + 1, kPlotAxis);
  if (series.empty() || width < 1 || height < 3) {
    return;
  }
  // The scale holds the line and the outer envelope at the stretch's end.
  const double counted = double(network.Summary().seconds);
  double extent = kEnvelope01 * std::sqrt(2.0 * std::max(counted, 1.0));
  for (const NetworkSecond& s : series) {
    extent = std::max(extent, std::fabs(s.cumDev));
  }
  extent *= 1.05;
  const double scale = (height / 2 - 1) / extent;
  auto y = [&](double value) { return mid - int(std::lround(value * scale)); };

  const size_t n = series.size();
  int64_t k = 0;  // counted seconds up to the column's last second
  size_t j = 0;
  for (int x = 0; x < width && j < n; ++x) {
    const size_t end = std::max(j + 1, size_t((double(x + 1) * double(n)) / double(width)));
    // From the previous column's last value on, so the line stays connected.
    double low = j > 0 ? series[j - 1].cumDev : series[j].cumDev;
    double high = low;
    bool markerHere = false;
    for (; j < std::min(end, n); ++j) {
      low = std::min(low, series[j].cumDev);
      high = std::max(high, series[j].cumDev);
      k += series[j].n > 0 ? 1 : 0;
      markerHere = markerHere || series[j].t == marker;
    }
    if (markerHere) {
      VerticalLine(raster, x, 0, height - 1, kPlotMarker);
    }
    const double e05 = kEnvelope05 * std::sqrt(2.0 * double(k));
    const double e01 = kEnvelope01 * std::sqrt(2.0 * double(k));
    for (const double e : {e05, -e05}) {
      raster.SetPixel(x, y(e), kPlotEnvelope05);
    }
    for (const double e : {e01, -e01}) {
      raster.SetPixel(x, y(e), kPlotEnvelope01);
    }
    VerticalLine(raster, x, y(low), y(high), kPlotLine);
  }
}

}  // namespace tessaly
