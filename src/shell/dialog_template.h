#pragma once

// The main dialog's layout as data: every control with its id, kind, caption,
// rectangle in dialog units and the styles that change how it looks or acts.
// The Qt adapter builds its widgets from this table; FakeDialog uses it to know
// which controls exist.

#include <cstdint>
#include <span>
#include <string_view>

#include "views/control_ids.h"

namespace tessaly {

// Labels and the "Sound" frame carry no id of their own.
inline constexpr int kStaticControlId = -1;

inline constexpr int kMainDialogWidthDu = 558;
inline constexpr int kMainDialogHeightDu = 428;
inline constexpr int kMainDialogControlCount = 98;

enum class ControlKind {
  kGroupBox,
  kRadioButton,  // auto radio button: a user click checks it and clears its group
  kCheckBox,     // auto check box: a user click toggles it
  kComboBox,     // drop-down list (no editable field)
  kPushButton,
  kEdit,     // single-line edit; every edit of this dialog is read-only
  kLabel,    // left-aligned static text
  kPicture,  // owner-drawn static: the program paints it
  kScrollBar,
  kTrackbar,
};

// Style bits; only those that change how a control looks or behaves.
enum ControlStyle : uint32_t {
  kStyleNone = 0,
  kStyleReadOnly = 1u << 0,
  kStyleRightAligned = 1u << 1,
  // Scroll bars and trackbars. A vertical trackbar has its minimum at the top,
  // as on the platform the layout comes from (the volume's top is loudest).
  kStyleVertical = 1u << 2,
  // Pictures: a sunken 1-pixel edge drawn around, outside the drawable area.
  kStyleStaticEdge = 1u << 3,
  kStyleGroup = 1u << 4,          // first control of a keyboard group
  kStyleTabStop = 1u << 5,        // reachable by keyboard focus
  kStyleDefaultButton = 1u << 6,  // drawn as the default push button
  kStyleAutoHScroll = 1u << 7,    // edits: long text scrolls, showing its beginning first
  kStyleVScroll = 1u << 8,        // combo boxes: the opened list has a vertical scroll bar
  kStyleNoTicks = 1u << 9,        // trackbars: no tick marks
  kStyleBothSides = 1u << 10,     // trackbars: the thumb points to both sides
};

struct DialogUnitRect {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
};

// Pixels relative to the dialog's client origin; right and bottom are one past the last pixel.
struct PixelRect {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  int right() const { return left + width; }
  int bottom() const { return top + height; }
  bool operator==(const PixelRect&) const = default;
};

struct ControlTemplate {
  int id = kStaticControlId;
  ControlKind kind = ControlKind::kLabel;
  std::string_view caption;  // UTF-8
  // For a combo box the height is that of its opened list, not of the closed field.
  DialogUnitRect rect;
  uint32_t styles = kStyleNone;
  // Radio buttons with the same non-zero number are one exclusive group (one per view).
  int radioGroup = 0;

  bool Has(ControlStyle style) const { return (styles & style) != 0; }
};

// All 98 controls. Order matters to a toolkit that stacks later widgets above
// earlier ones: a group box comes before every control inside it, so no frame
// covers (or takes the clicks of) what it surrounds. A few controls overlap in
// this layout by design: the year and month lists (View 1) and the month and
// day lists (View 2) by one dialog unit, and each view's position text by 7
// units over the left, empty end of its right-aligned value text, which is
// listed first so that the time lies above and shows whole.
std::span<const ControlTemplate> MainDialogControls();

// The control with this id, or nullptr (also for kStaticControlId).
const ControlTemplate* FindControl(int id);

// Fixed dialog base units, so that the pictures have the same pixel geometry on
// every platform: x·6/4 and y·13/8, integer division.
constexpr int DialogUnitsToPixelsX(int du) {
  return du * 6 / 4;
}
constexpr int DialogUnitsToPixelsY(int du) {
  return du * 13 / 8;
}

// The left/top corner and the width/height are converted each on their own
// (not the right/bottom edges), so a control's pixel size depends only on its
// size in dialog units: every 230 × 13 strip is 345 × 21 and every 418 × 68
// graph 627 × 110, whatever its position. Controls that touch in dialog units
// may then be a pixel apart or overlap by one; none of this layout's pictures do.
PixelRect ToPixels(const DialogUnitRect& rect);

// The dialog's client size in pixels (837 × 695).
int MainDialogWidthPx();
int MainDialogHeightPx();

// The drawable area. For a picture this is exactly its converted rectangle (the
// raster the views paint has this size); for every other control it is the
// converted rectangle as well.
PixelRect ClientRectPixels(const ControlTemplate& control);

// Where a toolkit places the control's widget: the drawable area, except that a
// combo box gets the height of its closed field (its rectangle's height is the
// opened list's).
PixelRect WidgetRectPixels(const ControlTemplate& control);

// Height of a closed drop-down list's field, as the layout's platform draws it
// at this font; the rows of the layout leave room for exactly this.
inline constexpr int kComboFieldHeightPx = 21;

// The static edge of a picture lies outside its drawable area: this rectangle,
// one pixel larger on every side. The dialog should paint the edges beneath its
// widgets, so that where two pictures touch (a graph and its side strip) neither
// edge covers a drawable pixel. Controls without kStyleStaticEdge: the widget rect.
inline constexpr int kStaticEdgePx = 1;
PixelRect EdgeRectPixels(const ControlTemplate& control);

}  // namespace tessaly
