#include "platform/qt/qt_dialog.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QEnterEvent>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSlider>
#include <QStyleOptionComboBox>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <atomic>
#include <map>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "platform/qt/qt_frame.h"

namespace tessaly {
namespace {

struct Command {
  int id;
  NotifyCode code;
  bool operator==(const Command&) const = default;
};
struct Scroll {
  int id;
  ScrollCode code;
  int thumb;
  bool operator==(const Scroll&) const = default;
};

class QtDialogTest : public testing::Test {
 protected:
  QtDialogTest() : dialog(frame.Dialog()) {
    dialog.onCommand = [this](int id, NotifyCode code) { commands.push_back({id, code}); };
    dialog.onScroll = [this](int id, ScrollCode code, int thumb) {
      scrolls.push_back({id, code, thumb});
    };
    frame.SetSavedPosition(40, 30);
    frame.Layout(true);
    frame.show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(&frame));
  }

  template <class W>
  W* As(int id) {
    W* widget = dynamic_cast<W*>(dialog.Widget(id));
    EXPECT_NE(widget, nullptr) << "control " << id;
    return widget;
  }

  // The dialog as it shows on screen.
  QImage Shot() { return dialog.grab().toImage().convertToFormat(QImage::Format_RGB32); }

  QtFrame frame;
  QtDialog& dialog;
  std::vector<Command> commands;
  std::vector<Scroll> scrolls;
};

TEST_F(QtDialogTest, EveryTemplateControlIsAWidgetAtItsPixelRectangle) {
  const auto controls = MainDialogControls();
  ASSERT_EQ(dialog.AllWidgets().size(), controls.size());
  for (std::size_t i = 0; i < controls.size(); ++i) {
    const ControlTemplate& c = controls[i];
    const QWidget* w = dialog.AllWidgets()[i];
    const PixelRect r = WidgetRectPixels(c);
    SCOPED_TRACE(testing::Message() << "control " << c.id << " \"" << c.caption << "\"");
    EXPECT_EQ(w->parentWidget(), &dialog);
    EXPECT_FALSE(w->isHidden());
    EXPECT_EQ(w->x(), r.left);
    EXPECT_EQ(w->y(), r.top);
    EXPECT_EQ(w->height(), r.height);
    if (c.kind == ControlKind::kRadioButton || c.kind == ControlKind::kCheckBox ||
        c.kind == ControlKind::kLabel) {
      // These may grow to show their caption, but never onto another control.
      EXPECT_GE(w->width(), r.width);
      for (std::size_t j = 0; j < controls.size(); ++j) {
        if (j != i && controls[j].kind != ControlKind::kGroupBox) {
          EXPECT_FALSE(w->geometry().intersects(dialog.AllWidgets()[j]->geometry()))
              << "overlaps control " << controls[j].id;
        }
      }
    } else {
      EXPECT_EQ(w->width(), r.width);
    }
    if (c.id != kStaticControlId) {
      EXPECT_EQ(dialog.Widget(c.id), w);
    }
  }
  EXPECT_EQ(dialog.Widget(9999), nullptr);
  EXPECT_EQ(dialog.size(), QSize(837, 695));
}

TEST_F(QtDialogTest, PictureClientAreasAreExactlyTheRasterSizes) {
  for (int id : {kIdView1Image, kIdView2Image}) {
    EXPECT_EQ(dialog.Widget(id)->size(), QSize(345, 21)) << id;
  }
  for (int id : {kIdView1GraphImage, kIdView2GraphImage}) {
    EXPECT_EQ(dialog.Widget(id)->size(), QSize(627, 110)) << id;
  }
  const QWidget* graph = dialog.Widget(kIdView1GraphImage);
  const QPoint topLeft = graph->mapToGlobal(QPoint(0, 0));
  EXPECT_EQ(dialog.ControlScreenRect(kIdView1GraphImage),
            (ScreenRect{topLeft.x(), topLeft.y(), topLeft.x() + 627, topLeft.y() + 110}));
}

TEST_F(QtDialogTest, RasterPixelsShowInThePictureWithTheEdgeOutside) {
  Raster strip(345, 21, Rgb(10, 20, 30));
  strip.SetPixel(0, 0, Rgb(255, 0, 0));
  strip.SetPixel(344, 20, Rgb(0, 0, 255));
  strip.SetPixel(100, 10, Rgb(0, 200, 0));
  dialog.SetPictureRaster(kIdView1Image, strip);
  QApplication::processEvents();
  const QImage shot = Shot();
  const QPoint o = dialog.Widget(kIdView1Image)->pos();
  EXPECT_EQ(shot.pixel(o), qRgb(255, 0, 0));
  EXPECT_EQ(shot.pixel(o + QPoint(344, 20)), qRgb(0, 0, 255));
  EXPECT_EQ(shot.pixel(o + QPoint(100, 10)), qRgb(0, 200, 0));
  EXPECT_EQ(shot.pixel(o + QPoint(5, 5)), qRgb(10, 20, 30));
  // The sunken edge: shadow above and left, light below and right.
  const QRgb shadow = dialog.palette().color(QPalette::Dark).rgb();
  const QRgb light = dialog.palette().color(QPalette::Light).rgb();
  EXPECT_EQ(shot.pixel(o + QPoint(-1, 5)), shadow);
  EXPECT_EQ(shot.pixel(o + QPoint(5, -1)), shadow);
  EXPECT_EQ(shot.pixel(o + QPoint(345, 5)), light);
  EXPECT_EQ(shot.pixel(o + QPoint(5, 21)), light);
}

TEST_F(QtDialogTest, PictureRepaintsFromItsSourceOnlyWhenInvalidated) {
  Raster back(627, 110, Rgb(0, 0, 0));
  dialog.SetPictureSource(kIdView1GraphImage, &back);
  std::vector<int> drawn;
  dialog.onDraw = [&](int id) {
    drawn.push_back(id);
    if (id == kIdView1GraphImage) {
      back.SetPixel(3, 4, Rgb(250, 240, 5));  // the owner paints while asked
    }
  };
  QApplication::processEvents();
  drawn.clear();

  dialog.Update(kIdView1GraphImage);  // nothing marked: nothing painted
  EXPECT_TRUE(drawn.empty());
  dialog.Invalidate(kIdView1GraphImage);
  dialog.Update(kIdView1GraphImage);
  EXPECT_EQ(drawn, std::vector<int>{kIdView1GraphImage});
  const QPoint o = dialog.Widget(kIdView1GraphImage)->pos();
  EXPECT_EQ(Shot().pixel(o + QPoint(3, 4)), qRgb(250, 240, 5));
}

TEST_F(QtDialogTest, OwnerSettingTheSameSourceWhileDrawingDoesNotRepaintForever) {
  Raster back(627, 110, Rgb(0, 0, 0));
  int draws = 0;
  dialog.onDraw = [&](int id) {
    if (id == kIdView1GraphImage) {
      ++draws;
      dialog.SetPictureSource(kIdView1GraphImage, &back);
    }
  };
  dialog.SetPictureSource(kIdView1GraphImage, &back);
  for (int i = 0; i < 20; ++i) {
    QApplication::processEvents();
  }
  const int settled = draws;
  for (int i = 0; i < 20; ++i) {
    QApplication::processEvents();
  }
  EXPECT_EQ(draws, settled);
  EXPECT_LE(settled, 2);
}

TEST_F(QtDialogTest, ProgramSelectionsAreSilentAndUserChoicesNotify) {
  const int id = kIdView1ValuesList;
  EXPECT_EQ(dialog.AddItemWithData(id, "1", 1), 0);
  EXPECT_EQ(dialog.AddItemWithData(id, "2", 2), 1);
  EXPECT_EQ(dialog.AddItemWithData(id, "3", 3), 2);
  // Filling a list selects nothing by itself.
  EXPECT_EQ(dialog.Selection(id), -1);
  EXPECT_EQ(dialog.ReadList(id), -1);
  dialog.SetSelection(id, 1);
  EXPECT_EQ(dialog.ReadList(id), 2);
  dialog.SetSelection(id, 3);  // outside: no selection
  EXPECT_EQ(dialog.Selection(id), -1);
  dialog.SetSelection(id, 0);
  EXPECT_TRUE(commands.empty());

  auto* combo = As<QComboBox>(id);
  combo->setFocus();
  QTest::keyClick(combo, Qt::Key_Down);  // the user picks the next item
  EXPECT_EQ(commands, (std::vector<Command>{{id, NotifyCode::kSelChange}}));
  EXPECT_EQ(dialog.ReadList(id), 2);

  EXPECT_EQ(dialog.ItemText(id, 2), "3");
  dialog.ClearItems(id);
  EXPECT_EQ(dialog.ItemCount(id), 0);
  EXPECT_EQ(dialog.Selection(id), -1);
  EXPECT_EQ(commands.size(), 1u);
  // Lists only: other controls refuse list calls.
  EXPECT_EQ(dialog.AddItem(2, "x"), -1);
}

TEST_F(QtDialogTest, OpeningAndClosingAListAreNotifiedButSelectNothing) {
  dialog.AddItemWithData(kIdFade, "None", 0);
  dialog.AddItemWithData(kIdFade, "Fade-out", 1);
  auto* combo = As<QComboBox>(kIdFade);
  combo->showPopup();
  combo->hidePopup();
  combo->hidePopup();  // already closed: nothing more
  EXPECT_EQ(commands, (std::vector<Command>{{kIdFade, NotifyCode::kDropDown},
                                            {kIdFade, NotifyCode::kCloseUp}}));
  EXPECT_EQ(dialog.Selection(kIdFade), -1);
}

TEST_F(QtDialogTest, ReadOnlyEditShowsTheBeginningOfALongText) {
  auto* name = As<QLineEdit>(kIdView1HexagramNameText);
  EXPECT_TRUE(name->isReadOnly());
  const std::string text = "Ch'ien / The Creative, Heaven over Heaven, the strong and firm";
  dialog.SetText(kIdView1HexagramNameText, text);
  EXPECT_EQ(dialog.Text(kIdView1HexagramNameText), text);
  EXPECT_LT(name->inputMethodQuery(Qt::ImCursorRectangle).toRect().left(),
            8);  // the first character is in view
  // The value sits at the right end of its box.
  EXPECT_TRUE(As<QLineEdit>(kIdView1ValueText)->alignment() & Qt::AlignRight);
}

TEST_F(QtDialogTest, RadioGroupsFollowTheUserButNotTheProgram) {
  dialog.SetChecked(kIdView1ServerRadio, true);
  dialog.SetChecked(kIdView1PseudorandomRadio, true);  // the program may tick both
  EXPECT_TRUE(dialog.IsChecked(kIdView1ServerRadio));
  EXPECT_TRUE(commands.empty());
  dialog.SetChecked(kIdView1PseudorandomRadio, false);

  dialog.SetChecked(kIdView1ServerRadio, true);
  dialog.SetChecked(kIdView2ServerRadio, true);
  QTest::mouseClick(As<QRadioButton>(kIdView1PseudorandomRadio), Qt::LeftButton);
  EXPECT_TRUE(dialog.IsChecked(kIdView1PseudorandomRadio));
  EXPECT_FALSE(dialog.IsChecked(kIdView1ServerRadio));
  EXPECT_TRUE(dialog.IsChecked(kIdView2ServerRadio));  // View 2's group is another one
  QTest::mouseClick(As<QRadioButton>(kIdView1PseudorandomRadio),
                    Qt::LeftButton);  // clicking the ticked one
  EXPECT_TRUE(dialog.IsChecked(kIdView1PseudorandomRadio));
  QTest::mouseClick(As<QCheckBox>(kIdMute), Qt::LeftButton);
  EXPECT_TRUE(dialog.IsChecked(kIdMute));
  dialog.Enable(5, false);
  QTest::mouseClick(As<QPushButton>(kIdCopyDown), Qt::LeftButton);  // disabled: no command
  QTest::mouseClick(As<QPushButton>(kIdView1Set), Qt::LeftButton);
  EXPECT_EQ(commands, (std::vector<Command>{{kIdView1PseudorandomRadio, NotifyCode::kClicked},
                                            {kIdView1PseudorandomRadio, NotifyCode::kClicked},
                                            {kIdMute, NotifyCode::kClicked},
                                            {kIdView1Set, NotifyCode::kClicked}}));
}

TEST_F(QtDialogTest, ScrollBarKeepsTheProgramsPositionAndReportsTheUsersAction) {
  const int id = kIdView1StepBar;
  dialog.SetScrollInfo(id, {0, 89, 30, 30});
  auto* bar = As<QScrollBar>(id);
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

  // The program answers by moving it.
  dialog.onScroll = [&](int sid, ScrollCode code, int) {
    if (code == ScrollCode::kLineDown) {
      dialog.SetScrollInfo(sid, {0, 89, 30, 31});
    }
  };
  bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
  EXPECT_EQ(bar->value(), 31);
  EXPECT_EQ(dialog.GetScrollInfo(id).pos, 31);

  // A dragged thumb follows the pointer and reports its place, then goes back
  // to where the program keeps it.
  scrolls.clear();
  dialog.onScroll = [this](int sid, ScrollCode code, int thumb) {
    scrolls.push_back({sid, code, thumb});
  };
  bar->setSliderDown(true);
  bar->setSliderPosition(45);
  bar->setSliderDown(false);
  EXPECT_EQ(scrolls, (std::vector<Scroll>{{id, ScrollCode::kThumbTrack, 45},
                                          {id, ScrollCode::kThumbPosition, 45},
                                          {id, ScrollCode::kEnd, 0}}));
  EXPECT_EQ(bar->value(), 31);
}

TEST_F(QtDialogTest, VolumeTrackbarHasItsMinimumAtTheTop) {
  const int id = kIdVolume;
  auto* slider = As<QSlider>(id);
  EXPECT_EQ(slider->maximum(), 100);

  // The top is the minimum: a click in the groove above the thumb pages toward 0.
  dialog.SetTrackbarPos(id, 50);
  QTest::mouseClick(slider, Qt::LeftButton, {}, QPoint(slider->width() / 2, 3));
  EXPECT_EQ(dialog.TrackbarPos(id), 30);
  EXPECT_EQ(scrolls,
            (std::vector<Scroll>{{id, ScrollCode::kPageUp, 0}, {id, ScrollCode::kEnd, 0}}));
  scrolls.clear();

  dialog.SetTrackbarPos(id, 130);
  EXPECT_EQ(dialog.TrackbarPos(id), 100);
  dialog.SetTrackbarPos(id, 50);
  EXPECT_TRUE(scrolls.empty());

  // A drag reports the thumb while it moves and the end when it is let go.
  slider->setSliderDown(true);
  slider->setSliderPosition(20);
  slider->setSliderDown(false);
  EXPECT_EQ(scrolls,
            (std::vector<Scroll>{{id, ScrollCode::kThumbTrack, 20}, {id, ScrollCode::kEnd, 0}}));
  EXPECT_EQ(dialog.TrackbarPos(id), 20);

  // A page click ends with end-track, by which time the position is the new one.
  scrolls.clear();
  int posAtEnd = -1;
  dialog.onScroll = [&](int sid, ScrollCode code, int thumb) {
    scrolls.push_back({sid, code, thumb});
    if (code == ScrollCode::kEnd) {
      posAtEnd = dialog.TrackbarPos(sid);
    }
  };
  slider->triggerAction(QAbstractSlider::SliderPageStepAdd);
  EXPECT_EQ(scrolls,
            (std::vector<Scroll>{{id, ScrollCode::kPageDown, 0}, {id, ScrollCode::kEnd, 0}}));
  EXPECT_EQ(posAtEnd, 40);
}

TEST_F(QtDialogTest, PostsArriveInOrderOnTheGuiThreadAfterTheCurrentEvent) {
  dialog.PostCommand(kIdView1Set, NotifyCode::kClicked);
  dialog.PostCommand(kIdView2Set, NotifyCode::kClicked);
  bool exit = false;
  dialog.onExitRequest = [&] { exit = true; };
  dialog.PostExitRequest();
  std::atomic<int> stops{0};
  QThread* calledOn = nullptr;
  dialog.onPlayerStopped = [&] {
    calledOn = QThread::currentThread();
    ++stops;
  };
  std::thread audio([&] { dialog.PostPlayerStopped(); });
  audio.join();
  EXPECT_TRUE(commands.empty());  // nothing runs on the caller's thread or at once
  EXPECT_FALSE(exit);
  EXPECT_EQ(stops, 0);
  QApplication::processEvents();
  EXPECT_EQ(commands, (std::vector<Command>{{kIdView1Set, NotifyCode::kClicked},
                                            {kIdView2Set, NotifyCode::kClicked}}));
  EXPECT_TRUE(exit);
  EXPECT_EQ(stops, 1);
  EXPECT_EQ(calledOn, QApplication::instance()->thread());
}

TEST_F(QtDialogTest, TimersRepeatUntilStoppedAlsoFromTheirOwnCallback) {
  int ticks = 0;
  EXPECT_FALSE(dialog.StartTimer(1, 0, [] {}));
  ASSERT_TRUE(dialog.StartTimer(1, 5, [&] {
    if (++ticks == 3) {
      dialog.StopTimer(1);
    }
  }));
  EXPECT_TRUE(QTest::qWaitFor([&] { return ticks >= 3; }, 5000));
  QTest::qWait(30);
  EXPECT_EQ(ticks, 3);

  int other = 0;
  ASSERT_TRUE(dialog.StartTimer(1, 5, [&] { ++ticks; }));
  ASSERT_TRUE(dialog.StartTimer(1, 5, [&] { ++other; }));  // replaces the callback
  EXPECT_TRUE(QTest::qWaitFor([&] { return other >= 2; }, 5000));
  dialog.StopTimer(1);
  EXPECT_EQ(ticks, 3);
  EXPECT_GT(other, 0);
}

TEST_F(QtDialogTest, MessageBoxIsModalWhileTimersAndPostsRun) {
  int ticks = 0;
  dialog.StartTimer(1, 5, [&] { ++ticks; });
  dialog.PostCommand(kIdView1Set, NotifyCode::kClicked);
  std::string shownText;
  std::string shownDetail;
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

TEST_F(QtDialogTest, HitTestLetsThePointerThroughPicturesLabelsAndFrames) {
  auto centre = [&](int id) {
    const ScreenRect r = dialog.ControlScreenRect(id);
    return ScreenPoint{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
  };
  QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));  // the pointer is over it
  QApplication::sendEvent(&dialog, &enter);
  EXPECT_EQ(dialog.ControlAt(centre(kIdView1Set)), kIdView1Set);
  EXPECT_EQ(dialog.ControlAt(centre(kIdView1GraphImage)), kHitDialog);
  EXPECT_EQ(dialog.ControlAt(centre(kIdCopyLabel)), kHitDialog);  // the "Copy settings" label
  const QPoint o = dialog.mapToGlobal(QPoint(0, 0));
  EXPECT_EQ(dialog.ControlAt({o.x() + 3, o.y() + 3}), kHitDialog);
  EXPECT_EQ(dialog.ControlAt({o.x() - 5, o.y() + 3}), kHitNothing);
  EXPECT_EQ(dialog.ControlAt({o.x() + 3, o.y() + 700}), kHitNothing);
  dialog.Show(kIdView1Set, false);
  EXPECT_EQ(dialog.ControlAt(centre(kIdView1Set)), kHitDialog);
  // A combo box is hit on its field, not on its opened list's area.
  EXPECT_EQ(dialog.ControlAt({centre(kIdView1StationList).x,
                              dialog.ControlScreenRect(kIdView1StationList).top + 5}),
            kIdView1StationList);
}

TEST_F(QtDialogTest, ClickOnAPictureReachesTheDialogWithItsScreenPoint) {
  std::vector<ScreenPoint> clicks;
  dialog.onLeftButtonUp = [&](ScreenPoint p) { clicks.push_back(p); };
  const QPoint inGraph = dialog.Widget(kIdView1GraphImage)->geometry().topLeft() + QPoint(40, 20);
  const QPoint inFrame = dialog.mapTo(&frame, inGraph);
  QTest::mouseClick(frame.windowHandle(), Qt::LeftButton, {}, inFrame);
  ASSERT_EQ(clicks.size(), 1u);
  const QPoint global = dialog.mapToGlobal(inGraph);
  EXPECT_EQ(clicks[0], (ScreenPoint{global.x(), global.y()}));
  // A button takes its own clicks.
  QTest::mouseClick(frame.windowHandle(), Qt::LeftButton, {},
                    dialog.mapTo(&frame, dialog.Widget(kIdView1Set)->geometry().center()));
  EXPECT_EQ(clicks.size(), 1u);
  EXPECT_EQ(commands, (std::vector<Command>{{kIdView1Set, NotifyCode::kClicked}}));
}

TEST_F(QtDialogTest, EscapeReachesTheDialogWhereverTheFocusIs) {
  std::vector<int> keys;
  dialog.onKey = [&](int key) { keys.push_back(key); };
  auto* button = As<QPushButton>(kIdView1Set);
  button->setFocus();
  QTest::keyClick(button, Qt::Key_Escape);
  QTest::keyClick(As<QComboBox>(kIdView1OrderByList), Qt::Key_Escape);
  QTest::keyClick(As<QLineEdit>(kIdView1PositionText), Qt::Key_Escape);
  QTest::keyClick(button, Qt::Key_A);
  EXPECT_EQ(keys, (std::vector<int>{kKeyEscape, kKeyEscape, kKeyEscape}));
}

// Every caption, and the longest text the program puts into each list and
// box, shows whole at the layout's geometry in the dialog's look.
TEST_F(QtDialogTest, LongestTextsShowWhole) {
  for (std::size_t i = 0; i < dialog.AllWidgets().size(); ++i) {
    const ControlTemplate& c = MainDialogControls()[i];
    QWidget* w = dialog.AllWidgets()[i];
    SCOPED_TRACE(testing::Message() << "control " << c.id << " \"" << c.caption << "\"");
    const int text = w->fontMetrics().horizontalAdvance(QString::fromUtf8(c.caption.data()));
    switch (c.kind) {
      case ControlKind::kLabel:
        EXPECT_LE(text, w->contentsRect().width());
        EXPECT_LE(w->fontMetrics().height(), w->height());
        break;
      case ControlKind::kPushButton:
        EXPECT_LE(text + 4, w->width());
        break;
      case ControlKind::kRadioButton:
      case ControlKind::kCheckBox:
        EXPECT_LE(w->sizeHint().width(), w->width());
        break;
      default:
        break;
    }
  }
  const std::map<int, std::vector<const char*>> lists = {
      {kIdView1YearList, {"2026"}},
      {kIdView1HexagramMethodList, {"Sticks", "Coin", "Card"}},
      {kIdView1HexagramLanguageList, {"Chinese", "English", "Russian"}},
      {kIdView1OrderByList,
       {"Host IDs", "Longitude", "Current median", "Current median each time"}},
      {kIdMusicScale, {"Chromatic", "Major", "Minor", "Maj. pentatonic", "Min. pentatonic"}},
      {kIdBaseFrequency, {"1046.50   C", "932.33   A#", "880.00   A"}},
      {kIdFade, {"None", "Fade-out", "Fade-in"}},
  };
  for (const auto& [id, items] : lists) {
    auto* combo = As<QComboBox>(id);
    QStyleOptionComboBox option;
    option.initFrom(combo);
    option.frame = true;
    option.rect = combo->rect();
    const QRect field = combo->style()->subControlRect(QStyle::CC_ComboBox, &option,
                                                       QStyle::SC_ComboBoxEditField, combo);
    for (const char* item : items) {
      EXPECT_LE(combo->fontMetrics().horizontalAdvance(QString::fromUtf8(item)) + 2, field.width())
          << "list " << id << " item \"" << item << "\"";
    }
  }
  const std::vector<std::pair<int, const char*>> edits = {
      {kIdView1PositionText, "2026-12-28 23:58:00"},
      {kIdView1StationsText, "Hosts: 100"},
      {kIdView1NoDataText, "No data for this host"}};
  for (const auto& [id, text] : edits) {
    auto* edit = As<QLineEdit>(id);
    dialog.SetText(id, text);
    // A line edit keeps a 2-pixel margin inside its frame on each side.
    const int room =
        edit->contentsRect().width() - edit->textMargins().left() - edit->textMargins().right() - 4;
    EXPECT_LE(edit->fontMetrics().horizontalAdvance(QString::fromUtf8(text)), room)
        << "edit " << id << " text \"" << text << "\"";
  }
}

}  // namespace
}  // namespace tessaly
