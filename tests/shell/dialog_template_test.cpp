#include "shell/dialog_template.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace tessaly {
namespace {

using K = ControlKind;

const ControlTemplate& Control(int id) {
  const ControlTemplate* control = FindControl(id);
  EXPECT_NE(control, nullptr) << "no control " << id;
  static const ControlTemplate kMissing{};
  return control != nullptr ? *control : kMissing;
}

PixelRect Px(int id) {
  return ClientRectPixels(Control(id));
}

bool Overlap(const PixelRect& a, const PixelRect& b) {
  return a.left < b.right() && b.left < a.right() && a.top < b.bottom() && b.top < a.bottom();
}

TEST(DialogTemplate, DialogUnitConversionUsesFixedBaseUnits) {
  EXPECT_EQ(DialogUnitsToPixelsX(230), 345);
  EXPECT_EQ(DialogUnitsToPixelsX(418), 627);
  EXPECT_EQ(DialogUnitsToPixelsY(68), 110);  // 110.5, truncated
  EXPECT_EQ(DialogUnitsToPixelsX(7), 10);
  EXPECT_EQ(MainDialogWidthPx(), 837);
  EXPECT_EQ(MainDialogHeightPx(), 695);
  // Corner and size convert on their own: the size does not depend on the position.
  EXPECT_EQ(ToPixels({15, 106, 418, 68}), (PixelRect{22, 172, 627, 110}));
  EXPECT_EQ(ToPixels({15, 325, 418, 68}), (PixelRect{22, 528, 627, 110}));
}

TEST(DialogTemplate, PictureSizesOfBothViews) {
  struct Size {
    int id;
    int width;
    int height;
  };
  const std::vector<Size> sizes = {
      {kIdView1Image, 345, 21},
      {kIdView2Image, 345, 21},  // selected-station strips
      {kIdView1GraphImage, 627, 110},
      {kIdView2GraphImage, 627, 110},  // graphs
      {kIdView1PositionStrip, 345, 11},
      {kIdView2PositionStrip, 345, 11},  // position strips under the strips
      {kIdView1GraphPositionStrip, 627, 11},
      {kIdView2GraphPositionStrip, 627, 11},  // position strips under the graphs
      {kIdView1SideStrip, 12, 110},
      {kIdView2SideStrip, 12, 110},  // side strips
      {kIdView1HistogramPanel, 75, 69},
      {kIdView2HistogramPanel, 75, 69},  // histogram panels
      {kIdView1HexagramPanel, 48, 47},
      {kIdView2HexagramPanel, 48, 47},  // hexagram panels
  };
  for (const Size& s : sizes) {
    const PixelRect r = Px(s.id);
    EXPECT_EQ(r.width, s.width) << s.id;
    EXPECT_EQ(r.height, s.height) << s.id;
  }
  int pictures = 0;
  for (const ControlTemplate& c : MainDialogControls()) {
    pictures += c.kind == K::kPicture ? 1 : 0;
  }
  EXPECT_EQ(pictures, static_cast<int>(sizes.size()));
}

TEST(DialogTemplate, StripAndGraphOfAViewEndAtTheSameEdge) {
  for (const auto& [strip, graph, stripRuler, graphRuler, side, stationBar] :
       {std::array<int, 6>{kIdView1Image, kIdView1GraphImage, kIdView1PositionStrip,
                           kIdView1GraphPositionStrip, kIdView1SideStrip, kIdView1StationScroll},
        std::array<int, 6>{kIdView2Image, kIdView2GraphImage, kIdView2PositionStrip,
                           kIdView2GraphPositionStrip, kIdView2SideStrip, kIdView2StationScroll}}) {
    // The seconds of both images line up only if their right edges coincide.
    EXPECT_EQ(Px(strip).right(), Px(graph).right());
    // Each position strip spans exactly its image.
    EXPECT_EQ(Px(stripRuler).left, Px(strip).left);
    EXPECT_EQ(Px(stripRuler).width, Px(strip).width);
    EXPECT_GT(Px(stripRuler).top, Px(strip).bottom());
    EXPECT_EQ(Px(graphRuler).left, Px(graph).left);
    EXPECT_EQ(Px(graphRuler).width, Px(graph).width);
    // Side strip and station scroll bar follow the graph without gap, at its height.
    EXPECT_EQ(Px(side).left, Px(graph).right());
    EXPECT_EQ(Px(side).top, Px(graph).top);
    EXPECT_EQ(Px(side).height, Px(graph).height);
    EXPECT_EQ(Px(stationBar).left, Px(side).right());
  }
}

TEST(DialogTemplate, StaticEdgeLiesOutsideTheDrawableArea) {
  const ControlTemplate& graph = Control(kIdView1GraphImage);
  EXPECT_EQ(EdgeRectPixels(graph), (PixelRect{21, 171, 629, 112}));
  EXPECT_EQ(WidgetRectPixels(graph), ClientRectPixels(graph));
  const ControlTemplate& exit = Control(kIdExit);
  EXPECT_EQ(EdgeRectPixels(exit), ClientRectPixels(exit));
  // A combo box's rectangle holds its opened list; its widget only the closed field.
  const ControlTemplate& stations = Control(kIdView1StationList);
  EXPECT_EQ(ClientRectPixels(stations).height, 354);
  EXPECT_EQ(WidgetRectPixels(stations), (PixelRect{22, 56, 223, kComboFieldHeightPx}));
}

TEST(DialogTemplate, OnlyTheKnownOverlapsAndEverythingInsideTheDialog) {
  const auto controls = MainDialogControls();
  const PixelRect dialog{0, 0, MainDialogWidthPx(), MainDialogHeightPx()};
  std::set<std::pair<int, int>> overlaps;
  for (size_t i = 0; i < controls.size(); ++i) {
    const PixelRect a = WidgetRectPixels(controls[i]);
    EXPECT_GE(a.left, 0);
    EXPECT_GE(a.top, 0);
    EXPECT_LE(a.right(), dialog.right()) << controls[i].id;
    EXPECT_LE(a.bottom(), dialog.bottom()) << controls[i].id;
    if (controls[i].kind == K::kGroupBox) {
      continue;
    }
    for (size_t j = i + 1; j < controls.size(); ++j) {
      if (controls[j].kind != K::kGroupBox && Overlap(a, WidgetRectPixels(controls[j]))) {
        overlaps.insert({controls[i].id, controls[j].id});
      }
    }
  }
  const std::set<std::pair<int, int>> known = {{kIdView1YearList, kIdView1MonthList},
                                               {kIdView2MonthList, kIdView2DayList},
                                               {kIdView1ValueText, kIdView1PositionText},
                                               {kIdView2ValueText, kIdView2PositionText}};
  EXPECT_EQ(overlaps, known);
}

}  // namespace
}  // namespace tessaly
