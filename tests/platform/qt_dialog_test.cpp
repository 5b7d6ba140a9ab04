#include "platform/qt/qt_dialog.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollBar>
#include <QSlider>
#include <QTest>
#include <QTimer>

#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "platform/qt/qt_frame.h"

namespace tessaly {
namespace {

using Command = std::pair<int, NotifyCode>;
using Scroll = std::tuple<int, ScrollCode, int>;

class QtDialogTest : public testing::Test {
 protected:
  QtDialogTest() : dialog(frame.Dialog()) {
    dialog.onCommand = [this](int id, NotifyCode code) { commands.emplace_back(id, code); };
    dialog.onScroll = [this](int id, ScrollCode code, int thumb) {
      scrolls.emplace_back(id, code, thumb);
    };
    frame.SetSavedPosition(40, 30);
    frame.Layout(true);
    frame.show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(&frame));
  }

  QtFrame frame;
  QtDialog& dialog;
  std::vector<Command> commands;
  std::vector<Scroll> scrolls;
};

TEST_F(QtDialogTest, ScrollBarAndTrackbarKeepTheProgramsPositionAndReportTheUsersAction) {
  const int id = kIdView1StepBar;
  dialog.SetScrollInfo(id, {0, 89, 30, 30});
  auto* bar = qobject_cast<QScrollBar*>(dialog.Widget(id));
  ASSERT_NE(bar, nullptr);
  EXPECT_EQ(bar->maximum(), 60);  // the thumb covers 30 of 0..89
  EXPECT_EQ(dialog.GetScrollInfo(id), (ScrollInfo{0, 89, 30, 30}));

  // Out-of-range requests are brought into the range, as FakeDialog does.
  dialog.SetScrollInfo(id, {0, 89, 30, 75});
  EXPECT_EQ(dialog.GetScrollInfo(id).pos, 60);
  dialog.SetScrollInfo(kIdView1StationScroll, {5, 2, 0, 9});  // max below min
  EXPECT_EQ(dialog.GetScrollInfo(kIdView1StationScroll), (ScrollInfo{5, 5, 0, 5}));
  dialog.SetScrollInfo(id, {0, 89, 30, 30});

  bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);  // right arrow
  bar->triggerAction(QAbstractSlider::SliderPageStepSub);    // page area left of the thumb
  EXPECT_EQ(scrolls,
            (std::vector<Scroll>{{id, ScrollCode::kLineDown, 0}, {id, ScrollCode::kPageUp, 0}}));
  EXPECT_EQ(bar->value(), 30);  // the bar itself does not move

  // A dragged thumb follows the pointer and reports its place, then goes back
  // to where the program keeps it.
  scrolls.clear();
  bar->setSliderDown(true);
  bar->setSliderPosition(45);
  bar->setSliderDown(false);
  EXPECT_EQ(scrolls, (std::vector<Scroll>{{id, ScrollCode::kThumbTrack, 45},
                                          {id, ScrollCode::kThumbPosition, 45},
                                          {id, ScrollCode::kEnd, 0}}));
  EXPECT_EQ(bar->value(), 30);

  scrolls.clear();
  auto* slider = qobject_cast<QSlider*>(dialog.Widget(kIdVolume));
  ASSERT_NE(slider, nullptr);
  EXPECT_EQ(slider->maximum(), 100);

  // The volume's top is its minimum: a click in the groove above the thumb pages toward 0.
  dialog.SetTrackbarPos(kIdVolume, 50);
  QTest::mouseClick(slider, Qt::LeftButton, {}, QPoint(slider->width() / 2, 3));
  EXPECT_EQ(dialog.TrackbarPos(kIdVolume), 30);
  EXPECT_EQ(scrolls, (std::vector<Scroll>{{kIdVolume, ScrollCode::kPageUp, 0},
                                          {kIdVolume, ScrollCode::kEnd, 0}}));
  scrolls.clear();

  dialog.SetTrackbarPos(kIdVolume, 50);
  EXPECT_TRUE(scrolls.empty());

  // A drag reports the thumb while it moves and the end when it is let go.
  slider->setSliderDown(true);
  slider->setSliderPosition(20);
  slider->setSliderDown(false);
  EXPECT_EQ(scrolls, (std::vector<Scroll>{{kIdVolume, ScrollCode::kThumbTrack, 20},
                                          {kIdVolume, ScrollCode::kEnd, 0}}));
  EXPECT_EQ(dialog.TrackbarPos(kIdVolume), 20);

  // A page click ends with end-track, by which time the position is the new one.
  scrolls.clear();
  int posAtEnd = -1;
  dialog.onScroll = [&](int sid, ScrollCode code, int thumb) {
    scrolls.emplace_back(sid, code, thumb);
    if (code == ScrollCode::kEnd) {
      posAtEnd = dialog.TrackbarPos(sid);
    }
  };
  slider->triggerAction(QAbstractSlider::SliderPageStepAdd);
  EXPECT_EQ(scrolls, (std::vector<Scroll>{{kIdVolume, ScrollCode::kPageDown, 0},
                                          {kIdVolume, ScrollCode::kEnd, 0}}));
  EXPECT_EQ(posAtEnd, 40);
}

// Captions their widgets do not show whole.
std::vector<std::string> ClippedCaptions(const QtDialog& dialog) {
  std::vector<std::string> clipped;
  for (const QWidget* w : dialog.AllWidgets()) {
    const auto* label = qobject_cast<const QLabel*>(w);
    const auto* button = qobject_cast<const QAbstractButton*>(w);
    const QString text = label ? label->text() : button ? button->text() : QString();
    // A radio's or check box's hint holds its box and caption.
    const int need = button && !qobject_cast<const QPushButton*>(w)
                         ? w->sizeHint().width()
                         : w->fontMetrics().horizontalAdvance(text);
    if (!text.isEmpty() && (need > w->width() || w->fontMetrics().ascent() > w->height())) {
      clipped.push_back(text.toStdString());
    }
  }
  return clipped;
}

TEST_F(QtDialogTest, PicturesArePaintedPixelForPixelAtTheScreensScaleAndNoCaptionIsClipped) {
  // The test command runs this at 1, and again at 1.5 and 2.
  const double scale = qEnvironmentVariable("QT_SCALE_FACTOR", "1").toDouble();
  ASSERT_EQ(dialog.PixelScale(), scale);
  EXPECT_EQ(ClippedCaptions(dialog), std::vector<std::string>{});
  // The graph is 418 dialog units: 627 pixels at 96 DPI, in device pixels here.
  const ScreenRect r = dialog.ControlScreenRect(kIdView1GraphImage);
  const int width = r.right - r.left;
  const int height = r.bottom - r.top;
  EXPECT_NEAR(width, 627 * scale, 627 * scale * 0.02);

  // A raster of 4-pixel columns reaches the screen one pixel for one, so a
  // second stays 4 device pixels wide.
  const auto colour = [](int x, int y) {
    return x / 4 % 2 == 0 ? Rgb(0xF0, uint32_t(y % 256), 0x10) : Rgb(0x10, 0x20, 0xE0);
  };
  Raster graph(width, height);
  for (int i = 0; i < width * height; ++i) {
    graph.SetPixel(i % width, i / width, colour(i % width, i / width));
  }
  dialog.SetPictureSource(kIdView1GraphImage, &graph);
  const QImage shown = frame.grab().toImage().convertToFormat(QImage::Format_RGB32);
  const QPoint at = dialog.Widget(kIdView1GraphImage)->mapTo(&frame, QPoint(0, 0)) * scale;
  int wrong = 0;
  for (int i = 0; i < width * height; ++i) {
    const QColor p = shown.pixelColor(at + QPoint(i % width, i / width));
    wrong += Rgb(uint32_t(p.red()), uint32_t(p.green()), uint32_t(p.blue())) !=
             colour(i % width, i / width);
  }
  EXPECT_EQ(wrong, 0);
  dialog.SetPictureSource(kIdView1GraphImage, nullptr);
}

TEST_F(QtDialogTest, MessageBoxIsModalWhileTimersAndPostsRun) {
  int ticks = 0;
  dialog.StartTimer(1, 5, [&] { ++ticks; });
  dialog.PostCommand(kIdView1Set, NotifyCode::kClicked);
  std::string shownText, shownDetail;
  // The "user" answers once the tick has run a few times under the open box.
  QTimer answer;
  QObject::connect(&answer, &QTimer::timeout, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (box != nullptr && ticks > 3) {
      answer.stop();
      shownText = box->text().toStdString();
      shownDetail = box->informativeText().toStdString();
      box->button(QMessageBox::No)->click();
    }
  });
  answer.start(5);
  const MessageBoxButton chosen =
      dialog.ShowMessageBox("No data received from server for:\r\n2026-12-28 - 23:58", "Tessaly",
                            MessageBoxStyle::kYesNo, "Connection refused");
  dialog.StopTimer(1);
  EXPECT_EQ(shownDetail, "Connection refused");
  EXPECT_EQ(chosen, MessageBoxButton::kNo);
  EXPECT_EQ(shownText, "No data received from server for:\n2026-12-28 - 23:58");
  EXPECT_GT(ticks, 3);
  EXPECT_EQ(commands, (std::vector<Command>{{kIdView1Set, NotifyCode::kClicked}}));

  QTimer::singleShot(20,
                     [] { QTest::keyClick(QApplication::activeModalWidget(), Qt::Key_Escape); });
  EXPECT_EQ(dialog.ShowMessageBox("x", "Tessaly", MessageBoxStyle::kOkCancel),
            MessageBoxButton::kCancel);
}

// The same keys as the Windows program's dialog manager gives.
TEST_F(QtDialogTest, TabFollowsTheTemplateEnterAndSpacePressOnlyAFocusedButton) {
  frame.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&frame));
  std::vector<int> keys;
  dialog.onKey = [&keys](int key) { keys.push_back(key); };
  const auto type = [this](Qt::Key key, Qt::KeyboardModifiers modifiers = {}) {
    QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : &frame, key,
                    modifiers);
  };
  const auto focused = [this] {
    const std::vector<QWidget*>& all = dialog.AllWidgets();
    const auto at = std::find(all.begin(), all.end(), QApplication::focusWidget());
    return at == all.end() ? 0 : MainDialogControls()[size_t(at - all.begin())].id;
  };
  std::vector<int> expected, reached;  // the template's tab stops from the first to "Set"
  for (const ControlTemplate& c : MainDialogControls()) {
    if (c.Has(kStyleTabStop) && (expected.empty() || expected.back() != kIdView1Set)) {
      expected.push_back(c.id);
    }
  }
  while (reached.size() < expected.size()) {
    type(Qt::Key_Tab);
    reached.push_back(focused());
  }
  EXPECT_EQ(reached, expected);
  type(Qt::Key_Return);
  type(Qt::Key_Space);
  type(Qt::Key_Tab, Qt::ShiftModifier);
  EXPECT_EQ(focused(), kIdView1NowMinus10);
  dialog.Widget(kIdView1HourList)->setFocus();
  type(Qt::Key_Return);
  dialog.Widget(kIdView1ServerRadio)->setFocus();
  type(Qt::Key_Right);
  EXPECT_EQ(focused(), kIdView1PseudorandomRadio);
  EXPECT_TRUE(dialog.IsChecked(kIdView1PseudorandomRadio));
  type(Qt::Key_F1);
  EXPECT_EQ(commands, (std::vector<Command>{{kIdView1Set, NotifyCode::kClicked},
                                            {kIdView1Set, NotifyCode::kClicked},
                                            {kIdView1PseudorandomRadio, NotifyCode::kClicked},
                                            {kIdHelp, NotifyCode::kClicked}}));
  // Alt+Esc is the system's; Escape ends, wherever the focus is.
  type(Qt::Key_Escape, Qt::AltModifier);
  type(Qt::Key_Escape);
  EXPECT_EQ(keys, std::vector<int>{kKeyEscape});
}

}  // namespace
}  // namespace tessaly
