#pragma once

// Points and rectangles on the screen, and what a hit test answers: shared by
// the dialog's controls and the tooltip.

namespace tessaly {

// What ControlAt answers besides a control id.
inline constexpr int kHitNothing = -1;  // not over the dialog
// Over the dialog's background, or over a picture, label or group box: these let
// the pointer through to the dialog, which then asks the views what lies there.
inline constexpr int kHitDialog = 0;

struct ScreenPoint {
  int x = 0;
  int y = 0;
  bool operator==(const ScreenPoint&) const = default;
};

// Screen pixels; right and bottom are one past the last pixel.
struct ScreenRect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
  bool operator==(const ScreenRect&) const = default;
};

}  // namespace tessaly
