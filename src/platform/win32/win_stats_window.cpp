#include "platform/win32/win_stats_window.h"

#include <commctrl.h>
#include <commdlg.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cwchar>
#include <utility>

#include "analysis/stats_table.h"
#include "display/picture_export.h"
#include "display/stats_plot.h"
#include "platform/win32/win_resources.h"
#include "platform/wintext/win_text.h"
#include "samples/utc_time.h"

namespace tessaly {
namespace {

constexpr const wchar_t* kStatsClass = L"TessalyStatistics";
constexpr int kPlotWidth = 640;
constexpr int kPlotHeight = 240;
constexpr int kClientWidth = 690;
constexpr int kClientHeight = 668;
constexpr UINT_PTR kTickTimer = 1;
constexpr UINT kTickMs = 100;
constexpr int kHealthColumns = 7;

std::string Number(double value, int digits = 6) {
  if (std::isnan(value)) {
    return "\xE2\x80\x93";  // an en dash: no value
  }
  char text[32];
  std::snprintf(text, sizeof(text), "%.*g", digits, value);
  return text;
}

void RegisterStatsClass(WNDPROC proc) {
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSEXW cls{};
  cls.cbSize = sizeof(cls);
  if (GetClassInfoExW(instance, kStatsClass, &cls)) {
    return;
  }
  cls.lpfnWndProc = proc;
  cls.hInstance = instance;
  cls.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(TESSALY_IDI_PROGRAM));  // null in tests
  cls.hIconSm = cls.hIcon;
  cls.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // the arrow
  cls.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
  cls.lpszClassName = kStatsClass;
  RegisterClassExW(&cls);
}

bool IsExcluded(const StretchResult& result, uint32_t id) {
  return std::find(result.excluded.begin(), result.excluded.end(), id) != result.excluded.end();
}

}  // namespace

WinStatsWindow::WinStatsWindow(HWND owner, int viewNumber, std::function<ViewSnapshot()> view,
                               const Clock& clock, StatsView::HttpFactory makeHttp,
                               ImageFileWriter* png)
    : view_(std::move(view)),
      png_(png),
      stats_(*this, clock, std::move(makeHttp)),
      plotRaster_(kPlotWidth, kPlotHeight) {
  INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_LISTVIEW_CLASSES | ICC_PROGRESS_CLASS};
  InitCommonControlsEx(&controls);
  RegisterStatsClass(&WinStatsWindow::WindowProc);
  const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
  RECT size{0, 0, kClientWidth, kClientHeight};
  AdjustWindowRectEx(&size, style, FALSE, 0);
  const std::wstring title =
      L"Network Statistics (View " + std::to_wstring((viewNumber & 1) + 1) + L")";
  // Owned by the frame: it stays above it and goes with it.
  CreateWindowExW(WS_EX_CONTROLPARENT, kStatsClass, title.c_str(), style, CW_USEDEFAULT,
                  CW_USEDEFAULT, size.right - size.left, size.bottom - size.top, owner, nullptr,
                  GetModuleHandleW(nullptr), this);
  if (window_ == nullptr) {
    return;
  }
  MakeControls();

  const ViewSnapshot now = view_();
  const int64_t position = now.position > 0 ? now.position : 0;
  SetDlgItemTextW(window_, kStatsFrom, Widen(FormatTime(position - 3599)).c_str());
  SetDlgItemTextW(window_, kStatsTo, Widen(FormatTime(position)).c_str());
  SetTimer(window_, kTickTimer, kTickMs, nullptr);
  Refresh();
  if (position > 0) {
    OnCompute();  // the default stretch at once: the window opens with an answer
  }
}

WinStatsWindow::~WinStatsWindow() {
  stats_.Cancel();
  if (window_ != nullptr) {
    KillTimer(window_, kTickTimer);
    SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
    DestroyWindow(window_);
  }
  if (font_ != nullptr) {
    DeleteObject(font_);
  }
}

void WinStatsWindow::MakeControls() {
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof(metrics);
  SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0);
  font_ = CreateFontIndirectW(&metrics.lfMessageFont);
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  auto make = [&](const wchar_t* cls, const wchar_t* text, DWORD style, int id, int x, int y, int w,
                  int h, DWORD exStyle = 0) {
    const HWND child =
        CreateWindowExW(exStyle, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h, window_,
                        reinterpret_cast<HMENU>(INT_PTR(id)), instance, nullptr);
    SendMessageW(child, WM_SETFONT, WPARAM(font_), FALSE);
    return child;
  };
  const HWND choice = make(WC_COMBOBOXW, L"", WS_TABSTOP | CBS_DROPDOWNLIST | WS_VSCROLL,
                           kStatsChoice, 8, 8, 196, 200);
  for (const wchar_t* item : {L"Last 10 minutes", L"Last hour", L"Last 6 hours", L"Last 24 hours",
                              L"UTC day of the position", L"From / To"}) {
    SendMessageW(choice, CB_ADDSTRING, 0, LPARAM(item));
  }
  SendMessageW(choice, CB_SETCURSEL, kStretchLastHour, 0);
  make(WC_STATICW, L"From", SS_RIGHT, -1, 208, 11, 36, 20);
  make(WC_EDITW, L"", WS_TABSTOP | ES_AUTOHSCROLL | WS_DISABLED, kStatsFrom, 248, 8, 150, 23,
       WS_EX_CLIENTEDGE);
  make(WC_STATICW, L"To", SS_RIGHT, -1, 400, 11, 24, 20);
  make(WC_EDITW, L"", WS_TABSTOP | ES_AUTOHSCROLL | WS_DISABLED, kStatsTo, 428, 8, 150, 23,
       WS_EX_CLIENTEDGE);
  make(WC_BUTTONW, L"Compute", WS_TABSTOP | BS_DEFPUSHBUTTON, kStatsCompute, 590, 7, 92, 25);
  const HWND progress = make(PROGRESS_CLASSW, L"", 0, kStatsProgress, 8, 42, 574, 20);
  SendMessageW(progress, PBM_SETRANGE32, 0, 100);
  make(WC_BUTTONW, L"Cancel", WS_TABSTOP | WS_DISABLED, kStatsCancel, 590, 40, 92, 25);
  make(WC_STATICW, L"", SS_OWNERDRAW, kStatsPlot, 8, 72, kPlotWidth, kPlotHeight);
  make(WC_EDITW, L"", ES_MULTILINE | ES_READONLY | ES_AUTOHSCROLL, kStatsNumbers, 8, 320, 674, 98);
  const HWND health = make(WC_LISTVIEWW, L"", WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL, kStatsHealth,
                           8, 424, 674, 200, WS_EX_CLIENTEDGE);
  ListView_SetExtendedListViewStyle(health, LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT);
  // The check box of the first column is the include/exclude choice.
  const std::pair<const wchar_t*, int> columns[] = {{L"Station (included)", 120},
                                                    {L"Samples", 70},
                                                    {L"Mean", 80},
                                                    {L"Variance", 80},
                                                    {L"Mean z", 70},
                                                    {L"Longest run", 84},
                                                    {L"Flags", 150}};
  for (int c = 0; c < kHealthColumns; ++c) {
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH;
    column.pszText = const_cast<wchar_t*>(columns[c].first);
    column.cx = columns[c].second;
    SendMessageW(health, LVM_INSERTCOLUMNW, WPARAM(c), LPARAM(&column));
  }
  make(WC_BUTTONW, L"Sound cue when the last minute's equivalent Z reaches",
       WS_TABSTOP | BS_AUTOCHECKBOX, kStatsCue, 8, 636, 352, 22);
  make(WC_EDITW, L"3", WS_TABSTOP | ES_AUTOHSCROLL, kStatsCueLevel, 364, 635, 44, 23,
       WS_EX_CLIENTEDGE);
  make(WC_BUTTONW, L"Save Picture\u2026", WS_TABSTOP, kStatsSavePicture, 462, 634, 106, 26);
  make(WC_BUTTONW, L"Save Table\u2026", WS_TABSTOP, kStatsSaveTable, 576, 634, 106, 26);
}

void WinStatsWindow::Show() {
  if (window_ != nullptr) {
    ShowWindow(window_, IsIconic(window_) ? SW_RESTORE : SW_SHOW);
    SetForegroundWindow(window_);
  }
}

LRESULT CALLBACK WinStatsWindow::WindowProc(HWND window, UINT message, WPARAM wParam,
                                            LPARAM lParam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
    SetWindowLongPtrW(window, GWLP_USERDATA, LONG_PTR(create->lpCreateParams));
    static_cast<WinStatsWindow*>(create->lpCreateParams)->window_ = window;
  }
  auto* self = reinterpret_cast<WinStatsWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (self == nullptr) {
    return DefWindowProcW(window, message, wParam, lParam);
  }
  return self->Handle(message, wParam, lParam);
}

LRESULT WinStatsWindow::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CLOSE:
      // Hidden, not gone: the menu shows it again as it was.
      ShowWindow(window_, SW_HIDE);
      return 0;
    case WM_NCDESTROY: {
      // Gone with its owner, the frame: nothing may reach this object any more.
      const HWND window = window_;
      KillTimer(window, kTickTimer);
      SetWindowLongPtrW(window, GWLP_USERDATA, 0);
      window_ = nullptr;
      return DefWindowProcW(window, message, wParam, lParam);
    }
    case WM_TIMER:
      if (wParam == kTickTimer) {
        stats_.OnTick(view_());
      }
      return 0;
    case WM_DRAWITEM: {
      const auto& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
      if (item.CtlID == kStatsPlot) {
        PaintPlot(item);
        return TRUE;
      }
      break;
    }
    case WM_NOTIFY: {
      LRESULT result = 0;
      OnNotify(*reinterpret_cast<const NMHDR*>(lParam), &result);
      return result;
    }
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case kStatsChoice:
          if (HIWORD(wParam) == CBN_SELCHANGE) {
            const bool free =
                SendDlgItemMessageW(window_, kStatsChoice, CB_GETCURSEL, 0, 0) == kStretchFree;
            EnableWindow(Control(kStatsFrom), free);
            EnableWindow(Control(kStatsTo), free);
          }
          return 0;
        case kStatsCompute:
        case IDOK:
          OnCompute();
          return 0;
        case IDCANCEL:  // Escape, as in a dialog
          ShowWindow(window_, SW_HIDE);
          return 0;
        case kStatsCancel:
          stats_.Cancel();
          return 0;
        case kStatsCue:
        case kStatsCueLevel:
          ApplyCue();
          return 0;
        case kStatsSavePicture:
          AskAndSave(true);
          return 0;
        case kStatsSaveTable:
          AskAndSave(false);
          return 0;
        default:
          break;
      }
      break;
    default:
      break;
  }
  return DefWindowProcW(window_, message, wParam, lParam);
}

void WinStatsWindow::OnCompute() {
  auto timeOf = [this](int id) -> int64_t {
    wchar_t text[64] = {};
    GetDlgItemTextW(window_, id, text, 64);
    // Text that is no time makes an empty stretch, which the record refuses.
    return ParseTime(Narrow(text)).value_or(-1);
  };
  const int choice = int(SendDlgItemMessageW(window_, kStatsChoice, CB_GETCURSEL, 0, 0));
  stats_.Pick(view_(), choice, timeOf(kStatsFrom), timeOf(kStatsTo));
}

void WinStatsWindow::ApplyCue() {
  wchar_t text[32] = {};
  GetDlgItemTextW(window_, kStatsCueLevel, text, 32);
  wchar_t* end = nullptr;
  const double level = std::wcstod(text, &end);
  const bool number = end != text && *end == L'\0' && std::isfinite(level);
  const bool on = IsDlgButtonChecked(window_, kStatsCue) == BST_CHECKED;
  // A level that is no number keeps the cue silent rather than guessing one.
  stats_.SetCueThreshold(on && number ? std::optional<double>(level) : std::nullopt);
}

void WinStatsWindow::OnNotify(const NMHDR& header, LRESULT* result) {
  if (header.idFrom != kStatsHealth || filling_) {
    return;
  }
  const auto& change = reinterpret_cast<const NMLISTVIEW&>(header);
  const bool checkChange = (change.uChanged & LVIF_STATE) != 0 &&
                           ((change.uNewState ^ change.uOldState) & LVIS_STATEIMAGEMASK) != 0;
  if (!checkChange || change.iItem < 0) {
    return;
  }
  if (header.code == LVN_ITEMCHANGING) {
    // While a job runs the table shows the previous result: no choice in it.
    *result = stats_.busy() ? TRUE : FALSE;
    return;
  }
  if (header.code == LVN_ITEMCHANGED) {
    const std::vector<StationHealth>& health = stats_.stretch().result().health;
    if (size_t(change.iItem) < health.size()) {
      // State image 2 is the checked box.
      const bool included = (change.uNewState & LVIS_STATEIMAGEMASK) == INDEXTOSTATEIMAGEMASK(2);
      stats_.SetIncluded(health[size_t(change.iItem)].id, included);
    }
  }
}

void WinStatsWindow::Refresh() {
  if (window_ == nullptr) {
    return;
  }
  SendDlgItemMessageW(window_, kStatsProgress, PBM_SETPOS, WPARAM(stats_.progress()), 0);
  ShowWindow(Control(kStatsProgress), stats_.busy() ? SW_SHOWNA : SW_HIDE);
  EnableWindow(Control(kStatsCancel), stats_.busy());
  std::string text;
  if (!stats_.failure().empty()) {
    text = stats_.failure() + "\r\n";
  }
  if (stats_.hasResult()) {
    const StretchSummary s = stats_.stretch().result().network.Summary();
    const StatsKey& key = stats_.key();
    if (const NetworkSecond* second = stats_.CurrentSecond()) {
      text += "Second " + FormatTime(second->t) + " UTC:  N " + std::to_string(second->n) +
              "   Z " + Number(second->Z()) + "   Z\xC2\xB2 " + Number(second->NetVar()) + "\r\n";
    }
    text += "Stretch " + FormatTime(key.from) + " \xE2\x80\x93 " + FormatTime(key.to) + " UTC, " +
            stats_.SourceName() + ", " + std::to_string(s.seconds) + " counted seconds\r\n";
    text += "Network variance:  \xCF\x87\xC2\xB2 " + Number(s.chiSquare, 10) + "   df " +
            std::to_string(s.df) + "   p " + Number(s.p) + "   equivalent Z " + Number(s.z) +
            "\r\n";
    text += "Device variance:  \xCF\x87\xC2\xB2 " + Number(s.deviceChiSquare, 10) + "   df " +
            std::to_string(s.deviceDf) + "   p " + Number(s.deviceP) + "   equivalent Z " +
            Number(s.deviceZ) + "\r\n";
    text += "Excluded: " + IdList(stats_.stretch().result().excluded);
  }
  if (text != NumbersText()) {  // unchanged text keeps the user's selection
    SetDlgItemTextW(window_, kStatsNumbers, Widen(text).c_str());
  }
  PaintCumulativeDeviation(plotRaster_, stats_.stretch().result().network, stats_.viewPosition());
  InvalidateRect(Control(kStatsPlot), nullptr, FALSE);
  FillHealth();
}

std::string WinStatsWindow::NumbersText() const {
  const HWND numbers = GetDlgItem(window_, kStatsNumbers);
  std::wstring text(size_t(GetWindowTextLengthW(numbers)) + 1, L'\0');
  text.resize(size_t(GetWindowTextW(numbers, text.data(), int(text.size()))));
  return Narrow(text);
}

void WinStatsWindow::FillHealth() {
  const HWND list = Control(kStatsHealth);
  const StretchResult& result = stats_.stretch().result();
  const int rows = stats_.hasResult() ? int(result.health.size()) : 0;
  filling_ = true;
  if (ListView_GetItemCount(list) != rows) {
    ListView_DeleteAllItems(list);
    for (int row = 0; row < rows; ++row) {
      LVITEMW item{};
      item.mask = LVIF_TEXT;
      item.iItem = row;
      item.pszText = const_cast<wchar_t*>(L"");
      SendMessageW(list, LVM_INSERTITEMW, 0, LPARAM(&item));
    }
  }
  for (int row = 0; row < rows; ++row) {
    const StationHealth& h = result.health[size_t(row)];
    std::string flags;
    for (const auto& [on, name] : {std::pair{h.Stuck(), "stuck"}, std::pair{h.Biased(), "biased"},
                                   std::pair{h.OutOfVariance(), "out of variance"}}) {
      if (on) {
        flags += (flags.empty() ? "" : ", ") + std::string(name);
      }
    }
    const std::string cells[kHealthColumns] = {std::to_string(h.id),
                                               std::to_string(h.count),
                                               Number(h.Mean()),
                                               Number(h.Variance()),
                                               Number(h.MeanZ(), 4),
                                               std::to_string(h.longestRun),
                                               flags};
    for (int column = 0; column < kHealthColumns; ++column) {
      std::wstring cell = Widen(cells[column]);
      LVITEMW item{};
      item.iSubItem = column;
      item.pszText = cell.data();
      SendMessageW(list, LVM_SETITEMTEXTW, WPARAM(row), LPARAM(&item));
    }
    ListView_SetCheckState(list, UINT(row), !IsExcluded(result, h.id));
  }
  filling_ = false;
}

void WinStatsWindow::PaintPlot(const DRAWITEMSTRUCT& item) {
  // The raster's 0x00BBGGRR is a COLORREF; a 32-bit DIB wants 0x00RRGGBB.
  const std::vector<uint32_t>& from = plotRaster_.pixels();
  dib_.resize(from.size());
  for (size_t i = 0; i < from.size(); ++i) {
    const uint32_t c = from[i];
    dib_[i] = (c & 0xFF) << 16 | (c & 0xFF00) | (c >> 16 & 0xFF);
  }
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = plotRaster_.width();
  info.bmiHeader.biHeight = -plotRaster_.height();  // top row first
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  SetDIBitsToDevice(item.hDC, 0, 0, DWORD(plotRaster_.width()), DWORD(plotRaster_.height()), 0, 0,
                    0, UINT(plotRaster_.height()), dib_.data(), &info, DIB_RGB_COLORS);
}

bool WinStatsWindow::SavePictureTo(const std::string& path, std::string* error) {
  if (png_ == nullptr) {
    if (error != nullptr) {
      *error = "The picture could not be written.";
    }
    return false;
  }
  return SavePicture(*png_, plotRaster_, path, error);
}

bool WinStatsWindow::SaveTableTo(const std::string& path, std::string* error) {
  return stats_.SaveTable(path, error);
}

void WinStatsWindow::AskAndSave(bool picture) {
  wchar_t path[MAX_PATH] = {};
  lstrcpynW(path, picture ? L"statistics.png" : L"statistics.csv", MAX_PATH);
  OPENFILENAMEW box{};
  box.lStructSize = sizeof(box);
  box.hwndOwner = window_;
  box.lpstrFilter = picture ? L"PNG picture (*.png)\0*.png\0" : L"CSV table (*.csv)\0*.csv\0";
  box.lpstrFile = path;
  box.nMaxFile = MAX_PATH;
  box.lpstrDefExt = picture ? L"png" : L"csv";
  box.lpstrTitle = picture ? L"Save Picture" : L"Save Table";
  box.Flags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR;
  if (!GetSaveFileNameW(&box)) {
    return;  // cancelled
  }
  std::string error;
  const std::string file = Narrow(path);
  const bool ok = picture ? SavePictureTo(file, &error) : SaveTableTo(file, &error);
  if (!ok) {
    const std::wstring message = std::wstring(box.lpstrTitle) + L" failed: " + Widen(error);
    MessageBoxW(window_, message.c_str(), L"Tessaly", MB_OK | MB_ICONWARNING);
  }
}

}  // namespace tessaly
