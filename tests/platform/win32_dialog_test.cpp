// The Win32 dialog, frame and tooltip window on the real system (run under
// Wine and Xvfb by the Windows build's tests).

#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "platform/win32/win_big_hint.h"
#include "platform/win32/win_data_server.h"
#include "platform/win32/win_frame.h"
#include "platform/wintext/win_text.h"
#include "samples/utc_time.h"
#include "support/fake_http_get.h"
#include "support/fixed_clock.h"
#include "win32_test_support.h"
#include "win_resources.h"

namespace tessaly {

// Found by gtest through the type's namespace.
void PrintTo(const ScreenRect& r, std::ostream* os) {
  *os << "(" << r.left << "," << r.top << ")-(" << r.right << "," << r.bottom << ")";
}

namespace {

using Commands = std::vector<std::pair<int, NotifyCode>>;

// A window's rectangle in `parent`'s client coordinates (the screen's without one).
ScreenRect WindowRect(HWND window, HWND parent = nullptr) {
  RECT r{};
  GetWindowRect(window, &r);
  MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
  return {int(r.left), int(r.top), int(r.right), int(r.bottom)};
}

ScreenRect ClientRect(HWND window) {
  RECT r{};
  GetClientRect(window, &r);
  return {0, 0, int(r.right), int(r.bottom)};
}

// Corner and size are converted each on its own, as the system does.
ScreenRect InPixels(HWND dialog, const DialogUnitRect& du) {
  RECT r{du.x, du.y, du.width, du.height};
  MapDialogRect(dialog, &r);
  return {int(r.left), int(r.top), int(r.left + r.right), int(r.top + r.bottom)};
}

ScreenPoint SizeOf(const ScreenRect& r) {
  return {r.right - r.left, r.bottom - r.top};
}

// The DPI the display runs at: the test command runs this program once more
// in a Wine prefix whose LogPixels is 144 and says so here.
UINT DisplayDpi() {
  const char* dpi = std::getenv("TESSALY_TEST_DPI");
  return dpi != nullptr ? UINT(std::atoi(dpi)) : USER_DEFAULT_SCREEN_DPI;
}

// Without a display (or with a Wine desktop started without one) no window
// can be made: say so instead of failing on a null dialog.
WinDialog& DialogOf(WinFrame& frame) {
  if (frame.Dialog() == nullptr) {
    std::fprintf(stderr, "no frame window or dialog could be made\n");
    std::abort();
  }
  return *frame.Dialog();
}

class Win32DialogTest : public testing::Test {
 protected:
  Win32DialogTest() : dialog(DialogOf(frame)) {
    dialog.onCommand = [this](int id, NotifyCode code) { commands.push_back({id, code}); };
    frame.SetSavedPosition(40, 30);
    frame.Layout(true);
    ShowWindow(frame.Window(), SW_SHOWNOACTIVATE);
    UpdateWindow(frame.Window());
  }

  WinFrame frame;
  WinDialog& dialog;
  Commands commands;
};

TEST_F(Win32DialogTest, EveryTemplateControlIsARealControlWhereTheSystemsDialogUnitsPutIt) {
  const HWND window = dialog.Window();
  EXPECT_EQ(ClientRect(window), InPixels(window, {0, 0, kMainDialogWidthDu, kMainDialogHeightDu}));
  // The window class of each ControlKind, in its order; labels have no control.
  const wchar_t* const classes[] = {
      L"Button", L"Button", L"Button", L"ComboBox",  L"Button",
      L"Edit",   nullptr,   L"Static", L"ScrollBar", L"msctls_trackbar32"};
  for (const ControlTemplate& c : MainDialogControls()) {
    const HWND control = dialog.Control(c.id);
    if (c.id == kStaticControlId) {
      continue;
    }
    ASSERT_NE(control, nullptr) << c.id;
    wchar_t name[64] = {};
    GetClassNameW(control, name, 64);
    const wchar_t* expected = classes[int(c.kind)];
    EXPECT_TRUE(expected == nullptr || lstrcmpiW(name, expected) == 0)
        << c.id << " is a " << Narrow(name);
    const ScreenRect r = WindowRect(control, window);
    ScreenRect want = InPixels(window, c.rect);
    // A button whose caption is too long for it grows into free space.
    if (c.kind == ControlKind::kRadioButton || c.kind == ControlKind::kCheckBox) {
      want.right = std::max(r.right, want.right);
    }
    // A closed drop-down list is as high as the system makes its field.
    if (c.kind == ControlKind::kComboBox) {
      want.bottom = r.bottom;
    }
    EXPECT_EQ(r, want) << c.id;
    if (c.kind == ControlKind::kPicture) {
      // Drawable: inside the one-pixel static edge; the views' rasters get this size.
      EXPECT_EQ(SizeOf(dialog.ControlScreenRect(c.id)),
                (ScreenPoint{SizeOf(want).x - 2, SizeOf(want).y - 2}))
          << c.id;
      EXPECT_TRUE(GetWindowLongW(control, GWL_EXSTYLE) & WS_EX_STATICEDGE);
    }
  }
  // The title bar's and the taskbar's icon is the icon's own small image.
  const auto icon = HICON(SendMessageW(frame.Window(), WM_GETICON, ICON_SMALL, 0));
  ICONINFO info{};
  ASSERT_TRUE(icon != nullptr && GetIconInfo(icon, &info));
  BITMAP bitmap{};
  GetObjectW(info.hbmColor, sizeof bitmap, &bitmap);
  EXPECT_EQ(bitmap.bmWidth, GetSystemMetrics(SM_CXSMICON));
  EXPECT_EQ(bitmap.bmHeight, GetSystemMetrics(SM_CYSMICON));
  DeleteObject(info.hbmColor);
  DeleteObject(info.hbmMask);
}

TEST_F(Win32DialogTest, ListsTextsChecksBarsAndTrackbarRoundTripThroughTheControls) {
  const int list = kIdView1HexagramMethodList;
  const char* const karta = "\xD0\x9A\xD0\xB0\xD1\x80\xD1\x82\xD0\xB0";
  EXPECT_EQ(dialog.AddItemWithData(list, "Sticks", 10), 0);
  EXPECT_EQ(dialog.AddItemWithData(list, "Coin", 11), 1);
  EXPECT_EQ(dialog.AddItemWithData(list, karta, 12), 2);
  EXPECT_EQ(dialog.Selection(list), -1);  // adding selects nothing
  dialog.SetSelection(list, 2);
  EXPECT_EQ(dialog.ReadList(list), 12);
  EXPECT_EQ(dialog.Text(list), karta);
  EXPECT_EQ(dialog.ItemText(list, 1), "Coin");
  EXPECT_EQ(dialog.ItemText(list, 3), "");
  EXPECT_EQ(dialog.ItemData(list, -1), -1);
  dialog.SetSelection(list, 3);
  EXPECT_EQ(dialog.Selection(list), -1);
  dialog.ClearItems(list);
  EXPECT_EQ(dialog.ItemCount(list), 0);
  EXPECT_EQ(dialog.AddItem(kIdView1Play, "not a list"), -1);
  EXPECT_TRUE(commands.empty()) << "the program's own changes notify nobody";

  EXPECT_EQ(dialog.Text(kIdView1SoundCheck), "\xE2\x99\xAB\xE2\x99\xAB\xE2\x99\xAB");
  dialog.SetText(kIdView1PositionText, "2020-03-05 07:00:00");
  EXPECT_EQ(dialog.Text(kIdView1PositionText), "2020-03-05 07:00:00");

  // A user's click on a radio clears the other radio of its group only.
  dialog.SetChecked(kIdView1ServerRadio, true);
  dialog.SetChecked(kIdView2ServerRadio, true);
  SendMessageW(dialog.Control(kIdView1PseudorandomRadio), BM_CLICK, 0, 0);
  EXPECT_TRUE(dialog.IsChecked(kIdView1PseudorandomRadio));
  EXPECT_FALSE(dialog.IsChecked(kIdView1ServerRadio));
  EXPECT_TRUE(dialog.IsChecked(kIdView2ServerRadio));
  SendMessageW(dialog.Control(kIdMute), BM_CLICK, 0, 0);
  EXPECT_TRUE(dialog.IsChecked(kIdMute));
  EXPECT_EQ(commands, (Commands{{kIdView1PseudorandomRadio, NotifyCode::kClicked},
                                {kIdMute, NotifyCode::kClicked}}));

  const struct {
    ScrollInfo set, got;
  } bars[] = {{{0, 89, 30, 30}, {0, 89, 30, 30}},
              {{0, 10, 30, 50}, {0, 10, 11, 0}},
              {{0, 99, 100, 7}, {0, 99, 100, 0}},
              {{5, 2, 0, 1}, {5, 5, 0, 5}}};
  for (const auto& bar : bars) {
    dialog.SetScrollInfo(kIdView1StationScroll, bar.set);
    EXPECT_EQ(dialog.GetScrollInfo(kIdView1StationScroll), bar.got) << bar.set.max;
  }
  for (const auto& [set, got] : {std::pair{40, 40}, {150, 100}, {-3, 0}}) {
    dialog.SetTrackbarPos(kIdVolume, set);
    EXPECT_EQ(dialog.TrackbarPos(kIdVolume), got);
  }
  std::vector<std::pair<int, ScrollCode>> scrolls;
  dialog.onScroll = [&scrolls](int id, ScrollCode code, int) { scrolls.push_back({id, code}); };
  SendMessageW(dialog.Window(), WM_VSCROLL, MAKEWPARAM(TB_ENDTRACK, 0),
               LPARAM(dialog.Control(kIdVolume)));
  EXPECT_EQ(scrolls, (std::vector<std::pair<int, ScrollCode>>{{kIdVolume, ScrollCode::kEnd}}));

  dialog.Show(kIdView2Group, false);
  ShowWindow(dialog.Window(), SW_HIDE);
  EXPECT_FALSE(dialog.IsVisible(kIdView2Group));
  EXPECT_TRUE(dialog.IsVisible(kIdView1Group)) << "its own state, while the dialog is hidden";
}

TEST_F(Win32DialogTest, APaintedRasterReachesItsPictureColourForColour) {
  const ScreenPoint size = SizeOf(dialog.ControlScreenRect(kIdView1GraphImage));
  Raster graph(size.x, size.y);
  for (int y = 0; y < size.y; ++y) {
    for (int x = 0; x < size.x; ++x) {
      graph.SetPixel(x, y, Rgb(uint32_t(x), uint32_t(y * 3), 0x40));
    }
  }
  Raster strip(4, 3, Rgb(0x12, 0x34, 0x56));  // smaller than its control
  std::vector<int> drawn;
  dialog.onDraw = [&drawn](int id) { drawn.push_back(id); };
  dialog.SetPictureSource(kIdView1GraphImage, &graph);
  dialog.SetPictureSource(kIdView1SideStrip, &strip);
  dialog.UpdateAll();
  EXPECT_NE(std::count(drawn.begin(), drawn.end(), kIdView1GraphImage), 0);
  EXPECT_EQ(ScreenPixels(dialog.Control(kIdView1GraphImage)), graph.pixels());
  const std::vector<uint32_t> side = ScreenPixels(dialog.Control(kIdView1SideStrip));
  EXPECT_EQ(side.front(), Rgb(0x12, 0x34, 0x56));
  EXPECT_EQ(side.back(), GetSysColor(COLOR_BTNFACE));
  dialog.SetPictureSource(kIdView1GraphImage, nullptr);
  dialog.SetPictureSource(kIdView1SideStrip, nullptr);
}

TEST_F(Win32DialogTest, OnlyTheVisibleDialogIsHitAndPicturesLetThePointerThrough) {
  SetWindowPos(frame.Window(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  auto centre = [this](int id) {
    const ScreenRect r = WindowRect(dialog.Control(id));
    return ScreenPoint{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
  };
  EXPECT_EQ(dialog.ControlAt(centre(kIdView1Play)), kIdView1Play);
  EXPECT_EQ(dialog.ControlAt(centre(kIdView1GraphImage)), kHitDialog);
  EXPECT_EQ(dialog.ControlAt(centre(kIdView1Group)), kHitDialog);

  // Another window over the graph: what lies there is not the dialog.
  const ScreenPoint graph = centre(kIdView1GraphImage);
  const HWND cover =
      CreateWindowExW(WS_EX_TOPMOST, L"Button", L"cover", WS_POPUP | WS_VISIBLE, graph.x - 20,
                      graph.y - 20, 40, 40, nullptr, nullptr, nullptr, nullptr);
  Pump(200);
  EXPECT_EQ(dialog.ControlAt(graph), kHitNothing);
  DestroyWindow(cover);
  EXPECT_EQ(dialog.ControlAt(graph), kHitDialog);

  ShowWindow(frame.Window(), SW_MINIMIZE);
  EXPECT_EQ(dialog.ControlAt(graph), kHitNothing);
}

// "File" → "Data Server…" (the end-to-end run under Wine opens it through the
// menu), one step a tick, each answered in a later message of the modal loops:
// a refused port (its box, owned by the dialog, is closed), "Test", then OK.
TEST_F(Win32DialogTest, DataServerTestAndOkWithRefusal) {
  FixedClock clock(MakeUtc(2026, 3, 10, 12, 0, 0));
  FakeHttpGet http;
  http.date = MakeUtc(2026, 3, 10, 12, 0, 2);
  HWND server = nullptr;
  int step = 0, boxes = 0;
  std::string firstText, testText;
  dialog.StartTimer(9, 150, [&] {
    const HWND active = GetActiveWindow();
    switch (step++) {
      case 0:
        server = active;
        firstText = ControlText(server, kIdDataServerHost);
        SetDlgItemTextW(server, kIdDataServerHost, L"data.example.org:70000");
        return Click(server, IDOK);
      case 1:
        boxes += active != server && GetWindow(active, GW_OWNER) == server;
        PostMessageW(active, WM_COMMAND, IDOK, 0);
        return;
      case 2:
        SetDlgItemTextW(server, kIdDataServerHost, L"data.example.org:0080");
        return Click(server, kIdDataServerTest);
      case 3:
        testText = ControlText(server, kIdDataServerResult);
        return Click(server, IDOK);
    }
  });
  const auto host = AskDataServer(frame.Window(), "127.0.0.1:8321", http, clock);
  dialog.StopTimer(9);
  EXPECT_EQ(firstText, "127.0.0.1:8321");
  EXPECT_EQ(boxes, 1);
  EXPECT_EQ(testText,
            "No data from data.example.org:80: The server sent an empty reply. "
            "Its time: 2026-03-10 12:00:02 UTC.");
  EXPECT_EQ(host.value_or("(cancelled)"), "data.example.org:80");
}

// Keys typed through the system's input and run through the frame's share of
// the program's message loop.
class Win32KeyboardTest : public Win32DialogTest {
 protected:
  Win32KeyboardTest() {
    dialog.onKey = [this](int key) { keys.push_back(key); };
    SetForegroundWindow(frame.Window());
    Pump(100, nullptr, pre);
  }
  // The key (with the modifier held) through the system's input.
  void Type(WORD key, WORD modifier = 0) {
    std::vector<INPUT> inputs;
    for (const WORD vk : {modifier, key, key, modifier}) {
      INPUT in{INPUT_KEYBOARD, {}};
      in.ki.wVk = vk;
      in.ki.dwFlags = inputs.size() >= 2 ? KEYEVENTF_KEYUP : 0;  // down, down, up, up
      inputs.push_back(in);
    }
    SendInput(UINT(inputs.size()), inputs.data(), sizeof(INPUT));
    Pump(60, nullptr, pre);
  }
  int Focused() const { return GetDlgCtrlID(GetFocus()); }

  std::vector<int> keys;
  const std::function<bool(const MSG&)> pre = [this](const MSG& m) {
    return frame.PreTranslate(m);
  };
};

TEST_F(Win32KeyboardTest, TabFollowsTheTemplateEnterAndSpacePressOnlyAFocusedButtonEscapeEnds) {
  std::vector<int> expected, reached;  // the template's tab stops from the first to "Set"
  for (const ControlTemplate& c : MainDialogControls()) {
    if (c.Has(kStyleTabStop) && (expected.empty() || expected.back() != kIdView1Set)) {
      expected.push_back(c.id);
    }
  }
  while (reached.size() < expected.size()) {
    Type(VK_TAB);
    reached.push_back(Focused());
  }
  EXPECT_EQ(reached, expected);
  Type(VK_RETURN);
  Type(VK_SPACE);
  Type(VK_TAB, VK_SHIFT);
  EXPECT_EQ(Focused(), kIdView1NowMinus10);
  // On a list, Enter presses nothing (both default buttons are "Play").
  SetFocus(dialog.Control(kIdView1HourList));
  Type(VK_RETURN);
  // An arrow moves within the radio group and chooses.
  SetFocus(dialog.Control(kIdView1ServerRadio));
  Type(VK_RIGHT);
  EXPECT_EQ(Focused(), kIdView1PseudorandomRadio);
  EXPECT_TRUE(dialog.IsChecked(kIdView1PseudorandomRadio));
  Type(VK_F1);
  EXPECT_EQ(commands, (Commands{{kIdView1Set, NotifyCode::kClicked},
                                {kIdView1Set, NotifyCode::kClicked},
                                {kIdView1PseudorandomRadio, NotifyCode::kClicked},
                                {kIdHelp, NotifyCode::kClicked}}));

  // Escape, but not Alt+Esc, ends; the focus comes back after another window.
  const HWND set = dialog.Control(kIdView1Set);
  SetFocus(set);
  // Alt+Esc is the system's window switch; Escape as a system key without
  // Alt (nothing focused after a message box) is still Escape.
  const auto key = [this](UINT message, HWND to, LPARAM bits) {
    return frame.PreTranslate(MSG{to, message, VK_ESCAPE, bits, 0, {}});
  };
  key(WM_SYSKEYDOWN, set, LPARAM(1) << 29);
  EXPECT_TRUE(key(WM_SYSKEYDOWN, frame.Window(), 1));
  EXPECT_TRUE(key(WM_KEYDOWN, set, 1));
  EXPECT_EQ(keys, (std::vector<int>{kKeyEscape, kKeyEscape}));

  const HWND other = CreateWindowExW(0, L"Button", L"other", WS_POPUP | WS_VISIBLE, 0, 0, 40, 40,
                                     nullptr, nullptr, nullptr, nullptr);
  SetForegroundWindow(other);
  Pump(100, nullptr, pre);
  EXPECT_NE(GetFocus(), set);
  SetForegroundWindow(frame.Window());
  Pump(100, nullptr, pre);
  EXPECT_EQ(GetFocus(), set);
  DestroyWindow(other);
}

TEST_F(Win32KeyboardTest, TimersAndPostedMessagesRunWhileAMessageBoxWaitsAndTheFocusComesBack) {
  SetFocus(dialog.Control(kIdView1Set));
  std::vector<std::string> seen;
  dialog.onPlayerStopped = [&seen] { seen.push_back("stopped"); };
  dialog.PostCommand(kIdView1Set, NotifyCode::kClicked);
  std::thread([this] { dialog.PostPlayerStopped(); }).join();
  int ticks = 0;
  dialog.StartTimer(7, 20, [&] {
    const HWND box = FindWindowW(nullptr, L"Tessaly test box");
    if (++ticks < 3 || box == nullptr) {
      return;
    }
    if (ControlText(box, 0xFFFF).find("the cause") != std::string::npos) {
      seen.push_back("detail");
    }
    dialog.StopTimer(7);
    PostMessageW(box, WM_COMMAND, IDNO, 0);
  });
  EXPECT_EQ(dialog.ShowMessageBox("Text", "Tessaly test box", MessageBoxStyle::kYesNo, "the cause"),
            MessageBoxButton::kNo);
  EXPECT_EQ(commands, (Commands{{kIdView1Set, NotifyCode::kClicked}}));
  EXPECT_EQ(seen, (std::vector<std::string>{"stopped", "detail"}));
  EXPECT_GE(ticks, 3);
  EXPECT_EQ(Focused(), kIdView1Set);
}

// Captions their controls do not show whole, in their own font, at the
// dialog's DPI.
std::vector<std::string> ClippedCaptions(HWND dialog, UINT dpi) {
  std::vector<std::string> clipped;
  const HDC dc = CreateCompatibleDC(nullptr);  // deleted with the fonts it held selected
  for (HWND c = GetWindow(dialog, GW_CHILD); c != nullptr; c = GetWindow(c, GW_HWNDNEXT)) {
    wchar_t name[32] = {}, text[128] = {};
    GetClassNameW(c, name, 32);
    const DWORD type = DWORD(GetWindowLongW(c, GWL_STYLE)) & 0x1F;
    const bool button = lstrcmpiW(name, L"Button") == 0;
    const int length = GetWindowTextW(c, text, 128);
    SelectObject(dc, HGDIOBJ(SendMessageW(c, WM_GETFONT, 0, 0)));
    SIZE extent{};
    TEXTMETRICW metrics{};
    GetTextExtentPoint32W(dc, text, length, &extent);
    GetTextMetricsW(dc, &metrics);
    const bool box = button && (type == BS_AUTORADIOBUTTON || type == BS_AUTOCHECKBOX);
    const int need = extent.cx + (box ? GetSystemMetricsForDpi(SM_CXMENUCHECK, dpi) : 0);
    const ScreenRect r = ClientRect(c);
    if ((button || (lstrcmpiW(name, L"Static") == 0 && type != SS_OWNERDRAW)) &&
        (need > r.right || (type != BS_GROUPBOX && metrics.tmHeight > r.bottom))) {
      clipped.push_back(Narrow(text));
    }
  }
  DeleteDC(dc);
  return clipped;
}

std::vector<ScreenRect> ChildRects(HWND dialog) {
  std::vector<ScreenRect> rects;
  for (HWND c = GetWindow(dialog, GW_CHILD); c != nullptr; c = GetWindow(c, GW_HWNDNEXT)) {
    rects.push_back(WindowRect(c, dialog));
  }
  return rects;
}

TEST_F(Win32DialogTest, TheDialogFollowsTheMonitorsDpiWithEveryCaptionWhole) {
  // The program's manifest (built into this test too) asks for per-monitor v2.
  wchar_t awareness[64] = {};
  SIZE_T length = 0;
  ASSERT_TRUE(QueryActCtxSettingsW(0, nullptr,
                                   L"http://schemas.microsoft.com/SMI/2016/WindowsSettings",
                                   L"dpiAwareness", awareness, 64, &length));
  EXPECT_EQ(std::wstring(awareness).substr(0, 12), L"PerMonitorV2");
  // Laid out in device pixels for the display's DPI, every caption whole.
  const UINT dpi = DisplayDpi();
  ASSERT_EQ(GetDpiForWindow(dialog.Window()), dpi);
  EXPECT_EQ(ClippedCaptions(dialog.Window(), dialog.Dpi()), std::vector<std::string>{});

  // Moved to a monitor of another DPI: laid out anew where the system
  // suggests, the graph grown in proportion (within 2 %); and
  // back, exactly as made.
  const std::vector<ScreenRect> made = ChildRects(dialog.Window());
  const int graph = SizeOf(WindowRect(dialog.Control(kIdView1GraphImage))).x;
  const ScreenPoint frameSize = SizeOf(WindowRect(frame.Window()));
  int changes = 0;
  frame.onDpiChanged = [&changes] { ++changes; };
  const UINT other = dpi == USER_DEFAULT_SCREEN_DPI ? 120 : USER_DEFAULT_SCREEN_DPI;
  const double scale = double(other) / dpi;
  RECT suggested{60, 50, 60 + int(frameSize.x * scale), 50 + int(frameSize.y * scale)};
  SendMessageW(frame.Window(), WM_DPICHANGED, MAKEWPARAM(other, other), LPARAM(&suggested));
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(dialog.Dpi(), other);
  const ScreenRect moved = WindowRect(frame.Window());
  EXPECT_EQ((ScreenPoint{moved.left, moved.top}), (ScreenPoint{60, 50}));
  const int graphMoved = SizeOf(WindowRect(dialog.Control(kIdView1GraphImage))).x;
  EXPECT_NEAR(graphMoved, graph * scale, graph * scale * 0.02);
  EXPECT_EQ(ClippedCaptions(dialog.Window(), dialog.Dpi()), std::vector<std::string>{});

  suggested = {40, 30, 40 + frameSize.x, 30 + frameSize.y};
  SendMessageW(frame.Window(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi), LPARAM(&suggested));
  EXPECT_EQ(ChildRects(dialog.Window()), made);
  EXPECT_EQ(SizeOf(WindowRect(frame.Window())), frameSize);
}

TEST_F(Win32DialogTest, LayoutCentresNoOrALostPositionRaisesTheTopAndCutsOffView2) {
  const struct {
    int x, y;
    bool view2;
    ScreenPoint saved;  // what the frame saves for where it was put; {} = centred
  } cases[] = {{40, 30, true, {40, 30}},
               {-40, -25, false, {-40, 0}},
               {5000, 5000, true, {5000, 5000}},  // on no screen: shown centred, kept saved
               {0, 0, true, {}}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.x);
    frame.SetSavedPosition(c.x, c.y);
    const ScreenPoint at = frame.Layout(c.view2);
    const ScreenRect r = WindowRect(frame.Window());
    EXPECT_EQ((ScreenPoint{r.left, r.top}), at);
    EXPECT_EQ(frame.PositionToSave(), c.saved == ScreenPoint{} ? at : c.saved);
    if (c.x == 0 || c.x == 5000) {
      EXPECT_LE(std::abs(r.left + r.right - GetSystemMetrics(SM_CXSCREEN)), 1);
      EXPECT_LE(std::abs(r.top + r.bottom - GetSystemMetrics(SM_CYSCREEN)), 1);
    }
    const ScreenRect inside = WindowRect(dialog.Window());
    EXPECT_EQ(r.bottom, c.view2 ? inside.bottom + (r.right - inside.right)
                                : WindowRect(dialog.Control(kIdView2)).bottom +
                                      MulDiv(20, int(DisplayDpi()), USER_DEFAULT_SCREEN_DPI));
  }
}

TEST(Win32BigHintTest, TheWindowIsClippedToTheRoundedBoxAndOutlined) {
  WinBigHint hint;
  const std::string text = "37 - Neuchatel (47.0N 6.9E)\r\n2020-03-05 07:00:00   104";
  ScreenPoint anchor{300, 200};
  const HintSize size = hint.MeasureText(text);
  EXPECT_GT(size.width, 100);
  EXPECT_GT(size.height, 20);
  const HintPlacement placement = PlaceHint(text, size, anchor, hint.WorkAreaAt(anchor), nullptr);
  hint.Show(placement);
  const HWND window = hint.Window();
  ASSERT_TRUE(IsWindowVisible(window));
  EXPECT_NE(GetActiveWindow(), window);
  EXPECT_TRUE(GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_TOPMOST);

  const auto [width, height] = SizeOf(placement.window);
  const HRGN region = CreateRectRgn(0, 0, 0, 0);
  const HRGN expected = CreateRectRgn(0, 0, 0, 0);
  ASSERT_NE(GetWindowRgn(window, region), ERROR);
  for (const ScreenRect& r : HintRegion(width, placement.bottomRow)) {
    const HRGN part = CreateRectRgn(r.left, r.top, r.right, r.bottom);
    CombineRgn(expected, expected, part, RGN_OR);
    DeleteObject(part);
  }
  EXPECT_TRUE(EqualRgn(region, expected));
  DeleteObject(region);
  DeleteObject(expected);

  // The outline in the window-frame colour, the inside in the tooltip colour,
  // painted over an odd colour no painter uses, so that what it leaves out shows.
  const HDC dc = CreateCompatibleDC(nullptr);
  const HBITMAP bitmap = CreateBitmap(width, height, 1, 32, nullptr);
  const HGDIOBJ old = SelectObject(dc, bitmap);
  SelectObject(dc, GetStockObject(DC_BRUSH));
  SetDCBrushColor(dc, RGB(0x5A, 0x17, 0xC3));
  PatBlt(dc, 0, 0, width, height, PATCOPY);
  hint.Paint(dc);
  for (const ScreenPoint& p : HintOutlineOf(width, placement.bottomRow).pixels) {
    EXPECT_EQ(GetPixel(dc, p.x, p.y), GetSysColor(COLOR_WINDOWFRAME)) << p.x << "," << p.y;
  }
  EXPECT_EQ(GetPixel(dc, 0, kHintTopGap + 5), GetSysColor(COLOR_WINDOWFRAME));
  EXPECT_EQ(GetPixel(dc, 3, kHintTopGap + 5), GetSysColor(COLOR_INFOBK));
  DeleteObject(SelectObject(dc, old));
  DeleteDC(dc);
  hint.Hide();
  EXPECT_FALSE(IsWindowVisible(window));
}

}  // namespace
}  // namespace tessaly
