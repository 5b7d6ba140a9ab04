#pragma once

// The station tooltip's window: a top-most pop-up that never takes the focus,
// clipped to the rounded region the tooltip logic computes, with its outline
// in the window-frame colour and the text on the tooltip colour.

#include <windows.h>

#include "shell/big_hint_logic.h"

namespace tessaly {

class WinBigHint final : public BigHintWindow {
 public:
  WinBigHint();
  ~WinBigHint() override;
  WinBigHint(const WinBigHint&) = delete;
  WinBigHint& operator=(const WinBigHint&) = delete;

  HintSize MeasureText(const std::string& text) const override;
  ScreenRect WorkAreaAt(ScreenPoint point) const override;
  void Show(const HintPlacement& placement) override;
  void Hide() override;

  HWND Window() const { return window_; }
  // Paints the tooltip as the screen shows it (also for PrintWindow).
  void Paint(HDC dc) const;

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  HWND window_ = nullptr;
  HFONT font_ = nullptr;
  HintPlacement placement_;
};

}  // namespace tessaly
