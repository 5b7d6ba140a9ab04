#pragma once

// The look every Tessaly window shares, and the bridge from the painters'
// rasters to Qt images.

#include <QImage>

#include "display/raster.h"

class QApplication;

namespace tessaly {

// The font the dialog's layout was measured with: every caption and list item
// fits its control at the template's geometry in Qt's "Windows" style.
inline constexpr const char* kDialogFontFamily = "DejaVu Sans Condensed";
inline constexpr int kDialogFontPointSize = 8;
// Width of a drop-down list's arrow button.
inline constexpr int kComboArrowWidthPx = 14;

// Sets the (slightly slimmed) "Windows" style and the dialog font on the application. Call once,
// right after the QApplication is made and before any window.
void ApplyDialogLook(QApplication& app);

// The raster as an RGB32 image (0x00BBGGRR becomes 0xFFRRGGBB); empty for an empty raster.
QImage ToImage(const Raster& raster);

}  // namespace tessaly
