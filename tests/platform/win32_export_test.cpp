// The export dialogs on the real system (under Wine and Xvfb): the form a user
// fills in, and the sound's progress window in the running program, saving
// into a folder outside the ANSI code page. (The desktop end-to-end run under
// Wine saves the picture, the samples and the sound through the File menu.)

#include <windows.h>

#include <commdlg.h>
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <thread>

#include "platform/win32/win_application.h"
#include "platform/win32/win_export.h"
#include "platform/win32/win_frame.h"
#include "platform/wintext/win_text.h"
#include "views/control_ids.h"
#include "views/main_dialog.h"
#include "win32_test_support.h"

namespace tessaly {
namespace {

// The first visible top-level dialog titled `title` that `fits`, waited for.
HWND WaitForDialog(const wchar_t* title, const std::function<bool(HWND)>& fits = nullptr) {
  for (int i = 0; i < 3000; ++i, Sleep(10)) {
    for (HWND w = FindWindowExW(nullptr, nullptr, L"#32770", title); w != nullptr;
         w = FindWindowExW(nullptr, w, L"#32770", title)) {
      if (IsWindowVisible(w) && (!fits || fits(w))) {
        return w;
      }
    }
  }
  return nullptr;
}

// A sound render's progress window.
HWND WaitForProgress() {
  return WaitForDialog(L"Save Sound", [](HWND w) {
    return FindWindowExW(w, nullptr, L"msctls_progress32", nullptr) != nullptr;
  });
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
    for (auto [field, text] : {std::pair{seconds, L"86401"}, {from, L"2020-02-30 07:00:00"}}) {
      SetDlgItemTextW(dialog, first + field, text);
      PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
      const HWND box = WaitForDialog(L"Test Form", [&](HWND w) { return w != dialog; });
      ASSERT_NE(box, nullptr);
      warnings += ControlText(box, 0xFFFF) + "\n";  // the message box's text
      SendMessageW(box, WM_COMMAND, IDOK, 0);
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
            "From (UTC): a UTC time as YYYY-MM-DD HH:MM:SS.\n");
}

// The running program, on generated samples in both views, its settings in a
// folder of the test's own.
class Win32ProgramExportTest : public testing::Test {
 protected:
  Win32ProgramExportTest() {
    folder_ = (std::filesystem::temp_directory_path() / L"Экспорт ").wstring() +
              std::to_wstring(GetTickCount64());
    std::filesystem::create_directories(folder_ + L"\\Tessaly");
    std::ofstream((folder_ + L"\\Tessaly\\Tessaly.ini").c_str())
        << "[Application]\nSource1=3\nSource2=3\n";
    _wputenv_s(L"APPDATA", folder_.c_str());
    app_ = std::make_unique<Application>(folder_ + L"\\");
    if (!app_->Ok()) {
      std::abort();
    }
    app_->Start();
    app_->dialog().OnCommand(kIdView1Set, NotifyCode::kClicked);
  }
  ~Win32ProgramExportTest() override {
    app_.reset();
    std::filesystem::remove_all(folder_);
  }

  // Chooses the menu item; `user` answers its dialogs meanwhile,
  // while this thread runs the program's messages as its loop would.
  void Choose(int command, const std::function<void()>& user) {
    std::atomic<bool> done = false;
    std::thread answering([&] {
      user();
      done = true;
    });
    PostMessageW(app_->frame().Window(), WM_COMMAND, WPARAM(command), 0);
    const auto answered = [&] { return done.load(); };
    Pump(60000, answered, [this](const MSG& m) { return app_->PreTranslate(m); });
    answering.join();
    Pump(0);  // what the last OK started finishes here
  }

  bool Exists(const std::wstring& name) const {
    return GetFileAttributesW((folder_ + L"\\" + name).c_str()) != INVALID_FILE_ATTRIBUTES;
  }

  // The sound's form: OK for `seconds` of sound; then the Save As box (the
  // same title) saves under `name` in the test's folder.
  void SaveSound(const std::wstring& name, const wchar_t* seconds) {
    const wchar_t* const title = L"Save Sound";
    const HWND form = WaitForDialog(title);
    ASSERT_NE(form, nullptr);
    SetDlgItemTextW(form, WinForm::kFirstFieldId + 1, seconds);
    PostMessageW(form, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    const HWND box = WaitForDialog(title, [](HWND w) { return GetDlgItem(w, 0x47c) != nullptr; });
    ASSERT_NE(box, nullptr);
    for (int i = 0; i < 500 && ControlText(box, 0x47c).empty(); ++i) {
      Sleep(10);
    }
    SendMessageW(box, CDM_SETCONTROLTEXT, 0x47c, LPARAM((folder_ + L"\\" + name).c_str()));
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
  }

  std::wstring folder_;
  std::unique_ptr<Application> app_;
};

// (The end-to-end run under Wine checks a saved sound file's contents.)
TEST_F(Win32ProgramExportTest, ASoundIsCancelledSavedOrEndedByClosingTheProgram) {
  // Two hours of sound, cancelled in its progress window: no file, no temporary.
  Choose(kCmdSaveSound, [&] {
    SaveSound(L"view.wav", L"7200");
    const HWND progress = WaitForProgress();
    ASSERT_NE(progress, nullptr);
    PostMessageW(progress, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
  });
  EXPECT_FALSE(Exists(L"view.wav"));
  EXPECT_FALSE(Exists(L".view.wav.partial"));

  // Then 3 s of it, named without the extension.
  Choose(kCmdSaveSound, [&] { SaveSound(L"view", L"3"); });
  EXPECT_TRUE(Exists(L"view.wav"));

  // Closing the program meanwhile ends the render first, then the program.
  const HWND frame = app_->frame().Window();
  Choose(kCmdSaveSound, [&] {
    SaveSound(L"closed.wav", L"7200");
    ASSERT_NE(WaitForProgress(), nullptr);
    PostMessageW(frame, WM_CLOSE, 0, 0);
  });
  EXPECT_TRUE(Pump(2000, [&] { return !IsWindow(frame); }));
  EXPECT_FALSE(Exists(L"closed.wav"));
  EXPECT_FALSE(Exists(L".closed.wav.partial"));
}

}  // namespace
}  // namespace tessaly
