#include "platform/win32/win_export.h"

#include <commctrl.h>
#include <commdlg.h>
#include <objbase.h>
#include <shlobj.h>

#include <cstdlib>
#include <optional>

#include "platform/sndfile/sndfile_writer.h"
#include "platform/stb/stb_png_writer.h"
#include "platform/wintext/win_text.h"
#include "samples/utc_time.h"
#include "settings/settings.h"
#include "sound/player.h"
#include "views/main_dialog.h"
#include "views/view_export.h"

namespace tessaly {
namespace {

// An in-memory dialog template (DLGTEMPLATE and its DLGITEMTEMPLATEs), in
// "MS Shell Dlg" 8 pt, so the system sizes everything in dialog units.
class Template {
 public:
  Template(DWORD style, const std::string& title, int width, int height) {
    Dword(style | DS_SETFONT);
    Dword(0);
    countAt_ = words_.size();
    Word(0);
    Word(0);
    Word(0);
    Word(WORD(width));
    Word(WORD(height));
    Word(0);  // no menu
    Word(0);  // the dialog class
    String(Widen(title));
    Word(8);
    String(L"MS Shell Dlg");
  }
  void Item(const wchar_t* cls, const std::string& text, DWORD style, int id, int x, int y,
            int width, int height) {
    if (words_.size() % 2 != 0) {
      Word(0);  // every item begins on a DWORD boundary
    }
    Dword(WS_CHILD | WS_VISIBLE | style);
    Dword(0);
    for (int v : {x, y, width, height, id}) {
      Word(WORD(v));
    }
    String(cls);
    String(Widen(text));
    Word(0);  // no creation data
    ++words_[countAt_];
  }
  const DLGTEMPLATE* Get() const { return reinterpret_cast<const DLGTEMPLATE*>(words_.data()); }

 private:
  void Word(WORD w) { words_.push_back(w); }
  void Dword(DWORD d) {
    Word(LOWORD(d));
    Word(HIWORD(d));
  }
  void String(const std::wstring& s) {
    for (wchar_t c : s) {
      Word(WORD(c));
    }
    Word(0);
  }
  std::vector<WORD> words_;
  size_t countAt_ = 0;
};

constexpr int kFormRowHeight = 18;
constexpr int kFormWidth = 230;

std::string WindowText(HWND window) {
  std::wstring text(size_t(GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(size_t(GetWindowTextW(window, text.data(), int(text.size()))));
  return Narrow(text);
}

std::optional<int64_t> WholeNumber(const std::string& text, int64_t min, int64_t max) {
  char* end = nullptr;
  const long long value = std::strtoll(text.c_str(), &end, 10);
  if (text.empty() || *end != '\0' || value < min || value > max) {
    return std::nullopt;
  }
  return value;
}

// The sound's progress: shown after half a second, with Cancel. The windows
// keep answering (the messages are dispatched between seconds), but the owner
// is disabled meanwhile, as under a modal dialog.
class ProgressWindow {
 public:
  ProgressWindow(HWND owner, const std::string& title, const std::string& text, int64_t total)
      : owner_(owner), started_(GetTickCount64()) {
    // The bar's window class, whoever started the program.
    INITCOMMONCONTROLSEX classes{sizeof(classes), ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&classes);
    Template t(WS_POPUP | WS_CAPTION | DS_MODALFRAME | DS_CENTER, title, 200, 62);
    t.Item(WC_STATICW, text, SS_LEFT, -1, 7, 7, 186, 9);
    t.Item(PROGRESS_CLASSW, "", 0, kBar, 7, 20, 186, 10);
    t.Item(WC_BUTTONW, "Cancel", BS_DEFPUSHBUTTON | WS_TABSTOP, IDCANCEL, 143, 38, 50, 14);
    window_ = CreateDialogIndirectParamW(GetModuleHandleW(nullptr), t.Get(), owner, Proc,
                                         reinterpret_cast<LPARAM>(this));
    SendDlgItemMessageW(window_, kBar, PBM_SETRANGE32, 0, LPARAM(std::max<int64_t>(total, 1)));
    EnableWindow(owner_, FALSE);
  }
  ~ProgressWindow() {
    // The owner first, so the activation goes back to it and not elsewhere.
    EnableWindow(owner_, TRUE);
    if (window_ != nullptr) {
      DestroyWindow(window_);
    }
  }
  ProgressWindow(const ProgressWindow&) = delete;
  ProgressWindow& operator=(const ProgressWindow&) = delete;

  // Ends the render at its next second; no more messages are dispatched here.
  void Cancel() { cancelled_ = true; }

  // false once the user cancelled (or the program is asked to quit).
  bool Step(int64_t done) {
    const uint64_t now = GetTickCount64();
    if (now - lastPump_ < 30) {
      return !cancelled_;
    }
    lastPump_ = now;
    if (window_ != nullptr && !IsWindowVisible(window_) && now - started_ >= 500) {
      ShowWindow(window_, SW_SHOW);
    }
    SendDlgItemMessageW(window_, kBar, PBM_SETPOS, WPARAM(done), 0);
    MSG message;
    while (!cancelled_ && PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (message.message == WM_QUIT) {
        PostQuitMessage(int(message.wParam));  // for the program's own loop
        cancelled_ = true;
        break;
      }
      if (window_ == nullptr || !IsDialogMessageW(window_, &message)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
      }
    }
    return !cancelled_;
  }

 private:
  static constexpr int kBar = 100;
  static INT_PTR CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
      SetWindowLongPtrW(window, DWLP_USER, lParam);
      return TRUE;
    }
    auto* self = reinterpret_cast<ProgressWindow*>(GetWindowLongPtrW(window, DWLP_USER));
    if (self != nullptr &&
        ((message == WM_COMMAND && LOWORD(wParam) == IDCANCEL) || message == WM_CLOSE)) {
      self->cancelled_ = true;
      return TRUE;
    }
    return FALSE;
  }

  HWND owner_;
  HWND window_ = nullptr;
  uint64_t started_;
  uint64_t lastPump_ = 0;
  bool cancelled_ = false;
};

// A folder for the recorded days; "" when cancelled.
std::string AskFolder(HWND owner, const std::string& title) {
  // The shell's folder box needs COM on this thread.
  const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
  const std::wstring wideTitle = Widen(title);
  BROWSEINFOW info{};
  info.hwndOwner = owner;
  info.lpszTitle = wideTitle.c_str();
  info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
  std::string chosen;
  if (PIDLIST_ABSOLUTE list = SHBrowseForFolderW(&info)) {
    std::wstring path(32768, L'\0');
    if (SHGetPathFromIDListEx(list, path.data(), DWORD(path.size()), GPFIDL_DEFAULT)) {
      path.resize(wcslen(path.c_str()));
      chosen = Narrow(path);
    }
    CoTaskMemFree(list);
  }
  if (SUCCEEDED(com)) {
    CoUninitialize();
  }
  return chosen;
}

const std::vector<std::string> kViews = {"View 1", "View 2"};

}  // namespace

int WinForm::Add(Field field) {
  fields_.push_back(std::move(field));
  return int(fields_.size()) - 1;
}

int WinForm::Choice(std::string label, std::vector<std::string> items, int current) {
  return Add({Kind::kChoice, std::move(label), std::move(items), 0, 0, current});
}

int WinForm::Number(std::string label, int64_t min, int64_t max, int64_t value) {
  return Add({Kind::kNumber, std::move(label), {}, min, max, value});
}

int WinForm::Time(std::string label, int64_t utc) {
  return Add({Kind::kTime, std::move(label), {}, 0, 0, utc});
}

bool WinForm::Ask(HWND owner) {
  const int rows = int(fields_.size());
  const int height = 7 + rows * kFormRowHeight + 22;
  Template t(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_CENTER, title_, kFormWidth,
             height);
  for (int i = 0; i < rows; ++i) {
    const Field& f = fields_[size_t(i)];
    const int y = 7 + i * kFormRowHeight;
    t.Item(WC_STATICW, f.label, SS_LEFT, -1, 7, y + 2, 70, 9);
    const DWORD tab = WS_TABSTOP | (i == 0 ? WS_GROUP : 0);
    if (f.kind == Kind::kChoice) {
      t.Item(WC_COMBOBOXW, "", CBS_DROPDOWNLIST | WS_VSCROLL | tab, WinForm::kFirstFieldId + i, 80,
             y, kFormWidth - 87, 80);
    } else {
      t.Item(WC_EDITW, "", WS_BORDER | ES_AUTOHSCROLL | tab, WinForm::kFirstFieldId + i, 80, y,
             kFormWidth - 87, 13);
    }
  }
  const int buttons = height - 21;
  t.Item(WC_BUTTONW, "OK", BS_DEFPUSHBUTTON | WS_TABSTOP | WS_GROUP, IDOK, kFormWidth - 114,
         buttons, 50, 14);
  t.Item(WC_BUTTONW, "Cancel", BS_PUSHBUTTON | WS_TABSTOP, IDCANCEL, kFormWidth - 57, buttons, 50,
         14);
  const INT_PTR result = DialogBoxIndirectParamW(GetModuleHandleW(nullptr), t.Get(), owner, Proc,
                                                 reinterpret_cast<LPARAM>(this));
  window_ = nullptr;
  return result == IDOK;
}

void WinForm::Fill() {
  for (size_t i = 0; i < fields_.size(); ++i) {
    const Field& f = fields_[i];
    const HWND control = GetDlgItem(window_, WinForm::kFirstFieldId + int(i));
    if (f.kind == Kind::kChoice) {
      for (const std::string& item : f.items) {
        SendMessageW(control, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Widen(item).c_str()));
      }
      SendMessageW(control, CB_SETCURSEL, WPARAM(f.value), 0);
    } else if (f.kind == Kind::kNumber) {
      SetWindowTextW(control, Widen(std::to_string(f.value)).c_str());
    } else {
      SetTime(int(i), f.value);
    }
  }
}

void WinForm::SetTime(int field, int64_t utc) {
  fields_[size_t(field)].value = utc;
  if (window_ != nullptr) {
    SetDlgItemTextW(window_, WinForm::kFirstFieldId + field, Widen(FormatTime(utc)).c_str());
  }
}

// Takes every field's value; on a bad one says what it must be and keeps the form.
bool WinForm::Read() {
  for (size_t i = 0; i < fields_.size(); ++i) {
    Field& f = fields_[i];
    const HWND control = GetDlgItem(window_, WinForm::kFirstFieldId + int(i));
    std::optional<int64_t> value;
    std::string expected;
    if (f.kind == Kind::kChoice) {
      value = SendMessageW(control, CB_GETCURSEL, 0, 0);
    } else if (f.kind == Kind::kNumber) {
      value = WholeNumber(WindowText(control), f.min, f.max);
      expected = "a whole number from " + std::to_string(f.min) + " to " + std::to_string(f.max);
    } else {
      value = ParseTime(WindowText(control));
      expected = "a UTC time as YYYY-MM-DD HH:MM:SS";
    }
    if (!value) {
      MessageBoxW(window_, Widen(f.label + " " + expected + ".").c_str(), Widen(title_).c_str(),
                  MB_OK | MB_ICONWARNING);
      SetFocus(control);
      return false;
    }
    f.value = *value;
  }
  return true;
}

INT_PTR CALLBACK WinForm::Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    SetWindowLongPtrW(window, DWLP_USER, lParam);
    auto* form = reinterpret_cast<WinForm*>(lParam);
    form->window_ = window;
    form->Fill();
    return TRUE;
  }
  auto* form = reinterpret_cast<WinForm*>(GetWindowLongPtrW(window, DWLP_USER));
  if (form == nullptr || message != WM_COMMAND) {
    return FALSE;
  }
  const int id = LOWORD(wParam);
  if (id == IDOK) {
    if (form->Read()) {
      EndDialog(window, IDOK);
    }
  } else if (id == IDCANCEL) {
    EndDialog(window, IDCANCEL);
  } else if (HIWORD(wParam) == CBN_SELCHANGE && form->onChoice) {
    const int field = id - WinForm::kFirstFieldId;
    form->fields_[size_t(field)].value = SendDlgItemMessageW(window, id, CB_GETCURSEL, 0, 0);
    form->onChoice(*form, field);
  }
  return TRUE;
}

std::string WithSuffix(std::string path, const std::string& suffix) {
  auto lower = [](std::string s) {
    for (char& c : s) {
      c = c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
    }
    return s;
  };
  if (path.empty() || suffix.empty() ||
      (path.size() >= suffix.size() &&
       lower(path.substr(path.size() - suffix.size())) == lower(suffix))) {
    return path;
  }
  return path + suffix;
}

std::string AskSavePath(HWND owner, const std::string& title, const std::string& name,
                        const std::vector<FileType>& types) {
  std::wstring filter;
  for (const FileType& type : types) {
    filter += Widen(type.first) + L'\0' + L'*' + Widen(type.second) + L'\0';
  }
  filter += L'\0';
  std::wstring path = Widen(name);
  path.resize(32768, L'\0');
  const std::wstring wideTitle = Widen(title);
  OPENFILENAMEW box{};
  box.lStructSize = sizeof(box);
  box.hwndOwner = owner;
  box.lpstrFilter = filter.c_str();
  box.nFilterIndex = 1;
  box.lpstrFile = path.data();
  box.nMaxFile = DWORD(path.size());
  box.lpstrTitle = wideTitle.c_str();
  box.Flags =
      OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR | OFN_EXPLORER | OFN_HIDEREADONLY;
  if (!GetSaveFileNameW(&box)) {
    return {};
  }
  path.resize(wcslen(path.c_str()));
  const size_t chosen =
      box.nFilterIndex >= 1 && box.nFilterIndex <= types.size() ? box.nFilterIndex - 1 : 0;
  return WithSuffix(Narrow(path), types[chosen].second);
}

void WinExport::AddMenuItems(HMENU menu) {
  InsertMenuW(menu, 0, MF_BYPOSITION | MF_SEPARATOR, 0, nullptr);
  InsertMenuW(menu, 0, MF_BYPOSITION | MF_STRING, kCmdExportSamples, L"&Export Samples\u2026");
  InsertMenuW(menu, 0, MF_BYPOSITION | MF_STRING, kCmdSavePicture, L"Save &Picture\u2026");
  InsertMenuW(menu, 0, MF_BYPOSITION | MF_STRING, kCmdSaveSound, L"&Save Sound\u2026\tCtrl+S");
}

bool WinExport::OnCommand(int command) {
  switch (command) {
    case kCmdSaveSound:
      SaveSound();
      return true;
    case kCmdSavePicture:
      SavePicture();
      return true;
    case kCmdExportSamples:
      ExportSamples();
      return true;
    default:
      return false;
  }
}

bool WinExport::CancelRunningSave() {
  if (!cancelRender_) {
    return false;
  }
  cancelRender_();
  return true;
}

void WinExport::Fail(const char* what, const std::string& cause) {
  dialog_.ShowMessage(what, "Tessaly", cause);
}

void WinExport::SaveSound() {
  WinForm form("Save Sound");
  const int views =
      form.Choice("Views:", {kViews[0], kViews[1], "Both (View 1 left, View 2 right)"});
  const int seconds = form.Number("Seconds:", 1, kMaxSavedSeconds, 60);
  const int level = form.Choice("Level:", {"Full level", "Current volume"});
  if (!form.Ask(owner_)) {
    return;
  }
  std::vector<FileType> types = {{"WAV sound (*.wav)", ".wav"}};
  if (SndfileWriter::FlacAvailable()) {
    types.push_back({"FLAC sound (*.flac)", ".flac"});
  }
  const std::string path = AskSavePath(owner_, "Save Sound", "tessaly.wav", types);
  if (path.empty()) {
    return;
  }
  SoundSaveChoice choice{form.Value(views) != 1, form.Value(views) != 0, form.Value(seconds),
                         std::nullopt};
  if (form.Value(level) == 1) {
    choice.volume = settings_.volume;
  }
  OfflineRun run;
  run.format = player_.format();
  run.scale = player_.scaleTable();
  SndfileWriter writer;
  std::string error;
  RenderOutcome outcome;
  {
    ProgressWindow progress(owner_, "Save Sound", "Rendering the sound\u2026", choice.seconds);
    cancelRender_ = [&progress] { progress.Cancel(); };
    outcome = SaveViewsSound(
        dialog_, choice, run, writer, path, [&](int64_t second) { return progress.Step(second); },
        &error);
    cancelRender_ = nullptr;
  }
  if (outcome == RenderOutcome::kFailed) {
    Fail("Cannot save the sound", error);
  }
}

void WinExport::SavePicture() {
  WinForm form("Save Picture");
  const int view = form.Choice("View:", kViews);
  const int scale = form.Choice("Scale:", {"1\u00d7", "4\u00d7"});
  if (!form.Ask(owner_)) {
    return;
  }
  const std::string path =
      AskSavePath(owner_, "Save Picture", "tessaly.png", {{"PNG image (*.png)", ".png"}});
  if (path.empty()) {
    return;
  }
  StbPngWriter writer;
  const Raster picture = ViewPicture(dialog_, int(form.Value(view)), form.Value(scale) ? 4 : 1);
  std::string error;
  if (!tessaly::SavePicture(writer, picture, path, &error)) {
    Fail("Cannot save the picture", error);
  }
}

void WinExport::ExportSamples() {
  WinForm form("Export Samples");
  const int view = form.Choice("View:", kViews);
  const int format = form.Choice("Format:", {"CSV table", "Recorded days (tessaly-replay)"});
  const SecondRange shown = ShownSeconds(dialog_, 0);
  const int from = form.Time("From (UTC):", shown.from);
  const int to = form.Time("To (UTC):", shown.to);
  // The stretch follows the chosen view until the user edits it.
  form.onChoice = [&](WinForm& f, int field) {
    if (field == view) {
      const SecondRange r = ShownSeconds(dialog_, int(f.Value(view)));
      f.SetTime(from, r.from);
      f.SetTime(to, r.to);
    }
  };
  if (!form.Ask(owner_)) {
    return;
  }
  const bool days = form.Value(format) == 1;
  const std::string path =
      days ? AskFolder(owner_, "Export Samples")
           : AskSavePath(owner_, "Export Samples", "tessaly.csv", {{"CSV table (*.csv)", ".csv"}});
  if (path.empty()) {
    return;
  }
  std::string error;
  if (!ExportViewSamples(dialog_, int(form.Value(view)), {form.Value(from), form.Value(to)}, days,
                         path, &error)) {
    Fail("Cannot export the samples", error);
  }
}

}  // namespace tessaly
