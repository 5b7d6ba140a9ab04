// The export dialogs' parts on the real system (under Wine and Xvfb): the form
// a user fills in, and the Save As box with a name outside the ANSI code page.

#include <windows.h>

#include <commdlg.h>
#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "platform/win32/win_export.h"
#include "platform/wintext/win_text.h"

namespace tessaly {
namespace {

// The first top-level dialog titled `title` that is not `other`, waited for.
HWND WaitForDialog(const wchar_t* title, HWND other = nullptr) {
  for (int i = 0; i < 1000; ++i) {
    for (HWND w = FindWindowExW(nullptr, nullptr, L"#32770", title); w != nullptr;
         w = FindWindowExW(nullptr, w, L"#32770", title)) {
      if (w != other && IsWindowVisible(w)) {
        return w;
      }
    }
    Sleep(10);
  }
  return nullptr;
}

std::string ControlText(HWND dialog, int id) {
  wchar_t text[256] = {};
  GetDlgItemTextW(dialog, id, text, 256);
  return Narrow(text);
}

void Press(HWND dialog, int id) {
  SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
}

TEST(Win32ExportTest, TheFormKeepsBadFieldsBackFollowsItsListAndReturnsWhatWasTyped) {
  WinForm form("Test Form");
  const int views = form.Choice("Views:", {"View 1", "View 2", "Both"});
  const int seconds = form.Number("Seconds:", 1, 86400, 60);
  const int from = form.Time("From (UTC):", 1583391600);  // 2020-03-05 07:00:00
  form.onChoice = [&](WinForm& f, int field) {
    EXPECT_EQ(field, views);
    f.SetTime(from, 1583391600 + 3600 * f.Value(views));
  };
  std::string warnings;
  std::thread user([&] {
    const HWND dialog = WaitForDialog(L"Test Form");
    ASSERT_NE(dialog, nullptr);
    const int first = WinForm::kFirstFieldId;
    EXPECT_EQ(ControlText(dialog, first + seconds), "60");
    EXPECT_EQ(ControlText(dialog, first + from), "2020-03-05 07:00:00");
    // Each bad value in turn: a warning naming the field, and the form stays.
    for (auto [field, text] : {std::pair{seconds, L"86401"},
                               {seconds, L"5x"},
                               {seconds, L"0"},
                               {from, L"2020-02-30 07:00:00"}}) {
      SetDlgItemTextW(dialog, first + field, text);
      PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
      const HWND box = WaitForDialog(L"Test Form", dialog);
      ASSERT_NE(box, nullptr);
      wchar_t said[256] = {};
      GetDlgItemTextW(box, 0xFFFF, said, 256);
      warnings += Narrow(said) + "\n";
      Press(box, IDOK);
      SetDlgItemTextW(dialog, first + field, field == seconds ? L"90" : L"2020-03-05 07:00:00");
    }
    // Picking "Both" moves the time, as the export form follows its view.
    SendDlgItemMessageW(dialog, first + views, CB_SETCURSEL, 2, 0);
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(first + views, CBN_SELCHANGE),
                 LPARAM(GetDlgItem(dialog, first + views)));
    EXPECT_EQ(ControlText(dialog, first + from), "2020-03-05 09:00:00");
    SetDlgItemTextW(dialog, first + seconds, L"86400");
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
  });
  const bool accepted = form.Ask(nullptr);
  user.join();
  EXPECT_TRUE(accepted);
  EXPECT_EQ(form.Value(views), 2);
  EXPECT_EQ(form.Value(seconds), 86400);
  EXPECT_EQ(form.Value(from), 1583391600 + 7200);
  EXPECT_EQ(warnings,
            "Seconds: a whole number from 1 to 86400.\n"
            "Seconds: a whole number from 1 to 86400.\n"
            "Seconds: a whole number from 1 to 86400.\n"
            "From (UTC): a UTC time as YYYY-MM-DD HH:MM:SS.\n");

  // Cancel keeps nothing.
  std::thread cancel([] { Press(WaitForDialog(L"Test Form"), IDCANCEL); });
  EXPECT_FALSE(form.Ask(nullptr));
  cancel.join();
}

TEST(Win32ExportTest, TheSaveAsBoxAddsTheChosenTypesSuffixInACyrillicFolder) {
  wchar_t temp[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, temp);
  const std::wstring folder = std::wstring(temp) + L"Тесты звука";
  CreateDirectoryW(folder.c_str(), nullptr);
  const std::vector<FileType> types = {{"WAV sound (*.wav)", ".wav"},
                                       {"FLAC sound (*.flac)", ".flac"}};
  // The user picks the second type and types a name: 0x470 and 0x47c are the
  // box's type list and name field.
  auto save = [&](const wchar_t* name, int type) {
    std::thread user([&] {
      const HWND box = WaitForDialog(L"Save Sound");
      ASSERT_NE(box, nullptr);
      // Once the box has shown the suggested name, it is ready for the user.
      for (int i = 0; i < 500 && ControlText(box, 0x47c) != "tessaly.wav"; ++i) {
        Sleep(10);
      }
      SendDlgItemMessageW(box, 0x470, CB_SETCURSEL, WPARAM(type), 0);
      SendMessageW(box, WM_COMMAND, MAKEWPARAM(0x470, CBN_SELENDOK),
                   LPARAM(GetDlgItem(box, 0x470)));
      SendMessageW(box, CDM_SETCONTROLTEXT, 0x47c, LPARAM(name));
      PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    });
    const std::string path =
        AskSavePath(nullptr, "Save Sound", Narrow(folder + L"\\tessaly.wav"), types);
    user.join();
    return path;
  };
  EXPECT_EQ(save(L"take", 1), Narrow(folder + L"\\take.flac"));
  EXPECT_EQ(save(L"take.FLAC", 1), Narrow(folder + L"\\take.FLAC"));
  EXPECT_EQ(save(L"take.flac", 0), Narrow(folder + L"\\take.flac.wav"));
  RemoveDirectoryW(folder.c_str());
}

}  // namespace
}  // namespace tessaly
