#include "platform/qt/qt_frame.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QTest>

#include <cstdlib>
#include <vector>

namespace tessaly {
namespace {

QAction* FindAction(QMenuBar& bar, const QString& menu, const QString& item) {
  for (QAction* top : bar.actions()) {
    if (top->text() == menu && top->menu() != nullptr) {
      for (QAction* action : top->menu()->actions()) {
        if (action->text() == item) {
          return action;
        }
      }
    }
  }
  return nullptr;
}

// Where Layout puts a frame (837 pixels wide) on the 800 x 800 offscreen screen
// from a saved position, and which position is saved at exit: the frame's own
// unless the saved one was off every screen and the frame has not moved since.
TEST(QtFrameTest, PlacementFromTheSavedPosition) {
  ASSERT_EQ(QGuiApplication::primaryScreen()->geometry(), QRect(0, 0, 800, 800));
  constexpr int kCentreX = -18;  // (800 - 837) / 2, truncated toward zero
  struct Case {
    int x, y;
    bool centred;
    ScreenPoint placed;  // when not centred
  } cases[] = {
      {0, 0, true, {}},                 // nothing saved
      {-40, -30, false, {-40, 0}},      // above the screen: the top is raised, x kept
      {-600, 100, false, {-600, 100}},  // the title bar's right end still on the screen
      {-837, 100, true, {}},            // the title bar just left of the screen
      {100, 799, false, {100, 799}},    // its top row on the screen's last row
      {100, 800, true, {}},             // below the screen
      {99999999, 99999999, true, {}},   // hand-edited far away
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.x << "," << c.y);
    QtFrame frame;
    frame.SetSavedPosition(c.x, c.y);
    const ScreenPoint p = frame.Layout(true);
    if (c.centred) {
      EXPECT_EQ(p.x, kCentreX);
      // Centred vertically: as much room above as below, to the pixel.
      EXPECT_LE(std::abs(800 - frame.height() - 2 * p.y), 1);
    } else {
      EXPECT_EQ(p, c.placed);
    }
    EXPECT_EQ(frame.pos(), QPoint(p.x, p.y));
    frame.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&frame));
    const bool offScreen = c.centred && !(c.x == 0 && c.y == 0);
    const ScreenPoint saved = offScreen ? ScreenPoint{c.x, c.y} : p;
    EXPECT_EQ(frame.PositionToSave(), saved);
    frame.move(120, 80);  // the user moves it: from now on its place is saved
    EXPECT_EQ(frame.PositionToSave(), (ScreenPoint{120, 80}));
  }
}

TEST(QtFrameTest, CloseBoxAndMenuExitAskTheProgramWhichThenDestroysTheFrame) {
  QtFrame frame;
  int requests = 0;
  int destroyed = 0;
  frame.onCloseRequest = [&] { ++requests; };
  frame.onDestroy = [&] { ++destroyed; };
  frame.Layout(true);
  frame.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&frame));

  frame.close();
  FindAction(frame.MenuBar(), "&File", "E&xit")->trigger();
  EXPECT_EQ(requests, 2);
  EXPECT_TRUE(frame.isVisible());
  EXPECT_EQ(destroyed, 0);

  int escapes = 0;  // Escape with nothing focused reaches the dialog
  frame.Dialog().onKey = [&](int key) { escapes += key == kKeyEscape; };
  QTest::keyClick(&frame, Qt::Key_Escape);
  QTest::keyClick(&frame.Dialog(), Qt::Key_Escape);
  EXPECT_EQ(escapes, 2);

  frame.Destroy();
  EXPECT_FALSE(frame.isVisible());
  EXPECT_EQ(destroyed, 1);
  frame.Destroy();
  EXPECT_EQ(destroyed, 1);
}

}  // namespace
}  // namespace tessaly
