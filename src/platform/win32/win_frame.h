#pragma once

// The program's frame window "Tessaly": fixed size, minimisable but not
// maximisable, with the "File" and "Help" menus, hosting the main dialog at
// its client origin.

#include <windows.h>

#include <functional>
#include <memory>
#include <optional>

#include "platform/win32/win_dialog.h"

namespace tessaly {

class WinFrame {
 public:
  WinFrame();
  ~WinFrame();
  WinFrame(const WinFrame&) = delete;
  WinFrame& operator=(const WinFrame&) = delete;

  HWND Window() const { return window_; }
  // Null when the frame could not be made.
  WinDialog* Dialog() { return dialog_.get(); }

  // Puts the frame's top-left corner at the saved position; (0, 0) means none
  // was saved.
  void SetSavedPosition(int x, int y);
  // Sizes the frame around the dialog and places it from where it is now. With
  // View 2 hidden the frame ends 20 pixels below the "View 2" button. A
  // position of exactly (0, 0) centres the frame on the primary screen; a top
  // above the screen becomes 0; a frame whose title bar would lie on no screen
  // is centred too.
  ScreenPoint Layout(bool view2Shown);
  // The position to save at exit: where the frame shows when restored, except
  // that a saved position that was off every screen stays saved until the
  // frame is moved.
  ScreenPoint PositionToSave() const;

  // The close box, Alt+F4 and "Exit" in the menu ask through this; the program
  // stops its views and then calls Destroy. Without it the frame just closes.
  std::function<void()> onCloseRequest;
  // Runs once when the frame goes away for good (WM_DESTROY).
  std::function<void()> onDestroy;
  // "View" -> "Follow Live" of View 1 (0) or View 2 (1) was checked or cleared.
  std::function<void(int view, bool on)> onFollowLive;
  // A menu command the frame does not handle itself; true when it was handled.
  std::function<bool(int command)> onMenuCommand;
  // "File" -> "Data Server...".
  std::function<void()> onDataServer;
  // "View" -> "Network Statistics (View N)…" for View 1 (0) or View 2 (1).
  std::function<void(int view)> onNetworkStatistics;
  // Shows the saved state of the items without telling onFollowLive.
  void SetFollowLiveChecked(int view, bool on);
  // The session ends (log-off, shutdown): the process may be ended as soon as
  // this returns, so everything must be saved in it.
  std::function<void()> onEndSession;
  void Destroy();
  void ShowAbout();
  // The frame moved to a monitor of another DPI: the dialog is laid out for
  // it and the frame sized around it at the system's suggested place; the
  // pictures have their new sizes when this runs.
  std::function<void()> onDpiChanged;

  // The keyboard, before a message is dispatched: Escape (not Alt+Esc) goes to
  // the dialog's onKey wherever the focus is in the frame, F1 is "Help", Enter
  // presses only a focused push button, and the dialog manager does Tab,
  // Shift+Tab, arrows in radio groups, Space and mnemonics. Returns true when
  // the message has been handled (and dispatched).
  bool PreTranslate(const MSG& message);

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
  ScreenPoint RestoredPosition() const;
  void OnDpiChanged(UINT dpi, const RECT& suggested);

  HWND window_ = nullptr;
  std::unique_ptr<WinDialog> dialog_;
  HWND lastFocus_ = nullptr;  // the control to give the focus back to on activation
  ScreenPoint saved_;
  std::optional<ScreenPoint> rescuedAt_;
  bool view2Shown_ = true;
};

}  // namespace tessaly
