#include "platform/win32/win_data_server.h"

#include "platform/wintext/win_text.h"
#include "views/data_server.h"

namespace tessaly {
namespace {

// Dialog units.
constexpr short kWidth = 232;
constexpr short kHeight = 80;

struct Item {
  DWORD style;
  short x, y, width, height;
  int id;
  const wchar_t* className;
  const wchar_t* text;
};

constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;
const Item kItems[] = {
    {kChild | SS_LEFT, 7, 10, 48, 8, -1, L"STATIC", L"&Host[:port]:"},
    {kChild | WS_BORDER | WS_TABSTOP | WS_GROUP | ES_AUTOHSCROLL, 57, 8, 112, 14, kIdDataServerHost,
     L"EDIT", L""},
    {kChild | WS_TABSTOP | BS_PUSHBUTTON, 175, 8, 50, 14, kIdDataServerTest, L"BUTTON", L"&Test"},
    {kChild | SS_LEFT | SS_NOPREFIX, 7, 28, 218, 26, kIdDataServerResult, L"STATIC", L""},
    {kChild | WS_TABSTOP | WS_GROUP | BS_DEFPUSHBUTTON, 121, 59, 50, 14, IDOK, L"BUTTON", L"OK"},
    {kChild | WS_TABSTOP | BS_PUSHBUTTON, 175, 59, 50, 14, IDCANCEL, L"BUTTON", L"Cancel"},
};

void Put(std::vector<WORD>& t, const std::wstring& s) {
  t.insert(t.end(), s.begin(), s.end());
  t.push_back(0);
}
void PutDword(std::vector<WORD>& t, DWORD d) {
  t.push_back(LOWORD(d));
  t.push_back(HIWORD(d));
}

struct State {
  std::string host;
  HttpGet& http;
  const Clock& clock;
  std::string chosen;
};

std::string FieldText(HWND dialog) {
  const HWND field = GetDlgItem(dialog, kIdDataServerHost);
  std::wstring text(size_t(GetWindowTextLengthW(field)) + 1, L'\0');
  text.resize(size_t(GetWindowTextW(field, text.data(), int(text.size()))));
  return Narrow(text);
}

void Test(HWND dialog, State& state) {
  SetDlgItemTextW(dialog, kIdDataServerResult, L"Asking the server\u2026");
  UpdateWindow(GetDlgItem(dialog, kIdDataServerResult));
  const HCURSOR previous = SetCursor(LoadCursorW(nullptr, MAKEINTRESOURCEW(32514)));  // wait
  const ServerTestResult result = TestDataServer(state.http, state.clock, FieldText(dialog));
  SetCursor(previous);
  SetDlgItemTextW(dialog, kIdDataServerResult, Widen(result.text).c_str());
}

void Accept(HWND dialog, State& state) {
  const ServerHostCheck check = CheckServerHost(FieldText(dialog));
  if (!check.ok()) {
    MessageBoxW(dialog, Widen(check.error).c_str(), Widen(kDataServerTitle).c_str(),
                MB_OK | MB_ICONWARNING);
    SetFocus(GetDlgItem(dialog, kIdDataServerHost));
    return;
  }
  state.chosen = check.host;
  EndDialog(dialog, IDOK);
}

INT_PTR CALLBACK DataServerProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* state = reinterpret_cast<State*>(GetWindowLongPtrW(dialog, DWLP_USER));
  switch (message) {
    case WM_INITDIALOG: {
      SetWindowLongPtrW(dialog, DWLP_USER, lParam);
      state = reinterpret_cast<State*>(lParam);
      const HWND field = GetDlgItem(dialog, kIdDataServerHost);
      SetWindowTextW(field, Widen(state->host).c_str());
      SendMessageW(field, EM_SETSEL, 0, -1);
      SetFocus(field);
      return FALSE;  // the focus is set
    }
    case WM_COMMAND:
      if (state == nullptr || HIWORD(wParam) != BN_CLICKED) {
        break;
      }
      switch (LOWORD(wParam)) {
        case kIdDataServerTest:
          Test(dialog, *state);
          return TRUE;
        case IDOK:
          Accept(dialog, *state);
          return TRUE;
        case IDCANCEL:
          EndDialog(dialog, IDCANCEL);
          return TRUE;
        default:
          break;
      }
      break;
    default:
      break;
  }
  return FALSE;
}

}  // namespace

std::vector<WORD> DataServerDialogTemplate() {
  std::vector<WORD> t;
  PutDword(t, DS_SETFONT | DS_MODALFRAME | DS_CENTER | WS_POPUP | WS_CAPTION | WS_SYSMENU);
  PutDword(t, 0);
  t.push_back(WORD(std::size(kItems)));
  for (const short v : {short(0), short(0), kWidth, kHeight}) {
    t.push_back(WORD(v));
  }
  t.push_back(0);  // no menu
  t.push_back(0);  // the dialog class
  Put(t, Widen(kDataServerTitle));
  t.push_back(8);
  Put(t, L"MS Shell Dlg");
  for (const Item& item : kItems) {
    if (t.size() % 2 != 0) {
      t.push_back(0);  // every item starts on a DWORD boundary
    }
    PutDword(t, item.style);
    PutDword(t, 0);
    for (const short v : {item.x, item.y, item.width, item.height}) {
      t.push_back(WORD(v));
    }
    t.push_back(WORD(item.id));
    Put(t, item.className);
    Put(t, item.text);
    t.push_back(0);  // no creation data
  }
  return t;
}

std::optional<std::string> AskDataServer(HWND owner, const std::string& host, HttpGet& http,
                                         const Clock& clock) {
  const std::vector<WORD> dialogTemplate = DataServerDialogTemplate();
  State state{host, http, clock, {}};
  const INT_PTR answer = DialogBoxIndirectParamW(
      GetModuleHandleW(nullptr), reinterpret_cast<const DLGTEMPLATE*>(dialogTemplate.data()), owner,
      DataServerProc, reinterpret_cast<LPARAM>(&state));
  if (answer != IDOK) {
    return std::nullopt;
  }
  return state.chosen;
}

}  // namespace tessaly
