#include "display/panel_painter.h"

#include <algorithm>

#include "analysis/histogram.h"

namespace tessaly {
namespace {

constexpr uint32_t kGreen = Rgb(0, 255, 0);
constexpr uint32_t kRed = Rgb(255, 0, 0);
constexpr uint32_t kBlue = Rgb(0, 0, 255);

constexpr int kBarHeight = 40;  // the tallest bar

}  // namespace

void PaintHistogramPanel(Raster& panel, const CHistogram& histogram, int smooth,
                         uint32_t buttonFace) {
  const int w = panel.width();
  const int b = panel.height();
  const int c = w / 2;
  const std::array<int32_t, kBinCount> h = histogram.Smoothed(smooth);

  panel.Fill(buttonFace);
  panel.FillRect(c, 0, c + 1, b, kGreen);
  panel.FillRect(c - 10, 0, c - 9, b, kRed);
  panel.FillRect(c + 10, 0, c + 11, b, kBlue);

  int64_t total = 0;
  int64_t highest = 0;
  for (int32_t v : h) {
    total += v;
    highest = std::max<int64_t>(highest, v);
  }
  if (total < 1) {
    return;
  }
  // One scale step per unit of 10, that is one counted second before smoothing.
  const int64_t d = highest <= 10 ? 1 : (highest + 9) / 10;

  // Marks at b - 40 j / d + 1 for j = 0..d. Past 40 steps they cover every
  // line of the scale, so a huge divisor costs no more than 41 marks.
  if (d <= kBarHeight) {
    for (int64_t j = 0; j <= d; ++j) {
      const int y = b - int(kBarHeight * j / d) + 1;
      panel.FillRect(0, y, 2, y + 1, kBlack);
    }
  } else {
    panel.FillRect(0, b - kBarHeight + 1, 2, b + 2, kBlack);
  }

  for (int i = 0; i < kBinCount; ++i) {
    if (h[size_t(i)] <= 0) {
      continue;
    }
    // Values too far from 100 for the panel pile up at its edges.
    const int x = std::clamp(c - 99 + i, 0, std::max(w - 1, 0));
    const int top = b - int(4 * int64_t(h[size_t(i)]) / d);
    panel.FillRect(x, top, x + 1, b, kBlack);
  }
}

void PaintHexagramPanel(Raster& panel, const std::array<uint8_t, 6>& lines, uint32_t buttonFace) {
  panel.Fill(buttonFace);
  const int x0 = 5;
  for (int k = 0; k < 6; ++k) {
    const int v = lines[size_t(k)];
    const int y = 6 + 6 * (5 - k);
    if (v == 7 || v == 9) {
      panel.FillRect(x0, y, x0 + 33, y + 3, kBlack);
    } else if (v == 6 || v == 8) {
      panel.FillRect(x0, y, x0 + 14, y + 3, kBlack);
      panel.FillRect(x0 + 19, y, x0 + 33, y + 3, kBlack);
    }
    if (v == 6 || v == 9) {
      panel.FillRect(x0 + 37, y, x0 + 39, y + 3, kBlack);
    }
  }
}

}  // namespace tessaly
