#include "support/fake_big_hint_window.h"

#include <algorithm>

namespace tessaly {

HintSize FakeBigHintWindow::MeasureText(const std::string& text) const {
  // Lines are separated by "\r\n"; the widest one gives the width.
  int widest = 0;
  int lines = 0;
  size_t start = 0;
  while (true) {
    const size_t end = text.find("\r\n", start);
    const size_t length = (end == std::string::npos ? text.size() : end) - start;
    widest = std::max(widest, int(length));
    ++lines;
    if (end == std::string::npos) {
      break;
    }
    start = end + 2;
  }
  return {widest * kCharWidth, lines * kLineHeight};
}

void FakeBigHintWindow::Show(const HintPlacement& placement) {
  last = placement;
  visible = true;
  ++showCount;
}

void FakeBigHintWindow::Hide() {
  visible = false;
  ++hideCount;
}

}  // namespace tessaly
