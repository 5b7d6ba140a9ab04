#pragma once

// "File" → "Data Server…" on Windows: a small modal dialog, built in code, to
// type host[:port], with "Test" (one request, its summary shown in the dialog)
// and OK, which takes only a valid host. The caller applies the host.

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

namespace tessaly {

class Clock;
class HttpGet;

inline constexpr int kIdDataServerHost = 1001;
inline constexpr int kIdDataServerTest = 1002;
inline constexpr int kIdDataServerResult = 1003;

// The dialog's in-memory template (DLGTEMPLATE and its items, DWORD-aligned).
std::vector<WORD> DataServerDialogTemplate();

// Shows the dialog over owner; the checked host when the user chose one.
std::optional<std::string> AskDataServer(HWND owner, const std::string& host, HttpGet& http,
                                         const Clock& clock);

}  // namespace tessaly
