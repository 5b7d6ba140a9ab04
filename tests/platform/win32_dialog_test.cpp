// The Win32 dialog, frame and tooltip window on the real system (run under
// Wine and Xvfb by the Windows build's tests).

#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "platform/win32/win_big_hint.h"
#include "platform/win32/win_frame.h"
#include "platform/win32/win_text.h"

namespace tessaly {
namespace {

struct Command {
  int id;
  NotifyCode code;
  bool operator==(const Command&) const = default;
};

// Runs the thread's messages for a while, as a message loop would.
void Pump(DWORD ms) {
  const DWORD start = GetTickCount();
  while (GetTickCount() - start < ms) {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
    Sleep(5);
  }
}

// The pixels of a window's client area as 0x00RRGGBB, read back from the screen.
std::vector<uint32_t> ClientPixels(HWND window, int& width, int& height) {
  RECT r{};
  GetClientRect(window, &r);
  width = r.right;
  height = r.bottom;
  BITMAPINFO info{};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  const HDC screen = GetDC(window);
  const HDC memory = CreateCompatibleDC(screen);
  const HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  const HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, width, height, screen, 0, 0, SRCCOPY);
  GdiFlush();
  const auto* p = static_cast<const uint32_t*>(bits);
  std::vector<uint32_t> pixels(p, p + size_t(width) * size_t(height));
  SelectObject(memory, old);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(window, screen);
  for (uint32_t& c : pixels) {
    c &= 0xFFFFFF;
  }
  return pixels;
}

uint32_t ScreenOrder(uint32_t colorref) {
  return (colorref & 0xFF) << 16 | (colorref & 0xFF00) | (colorref >> 16 & 0xFF);
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
  std::vector<Command> commands;
};

TEST_F(Win32DialogTest, EveryTemplateControlIsARealControlWhereTheSystemsDialogUnitsPutIt) {
  const HWND window = dialog.Window();
  RECT size{0, 0, kMainDialogWidthDu, kMainDialogHeightDu};
  MapDialogRect(window, &size);
  RECT client{};
  GetClientRect(window, &client);
  EXPECT_EQ(client.right, size.right);
  EXPECT_EQ(client.bottom, size.bottom);
  const std::pair<ControlKind, const wchar_t*> classes[] = {
      {ControlKind::kGroupBox, L"Button"},
      {ControlKind::kRadioButton, L"Button"},
      {ControlKind::kCheckBox, L"Button"},
      {ControlKind::kComboBox, L"ComboBox"},
      {ControlKind::kPushButton, L"Button"},
      {ControlKind::kEdit, L"Edit"},
      {ControlKind::kPicture, L"Static"},
      {ControlKind::kScrollBar, L"ScrollBar"},
      {ControlKind::kTrackbar, L"msctls_trackbar32"}};
  int checked = 0;
  for (const ControlTemplate& c : MainDialogControls()) {
    const HWND control = dialog.Control(c.id);
    if (c.id == kStaticControlId) {
      continue;
    }
    ASSERT_NE(control, nullptr) << c.id;
    wchar_t name[64] = {};
    GetClassNameW(control, name, 64);
    for (const auto& [kind, expected] : classes) {
      if (kind == c.kind) {
        EXPECT_EQ(lstrcmpiW(name, expected), 0) << c.id << " is a " << Narrow(name);
      }
    }
    // Corner and size are converted each on its own, as the system does.
    RECT at{c.rect.x, c.rect.y, c.rect.width, c.rect.height};
    MapDialogRect(window, &at);
    const RECT du{at.left, at.top, at.left + at.right, at.top + at.bottom};
    RECT r{};
    GetWindowRect(control, &r);
    MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&r), 2);
    EXPECT_EQ(r.left, du.left) << c.id;
    EXPECT_EQ(r.top, du.top) << c.id;
    // A button whose caption is too long for it grows into free space.
    const bool widens = c.kind == ControlKind::kRadioButton || c.kind == ControlKind::kCheckBox;
    EXPECT_EQ(r.right, widens ? std::max(r.right, du.right) : du.right) << c.id;
    // A closed drop-down list is as high as the system makes its field.
    if (c.kind != ControlKind::kComboBox) {
      EXPECT_EQ(r.bottom, du.bottom) << c.id;
    }
    if (c.kind == ControlKind::kPicture) {
      // Drawable: inside the one-pixel static edge; the views' rasters get this size.
      const ScreenRect s = dialog.ControlScreenRect(c.id);
      EXPECT_EQ(s.right - s.left, du.right - du.left - 2) << c.id;
      EXPECT_EQ(s.bottom - s.top, du.bottom - du.top - 2) << c.id;
      EXPECT_TRUE(GetWindowLongW(control, GWL_EXSTYLE) & WS_EX_STATICEDGE);
      if (c.id == kIdView1GraphImage || c.id == kIdView1Image) {
        std::printf("picture %d: %d x %d DU -> %d x %d px drawable\n", c.id, c.rect.width,
                    c.rect.height, s.right - s.left, s.bottom - s.top);
      }
    }
    ++checked;
  }
  EXPECT_EQ(checked, 87);
}

TEST_F(Win32DialogTest, ListsTextsChecksBarsAndTrackbarRoundTripThroughTheControls) {
  const int list = kIdView1HexagramMethodList;
  EXPECT_EQ(dialog.AddItemWithData(list, "Sticks", 10), 0);
  EXPECT_EQ(dialog.AddItemWithData(list, "Coin", 11), 1);
  EXPECT_EQ(dialog.AddItemWithData(list, "\xD0\x9A\xD0\xB0\xD1\x80\xD1\x82\xD0\xB0", 12), 2);
  EXPECT_EQ(dialog.Selection(list), -1);  // adding selects nothing
  dialog.SetSelection(list, 2);
  EXPECT_EQ(dialog.ReadList(list), 12);
  EXPECT_EQ(dialog.Text(list), "\xD0\x9A\xD0\xB0\xD1\x80\xD1\x82\xD0\xB0");
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
  EXPECT_EQ(commands, (std::vector<Command>{{kIdView1PseudorandomRadio, NotifyCode::kClicked},
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
  const struct { int set, got; } volume[] = {{40, 40}, {150, 100}, {-3, 0}};
  for (const auto& v : volume) {
    dialog.SetTrackbarPos(kIdVolume, v.set);
    EXPECT_EQ(dialog.TrackbarPos(kIdVolume), v.got);
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
  const ScreenRect s = dialog.ControlScreenRect(kIdView1GraphImage);
  Raster graph(s.right - s.left, s.bottom - s.top);
  for (int y = 0; y < graph.height(); ++y) {
    for (int x = 0; x < graph.width(); ++x) {
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

  int w = 0;
  int h = 0;
  const std::vector<uint32_t> shown = ClientPixels(dialog.Control(kIdView1GraphImage), w, h);
  ASSERT_EQ(w, graph.width());
  ASSERT_EQ(h, graph.height());
  int wrong = 0;
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      wrong += shown[size_t(y * w + x)] != ScreenOrder(graph.Pixel(x, y));
    }
  }
  EXPECT_EQ(wrong, 0) << "first pixel " << std::hex << shown[0];
  const std::vector<uint32_t> side = ClientPixels(dialog.Control(kIdView1SideStrip), w, h);
  EXPECT_EQ(side[0], ScreenOrder(Rgb(0x12, 0x34, 0x56)));
  EXPECT_EQ(side[size_t(w * h - 1)], ScreenOrder(GetSysColor(COLOR_BTNFACE)));
  dialog.SetPictureSource(kIdView1GraphImage, nullptr);
  dialog.SetPictureSource(kIdView1SideStrip, nullptr);
}

TEST_F(Win32DialogTest, TimersAndPostedMessagesRunWhileAMessageBoxWaitsForItsButton) {
  std::vector<std::string> seen;
  dialog.onPlayerStopped = [&seen] { seen.push_back("stopped"); };
  dialog.PostCommand(kIdView1Set, NotifyCode::kClicked);
  std::thread audio([this] { dialog.PostPlayerStopped(); });
  audio.join();
  int ticks = 0;
  dialog.StartTimer(7, 20, [&] {
    const HWND box = FindWindowW(nullptr, L"Tessaly test box");
    if (++ticks < 3 || box == nullptr) {
      return;
    }
    wchar_t text[256] = {};
    for (HWND c = GetWindow(box, GW_CHILD); c != nullptr; c = GetWindow(c, GW_HWNDNEXT)) {
      if (GetWindowTextW(c, text, 256) > 0 && Narrow(text).find("the cause") != std::string::npos) {
        seen.push_back("detail");
      }
    }
    dialog.StopTimer(7);
    PostMessageW(box, WM_COMMAND, IDNO, 0);
  });
  EXPECT_EQ(dialog.ShowMessageBox("Text", "Tessaly test box", MessageBoxStyle::kYesNo, "the cause"),
            MessageBoxButton::kNo);
  EXPECT_EQ(commands, (std::vector<Command>{{kIdView1Set, NotifyCode::kClicked}}));
  EXPECT_EQ(seen, (std::vector<std::string>{"stopped", "detail"}));
  EXPECT_GE(ticks, 3);
}

TEST_F(Win32DialogTest, OnlyTheVisibleDialogIsHitAndPicturesLetThePointerThrough) {
  SetWindowPos(frame.Window(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  auto centre = [this](int id) {
    const HWND control = dialog.Control(id);
    RECT r{};
    GetWindowRect(control, &r);
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

TEST(Win32FrameTest, LayoutCentresNoOrALostPositionRaisesTheTopAndCutsOffView2) {
  WinFrame frame;
  WinDialog& dialog = DialogOf(frame);
  const auto frameRect = [&frame] {
    RECT r{};
    GetWindowRect(frame.Window(), &r);
    return r;
  };
  const int screenW = GetSystemMetrics(SM_CXSCREEN);
  const int screenH = GetSystemMetrics(SM_CYSCREEN);
  const struct {
    int x, y;
    bool view2;
    ScreenPoint saved;  // what the frame saves for where it was put
  } cases[] = {{40, 30, true, {40, 30}},
               {-40, -25, false, {-40, 0}},
               {5000, 5000, true, {5000, 5000}}};  // on no screen: shown centred, kept saved
  for (const auto& c : cases) {
    frame.SetSavedPosition(c.x, c.y);
    const ScreenPoint at = frame.Layout(c.view2);
    const RECT r = frameRect();
    EXPECT_EQ((ScreenPoint{int(r.left), int(r.top)}), at) << c.x;
    EXPECT_EQ(frame.PositionToSave(), c.saved) << c.x;
    RECT dialogRect{};
    GetWindowRect(dialog.Window(), &dialogRect);
    RECT button{};
    GetWindowRect(dialog.Control(kIdView2), &button);
    EXPECT_EQ(r.bottom,
              c.view2 ? dialogRect.bottom + (r.right - dialogRect.right) : button.bottom + 20)
        << c.x;
  }
  frame.SetSavedPosition(0, 0);
  frame.Layout(true);
  const RECT r = frameRect();
  EXPECT_LE(std::abs(r.left + r.right - screenW), 1);
  EXPECT_LE(std::abs(r.top + r.bottom - screenH), 1);
  EXPECT_EQ(frame.PositionToSave(), (ScreenPoint{int(r.left), int(r.top)}))
      << "centred is saved as such";
}

TEST(Win32BigHintTest, TheWindowIsClippedToTheRoundedBoxAndOutlined) {
  WinBigHint hint;
  const std::string text = "37 - Neuchatel (47.0N 6.9E)\r\n2020-03-05 07:00:00   104";
  ScreenPoint anchor{300, 200};
  const HintSize size = hint.MeasureText(text);
  EXPECT_GT(size.width, 100);
  EXPECT_GT(size.height, 20);
  const HintPlacement placement = PlaceHint(text, size, anchor, hint.WorkArea(), nullptr);
  hint.Show(placement);
  const HWND window = hint.Window();
  ASSERT_TRUE(IsWindowVisible(window));
  EXPECT_NE(GetActiveWindow(), window);
  EXPECT_TRUE(GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_TOPMOST);

  const int width = placement.window.right - placement.window.left;
  const int height = placement.window.bottom - placement.window.top;
  const HRGN region = CreateRectRgn(0, 0, 0, 0);
  ASSERT_NE(GetWindowRgn(window, region), ERROR);
  const std::vector<ScreenRect> expected = HintRegion(width, placement.bottomRow);
  int wrong = 0;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      bool inside = false;
      for (const ScreenRect& r : expected) {
        inside |= x >= r.left && x < r.right && y >= r.top && y < r.bottom;
      }
      wrong += bool(PtInRegion(region, x, y)) != inside;
    }
  }
  DeleteObject(region);
  EXPECT_EQ(wrong, 0);

  // The outline in the window-frame colour, the inside in the tooltip colour.
  const HDC screen = GetDC(nullptr);
  const HDC memory = CreateCompatibleDC(screen);
  const HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
  const HGDIOBJ old = SelectObject(memory, bitmap);
  hint.Paint(memory);
  const HintOutline outline = HintOutlineOf(width, placement.bottomRow);
  for (const ScreenPoint& p : outline.pixels) {
    EXPECT_EQ(GetPixel(memory, p.x, p.y), GetSysColor(COLOR_WINDOWFRAME)) << p.x << "," << p.y;
  }
  EXPECT_EQ(GetPixel(memory, 0, kHintTopGap + 5), GetSysColor(COLOR_WINDOWFRAME));
  EXPECT_EQ(GetPixel(memory, 3, kHintTopGap + 5), GetSysColor(COLOR_INFOBK));
  SelectObject(memory, old);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  hint.Hide();
  EXPECT_FALSE(IsWindowVisible(window));
}

}  // namespace
}  // namespace tessaly
