#include "platform/win32/win_big_hint.h"

#include "platform/win32/win_dpi.h"
#include "platform/wintext/win_text.h"

namespace tessaly {
namespace {

constexpr const wchar_t* kClassName = L"Tessaly ToolTip Class";
constexpr int kFontCellHeight = 14;  // at 96 DPI

void RegisterHintClass(WNDPROC proc) {
  WNDCLASSEXW cls{};
  cls.cbSize = sizeof(cls);
  if (GetClassInfoExW(GetModuleHandleW(nullptr), kClassName, &cls)) {
    return;
  }
  cls.style = CS_DROPSHADOW;
  cls.lpfnWndProc = proc;
  cls.hInstance = GetModuleHandleW(nullptr);
  cls.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // the arrow
  cls.hbrBackground = GetSysColorBrush(COLOR_INFOBK);
  cls.lpszClassName = kClassName;
  RegisterClassExW(&cls);
}

RECT ToRect(const ScreenRect& r) {
  return {r.left, r.top, r.right, r.bottom};
}

}  // namespace

WinBigHint::WinBigHint() {
  RegisterHintClass(&WinBigHint::WindowProc);
  // The text grows with the scaling like the dialog's.
  font_ = CreateFontW(MulDiv(kFontCellHeight, int(SystemDpi()), USER_DEFAULT_SCREEN_DPI), 0, 0, 0,
                      FW_DONTCARE, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                      CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, L"Arial");
  window_ = CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, kClassName, L"",
                            WS_POPUP | WS_CLIPCHILDREN, 0, 0, 200, 50, nullptr, nullptr,
                            GetModuleHandleW(nullptr), this);
}

WinBigHint::~WinBigHint() {
  if (window_ != nullptr) {
    SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
    DestroyWindow(window_);
  }
  if (font_ != nullptr) {
    DeleteObject(font_);
  }
}

LRESULT CALLBACK WinBigHint::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
    SetWindowLongPtrW(window, GWLP_USERDATA, LONG_PTR(create->lpCreateParams));
  }
  const auto* self = reinterpret_cast<const WinBigHint*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (self != nullptr && message == WM_PAINT) {
    PAINTSTRUCT ps;
    const HDC dc = BeginPaint(window, &ps);
    self->Paint(dc);
    EndPaint(window, &ps);
    return 0;
  }
  if (self != nullptr && message == WM_PRINTCLIENT) {
    self->Paint(reinterpret_cast<HDC>(wParam));
    return 0;
  }
  if (message == WM_MOUSEACTIVATE) {
    return MA_NOACTIVATE;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

HintSize WinBigHint::MeasureText(const std::string& text) const {
  const HDC dc = GetDC(nullptr);
  const HGDIOBJ old = SelectObject(dc, font_);
  RECT r{0, 0, 50, 200};
  const std::wstring wide = Widen(text);
  DrawTextW(dc, wide.c_str(), int(wide.size()), &r, DT_CALCRECT | DT_NOPREFIX);
  SelectObject(dc, old);
  ReleaseDC(nullptr, dc);
  return {int(r.right - r.left), int(r.bottom - r.top)};
}

ScreenRect WinBigHint::WorkAreaAt(ScreenPoint point) const {
  MONITORINFO info{};
  info.cbSize = sizeof(info);
  if (GetMonitorInfoW(MonitorFromPoint({point.x, point.y}, MONITOR_DEFAULTTONEAREST), &info)) {
    const RECT& r = info.rcWork;
    return {r.left, r.top, r.right, r.bottom};
  }
  RECT r{0, 0, 1024, 768};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &r, 0);
  return {r.left, r.top, r.right, r.bottom};
}

void WinBigHint::Show(const HintPlacement& placement) {
  if (window_ == nullptr) {
    return;
  }
  placement_ = placement;
  const ScreenRect& w = placement.window;
  const HRGN region = CreateRectRgn(0, 0, 0, 0);
  for (const ScreenRect& r : placement.region) {
    const HRGN band = CreateRectRgn(r.left, r.top, r.right, r.bottom);
    CombineRgn(region, region, band, RGN_OR);
    DeleteObject(band);
  }
  SetWindowRgn(window_, region, FALSE);  // the window owns the region now
  SetWindowPos(window_, HWND_TOPMOST, w.left, w.top, w.right - w.left, w.bottom - w.top,
               SWP_NOACTIVATE | SWP_NOREDRAW);
  InvalidateRect(window_, nullptr, TRUE);
  ShowWindow(window_, SW_SHOWNOACTIVATE);
  UpdateWindow(window_);
}

void WinBigHint::Hide() {
  if (window_ != nullptr) {
    ShowWindow(window_, SW_HIDE);
  }
}

void WinBigHint::Paint(HDC dc) const {
  RECT client{};
  GetClientRect(window_, &client);
  FillRect(dc, &client, GetSysColorBrush(COLOR_INFOBK));
  const HintOutline outline = HintOutlineOf(client.right, placement_.bottomRow);
  const HBRUSH frame = GetSysColorBrush(COLOR_WINDOWFRAME);
  for (const ScreenRect& r : outline.lines) {
    const RECT rect = ToRect(r);
    FillRect(dc, &rect, frame);
  }
  const COLORREF frameColour = GetSysColor(COLOR_WINDOWFRAME);
  for (const ScreenPoint& p : outline.pixels) {
    SetPixel(dc, p.x, p.y, frameColour);
  }
  const HGDIOBJ old = SelectObject(dc, font_);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, GetSysColor(COLOR_INFOTEXT));
  RECT box = ToRect(placement_.textBox);
  const std::wstring text = Widen(placement_.text);
  DrawTextW(dc, text.c_str(), int(text.size()), &box, DT_NOPREFIX);
  SelectObject(dc, old);
}

}  // namespace tessaly
