// "File" → "Data Server…" on the real system (under Wine and Xvfb): the modal
// dialog driven from a timer inside its own loop, as a user would.

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "platform/win32/win_data_server.h"
#include "platform/win32/win_frame.h"
#include "platform/wintext/win_text.h"
#include "samples/utc_time.h"
#include "support/fake_http_get.h"
#include "support/fixed_clock.h"
#include "win_resources.h"

namespace tessaly {
namespace {

struct Script {
  HWND dialog = nullptr;
  int step = 0;
  int boxes = 0;
  std::string firstText, testText;
} script;

std::string TextOf(HWND dialog, int id) {
  wchar_t text[512] = {};
  GetDlgItemTextW(dialog, id, text, 512);
  return Narrow(text);
}

void Click(HWND dialog, int id) {
  PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), LPARAM(GetDlgItem(dialog, id)));
}

// One step per tick, each answered in a later message of the modal loops: a
// refused port (its box, owned by the dialog, is closed), "Test", then OK.
void CALLBACK Drive(HWND, UINT, UINT_PTR, DWORD) {
  Script& s = script;
  const HWND active = GetActiveWindow();
  switch (s.step++) {
    case 0:
      s.dialog = active;
      s.firstText = TextOf(s.dialog, kIdDataServerHost);
      SetDlgItemTextW(s.dialog, kIdDataServerHost, L"data.example.org:70000");
      return Click(s.dialog, IDOK);
    case 1:
      s.boxes += active != s.dialog && GetWindow(active, GW_OWNER) == s.dialog;
      PostMessageW(active, WM_COMMAND, IDOK, 0);
      return;
    case 2:
      SetDlgItemTextW(s.dialog, kIdDataServerHost, L"data.example.org:0080");
      return Click(s.dialog, kIdDataServerTest);
    case 3:
      s.testText = TextOf(s.dialog, kIdDataServerResult);
      return Click(s.dialog, IDOK);
    default:
      return;
  }
}

TEST(Win32DataServer, MenuTestAndOkWithRefusal) {
  WinFrame frame;
  ASSERT_NE(frame.Window(), nullptr);
  int asked = 0;
  frame.onDataServer = [&] { ++asked; };
  // (The test program has no menu resource; the item's command is what counts.)
  SendMessageW(frame.Window(), WM_COMMAND, TESSALY_CMD_DATA_SERVER, 0);
  EXPECT_EQ(asked, 1);

  FixedClock clock(MakeUtc(2026, 3, 10, 12, 0, 0));
  FakeHttpGet http;
  http.date = MakeUtc(2026, 3, 10, 12, 0, 2);
  const UINT_PTR timer = SetTimer(nullptr, 0, 150, Drive);
  const auto host = AskDataServer(frame.Window(), "127.0.0.1:8321", http, clock);
  KillTimer(nullptr, timer);
  const Script& s = script;

  EXPECT_EQ(s.firstText, "127.0.0.1:8321");
  EXPECT_EQ(s.boxes, 1);
  EXPECT_EQ(s.testText,
            "No data from data.example.org:80: The server sent an empty reply. "
            "Its time: 2026-03-10 12:00:02 UTC.");
  EXPECT_EQ(host.value_or("(cancelled)"), "data.example.org:80");
}

}  // namespace
}  // namespace tessaly
