#include "platform/qt/qt_frame.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include <algorithm>

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

TEST(QtFrameTest, TitleMenusAndWindowButtons) {
  QtFrame frame;
  EXPECT_EQ(frame.windowTitle(), QStringLiteral("Tessaly"));
  const Qt::WindowFlags flags = frame.windowFlags();
  EXPECT_TRUE(flags & Qt::WindowMinimizeButtonHint);
  EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
  EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
  EXPECT_EQ(frame.minimumSize(), frame.maximumSize());  // fixed size
  EXPECT_NE(FindAction(frame.MenuBar(), "&File", "E&xit"), nullptr);
  EXPECT_NE(FindAction(frame.MenuBar(), "&Help", "&About ..."), nullptr);
  EXPECT_EQ(frame.Dialog().parentWidget(), &frame);
  EXPECT_EQ(frame.Dialog().y(), frame.MenuBar().height());
}

TEST(QtFrameTest, HiddenView2EndsTheFrame20PixelsBelowTheView2Button) {
  QtFrame frame;
  frame.SetSavedPosition(100, 50);
  frame.Layout(false);
  const QWidget* button = frame.Dialog().Widget(kIdView2);
  const int buttonBottom = frame.Dialog().mapTo(&frame, button->geometry().bottomLeft()).y() + 1;
  EXPECT_EQ(frame.height(), buttonBottom + 20);
  EXPECT_EQ(frame.width(), frame.Dialog().width());

  frame.Layout(true);
  EXPECT_EQ(frame.height(), frame.Dialog().y() + frame.Dialog().height());
  EXPECT_EQ(frame.pos(), QPoint(100, 50));
}

TEST(QtFrameTest, NoSavedPositionCentresAndTheTopIsNeverAboveTheScreen) {
  const QRect screen = QGuiApplication::primaryScreen()->geometry();
  QtFrame frame;
  const ScreenPoint p = frame.Layout(false);
  EXPECT_EQ(p.x, (screen.width() - frame.frameGeometry().width()) / 2);
  EXPECT_EQ(p.y, std::max(0, (screen.height() - frame.frameGeometry().height()) / 2));
  EXPECT_EQ(frame.pos(), QPoint(p.x, p.y));

  QtFrame saved;
  saved.SetSavedPosition(-40, -30);
  EXPECT_EQ(saved.Layout(true), (ScreenPoint{-40, 0}));
  saved.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&saved));
  EXPECT_EQ(saved.RestoredPosition(), (ScreenPoint{-40, 0}));
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

  frame.Destroy();
  EXPECT_FALSE(frame.isVisible());
  EXPECT_EQ(destroyed, 1);
  frame.Destroy();
  EXPECT_EQ(destroyed, 1);
}

TEST(QtFrameTest, AboutBoxFromTheHelpMenu) {
  QtFrame frame;
  frame.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&frame));
  QString title;
  QStringList lines;
  QTimer::singleShot(50, [&] {
    auto* box = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(box, nullptr);
    title = box->windowTitle();
    for (const QLabel* label : box->findChildren<QLabel*>()) {
      lines << label->text();
    }
    box->accept();
  });
  FindAction(frame.MenuBar(), "&Help", "&About ...")->trigger();
  EXPECT_EQ(title, QString::fromUtf8(kAboutTitle));
  EXPECT_TRUE(lines.contains(QString::fromUtf8(kAboutVersionLine)));
}

TEST(QtFrameTest, EscapeWithNothingFocusedReachesTheDialog) {
  QtFrame frame;
  int escapes = 0;
  frame.Dialog().onKey = [&](int key) { escapes += key == kKeyEscape; };
  frame.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&frame));
  QTest::keyClick(&frame, Qt::Key_Escape);
  QTest::keyClick(&frame.Dialog(), Qt::Key_Escape);
  EXPECT_EQ(escapes, 2);
}

}  // namespace
}  // namespace tessaly
