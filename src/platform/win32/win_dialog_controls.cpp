// WinDialog: lists, texts, checks, visibility, scroll bars, the trackbar,
// geometry and message boxes.

#include "platform/win32/win_dialog.h"

#include <commctrl.h>

#include <algorithm>
#include <string>

#include "platform/win32/win_dpi.h"
#include "platform/wintext/win_text.h"

namespace tessaly {
namespace {

using K = ControlKind;

std::wstring WindowText(HWND window) {
  std::wstring text(size_t(GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(size_t(GetWindowTextW(window, text.data(), int(text.size()))));
  return text;
}

// A scroll bar's state as the program may hold it: max at least min, the page
// within the range, the position where the thumb still fits.
ScrollInfo Normalised(ScrollInfo s) {
  s.max = std::max(s.max, s.min);
  s.page = std::clamp(s.page, 0, s.max - s.min + 1);
  s.pos = std::clamp(s.pos, s.min, std::max(s.min, s.max - std::max(s.page - 1, 0)));
  return s;
}

}  // namespace

// A radio button, check box or label whose caption does not fit its rectangle
// in the system's font ("Orvane server" in some) grows to the right into free
// space, up to the next control on its row; nothing else moves. The labels
// without an id are found by their place in the dialog's child list.
void WinDialog::WidenToCaptions(std::span<const ControlTemplate> controls) {
  constexpr int kGapPx = 2;
  const HDC dc = GetDC(window_);
  HWND child = GetWindow(window_, GW_CHILD);
  for (const ControlTemplate& c : controls) {
    const HWND control = child;
    child = child == nullptr ? nullptr : GetWindow(child, GW_HWNDNEXT);
    if (control == nullptr ||
        (c.kind != K::kRadioButton && c.kind != K::kCheckBox && c.kind != K::kLabel)) {
      continue;
    }
    const HGDIOBJ old = SelectObject(dc, HGDIOBJ(SendMessageW(control, WM_GETFONT, 0, 0)));
    const std::wstring caption = WindowText(control);
    SIZE text{};
    GetTextExtentPoint32W(dc, caption.c_str(), int(caption.size()), &text);
    SelectObject(dc, old);
    const int box = c.kind == K::kLabel ? 0
                                        : SystemMetricAt(SM_CXMENUCHECK, dpi_) +
                                              MulDiv(4, int(dpi_), USER_DEFAULT_SCREEN_DPI);
    RECT r{};
    GetWindowRect(control, &r);
    MapWindowPoints(nullptr, window_, reinterpret_cast<POINT*>(&r), 2);
    int width = text.cx + box;
    if (width <= r.right - r.left) {
      continue;
    }
    for (HWND other = GetWindow(window_, GW_CHILD); other != nullptr;
         other = GetWindow(other, GW_HWNDNEXT)) {
      RECT o{};
      GetWindowRect(other, &o);
      MapWindowPoints(nullptr, window_, reinterpret_cast<POINT*>(&o), 2);
      if (other != control && o.top < r.bottom && o.bottom > r.top && o.left > r.left) {
        width = std::min(width, int(o.left - r.left) - kGapPx);
      }
    }
    SetWindowPos(control, nullptr, 0, 0, std::max(width, int(r.right - r.left)), r.bottom - r.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  ReleaseDC(window_, dc);
}

// --- Lists

int WinDialog::AddItem(int id, std::string_view text) {
  const std::wstring wide = Widen(text);
  const LRESULT index = Send(id, CB_ADDSTRING, 0, LPARAM(wide.c_str()), {K::kComboBox});
  return index < 0 ? -1 : int(index);
}

void WinDialog::ClearItems(int id) {
  Send(id, CB_RESETCONTENT, 0, 0, {K::kComboBox});
}

int WinDialog::ItemCount(int id) const {
  return std::max(0, int(Send(id, CB_GETCOUNT, 0, 0, {K::kComboBox})));
}

std::string WinDialog::ItemText(int id, int index) const {
  // Outside the list the length is CB_ERR.
  const LRESULT length = Send(id, CB_GETLBTEXTLEN, WPARAM(index), 0, {K::kComboBox});
  if (length < 0) {
    return {};
  }
  std::wstring text(size_t(length) + 1, L'\0');
  text.resize(size_t(std::max<LRESULT>(
      0, Send(id, CB_GETLBTEXT, WPARAM(index), LPARAM(text.data()), {K::kComboBox}))));
  return Narrow(text);
}

void WinDialog::SetItemData(int id, int index, int data) {
  if (index >= 0 && index < ItemCount(id)) {
    Send(id, CB_SETITEMDATA, WPARAM(index), LPARAM(data), {K::kComboBox});
  }
}

int WinDialog::ItemData(int id, int index) const {
  if (index < 0 || index >= ItemCount(id)) {
    return -1;
  }
  return int(Send(id, CB_GETITEMDATA, WPARAM(index), 0, {K::kComboBox}));
}

void WinDialog::SetSelection(int id, int index) {
  const bool inside = index >= 0 && index < ItemCount(id);
  Send(id, CB_SETCURSEL, inside ? WPARAM(index) : WPARAM(-1), 0, {K::kComboBox});
}

int WinDialog::Selection(int id) const {
  const LRESULT index = Send(id, CB_GETCURSEL, 0, 0, {K::kComboBox});
  return index < 0 ? -1 : int(index);
}

// --- Texts, checks, enabling, visibility

void WinDialog::SetText(int id, std::string_view text) {
  if (const Entry* entry = Find(id)) {
    SetWindowTextW(entry->window, Widen(text).c_str());
  }
}

std::string WinDialog::Text(int id) const {
  const Entry* entry = Find(id);
  return entry == nullptr ? std::string() : Narrow(WindowText(entry->window));
}

void WinDialog::SetChecked(int id, bool checked) {
  Send(id, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0, {K::kRadioButton, K::kCheckBox});
}

bool WinDialog::IsChecked(int id) const {
  return Send(id, BM_GETCHECK, 0, 0, {K::kRadioButton, K::kCheckBox}) == BST_CHECKED;
}

void WinDialog::Enable(int id, bool enabled) {
  if (const Entry* entry = Find(id)) {
    EnableWindow(entry->window, enabled);
  }
}

bool WinDialog::IsEnabled(int id) const {
  const Entry* entry = Find(id);
  return entry != nullptr && IsWindowEnabled(entry->window);
}

void WinDialog::Show(int id, bool visible) {
  if (const Entry* entry = Find(id)) {
    ShowWindow(entry->window, visible ? SW_SHOW : SW_HIDE);
  }
}

bool WinDialog::IsVisible(int id) const {
  // The control's own state, also while the dialog itself is not shown.
  const Entry* entry = Find(id);
  return entry != nullptr && (GetWindowLongW(entry->window, GWL_STYLE) & WS_VISIBLE) != 0;
}

// --- Scroll bars and the trackbar

void WinDialog::SetScrollInfo(int id, const ScrollInfo& info) {
  if (const Entry* entry = Find(id, {K::kScrollBar})) {
    const ScrollInfo s = Normalised(info);
    SCROLLINFO si{sizeof(si), SIF_ALL, s.min, s.max, UINT(s.page), s.pos, 0};
    ::SetScrollInfo(entry->window, SB_CTL, &si, TRUE);
  }
}

ScrollInfo WinDialog::GetScrollInfo(int id) const {
  const Entry* entry = Find(id, {K::kScrollBar});
  SCROLLINFO si{sizeof(si), SIF_RANGE | SIF_PAGE | SIF_POS, 0, 0, 0, 0, 0};
  if (entry == nullptr || !::GetScrollInfo(entry->window, SB_CTL, &si)) {
    return {};
  }
  return {si.nMin, si.nMax, int(si.nPage), si.nPos};
}

void WinDialog::SetTrackbarRange(int id, int min, int max) {
  Send(id, TBM_SETRANGEMIN, FALSE, min, {K::kTrackbar});
  Send(id, TBM_SETRANGEMAX, TRUE, std::max(min, max), {K::kTrackbar});
}

void WinDialog::SetTrackbarPos(int id, int pos) {
  Send(id, TBM_SETPOS, TRUE, pos, {K::kTrackbar});  // the trackbar keeps it in range
}

int WinDialog::TrackbarPos(int id) const {
  const Entry* entry = Find(id, {K::kTrackbar});
  return entry == nullptr ? 0 : int(SendMessageW(entry->window, TBM_GETPOS, 0, 0));
}

// --- Geometry

ScreenRect WinDialog::ControlScreenRect(int id) const {
  const Entry* entry = Find(id);
  RECT r{};
  if (entry == nullptr || !GetClientRect(entry->window, &r)) {
    return {};
  }
  // The client area: inside a picture's static edge, exactly what the raster covers.
  MapWindowPoints(entry->window, nullptr, reinterpret_cast<POINT*>(&r), 2);
  return {r.left, r.top, r.right, r.bottom};
}

ScreenPoint WinDialog::CursorPos() const {
  POINT p{};
  GetCursorPos(&p);
  return {p.x, p.y};
}

int WinDialog::ControlAt(ScreenPoint point) const {
  // The system's answer: hidden and minimised windows are never hit, another
  // window over the dialog is what lies there, and statics let the pointer
  // through to the dialog.
  HWND under = WindowFromPoint(POINT{point.x, point.y});
  const HWND dialog = window_;
  while (under != nullptr && under != dialog && GetParent(under) != dialog) {
    under = (GetWindowLongW(under, GWL_STYLE) & WS_CHILD) != 0 ? GetParent(under) : nullptr;
  }
  if (under == nullptr) {
    return kHitNothing;
  }
  if (under == dialog) {
    return kHitDialog;
  }
  const int id = GetDlgCtrlID(under);
  const Entry* entry = Find(id);
  if (entry == nullptr || entry->layout->kind == K::kPicture || entry->layout->kind == K::kLabel ||
      entry->layout->kind == K::kGroupBox) {
    return kHitDialog;
  }
  return id;
}

// --- Message boxes

MessageBoxButton WinDialog::ShowMessageBox(std::string_view text, std::string_view caption,
                                           MessageBoxStyle style, std::string_view detail) {
  std::string body(text);
  if (!detail.empty()) {
    body += "\r\n\r\n";
    body += detail;
  }
  UINT type = MB_OK;
  MessageBoxButton dismissed = MessageBoxButton::kOk;  // also when no box could be shown
  if (style == MessageBoxStyle::kOkCancel) {
    type = MB_OKCANCEL;
    dismissed = MessageBoxButton::kCancel;
  } else if (style == MessageBoxStyle::kYesNo) {
    type = MB_YESNO;
    dismissed = MessageBoxButton::kNo;
  }
  // The box's own loop keeps dispatching the timers and posted messages. The
  // control that had the focus has it again after the box.
  const HWND focus = GetFocus();
  const int pressed = MessageBoxW(window_, Widen(body).c_str(), Widen(caption).c_str(), type);
  if (focus != nullptr && IsWindow(focus) && IsWindowVisible(focus) && IsWindowEnabled(focus)) {
    SetFocus(focus);
  }
  switch (pressed) {
    case IDOK:
      return MessageBoxButton::kOk;
    case IDCANCEL:
      return MessageBoxButton::kCancel;
    case IDYES:
      return MessageBoxButton::kYes;
    case IDNO:
      return MessageBoxButton::kNo;
    default:
      return dismissed;
  }
}

}  // namespace tessaly
