#pragma once

// The tooltip window in memory: a fixed-pitch "font" (7 x 16 pixels a
// character), work areas (one of 1920 x 1040 unless set), and a record of what was shown.

#include <algorithm>
#include <string>
#include <vector>

#include "shell/big_hint_logic.h"

namespace tessaly {

class FakeBigHintWindow final : public BigHintWindow {
 public:
  HintSize MeasureText(const std::string& text) const override {
    int widest = 0;
    for (size_t start = 0, lines = 1;; ++lines) {
      const size_t end = std::min(text.find("\r\n", start), text.size());
      widest = std::max(widest, int(end - start));
      if (end == text.size()) {
        return {widest * 7, int(lines) * 16};
      }
      start = end + 2;
    }
  }
  // The first work area holding the point, else the first (the primary's).
  ScreenRect WorkAreaAt(ScreenPoint p) const override {
    const auto holds = [p](const ScreenRect& r) {
      return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom;
    };
    const auto at = std::find_if(workAreas.begin(), workAreas.end(), holds);
    return at != workAreas.end() ? *at : workAreas.front();
  }
  void Show(const HintPlacement& placement) override {
    last = placement;
    visible = true;
    ++showCount;
  }
  void Hide() override { visible = false; }

  std::vector<ScreenRect> workAreas = {{0, 0, 1920, 1040}};
  bool visible = false;
  HintPlacement last;  // the latest placement shown
  int showCount = 0;
};

}  // namespace tessaly
