#include "shell/dialog_template.h"

#include <array>

namespace tessaly {
namespace {

using K = ControlKind;

constexpr uint32_t kButton = kStyleTabStop;
constexpr uint32_t kDefault = kStyleTabStop | kStyleDefaultButton;
constexpr uint32_t kFirstRadio = kStyleGroup | kStyleTabStop;
constexpr uint32_t kRadio = kStyleNone;
constexpr uint32_t kCheck = kStyleTabStop;
constexpr uint32_t kList = kStyleVScroll | kStyleTabStop;
constexpr uint32_t kText = kStyleReadOnly | kStyleAutoHScroll | kStyleTabStop;
constexpr uint32_t kNumber = kText | kStyleRightAligned;
constexpr uint32_t kPicture = kStyleStaticEdge;
constexpr uint32_t kHBar = kStyleNone;
constexpr uint32_t kVBar = kStyleVertical;
constexpr uint32_t kVolume = kStyleVertical | kStyleBothSides | kStyleNoTicks | kStyleTabStop;

constexpr int kNoId = kStaticControlId;
constexpr int kView1Radios = 1;
constexpr int kView2Radios = 2;

// Escapes keep the captions' bytes independent of the source file's encoding.
constexpr std::string_view kUp = "\xE2\x96\xB2";                             // ▲
constexpr std::string_view kDown = "\xE2\x96\xBC";                           // ▼
constexpr std::string_view kNotes = "\xE2\x99\xAB\xE2\x99\xAB\xE2\x99\xAB";  // ♫♫♫

// clang-format off
constexpr std::array<ControlTemplate, kMainDialogControlCount> kControls = {{
    // View 1
    {kIdView1Group, K::kGroupBox, "View 1", {7, 5, 449, 197}, kStyleNone},
    {kIdView1ServerRadio, K::kRadioButton, "Orvane server", {20, 18, 52, 10}, kFirstRadio, kView1Radios},
    {kIdView1PseudorandomRadio, K::kRadioButton, "Pseudorandom", {90, 18, 65, 10}, kRadio, kView1Radios},
    {kIdView1StationList, K::kComboBox, "", {15, 35, 149, 218}, kList | kStyleGroup},
    {kIdView1StepUp, K::kPushButton, kUp, {165, 27, 28, 14}, kButton},
    {kIdView1StepDown, K::kPushButton, kDown, {165, 41, 28, 14}, kButton},
    {kIdView1NoDataText, K::kEdit, "", {14, 49, 150, 12}, kText},
    {kIdView1YearList, K::kComboBox, "", {15, 68, 33, 262}, kList},
    {kIdView1MonthList, K::kComboBox, "", {47, 68, 28, 176}, kList},
    {kIdView1DayList, K::kComboBox, "", {75, 68, 28, 204}, kList},
    {kIdView1HourList, K::kComboBox, "", {109, 68, 28, 152}, kList},
    {kIdView1MinuteList, K::kComboBox, "", {137, 68, 28, 152}, kList},
    {kIdView1SecondList, K::kComboBox, "", {165, 68, 28, 152}, kList},
    {kIdView1NowMinus10, K::kPushButton, "Now - 10 min", {14, 87, 61, 14}, kButton},
    {kIdView1Set, K::kPushButton, "Set", {136, 87, 57, 14}, kButton},
    {kIdView1HistogramPanel, K::kPicture, "", {203, 16, 50, 43}, kPicture},
    {kIdView1SoundCheck, K::kCheckBox, kNotes, {261, 15, 33, 10}, kCheck},
    {kIdView1ValuesList, K::kComboBox, "", {260, 31, 28, 122}, kList},
    {kNoId, K::kLabel, "Values (Notes)", {292, 33, 49, 8}, kStyleNone},
    {kIdView1SmoothList, K::kComboBox, "", {260, 47, 28, 122}, kList},
    {kNoId, K::kLabel, "Smooth", {292, 49, 26, 8}, kStyleNone},
    {kIdView1HexagramPanel, K::kPicture, "", {360, 16, 32, 29}, kPicture},
    {kIdView1HexagramNameText, K::kEdit, "", {358, 50, 92, 12}, kText},
    {kIdView1HexagramMethodList, K::kComboBox, "", {401, 16, 46, 54}, kList},
    {kIdView1HexagramLanguageList, K::kComboBox, "", {401, 32, 46, 58}, kList},
    {kIdView1Image, K::kPicture, "", {203, 63, 230, 13}, kPicture},
    {kIdView1PositionStrip, K::kPicture, "", {203, 77, 230, 7}, kPicture},
    {kIdView1Play, K::kPushButton, "Play", {202, 87, 50, 14}, kDefault},
    // The time overlaps the value's empty left end; listed later, it stays whole.
    {kIdView1ValueText, K::kEdit, "", {337, 90, 26, 12}, kNumber},
    {kIdView1PositionText, K::kEdit, "", {266, 90, 78, 12}, kText},
    {kIdView1StepBar, K::kScrollBar, "", {374, 84, 57, 11}, kHBar},
    {kIdView1GraphImage, K::kPicture, "", {15, 106, 418, 68}, kPicture},
    {kIdView1SideStrip, K::kPicture, "", {433, 106, 8, 68}, kPicture},
    {kIdView1StationScroll, K::kScrollBar, "", {441, 106, 10, 68}, kVBar},
    {kIdView1GraphPositionStrip, K::kPicture, "", {15, 175, 418, 7}, kPicture},
    {kIdView1StationsText, K::kEdit, "", {14, 186, 61, 12}, kText},
    {kNoId, K::kLabel, "Order by:", {95, 186, 32, 8}, kStyleNone},
    {kIdView1OrderByList, K::kComboBox, "", {130, 184, 100, 75}, kList},
    {kIdView1OrderDo, K::kPushButton, "Do", {231, 183, 19, 14}, kButton},
    {kIdView1SpareText, K::kEdit, "", {259, 186, 87, 12}, kText},
    {kIdView1GraphStepBar, K::kScrollBar, "", {346, 183, 86, 11}, kHBar},

    // View 2
    {kIdView2Group, K::kGroupBox, "View 2", {7, 224, 450, 198}, kStyleNone},
    {kIdView2ServerRadio, K::kRadioButton, "Orvane server", {20, 237, 52, 10}, kFirstRadio, kView2Radios},
    {kIdView2PseudorandomRadio, K::kRadioButton, "Pseudorandom", {90, 237, 65, 10}, kRadio, kView2Radios},
    {kIdView2StationList, K::kComboBox, "", {15, 254, 149, 218}, kList | kStyleGroup},
    {kIdView2StepUp, K::kPushButton, kUp, {165, 246, 28, 14}, kButton},
    {kIdView2StepDown, K::kPushButton, kDown, {165, 260, 28, 14}, kButton},
    {kIdView2NoDataText, K::kEdit, "", {14, 270, 149, 12}, kText},
    {kIdView2YearList, K::kComboBox, "", {15, 286, 33, 257}, kList},
    {kIdView2MonthList, K::kComboBox, "", {48, 286, 28, 176}, kList},
    {kIdView2DayList, K::kComboBox, "", {75, 286, 28, 189}, kList},
    {kIdView2HourList, K::kComboBox, "", {109, 286, 28, 159}, kList},
    {kIdView2MinuteList, K::kComboBox, "", {137, 286, 28, 152}, kList},
    {kIdView2SecondList, K::kComboBox, "", {165, 286, 28, 152}, kList},
    {kIdView2NowMinus10, K::kPushButton, "Now - 10 min", {14, 305, 61, 14}, kButton},
    {kIdView2Set, K::kPushButton, "Set", {137, 306, 56, 14}, kButton},
    {kIdView2HistogramPanel, K::kPicture, "", {203, 234, 50, 43}, kPicture},
    {kIdView2SoundCheck, K::kCheckBox, kNotes, {261, 233, 33, 10}, kCheck},
    {kIdView2ValuesList, K::kComboBox, "", {260, 249, 28, 122}, kList},
    {kNoId, K::kLabel, "Values (Notes)", {292, 251, 49, 8}, kStyleNone},
    {kIdView2SmoothList, K::kComboBox, "", {260, 265, 28, 122}, kList},
    {kNoId, K::kLabel, "Smooth", {292, 267, 26, 8}, kStyleNone},
    {kIdView2HexagramPanel, K::kPicture, "", {362, 234, 32, 29}, kPicture},
    {kIdView2HexagramNameText, K::kEdit, "", {361, 268, 90, 12}, kText},
    {kIdView2HexagramMethodList, K::kComboBox, "", {401, 234, 46, 91}, kList},
    {kIdView2HexagramLanguageList, K::kComboBox, "", {401, 251, 46, 58}, kList},
    {kIdView2Image, K::kPicture, "", {203, 281, 230, 13}, kPicture},
    {kIdView2PositionStrip, K::kPicture, "", {203, 295, 230, 7}, kPicture},
    {kIdView2Play, K::kPushButton, "Play", {202, 306, 50, 14}, kDefault},
    // The time overlaps the value's empty left end; listed later, it stays whole.
    {kIdView2ValueText, K::kEdit, "", {337, 309, 26, 12}, kNumber},
    {kIdView2PositionText, K::kEdit, "", {266, 309, 78, 12}, kText},
    {kIdView2StepBar, K::kScrollBar, "", {376, 302, 57, 11}, kHBar},
    {kIdView2GraphImage, K::kPicture, "", {15, 325, 418, 68}, kPicture},
    {kIdView2SideStrip, K::kPicture, "", {433, 325, 8, 68}, kPicture},
    {kIdView2StationScroll, K::kScrollBar, "", {441, 325, 10, 68}, kVBar},
    {kIdView2GraphPositionStrip, K::kPicture, "", {15, 394, 418, 7}, kPicture},
    {kIdView2StationsText, K::kEdit, "", {14, 404, 61, 12}, kText},
    {kNoId, K::kLabel, "Order by:", {95, 405, 32, 8}, kStyleNone},
    {kIdView2OrderByList, K::kComboBox, "", {130, 403, 100, 75}, kList},
    {kIdView2OrderDo, K::kPushButton, "Do", {231, 402, 19, 14}, kButton},
    {kIdView2SpareText, K::kEdit, "", {260, 404, 87, 12}, kText},
    {kIdView2GraphStepBar, K::kScrollBar, "", {347, 402, 86, 11}, kHBar},

    // Between the views
    {kIdCopyDown, K::kPushButton, kDown, {58, 208, 21, 14}, kButton},
    {kIdCopyLabel, K::kLabel, "Copy settings", {82, 211, 44, 8}, kStyleNone},
    {kIdCopyUp, K::kPushButton, kUp, {129, 208, 20, 14}, kButton},
    {kIdView2, K::kPushButton, "View 2", {203, 208, 87, 14}, kButton},
    {kIdHelp, K::kPushButton, "Help", {405, 208, 50, 14}, kButton},
    {kIdExit, K::kPushButton, "Exit", {481, 208, 50, 14}, kButton},

    // Sound, shared by both views
    {kNoId, K::kGroupBox, "Sound", {464, 5, 86, 197}, kStyleNone},
    {kNoId, K::kLabel, "Musical scale", {474, 23, 50, 8}, kStyleNone},
    {kIdMusicScale, K::kComboBox, "", {474, 33, 65, 75}, kList},
    {kNoId, K::kLabel, "Base frequency", {474, 55, 51, 8}, kStyleNone},
    {kIdBaseFrequency, K::kComboBox, "", {473, 65, 67, 93}, kList},
    {kNoId, K::kLabel, "Fade", {473, 85, 17, 8}, kStyleNone},
    {kIdFade, K::kComboBox, "", {473, 95, 51, 75}, kList},
    {kNoId, K::kLabel, "Volume", {474, 128, 26, 8}, kStyleNone},
    {kIdVolume, K::kTrackbar, "", {508, 123, 20, 65}, kVolume},
    {kIdMute, K::kCheckBox, "Mute", {473, 174, 32, 10}, kCheck},
}};
// clang-format on

// A short initialiser list would leave zeroed entries at the end.
static_assert(kControls.back().id == kIdMute && kControls.back().caption == "Mute");

}  // namespace

std::span<const ControlTemplate> MainDialogControls() {
  return kControls;
}

const ControlTemplate* FindControl(int id) {
  if (id == kStaticControlId) {
    return nullptr;
  }
  for (const ControlTemplate& control : kControls) {
    if (control.id == id) {
      return &control;
    }
  }
  return nullptr;
}

PixelRect ToPixels(const DialogUnitRect& rect) {
  return {DialogUnitsToPixelsX(rect.x), DialogUnitsToPixelsY(rect.y),
          DialogUnitsToPixelsX(rect.width), DialogUnitsToPixelsY(rect.height)};
}

int MainDialogWidthPx() {
  return DialogUnitsToPixelsX(kMainDialogWidthDu);
}
int MainDialogHeightPx() {
  return DialogUnitsToPixelsY(kMainDialogHeightDu);
}

PixelRect ClientRectPixels(const ControlTemplate& control) {
  return ToPixels(control.rect);
}

PixelRect WidgetRectPixels(const ControlTemplate& control) {
  PixelRect rect = ToPixels(control.rect);
  if (control.kind == ControlKind::kComboBox) {
    rect.height = kComboFieldHeightPx;
  }
  return rect;
}

PixelRect EdgeRectPixels(const ControlTemplate& control) {
  PixelRect rect = WidgetRectPixels(control);
  if (control.Has(kStyleStaticEdge)) {
    rect.left -= kStaticEdgePx;
    rect.top -= kStaticEdgePx;
    rect.width += 2 * kStaticEdgePx;
    rect.height += 2 * kStaticEdgePx;
  }
  return rect;
}

}  // namespace tessaly
