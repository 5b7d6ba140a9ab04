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

}  // namespace
}  // namespace tessaly
