#pragma once

// The tooltip window in memory: a fixed-pitch "font" for measuring, a work
// area the test sets, and a record of what was shown and hidden.

#include <string>
#include <vector>

#include "shell/big_hint_logic.h"

namespace tessaly {

class FakeBigHintWindow final : public BigHintWindow {
 public:
  // Every character is charWidth wide, every line lineHeight high.
  static constexpr int kCharWidth = 7;
  static constexpr int kLineHeight = 16;

  HintSize MeasureText(const std::string& text) const override;
  ScreenRect WorkArea() const override { return workArea; }
  void Show(const HintPlacement& placement) override;
  void Hide() override;

  ScreenRect workArea{0, 0, 1920, 1040};

  bool visible = false;
  HintPlacement last;  // the latest placement shown
  int showCount = 0;
  int hideCount = 0;
};

}  // namespace tessaly
