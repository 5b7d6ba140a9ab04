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
      {1033, 345, 21},  {1031, 345, 21},   // selected-station strips
      {1037, 627, 110}, {1040, 627, 110},  // graphs
      {1074, 345, 11},  {1075, 345, 11},   // position strips under the strips
      {1063, 627, 11},  {1064, 627, 11},   // position strips under the graphs
      {1054, 12, 110},  {1057, 12, 110},   // side strips
      {1038, 75, 69},   {1039, 75, 69},    // histogram panels
      {1058, 48, 47},   {1065, 48, 47},    // hexagram panels
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
  for (const auto& [strip, graph, stripRuler, graphRuler, side, hostBar] :
       {std::array<int, 6>{1033, 1037, 1074, 1063, 1054, 1082},
        std::array<int, 6>{1031, 1040, 1075, 1064, 1057, 1084}}) {
    // The seconds of both images line up only if their right edges coincide.
    EXPECT_EQ(Px(strip).right(), Px(graph).right());
    // Each position strip spans exactly its image.
    EXPECT_EQ(Px(stripRuler).left, Px(strip).left);
    EXPECT_EQ(Px(stripRuler).width, Px(strip).width);
    EXPECT_GT(Px(stripRuler).top, Px(strip).bottom());
    EXPECT_EQ(Px(graphRuler).left, Px(graph).left);
    EXPECT_EQ(Px(graphRuler).width, Px(graph).width);
    // Side strip and host bar follow the graph without gap, at its height.
    EXPECT_EQ(Px(side).left, Px(graph).right());
    EXPECT_EQ(Px(side).top, Px(graph).top);
    EXPECT_EQ(Px(side).height, Px(graph).height);
    EXPECT_EQ(Px(hostBar).left, Px(side).right());
  }
}

TEST(DialogTemplate, StaticEdgeLiesOutsideTheDrawableArea) {
  const ControlTemplate& graph = Control(1037);
  EXPECT_EQ(EdgeRectPixels(graph), (PixelRect{21, 171, 629, 112}));
  EXPECT_EQ(WidgetRectPixels(graph), ClientRectPixels(graph));
  const ControlTemplate& exit = Control(2);
  EXPECT_EQ(EdgeRectPixels(exit), ClientRectPixels(exit));
  // A combo box's rectangle holds its opened list; its widget only the closed field.
  const ControlTemplate& stations = Control(1003);
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
  const std::set<std::pair<int, int>> known = {
      {1008, 1009}, {1026, 1035}, {1056, 1060}, {1061, 1077}};
  EXPECT_EQ(overlaps, known);
}

}  // namespace
}  // namespace tessaly
