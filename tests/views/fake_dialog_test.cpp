#include "support/fake_dialog.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <tuple>
#include <utility>
#include <vector>

namespace tessaly {
namespace {

// Records everything the dialog would be told.
struct Recorder {
  std::vector<std::pair<int, NotifyCode>> commands;
  std::vector<std::tuple<int, ScrollCode, int>> scrolls;
  int clicks = 0;

  explicit Recorder(FakeDialog& dialog) {
    dialog.onCommand = [this](int id, NotifyCode code) { commands.emplace_back(id, code); };
    dialog.onScroll = [this](int id, ScrollCode code, int thumb) {
      scrolls.emplace_back(id, code, thumb);
    };
    dialog.onLeftButtonUp = [this] { ++clicks; };
  }
};

// The views rely on these platform behaviours; the double must copy them.
TEST(FakeDialog, ListsReadTheirSelectionsItemDataOrMinusOne) {
  FakeDialog dialog;
  const int year = kIdView1YearList;
  EXPECT_EQ(dialog.ReadList(year), -1);  // empty
  dialog.AddItemWithData(year, "2026", 2026);
  EXPECT_EQ(dialog.AddItemWithData(year, "2025", 2025), 1);
  EXPECT_EQ(dialog.ReadList(year), -1);  // filled but nothing selected
  dialog.SetSelection(year, 1);
  EXPECT_EQ(dialog.ReadList(year), 2025);
  dialog.SetSelection(year, 2);  // outside: no selection, as the platform does
  EXPECT_EQ(dialog.ReadList(year), -1);
  dialog.SetSelection(year, 0);
  dialog.ClearItems(year);
  EXPECT_EQ(dialog.ReadList(year), -1);
  EXPECT_TRUE(dialog.Misuses().empty());
}

TEST(FakeDialog, UserClicksActLikeAutoButtons) {
  FakeDialog dialog;
  Recorder seen(dialog);
  // The program sets radios one by one; nothing clears the other.
  dialog.SetChecked(kIdView1ServerRadio, true);
  dialog.SetChecked(kIdView2ServerRadio, true);

  // A user's click makes the radio the only checked one of its view's group.
  dialog.UserClick(kIdView1PseudorandomRadio);
  EXPECT_FALSE(dialog.IsChecked(kIdView1ServerRadio));
  EXPECT_TRUE(dialog.IsChecked(kIdView1PseudorandomRadio));
  EXPECT_TRUE(dialog.IsChecked(kIdView2ServerRadio));  // View 2's group is left alone
  dialog.UserClick(kIdView1PseudorandomRadio);         // already checked: stays, still notifies
  EXPECT_TRUE(dialog.IsChecked(kIdView1PseudorandomRadio));

  dialog.UserClick(kIdView1SoundCheck);  // check box toggles
  EXPECT_TRUE(dialog.IsChecked(kIdView1SoundCheck));
  const std::vector<std::pair<int, NotifyCode>> expected = {
      {kIdView1PseudorandomRadio, NotifyCode::kClicked},
      {kIdView1PseudorandomRadio, NotifyCode::kClicked},
      {kIdView1SoundCheck, NotifyCode::kClicked}};
  EXPECT_EQ(seen.commands, expected);
  EXPECT_TRUE(dialog.Misuses().empty());
}

TEST(FakeDialog, ReportsUnknownIdsWrongKindsAndUnreachableControls) {
  FakeDialog dialog;
  Recorder seen(dialog);
  dialog.SetFailOnMisuse(false);
  EXPECT_EQ(dialog.AddItem(9999, "x"), -1);
  EXPECT_EQ(dialog.ReadList(kIdView1NoDataText), -1);  // an edit is no list
  dialog.SetChecked(kIdView1Play, true);               // a push button has no check
  dialog.SetScrollInfo(kIdVolume, {0, 10, 1, 5});
  EXPECT_EQ(dialog.Misuses().size(), 4u);

  dialog.ClearMisuses();
  dialog.Enable(kIdView1Set, false);
  dialog.UserClick(kIdView1Set);  // a user cannot press a disabled button
  dialog.Show(kIdView2StationList, false);
  dialog.UserSelect(kIdView2StationList, 0);
  dialog.AddItemWithData(kIdView1StationList, "1 - Princeton", 1);
  dialog.UserSelect(kIdView1StationList, 3);  // no such item
  EXPECT_EQ(dialog.Misuses().size(), 3u);
  EXPECT_TRUE(seen.commands.empty());
}

TEST(FakeDialog, ScrollBarsKeepThePositionInsideTheRange) {
  FakeDialog dialog;
  dialog.SetScrollInfo(kIdView1StepBar, {0, 89, 30, 80});  // last position is 89 - 30 + 1
  EXPECT_EQ(dialog.GetScrollInfo(kIdView1StepBar).pos, 60);
  dialog.SetScrollInfo(kIdView1StationScroll, {0, 9, 25, 7});  // page larger than the range
  EXPECT_EQ(dialog.GetScrollInfo(kIdView1StationScroll), (ScrollInfo{0, 9, 10, 0}));
  dialog.SetScrollInfo(kIdView1StationScroll, {0, -1, 25, 3});  // an empty block: no negative range
  EXPECT_EQ(dialog.GetScrollInfo(kIdView1StationScroll), (ScrollInfo{0, 0, 1, 0}));

  // The trackbar starts ranged 0..100 and clamps; a drag moves it, then notifies.
  Recorder seen(dialog);
  dialog.SetTrackbarPos(kIdVolume, 150);
  EXPECT_EQ(dialog.TrackbarPos(kIdVolume), 100);
  dialog.UserDragTrackbar(kIdVolume, 30);
  EXPECT_EQ(dialog.TrackbarPos(kIdVolume), 30);
  const std::vector<std::tuple<int, ScrollCode, int>> expected = {
      {kIdVolume, ScrollCode::kThumbTrack, 30}, {kIdVolume, ScrollCode::kEnd, 0}};
  EXPECT_EQ(seen.scrolls, expected);
  dialog.UserScroll(kIdView1StationScroll, ScrollCode::kPageDown);
  EXPECT_EQ(dialog.GetScrollInfo(kIdView1StationScroll).pos,
            0);  // the program moves the thumb, not the bar
}

TEST(FakeDialog, PostedMessagesWaitUntilDeliveredInOrder) {
  FakeDialog dialog;
  Recorder seen(dialog);
  int stopped = 0;
  int exits = 0;
  dialog.onPlayerStopped = [&] { ++stopped; };
  dialog.onExitRequest = [&] { ++exits; };
  // A command delivered may post another, as a source change posts "Set".
  dialog.onCommand = [&](int id, NotifyCode code) {
    seen.commands.emplace_back(id, code);
    if (id == kIdView1PseudorandomRadio) {
      dialog.PostCommand(kIdView1Set, NotifyCode::kClicked);
    }
  };

  dialog.PostCommand(kIdView1Set, NotifyCode::kClicked);
  dialog.PostCommand(kIdView2Set, NotifyCode::kClicked);
  std::thread audio([&] { dialog.PostPlayerStopped(); });
  audio.join();
  dialog.PostCommand(kIdView1PseudorandomRadio, NotifyCode::kClicked);
  dialog.PostExitRequest();
  EXPECT_TRUE(seen.commands.empty());
  EXPECT_EQ(dialog.Posted().size(), 5u);

  EXPECT_EQ(dialog.DeliverPosted(), 6);
  const std::vector<std::pair<int, NotifyCode>> delivered = {
      {kIdView1Set, NotifyCode::kClicked},
      {kIdView2Set, NotifyCode::kClicked},
      {kIdView1PseudorandomRadio, NotifyCode::kClicked},
      {kIdView1Set, NotifyCode::kClicked}};
  EXPECT_EQ(seen.commands, delivered);
  EXPECT_EQ(stopped, 1);
  EXPECT_EQ(exits, 1);
  EXPECT_FALSE(dialog.PopPosted().has_value());
}

TEST(FakeDialog, GeometryFollowsTheTemplateOnScreen) {
  FakeDialog dialog;
  Recorder seen(dialog);
  dialog.SetDialogOrigin({300, 200});
  // The graph's drawable area: 22, 172, 627 × 110 inside the dialog.
  EXPECT_EQ(dialog.ControlScreenRect(kIdView1GraphImage), (ScreenRect{322, 372, 949, 482}));
  EXPECT_EQ(dialog.PointIn(kIdView1GraphImage, 5, 9), (ScreenPoint{327, 381}));

  // Pictures and labels let the pointer through; ordinary controls do not.
  EXPECT_EQ(dialog.ControlAt(dialog.PointIn(kIdView1GraphImage, 0, 0)), kHitDialog);
  EXPECT_EQ(dialog.ControlAt(dialog.PointIn(kIdView1Set, 2, 2)), kIdView1Set);
  // Below a closed list's field lies what is there, not the list.
  EXPECT_EQ(dialog.ControlAt(dialog.PointIn(kIdView1StationList, 2, kComboFieldHeightPx + 2)),
            kIdView1NoDataText);
  EXPECT_EQ(dialog.ControlAt({299, 200}), kHitNothing);
  dialog.Show(kIdView1Set, false);
  EXPECT_EQ(dialog.ControlAt(dialog.PointIn(kIdView1Set, 2, 2)), kHitDialog);

  // Where controls overlap, the later one is on top: the time covers the value's left end.
  EXPECT_EQ(dialog.ControlAt(dialog.PointIn(kIdView1ValueText, 2, 2)), kIdView1PositionText);
  EXPECT_EQ(dialog.ControlAt(dialog.PointIn(kIdView1ValueText, 30, 2)), kIdView1ValueText);

  // The dialog hears a click only on itself.
  dialog.UserClickAt(dialog.PointIn(kIdView2GraphImage, 10, 10));
  EXPECT_EQ(dialog.CursorPos(), dialog.PointIn(kIdView2GraphImage, 10, 10));
  dialog.UserClickAt(dialog.PointIn(kIdExit, 3, 3));
  EXPECT_EQ(seen.clicks, 1);
}

}  // namespace
}  // namespace tessaly
