// WinDialog: the dialog made from the template, its messages, painting,
// posted messages and timers.

#include "platform/win32/win_dialog.h"

#include <commctrl.h>

#include <algorithm>
#include <optional>

#include "platform/win32/win_dialog_template.h"

namespace tessaly {
namespace {

// What a button or list says, in the dialog's terms; other notifications
// (focus, edit changes, double clicks) are not the dialog's business.
std::optional<NotifyCode> NotifyCodeOf(ControlKind kind, WORD code) {
  if (kind == ControlKind::kComboBox) {
    switch (code) {
      case CBN_SELCHANGE:
        return NotifyCode::kSelChange;
      case CBN_DROPDOWN:
        return NotifyCode::kDropDown;
      case CBN_CLOSEUP:
        return NotifyCode::kCloseUp;
      default:
        return std::nullopt;
    }
  }
  if (code == BN_CLICKED && (kind == ControlKind::kPushButton || kind == ControlKind::kCheckBox ||
                             kind == ControlKind::kRadioButton)) {
    return NotifyCode::kClicked;
  }
  return std::nullopt;
}

}  // namespace

WinDialog::WinDialog(HWND parent)
    : WinDialog(parent, MainDialogControls(), kMainDialogWidthDu, kMainDialogHeightDu) {}

WinDialog::WinDialog(HWND parent, std::span<const ControlTemplate> controls, int widthDu,
                     int heightDu)
    : layout_(controls), widthDu_(widthDu), heightDu_(heightDu) {
  // The trackbar's class comes from the common controls.
  const INITCOMMONCONTROLSEX classes{sizeof(INITCOMMONCONTROLSEX), ICC_BAR_CLASSES};
  InitCommonControlsEx(&classes);
  const std::vector<WORD> words = BuildDialogTemplate(controls, widthDu, heightDu);
  const HWND window = CreateDialogIndirectParamW(
      GetModuleHandleW(nullptr), reinterpret_cast<LPCDLGTEMPLATEW>(words.data()), parent,
      &WinDialog::DialogProc, reinterpret_cast<LPARAM>(this));
  window_ = window;
  if (window == nullptr) {
    return;
  }
  for (const ControlTemplate& layout : controls) {
    if (layout.id != kStaticControlId) {
      controls_.emplace(layout.id, Entry{&layout, GetDlgItem(window, layout.id), nullptr});
    }
  }
  FollowSystemDpi();
  WidenToCaptions(controls);
}

WinDialog::~WinDialog() {
  const HWND window = window_.exchange(nullptr);
  if (window != nullptr) {
    for (const auto& [id, callback] : timers_) {
      KillTimer(window, UINT_PTR(id));
    }
    SetWindowLongPtrW(window, DWLP_USER, 0);
    DestroyWindow(window);
  }
  if (font_ != nullptr) {
    DeleteObject(font_);  // after the controls that use it
  }
}

HWND WinDialog::Control(int id) const {
  const Entry* entry = Find(id);
  return entry == nullptr ? nullptr : entry->window;
}

const WinDialog::Entry* WinDialog::Find(int id, std::initializer_list<ControlKind> kinds) const {
  auto it = controls_.find(id);
  if (it == controls_.end() || it->second.window == nullptr) {
    return nullptr;
  }
  if (kinds.size() != 0 &&
      std::find(kinds.begin(), kinds.end(), it->second.layout->kind) == kinds.end()) {
    return nullptr;
  }
  return &it->second;
}

LRESULT WinDialog::Send(int id, UINT message, WPARAM wParam, LPARAM lParam,
                        std::initializer_list<ControlKind> kinds) const {
  const Entry* entry = Find(id, kinds);
  return entry == nullptr ? LRESULT(-1) : SendMessageW(entry->window, message, wParam, lParam);
}

// --- Messages

INT_PTR CALLBACK WinDialog::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    SetWindowLongPtrW(window, DWLP_USER, lParam);
    return FALSE;  // no control takes the focus at start
  }
  auto* self = reinterpret_cast<WinDialog*>(GetWindowLongPtrW(window, DWLP_USER));
  if (self != nullptr && message == WM_NCDESTROY) {
    self->window_ = nullptr;  // destroyed with its parent: nothing left to post to
    return FALSE;
  }
  return self == nullptr ? FALSE : self->Handle(message, wParam, lParam);
}

INT_PTR WinDialog::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      OnCommandMessage(wParam, lParam);
      return TRUE;
    case WM_HSCROLL:
    case WM_VSCROLL:
      OnScrollMessage(wParam, lParam);
      return TRUE;
    case WM_DRAWITEM:
      OnDrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
      return TRUE;
    case WM_TIMER:
      OnTimer(wParam);
      return TRUE;
    case WM_LBUTTONUP:
    case WM_LBUTTONDBLCLK:
      if (onLeftButtonUp) {
        onLeftButtonUp(CursorPos());
      }
      return TRUE;
    case WM_KEYDOWN:
    case WM_CHAR:
      if (wParam == VK_ESCAPE && onKey) {
        onKey(kKeyEscape);
        return TRUE;
      }
      return FALSE;
    case WM_SETCURSOR:
      if (waits_ > 0) {  // over every control too: each asks its parent first
        SetCursor(LoadCursorW(nullptr, MAKEINTRESOURCEW(32514)));  // wait
        SetWindowLongPtrW(window_, DWLP_MSGRESULT, TRUE);
        return TRUE;
      }
      return FALSE;
    case kWmAppExit:
      if (onExitRequest) {
        onExitRequest();
      }
      return TRUE;
    case kWmAppPlayerStopped:
      if (onPlayerStopped) {
        onPlayerStopped();
      }
      return TRUE;
    default:
      return FALSE;
  }
}

void WinDialog::OnCommandMessage(WPARAM wParam, LPARAM lParam) {
  const int id = LOWORD(wParam);
  const WORD code = HIWORD(wParam);
  // A posted command carries no control window: it is already in our terms.
  if (lParam == 0) {
    if (onCommand) {
      onCommand(id, NotifyCode(code));
    }
    return;
  }
  const Entry* entry = Find(id);
  if (entry == nullptr || onCommand == nullptr) {
    return;
  }
  if (const std::optional<NotifyCode> notify = NotifyCodeOf(entry->layout->kind, code)) {
    onCommand(id, *notify);
  }
}

void WinDialog::OnScrollMessage(WPARAM wParam, LPARAM lParam) {
  const HWND bar = reinterpret_cast<HWND>(lParam);
  if (bar == nullptr || onScroll == nullptr) {
    return;
  }
  const int id = GetDlgCtrlID(bar);
  const Entry* entry = Find(id, {ControlKind::kScrollBar, ControlKind::kTrackbar});
  if (entry == nullptr) {
    return;
  }
  const auto code = ScrollCode(LOWORD(wParam));
  int thumb = HIWORD(wParam);
  if (entry->layout->kind == ControlKind::kScrollBar &&
      (code == ScrollCode::kThumbTrack || code == ScrollCode::kThumbPosition)) {
    // The message's word holds only 16 bits of the thumb.
    SCROLLINFO info{sizeof(info), SIF_TRACKPOS, 0, 0, 0, 0, 0};
    if (::GetScrollInfo(bar, SB_CTL, &info)) {
      thumb = info.nTrackPos;
    }
  }
  onScroll(id, code, thumb);
}

// --- Pictures

void WinDialog::SetPictureSource(int id, const Raster* raster) {
  auto it = controls_.find(id);
  if (it != controls_.end() && it->second.layout->kind == ControlKind::kPicture) {
    it->second.picture = raster;
    InvalidateRect(it->second.window, nullptr, FALSE);
  }
}

void WinDialog::OnDrawItem(const DRAWITEMSTRUCT& item) {
  const int id = int(item.CtlID);
  if ((item.itemAction & ODA_DRAWENTIRE) == 0) {
    return;
  }
  if (onDraw) {
    onDraw(id);
  }
  const Entry* entry = Find(id, {ControlKind::kPicture});
  const Raster* raster = entry == nullptr ? nullptr : entry->picture;
  const RECT& r = item.rcItem;
  // What the raster leaves uncovered shows the dialog's colour; a raster that
  // covers the control is not cleared first, so a playing graph does not flicker.
  if (raster == nullptr || raster->width() < r.right - r.left ||
      raster->height() < r.bottom - r.top) {
    FillRect(item.hDC, &r, GetSysColorBrush(COLOR_BTNFACE));
  }
  if (raster == nullptr || raster->empty()) {
    return;
  }
  // The raster's 0x00BBGGRR is a COLORREF; a 32-bit DIB wants 0x00RRGGBB.
  const int w = raster->width();
  const int h = raster->height();
  pixelRow_.resize(size_t(w) * size_t(h));
  const std::vector<uint32_t>& from = raster->pixels();
  for (size_t i = 0; i < from.size(); ++i) {
    const uint32_t c = from[i];
    pixelRow_[i] = (c & 0xFF) << 16 | (c & 0xFF00) | (c >> 16 & 0xFF);
  }
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = w;
  info.bmiHeader.biHeight = -h;  // top row first
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  SetDIBitsToDevice(item.hDC, r.left, r.top, DWORD(w), DWORD(h), 0, 0, 0, UINT(h), pixelRow_.data(),
                    &info, DIB_RGB_COLORS);
}

void WinDialog::Invalidate(int id) {
  if (const Entry* entry = Find(id)) {
    InvalidateRect(entry->window, nullptr, FALSE);
  }
}

void WinDialog::Update(int id) {
  if (const Entry* entry = Find(id)) {
    UpdateWindow(entry->window);
  }
}

void WinDialog::InvalidateAll() {
  RedrawWindow(window_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

void WinDialog::UpdateAll() {
  RedrawWindow(window_, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
}

// --- Posted messages and timers

void WinDialog::PostCommand(int id, NotifyCode code) {
  PostMessageW(window_, WM_COMMAND, MAKEWPARAM(WORD(id), WORD(code)), 0);
}

void WinDialog::PostPlayerStopped() {
  PostMessageW(window_.load(), kWmAppPlayerStopped, 0, 0);
}

void WinDialog::PostExitRequest() {
  PostMessageW(window_, kWmAppExit, 0, 0);
}

void WinDialog::RunWhile(const std::function<bool()>& running) {
  if (!running()) {
    return;
  }
  ++waits_;
  const HCURSOR previous = SetCursor(LoadCursorW(nullptr, MAKEINTRESOURCEW(32514)));  // wait
  MSG message;
  bool quitting = false;
  while (!quitting && running()) {
    // Wakes for input, or after a few milliseconds to look at the request
    // (it ends on another thread, which must not touch the window).
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    while (running() && PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (message.message == WM_QUIT) {
        PostQuitMessage(int(message.wParam));  // for the program's own loop
        quitting = true;
        break;
      }
      if (!onPreTranslate || !onPreTranslate(message)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
      }
    }
  }
  --waits_;
  SetCursor(previous);
}

bool WinDialog::StartTimer(int timerId, int intervalMs, std::function<void()> onTimer) {
  if (intervalMs <= 0 || !onTimer || timerId <= 0) {
    return false;
  }
  if (SetTimer(window_, UINT_PTR(timerId), UINT(intervalMs), nullptr) == 0) {
    return false;
  }
  timers_[timerId] = std::move(onTimer);
  return true;
}

void WinDialog::StopTimer(int timerId) {
  if (timers_.erase(timerId) > 0) {
    KillTimer(window_, UINT_PTR(timerId));
  }
}

void WinDialog::OnTimer(UINT_PTR timerId) {
  auto it = timers_.find(int(timerId));
  if (it == timers_.end()) {
    return;
  }
  // A copy: the callback may stop or restart its own timer.
  const std::function<void()> callback = it->second;
  callback();
}

}  // namespace tessaly
