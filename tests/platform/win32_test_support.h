#pragma once
// What the Win32 tests under Wine share: the message loop, the controls' text
// and the screen's pixels.

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/wintext/win_text.h"

namespace tessaly {

// Runs the thread's messages (each through `pre` first, as the program's loop
// does with its keyboard) at least once, then until done() or `ms` have passed;
// says whether done.
inline bool Pump(DWORD ms, const std::function<bool()>& done = nullptr,
                 const std::function<bool(const MSG&)>& pre = nullptr) {
  const DWORD start = GetTickCount();
  do {
    for (MSG message; PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE);) {
      if (!pre || !pre(message)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
      }
    }
    Sleep(5);
  } while (!(done && done()) && GetTickCount() - start < ms);
  return done && done();
}

inline std::string ControlText(HWND dialog, int id) {
  wchar_t text[512] = {};
  GetDlgItemTextW(dialog, id, text, 512);
  return Narrow(text);
}

inline void Click(HWND dialog, int id) {
  PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), LPARAM(GetDlgItem(dialog, id)));
}

// What the screen shows of a window's client area, as 0x00BBGGRR like a Raster.
inline std::vector<uint32_t> ScreenPixels(HWND window) {
  RECT r{};
  GetClientRect(window, &r);
  const HDC screen = GetDC(window);
  const HDC dc = CreateCompatibleDC(screen);
  const HGDIOBJ old = SelectObject(dc, CreateCompatibleBitmap(screen, r.right, r.bottom));
  BitBlt(dc, 0, 0, r.right, r.bottom, screen, 0, 0, SRCCOPY);
  std::vector<uint32_t> pixels;
  for (int y = 0; y < r.bottom; ++y) {
    for (int x = 0; x < r.right; ++x) {
      pixels.push_back(GetPixel(dc, x, y));
    }
  }
  DeleteObject(SelectObject(dc, old));
  DeleteDC(dc);
  ReleaseDC(window, screen);
  return pixels;
}

}  // namespace tessaly
