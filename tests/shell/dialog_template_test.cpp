#include "shell/dialog_template.h"

#include <gtest/gtest.h>

#include <set>
#include <utility>

namespace tessaly {
namespace {

PixelRect Px(int id) {
  return ClientRectPixels(*FindControl(id));
}

TEST(DialogTemplate, PictureSizesAndDialogUnitsInPixels) {
  EXPECT_EQ(MainDialogWidthPx(), 837);
  EXPECT_EQ(MainDialogHeightPx(), 695);
  EXPECT_EQ(ToPixels({15, 106, 418, 68}), (PixelRect{22, 172, 627, 110}));  // 110.5 truncated
  EXPECT_EQ(ToPixels({15, 325, 418, 68}), (PixelRect{22, 528, 627, 110}));
  for (const auto& [ids, size] :
       {std::pair{std::pair{kIdView1Image, kIdView2Image}, std::pair{345, 21}},
        {{kIdView1GraphImage, kIdView2GraphImage}, {627, 110}},
        {{kIdView1PositionStrip, kIdView2PositionStrip}, {345, 11}},
        {{kIdView1GraphPositionStrip, kIdView2GraphPositionStrip}, {627, 11}},
        {{kIdView1SideStrip, kIdView2SideStrip}, {12, 110}},
        {{kIdView1HistogramPanel, kIdView2HistogramPanel}, {75, 69}},
        {{kIdView1HexagramPanel, kIdView2HexagramPanel}, {48, 47}}}) {
    for (int id : {ids.first, ids.second}) {
      EXPECT_EQ(std::pair(Px(id).width, Px(id).height), size) << id;
    }
  }
  // The seconds of strip and graph line up only if their right edges coincide.
  EXPECT_EQ(Px(kIdView1Image).right(), Px(kIdView1GraphImage).right());
  EXPECT_EQ(Px(kIdView2Image).right(), Px(kIdView2GraphImage).right());
  EXPECT_EQ(Px(kIdView1SideStrip).left, Px(kIdView1GraphImage).right());
  EXPECT_EQ(EdgeRectPixels(*FindControl(kIdView1GraphImage)), (PixelRect{21, 171, 629, 112}));
  // A combo box's rectangle holds its opened list; its widget only the closed field.
  EXPECT_EQ(WidgetRectPixels(*FindControl(kIdView1StationList)),
            (PixelRect{22, 56, 223, kComboFieldHeightPx}));
}

TEST(DialogTemplate, OnlyTheKnownOverlapsAndEverythingInsideTheDialog) {
  const auto controls = MainDialogControls();
  std::set<std::pair<int, int>> overlaps;
  for (size_t i = 0; i < controls.size(); ++i) {
    const PixelRect a = WidgetRectPixels(controls[i]);
    EXPECT_TRUE(a.left >= 0 && a.top >= 0 && a.right() <= MainDialogWidthPx() &&
                a.bottom() <= MainDialogHeightPx())
        << controls[i].id;
    for (size_t j = i + 1; j < controls.size(); ++j) {
      const PixelRect b = WidgetRectPixels(controls[j]);
      if (controls[i].kind != ControlKind::kGroupBox &&
          controls[j].kind != ControlKind::kGroupBox && a.left < b.right() && b.left < a.right() &&
          a.top < b.bottom() && b.top < a.bottom()) {
        overlaps.insert({controls[i].id, controls[j].id});
      }
    }
  }
  EXPECT_EQ(overlaps, (std::set<std::pair<int, int>>{{kIdView1YearList, kIdView1MonthList},
                                                     {kIdView2MonthList, kIdView2DayList},
                                                     {kIdView1ValueText, kIdView1PositionText},
                                                     {kIdView2ValueText, kIdView2PositionText}}));
}

}  // namespace
}  // namespace tessaly
