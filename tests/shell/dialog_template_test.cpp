#include "shell/dialog_template.h"

#include <gtest/gtest.h>

#include <array>

namespace tessaly {
namespace {

// Every control's rectangle as designed: the sums of x, y, width and height of
// all 98 were added up with python3 from the design, not from this table, so a
// control moved or resized by a single dialog unit shows.
TEST(DialogTemplateTest, RectanglesAddUpToTheLayoutTable) {
  std::array<int, 4> sums{};
  for (const ControlTemplate& c : MainDialogControls()) {
    sums[0] += c.rect.x, sums[1] += c.rect.y, sums[2] += c.rect.width, sums[3] += c.rect.height;
  }
  EXPECT_EQ(sums, (std::array<int, 4>{21781, 17341, 7838, 5608}));
}

}  // namespace
}  // namespace tessaly
