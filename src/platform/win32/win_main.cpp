// Tessaly: the desktop program on Windows.

#include <windows.h>

#include <commctrl.h>
#include <ole2.h>

#include <string>

#include "platform/win32/win_application.h"

namespace {

// The folder of the program's own file, with its trailing backslash.
std::wstring ProgramFolder() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), DWORD(path.size()));
    if (length < path.size()) {
      path.resize(length);
      break;
    }
    path.resize(path.size() * 2);
  }
  const size_t slash = path.find_last_of(L'\\');
  return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1);
}

}  // namespace

namespace {

// The frame, the dialog and the message loop; the return code of the loop.
int Run() {
  tessaly::Application app(ProgramFolder());
  if (!app.Ok()) {
    return 0;  // the settings are written back unchanged on the way out
  }
  app.Start();
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    if (app.PreTranslate(message)) {
      continue;
    }
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return int(message.wParam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_WIN95_CLASSES};
  InitCommonControlsEx(&controls);
  // For the whole life of the dialog: ShellExecuteW (the help page) may hand
  // the page to a handler that needs OLE on this thread.
  const HRESULT ole = OleInitialize(nullptr);
  const int code = Run();
  if (SUCCEEDED(ole)) {
    OleUninitialize();
  }
  return code;
}
