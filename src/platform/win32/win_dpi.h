#pragma once

// The DPI queries of Windows 10 (1607) and later, looked up at run time so that
// the program still starts on an older system, where the system DPI serves.

#include <windows.h>

namespace tessaly {

UINT SystemDpi();
// The DPI of the monitor the window is on (the system DPI before Windows 10).
UINT WindowDpi(HWND window);
// GetSystemMetrics at `dpi`.
int SystemMetricAt(int index, UINT dpi);
// Keeps the dialog manager from laying a dialog out again on a DPI change,
// with its own rounding, where the program does it (Windows 10 1703 and later).
void KeepDialogLayoutOnDpiChange(HWND dialog);

}  // namespace tessaly
