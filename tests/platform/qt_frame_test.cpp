#include "platform/qt/qt_frame.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QGuiApplication>
#include <QMenuBar>
#include <QScreen>
#include <QTest>

#include <algorithm>

namespace tessaly {
namespace {

// The close box and "Exit" ask the program, which then destroys the frame.
// Where the frame goes and what it saves: a saved position off every screen
// (a monitor since unplugged) is shown centred but kept until the user moves
// the frame; a minimised frame saves where it will come back.
TEST(QtFrameTest, CloseAsksTheProgramAndLayoutSavesWhereTheFrameComesBack) {
  QtFrame frame;
  int requests = 0, destroyed = 0, escapes = 0;
  frame.onCloseRequest = [&] { ++requests; };
  frame.onDestroy = [&] { ++destroyed; };
  frame.Dialog().onKey = [&](int key) { escapes += key == kKeyEscape; };
  frame.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&frame));
  frame.close();
  for (QAction* action : frame.MenuBar().findChildren<QAction*>()) {
    if (action->text() == "E&xit") {
      action->trigger();
    }
  }
  EXPECT_EQ(requests, 2);
  EXPECT_TRUE(frame.isVisible());
  // Escape with nothing focused reaches the dialog.
  QTest::keyClick(&frame, Qt::Key_Escape);
  QTest::keyClick(&frame.Dialog(), Qt::Key_Escape);
  EXPECT_EQ(escapes, 2);

  const QRect screen = QGuiApplication::primaryScreen()->geometry();
  const QWidget* view2 = frame.Dialog().Widget(kIdView2);
  ASSERT_NE(view2, nullptr);
  const struct {
    int x, y;
    bool view2;
    ScreenPoint at, saved;  // where the frame goes, what it saves; {} = centred
  } cases[] = {{40, 30, true, {40, 30}, {40, 30}},
               {-40, -25, false, {-40, 0}, {-40, 0}},
               {5000, 5000, true, {}, {5000, 5000}},
               {0, 0, false, {}, {}}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.x);
    frame.SetSavedPosition(c.x, c.y);
    const ScreenPoint at = frame.Layout(c.view2);
    const int height = c.view2 ? frame.Dialog().y() + frame.Dialog().height()
                               : frame.Dialog().y() + view2->geometry().bottom() + 1 + 20;
    EXPECT_EQ(frame.height(), height);
    const ScreenPoint centred{screen.x() + (screen.width() - frame.frameGeometry().width()) / 2,
                              std::max(0, (screen.height() - frame.frameGeometry().height()) / 2)};
    EXPECT_EQ(at, c.at == ScreenPoint{} ? centred : c.at);
    EXPECT_EQ(frame.RestoredPosition(), at);
    EXPECT_EQ(frame.PositionToSave(), c.saved == ScreenPoint{} ? centred : c.saved);
  }
  frame.SetSavedPosition(5000, 5000);
  frame.Layout(true);
  frame.move(frame.pos() + QPoint(7, 3));  // the user moves the rescued frame
  EXPECT_EQ(frame.PositionToSave(), frame.RestoredPosition());
  EXPECT_NE(frame.PositionToSave(), (ScreenPoint{5000, 5000}));

  frame.SetSavedPosition(40, 30);
  frame.Layout(true);
  frame.showMinimized();
  EXPECT_TRUE(frame.isMinimized());
  EXPECT_EQ(frame.PositionToSave(), (ScreenPoint{40, 30}));

  EXPECT_EQ(destroyed, 0);
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
