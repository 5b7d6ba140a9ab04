#pragma once

// The main dialog on Win32: a child dialog created from the template at run
// time, reached through DialogControls. What the user does comes out through
// the on* sinks, the same ones the Qt dialog and FakeDialog offer.

#include <windows.h>

#include <atomic>
#include <functional>
#include <map>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "display/raster.h"
#include "shell/big_hint_logic.h"
#include "shell/dialog_template.h"
#include "views/dialog_controls.h"
#include "views/dialog_events.h"

namespace tessaly {

// Private messages of the dialog window.
inline constexpr UINT kWmAppExit = WM_APP + 1;
inline constexpr UINT kWmAppPlayerStopped = WM_APP + 2;

// What the user does comes out through the DialogEvents it is.
class WinDialog final : public DialogControls, public HintHost, public DialogEvents {
 public:
  // Creates the dialog (not yet visible) as a child of `parent` at its client
  // origin. Check Window() for failure.
  WinDialog(HWND parent, std::span<const ControlTemplate> controls, int widthDu, int heightDu);
  explicit WinDialog(HWND parent);  // the main dialog
  ~WinDialog() override;
  WinDialog(const WinDialog&) = delete;
  WinDialog& operator=(const WinDialog&) = delete;

  HWND Window() const { return window_; }
  HWND Control(int id) const;  // nullptr for unknown ids and labels

  // The DPI the dialog is laid out for: the monitor's when it was made. At
  // any DPI it is the 96-DPI layout grown in proportion, in the font at that DPI.
  UINT Dpi() const { return dpi_; }
  // Lays the dialog out again for `dpi`: the template's font at that DPI and
  // every control where the template puts it in that font's dialog units, so
  // the pictures grow or shrink with it (their owner sizes its rasters anew).
  void SetDpi(UINT dpi);

  // --- DialogControls
  int AddItem(int id, std::string_view text) override;
  void ClearItems(int id) override;
  int ItemCount(int id) const override;
  std::string ItemText(int id, int index) const override;
  void SetItemData(int id, int index, int data) override;
  int ItemData(int id, int index) const override;
  void SetSelection(int id, int index) override;
  int Selection(int id) const override;
  void SetText(int id, std::string_view text) override;
  std::string Text(int id) const override;
  void SetChecked(int id, bool checked) override;
  bool IsChecked(int id) const override;
  void Enable(int id, bool enabled) override;
  bool IsEnabled(int id) const override;
  void Show(int id, bool visible) override;
  bool IsVisible(int id) const override;
  void SetScrollInfo(int id, const ScrollInfo& info) override;
  ScrollInfo GetScrollInfo(int id) const override;
  void SetTrackbarRange(int id, int min, int max) override;
  void SetTrackbarPos(int id, int pos) override;
  int TrackbarPos(int id) const override;
  void Invalidate(int id) override;
  void Update(int id) override;
  void InvalidateAll() override;
  void UpdateAll() override;
  ScreenRect ControlScreenRect(int id) const override;
  ScreenPoint CursorPos() const override;
  int ControlAt(ScreenPoint point) const override;
  MessageBoxButton ShowMessageBox(std::string_view text, std::string_view caption,
                                  MessageBoxStyle style, std::string_view detail = {}) override;
  void PostCommand(int id, NotifyCode code) override;
  // Safe from any thread while the dialog exists.
  void PostPlayerStopped() override;
  void PostExitRequest() override;
  void RunWhile(const std::function<bool()>& running) override;
  bool StartTimer(int timerId, int intervalMs, std::function<void()> onTimer) override;
  void StopTimer(int timerId) override;

  // What a picture shows: onDraw(id) runs first, so the owner can bring the
  // raster up to date, then its pixels are copied to the control. The raster
  // stays the owner's and must outlive the dialog or be replaced.
  void SetPictureSource(int id, const Raster* raster);

  // What the program's own loop does with a message before dispatching it
  // (true: taken); the loop of RunWhile does the same.
  std::function<bool(const MSG&)> onPreTranslate;

 private:
  struct Entry {
    const ControlTemplate* layout = nullptr;
    HWND window = nullptr;
    const Raster* picture = nullptr;
  };

  static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  INT_PTR Handle(UINT message, WPARAM wParam, LPARAM lParam);
  void OnCommandMessage(WPARAM wParam, LPARAM lParam);
  void OnScrollMessage(WPARAM wParam, LPARAM lParam);
  void OnDrawItem(const DRAWITEMSTRUCT& item);
  void OnTimer(UINT_PTR timerId);
  void WidenToCaptions(std::span<const ControlTemplate> controls);
  void FollowSystemDpi();
  const Entry* Find(int id, std::initializer_list<ControlKind> kinds = {}) const;
  LRESULT Send(int id, UINT message, WPARAM wParam, LPARAM lParam,
               std::initializer_list<ControlKind> kinds) const;

  std::atomic<HWND> window_{nullptr};
  std::span<const ControlTemplate> layout_;
  int widthDu_ = 0;
  int heightDu_ = 0;
  UINT dpi_ = USER_DEFAULT_SCREEN_DPI;
  SIZE base96_{6, 13};    // the dialog base units of the template's font at 96 DPI
  HFONT font_ = nullptr;  // made by SetDpi; the dialog manager owns the first
  std::map<int, Entry> controls_;
  std::map<int, std::function<void()>> timers_;
  std::vector<uint32_t> pixelRow_;  // a raster converted for the screen
  int waits_ = 0;                   // RunWhile is running: the busy cursor
};

}  // namespace tessaly
