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

constexpr std::string_view kUp = "\xE2\x96\xB2";
constexpr std::string_view kDown = "\xE2\x96\xBC";
constexpr std::string_view kNotes = "\xE2\x99\xAB\xE2\x99\xAB\xE2\x99\xAB";

const ControlTemplate& Control(int id) {
  const ControlTemplate* control = FindControl(id);
  EXPECT_NE(control, nullptr) << "no control " << id;
  static const ControlTemplate kMissing{};
  return control != nullptr ? *control : kMissing;
}

PixelRect Px(int id) {
  return ClientRectPixels(Control(id));
}

bool Inside(const DialogUnitRect& inner, const DialogUnitRect& outer) {
  return inner.x >= outer.x && inner.y >= outer.y &&
         inner.x + inner.width <= outer.x + outer.width &&
         inner.y + inner.height <= outer.y + outer.height;
}

bool Overlap(const PixelRect& a, const PixelRect& b) {
  return a.left < b.right() && b.left < a.right() && a.top < b.bottom() && b.top < a.bottom();
}

TEST(DialogTemplate, HoldsEveryControlOnceWithItsOwnId) {
  const auto controls = MainDialogControls();
  ASSERT_EQ(controls.size(), 98u);
  std::set<int> ids;
  int statics = 0;
  for (const ControlTemplate& c : controls) {
    if (c.id == kStaticControlId) {
      ++statics;
      EXPECT_TRUE(c.kind == K::kLabel || c.kind == K::kGroupBox) << c.caption;
      EXPECT_FALSE(c.caption.empty());
      continue;
    }
    EXPECT_GT(c.id, 0);
    EXPECT_TRUE(ids.insert(c.id).second) << "duplicate id " << c.id;
    EXPECT_EQ(FindControl(c.id), &c);
  }
  // Three labels per view, four in the sound panel, and the "Sound" frame.
  EXPECT_EQ(statics, 11);
  EXPECT_EQ(FindControl(kStaticControlId), nullptr);
  EXPECT_EQ(FindControl(0), nullptr);
  EXPECT_EQ(FindControl(1047), nullptr);
}

TEST(DialogTemplate, CaptionsOfButtonsLabelsAndFrames) {
  const std::vector<std::pair<int, std::string_view>> captions = {
      {kIdView2Group, "View 2"},
      {kIdView1ServerRadio, "Orvane server"},
      {kIdView2PseudorandomRadio, "Pseudorandom"},
      {kIdView2StepUp, kUp},
      {kIdView1StepDown, kDown},
      {kIdView2NowMinus10, "Now - 10 min"},
      {kIdView2Set, "Set"},
      {kIdView1SoundCheck, kNotes},
      {kIdView2Play, "Play"},
      {kIdView2OrderDo, "Do"},
      {kIdCopyLabel, "Copy settings"},
      {kIdView2, "View 2"},
      {kIdMute, "Mute"},
      {kIdHelp, "Help"},
      {kIdExit, "Exit"}};
  for (const auto& [id, caption] : captions) {
    EXPECT_EQ(Control(id).caption, caption) << id;
  }
  // The UTF-8 bytes themselves, not whatever the source encoding made of them.
  EXPECT_EQ(Control(kIdView1StepUp).caption, std::string_view("\xE2\x96\xB2"));
  EXPECT_EQ(Control(kIdView1SoundCheck).caption.size(), 9u);

  std::multiset<std::string> labels;
  for (const ControlTemplate& c : MainDialogControls()) {
    if (c.id == kStaticControlId) {
      labels.insert(std::string(c.caption));
    }
  }
  const std::multiset<std::string> expected = {
      "Values (Notes)", "Values (Notes)", "Smooth",         "Smooth", "Order by:", "Order by:",
      "Sound",          "Musical scale",  "Base frequency", "Fade",   "Volume"};
  EXPECT_EQ(labels, expected);
}

TEST(DialogTemplate, StylesThatMatter) {
  int readOnly = 0;
  for (const ControlTemplate& c : MainDialogControls()) {
    if (c.kind == K::kPicture) {
      EXPECT_TRUE(c.Has(kStyleStaticEdge)) << c.id;
    }
    if (c.kind == K::kEdit) {
      ++readOnly;
      EXPECT_TRUE(c.Has(kStyleReadOnly)) << c.id;
      EXPECT_TRUE(c.Has(kStyleAutoHScroll)) << c.id;
      const bool valueText = c.id == kIdView1ValueText || c.id == kIdView2ValueText;
      EXPECT_EQ(c.Has(kStyleRightAligned), valueText) << c.id;
    }
    EXPECT_EQ(c.Has(kStyleDefaultButton), c.id == kIdView1Play || c.id == kIdView2Play) << c.id;
  }
  EXPECT_EQ(readOnly, 12);
  // Each view's two source radios form one group of their own.
  EXPECT_NE(Control(kIdView1ServerRadio).radioGroup, 0);
  EXPECT_EQ(Control(kIdView1ServerRadio).radioGroup, Control(kIdView1PseudorandomRadio).radioGroup);
  EXPECT_EQ(Control(kIdView2ServerRadio).radioGroup, Control(kIdView2PseudorandomRadio).radioGroup);
  EXPECT_NE(Control(kIdView1ServerRadio).radioGroup, Control(kIdView2ServerRadio).radioGroup);
  EXPECT_TRUE(Control(kIdView1StationScroll).Has(kStyleVertical));
  EXPECT_FALSE(Control(kIdView1StepBar).Has(kStyleVertical));
  EXPECT_TRUE(Control(kIdVolume).Has(kStyleVertical));
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

TEST(DialogTemplate, GroupBoxesComeBeforeWhatTheySurround) {
  const auto controls = MainDialogControls();
  for (size_t i = 0; i < controls.size(); ++i) {
    if (controls[i].kind != K::kGroupBox) {
      continue;
    }
    int inside = 0;
    for (size_t j = 0; j < controls.size(); ++j) {
      if (j != i && controls[j].kind != K::kComboBox &&
          Inside(controls[j].rect, controls[i].rect)) {
        ++inside;
        EXPECT_GT(j, i) << controls[i].caption << " after control " << controls[j].id;
      }
    }
    EXPECT_GT(inside, 5) << controls[i].caption;
  }
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
