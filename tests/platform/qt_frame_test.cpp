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

// Two screens, the right one at twice the scale (the test command's offscreen
// configuration): moved there, the frame says so once, and the pictures are
// twice as many device pixels.
TEST(QtFrameTest, OnAScreenOfAnotherScaleThePicturesHaveTheirDevicePixels) {
  ASSERT_EQ(QGuiApplication::screens().size(), 2);
  QtFrame frame;
  int changes = 0;
  frame.onScaleChanged = [&changes] { ++changes; };
  frame.SetSavedPosition(40, 30);
  frame.Layout(true);
  frame.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&frame));
  const ScreenRect left = frame.Dialog().ControlScreenRect(kIdView1GraphImage);
  frame.move(1640, 30);
  QApplication::processEvents();
  EXPECT_EQ(changes, 1);
  const ScreenRect right = frame.Dialog().ControlScreenRect(kIdView1GraphImage);
  EXPECT_EQ(right.right - right.left, 2 * (left.right - left.left));
}

}  // namespace
}  // namespace tessaly
