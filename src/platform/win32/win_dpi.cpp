#include "platform/win32/win_dpi.h"

namespace tessaly {
namespace {

template <class Function>
Function User32(const char* name) {
  const FARPROC proc = GetProcAddress(GetModuleHandleW(L"user32.dll"), name);
  return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(proc));
}

}  // namespace

UINT SystemDpi() {
  static const auto query = User32<UINT(WINAPI*)()>("GetDpiForSystem");
  if (query != nullptr) {
    return query();
  }
  const HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
  ReleaseDC(nullptr, screen);
  return dpi > 0 ? UINT(dpi) : USER_DEFAULT_SCREEN_DPI;
}

UINT WindowDpi(HWND window) {
  static const auto query = User32<UINT(WINAPI*)(HWND)>("GetDpiForWindow");
  const UINT dpi = query != nullptr ? query(window) : 0;
  return dpi != 0 ? dpi : SystemDpi();
}

int SystemMetricAt(int index, UINT dpi) {
  static const auto query = User32<int(WINAPI*)(int, UINT)>("GetSystemMetricsForDpi");
  return query != nullptr ? query(index, dpi)
                          : MulDiv(GetSystemMetrics(index), int(dpi), int(SystemDpi()));
}

void KeepDialogLayoutOnDpiChange(HWND dialog) {
  static const auto set =
      User32<BOOL(WINAPI*)(HWND, DIALOG_DPI_CHANGE_BEHAVIORS, DIALOG_DPI_CHANGE_BEHAVIORS)>(
          "SetDialogDpiChangeBehavior");
  if (set != nullptr) {
    set(dialog, DDC_DISABLE_ALL, DDC_DISABLE_ALL);
  }
}

}  // namespace tessaly
