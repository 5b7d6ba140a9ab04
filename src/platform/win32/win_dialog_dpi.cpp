// WinDialog: laying the dialog out again for another DPI, as when the frame
// moves to a monitor of another scaling.

#include <algorithm>

#include "platform/win32/win_dialog.h"
#include "platform/win32/win_dpi.h"

namespace tessaly {
namespace {

// The template's 8-point font; only its height depends on the DPI.
constexpr int kFontPoints = 8;

// The dialog base units of a font, computed as the dialog manager computes
// them, so that a laid-out dialog matches one the system made at that DPI.
SIZE BaseUnitsOf(HFONT font) {
  const HDC dc = GetDC(nullptr);
  const HGDIOBJ old = SelectObject(dc, font);
  TEXTMETRICW metrics{};
  GetTextMetricsW(dc, &metrics);
  static constexpr wchar_t kAlphabet[] = L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
  SIZE extent{};
  GetTextExtentPoint32W(dc, kAlphabet, 52, &extent);
  SelectObject(dc, old);
  ReleaseDC(nullptr, dc);
  return {(extent.cx / 26 + 1) / 2, metrics.tmHeight};
}

}  // namespace

// The template's font at `dpi`, or null.
HFONT TemplateFontAt(HWND dialog, UINT dpi) {
  LOGFONTW face{};
  if (GetObjectW(HGDIOBJ(SendMessageW(dialog, WM_GETFONT, 0, 0)), sizeof(face), &face) == 0) {
    return nullptr;
  }
  face.lfHeight = -MulDiv(kFontPoints, int(dpi), 72);
  face.lfWidth = 0;
  return CreateFontIndirectW(&face);
}

void WinDialog::FollowSystemDpi() {
  const HWND window = window_;
  KeepDialogLayoutOnDpiChange(window);
  if (const HFONT font = TemplateFontAt(window, USER_DEFAULT_SCREEN_DPI)) {
    base96_ = BaseUnitsOf(font);
    DeleteObject(font);
  }
  // As made, the dialog follows the font at the monitor's DPI, whose rounding
  // (11 pixels at 96 DPI, 16 at 144) would make it grow by less than the DPI.
  dpi_ = USER_DEFAULT_SCREEN_DPI;
  SetDpi(WindowDpi(window));
}

void WinDialog::SetDpi(UINT dpi) {
  const HWND window = window_;
  if (window == nullptr || dpi == 0 || dpi == dpi_) {
    return;
  }
  const HFONT font = TemplateFontAt(window, dpi);
  if (font == nullptr) {
    return;  // keeps the layout it has rather than one without a font
  }
  // The 96-DPI layout grown by the DPI: at 96 exactly where the dialog
  // manager puts the controls, elsewhere in proportion. Corner and size are
  // converted each on their own, as the dialog manager does.
  const SIZE base = base96_;
  const auto px = [&base, dpi](int du, bool vertical) {
    return vertical ? MulDiv(du * int(base.cy), int(dpi), 8 * USER_DEFAULT_SCREEN_DPI)
                    : MulDiv(du * int(base.cx), int(dpi), 4 * USER_DEFAULT_SCREEN_DPI);
  };
  SetWindowPos(window, nullptr, 0, 0, px(widthDu_, false), px(heightDu_, true),
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  // The children are in template order, labels included. The dialog keeps
  // the template's font (its WM_GETFONT), which the dialog manager owns.
  HWND child = GetWindow(window, GW_CHILD);
  for (const ControlTemplate& c : layout_) {
    if (child == nullptr) {
      break;
    }
    SendMessageW(child, WM_SETFONT, WPARAM(font), FALSE);
    SetWindowPos(child, nullptr, px(c.rect.x, false), px(c.rect.y, true), px(c.rect.width, false),
                 px(c.rect.height, true), SWP_NOZORDER | SWP_NOACTIVATE);
    child = GetWindow(child, GW_HWNDNEXT);
  }
  if (font_ != nullptr) {
    DeleteObject(font_);
  }
  font_ = font;
  dpi_ = dpi;
  WidenToCaptions(layout_);
  RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

}  // namespace tessaly
