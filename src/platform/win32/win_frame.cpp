#include "platform/win32/win_frame.h"

#include <algorithm>

#include "platform/win32/win_resources.h"
#include "views/control_ids.h"

namespace tessaly {
namespace {

constexpr const wchar_t* kFrameClass = L"TessalyFrame";
// With View 2 hidden the frame ends this far below the "View 2" button (at 96 DPI).
constexpr int kBelowView2Button = 20;

// The icon's own image at the title bar's and taskbar's size, not the large
// one scaled down. Shared: the system keeps it for the process's life.
HICON SmallIcon() {
  return static_cast<HICON>(
      LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(TESSALY_IDI_PROGRAM), IMAGE_ICON,
                 GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), LR_SHARED));
}

void RegisterFrameClass(WNDPROC proc) {
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSEXW cls{};
  cls.cbSize = sizeof(cls);
  if (GetClassInfoExW(instance, kFrameClass, &cls)) {
    return;
  }
  cls.style = CS_HREDRAW | CS_VREDRAW;
  cls.lpfnWndProc = proc;
  cls.hInstance = instance;
  cls.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(TESSALY_IDI_PROGRAM));
  cls.hIconSm = SmallIcon();
  cls.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // the arrow
  cls.hbrBackground = GetSysColorBrush(COLOR_WINDOW);
  cls.lpszClassName = kFrameClass;
  RegisterClassExW(&cls);
}

INT_PTR CALLBACK AboutProc(HWND box, UINT message, WPARAM wParam, LPARAM) {
  if (message == WM_INITDIALOG) {
    return TRUE;
  }
  if (message == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
    EndDialog(box, LOWORD(wParam));
    return TRUE;
  }
  return FALSE;
}

bool IsPushButton(HWND window) {
  wchar_t cls[16] = {};
  GetClassNameW(window, cls, 16);
  const LONG_PTR type = GetWindowLongPtrW(window, GWL_STYLE) & BS_TYPEMASK;
  return lstrcmpiW(cls, L"Button") == 0 && (type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON);
}

bool IsOpenList(HWND window) {
  wchar_t cls[16] = {};
  GetClassNameW(window, cls, 16);
  return lstrcmpiW(cls, L"ComboBox") == 0 && SendMessageW(window, CB_GETDROPPEDSTATE, 0, 0);
}

bool TitleBarOnAScreen(int x, int y, int width) {
  const int titleHeight = GetSystemMetrics(SM_CYCAPTION) + GetSystemMetrics(SM_CYFIXEDFRAME);
  const RECT bar{x, y, x + width, y + std::max(1, titleHeight)};
  return MonitorFromRect(&bar, MONITOR_DEFAULTTONULL) != nullptr;
}

}  // namespace

WinFrame::WinFrame() {
  RegisterFrameClass(&WinFrame::WindowProc);
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  window_ = CreateWindowExW(
      0, kFrameClass, L"Tessaly", WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN, 0, 0,
      100, 100, nullptr, LoadMenuW(instance, MAKEINTRESOURCEW(TESSALY_IDM_MENU)), instance, this);
  if (window_ == nullptr) {
    return;
  }
  // Built here, not in the menu resource: its text holds a character outside
  // the resource compiler's code page.
  const HMENU file = GetSubMenu(GetMenu(window_), 0);
  InsertMenuW(file, TESSALY_CMD_EXIT, MF_BYCOMMAND | MF_STRING, TESSALY_CMD_DATA_SERVER,
              L"&Data Server\u2026");
  InsertMenuW(file, TESSALY_CMD_EXIT, MF_BYCOMMAND | MF_SEPARATOR, 0, nullptr);
  if (const HICON smallIcon = SmallIcon()) {
    SendMessageW(window_, WM_SETICON, ICON_SMALL, LPARAM(smallIcon));
  }
  dialog_ = std::make_unique<WinDialog>(window_);
  if (dialog_->Window() == nullptr) {
    dialog_.reset();
    return;
  }
  ShowWindow(dialog_->Window(), SW_SHOW);
}

WinFrame::~WinFrame() {
  dialog_.reset();
  if (window_ != nullptr) {
    SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
    DestroyWindow(window_);
  }
}

LRESULT CALLBACK WinFrame::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
    SetWindowLongPtrW(window, GWLP_USERDATA, LONG_PTR(create->lpCreateParams));
    static_cast<WinFrame*>(create->lpCreateParams)->window_ = window;
  }
  auto* self = reinterpret_cast<WinFrame*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (self == nullptr) {
    return DefWindowProcW(window, message, wParam, lParam);
  }
  return self->Handle(message, wParam, lParam);
}

LRESULT WinFrame::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CLOSE:
      if (onCloseRequest) {
        onCloseRequest();
      } else {
        Destroy();
      }
      return 0;
    case WM_COMMAND:
      if (LOWORD(wParam) == TESSALY_CMD_ABOUT) {
        ShowAbout();
        return 0;
      }
      if (LOWORD(wParam) == TESSALY_CMD_FOLLOW_LIVE_1 ||
          LOWORD(wParam) == TESSALY_CMD_FOLLOW_LIVE_2) {
        const int view = LOWORD(wParam) - TESSALY_CMD_FOLLOW_LIVE_1;
        const bool on =
            (GetMenuState(GetMenu(window_), LOWORD(wParam), MF_BYCOMMAND) & MF_CHECKED) == 0;
        SetFollowLiveChecked(view, on);
        if (onFollowLive) {
          onFollowLive(view, on);
        }
        return 0;
      }
      if (LOWORD(wParam) == TESSALY_CMD_DATA_SERVER) {
        if (onDataServer) {
          onDataServer();
        }
        return 0;
      }
      if ((LOWORD(wParam) == TESSALY_CMD_STATISTICS_1 ||
           LOWORD(wParam) == TESSALY_CMD_STATISTICS_2) &&
          onNetworkStatistics) {
        onNetworkStatistics(LOWORD(wParam) - TESSALY_CMD_STATISTICS_1);
        return 0;
      }
      if (LOWORD(wParam) == TESSALY_CMD_EXIT) {
        // Through the close request, so that playing views stop first.
        return Handle(WM_CLOSE, 0, 0);
      }
      if (onMenuCommand && onMenuCommand(LOWORD(wParam))) {
        return 0;
      }
      break;
    case WM_ACTIVATE:
      // Alt+Tab or a message box: the control that had the focus gets it back.
      if (LOWORD(wParam) == WA_INACTIVE) {
        const HWND focus = GetFocus();
        if (focus != nullptr && IsChild(window_, focus)) {
          lastFocus_ = focus;
        }
      }
      break;
    case WM_SETFOCUS:
      if (lastFocus_ != nullptr && IsWindow(lastFocus_) && IsChild(window_, lastFocus_) &&
          IsWindowVisible(lastFocus_) && IsWindowEnabled(lastFocus_)) {
        SetFocus(lastFocus_);
        return 0;
      }
      break;
    case WM_DPICHANGED:
      OnDpiChanged(LOWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
      return 0;
    case WM_ENDSESSION:
      if (wParam && onEndSession) {
        onEndSession();
      }
      return 0;
    case WM_DESTROY: {
      SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
      const std::function<void()> destroyed = std::move(onDestroy);
      onDestroy = nullptr;
      if (destroyed) {
        destroyed();
      }
      PostQuitMessage(0);
      window_ = nullptr;
      return 0;
    }
    default:
      break;
  }
  return DefWindowProcW(window_, message, wParam, lParam);
}

void WinFrame::SetFollowLiveChecked(int view, bool on) {
  CheckMenuItem(GetMenu(window_), UINT(TESSALY_CMD_FOLLOW_LIVE_1 + (view & 1)),
                MF_BYCOMMAND | (on ? MF_CHECKED : MF_UNCHECKED));
}

void WinFrame::Destroy() {
  if (window_ != nullptr) {
    DestroyWindow(window_);
  }
}

bool WinFrame::PreTranslate(const MSG& message) {
  if (window_ == nullptr || !dialog_ ||
      (message.hwnd != window_ && !IsChild(window_, message.hwnd))) {
    return false;
  }
  const HWND dialog = dialog_->Window();
  const bool keyDown = message.message == WM_KEYDOWN || message.message == WM_SYSKEYDOWN;
  // With no window focused (as after a message box) Escape comes as a system
  // key, without the Alt bit; with it, Alt+Esc is the system's window switch.
  const bool alt = message.message == WM_SYSKEYDOWN && (message.lParam & (LPARAM(1) << 29)) != 0;
  if (keyDown && !alt && message.wParam == VK_ESCAPE) {
    if (IsOpenList(message.hwnd)) {
      return false;  // an open list closes on Escape; only then does Escape mean the program
    }
    if (dialog_->onKey) {
      dialog_->onKey(kKeyEscape);
    }
    return true;
  }
  if (message.message == WM_KEYDOWN && message.wParam == VK_F1) {
    if (dialog_->onCommand) {
      dialog_->onCommand(kIdHelp, NotifyCode::kClicked);
    }
    return true;
  }
  const HWND focus = GetFocus();
  if (message.message == WM_KEYDOWN && message.wParam == VK_RETURN && !IsOpenList(focus)) {
    // The template's two default buttons are both "Play": Enter elsewhere does nothing.
    if (focus != nullptr && IsChild(dialog, focus) && IsPushButton(focus) &&
        IsWindowEnabled(focus)) {
      SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(focus), BN_CLICKED), LPARAM(focus));
    }
    return true;
  }
  // Nothing in the dialog has the focus yet: Tab starts at its first (Shift+Tab its last) stop.
  if (message.message == WM_KEYDOWN && message.wParam == VK_TAB &&
      (focus == window_ || focus == nullptr)) {
    const bool back = GetKeyState(VK_SHIFT) < 0;
    if (const HWND first = GetNextDlgTabItem(dialog, nullptr, back)) {
      SetFocus(first);
    }
    return true;
  }
  return IsDialogMessageW(dialog, const_cast<MSG*>(&message)) != FALSE;
}

void WinFrame::ShowAbout() {
  DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(TESSALY_IDD_ABOUT), window_,
                  &AboutProc, 0);
}

void WinFrame::SetSavedPosition(int x, int y) {
  saved_ = {x, y};
  rescuedAt_.reset();
  SetWindowPos(window_, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void WinFrame::OnDpiChanged(UINT dpi, const RECT& suggested) {
  if (!dialog_) {
    return;
  }
  dialog_->SetDpi(dpi);
  // The suggested corner keeps the frame under the pointer that dragged it;
  // the size comes from the dialog, which may round differently.
  SetWindowPos(window_, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
               suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
  Layout(view2Shown_);
  if (onDpiChanged) {
    onDpiChanged();
  }
}

ScreenPoint WinFrame::Layout(bool view2Shown) {
  if (window_ == nullptr || !dialog_) {
    return {};
  }
  view2Shown_ = view2Shown;
  RECT frame{};
  int width = 0;
  int height = 0;
  // Twice: the menu bar's height depends on the frame's width.
  for (int pass = 0; pass < 2; ++pass) {
    RECT client{};
    RECT dialog{};
    GetWindowRect(window_, &frame);
    GetClientRect(window_, &client);
    GetWindowRect(dialog_->Window(), &dialog);
    width = (dialog.right - dialog.left) + (frame.right - frame.left) - client.right;
    height = (dialog.bottom - dialog.top) + (frame.bottom - frame.top) - client.bottom;
    RECT button{};
    if (!view2Shown && GetWindowRect(dialog_->Control(kIdView2), &button)) {
      height = button.bottom - frame.top +
               MulDiv(kBelowView2Button, int(dialog_->Dpi()), USER_DEFAULT_SCREEN_DPI);
    }
    SetWindowPos(window_, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  // From where the frame is now: the user may have moved it since start-up.
  const ScreenPoint now = RestoredPosition();
  int x = now.x;
  int y = std::max(now.y, 0);
  const bool centre = now.x == 0 && now.y == 0;
  const bool lost = !centre && !TitleBarOnAScreen(x, y, width);
  if (centre || lost) {
    x = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
    y = std::max(0, (GetSystemMetrics(SM_CYSCREEN) - height) / 2);
  }
  if (lost) {
    rescuedAt_ = ScreenPoint{x, y};
  }
  SetWindowPos(window_, nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
  return {x, y};
}

ScreenPoint WinFrame::RestoredPosition() const {
  if (!IsIconic(window_)) {
    RECT r{};
    GetWindowRect(window_, &r);
    return {r.left, r.top};
  }
  // A minimised frame: where it will reappear. The placement is in work-area
  // coordinates, which start where the taskbar ends.
  WINDOWPLACEMENT placement{};
  placement.length = sizeof(placement);
  GetWindowPlacement(window_, &placement);
  const RECT& normal = placement.rcNormalPosition;
  MONITORINFO monitor{};
  monitor.cbSize = sizeof(monitor);
  GetMonitorInfoW(MonitorFromRect(&normal, MONITOR_DEFAULTTOPRIMARY), &monitor);
  return {normal.left + monitor.rcWork.left - monitor.rcMonitor.left,
          normal.top + monitor.rcWork.top - monitor.rcMonitor.top};
}

ScreenPoint WinFrame::PositionToSave() const {
  const ScreenPoint at = RestoredPosition();
  return rescuedAt_ && at == *rescuedAt_ ? saved_ : at;
}

}  // namespace tessaly
