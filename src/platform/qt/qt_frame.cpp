#include "platform/qt/qt_frame.h"

#include <QCloseEvent>
#include <QDialog>
#include <QDialogButtonBox>
#include <QGuiApplication>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>
#include <QWindow>

#include <algorithm>

#include "platform/qt/qt_child.h"
#include "views/control_ids.h"

namespace tessaly {
namespace {

// With View 2 hidden the frame ends this far below the "View 2" button.
constexpr int kBelowView2Button = 20;

}  // namespace

QIcon ProgramIcon() {
  return QIcon(QStringLiteral(":/tessaly/tessaly.svg"));
}

QtFrame::QtFrame(QWidget* parent) : QWidget(parent) {
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                 Qt::WindowCloseButtonHint);
  setWindowTitle(QStringLiteral("Tessaly"));
  setWindowIcon(ProgramIcon());

  menuBar_ = MakeChild<QMenuBar>(this);
  QMenu* file = menuBar_->addMenu(QStringLiteral("&File"));
  QAction* saveSound = file->addAction(QStringLiteral("Save &Sound…"));
  saveSound->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
  QAction* savePicture = file->addAction(QStringLiteral("Save &Picture…"));
  QAction* exportSamples = file->addAction(QStringLiteral("&Export Samples…"));
  file->addSeparator();
  QAction* dataServer = file->addAction(QStringLiteral("&Data Server…"));
  connect(dataServer, &QAction::triggered, this, [this] { Run(onDataServer); });
  file->addSeparator();
  connect(saveSound, &QAction::triggered, this, [this] { Run(onSaveSound); });
  connect(savePicture, &QAction::triggered, this, [this] { Run(onSavePicture); });
  connect(exportSamples, &QAction::triggered, this, [this] { Run(onExportSamples); });
  QAction* exit = file->addAction(QStringLiteral("E&xit"));
  QMenu* view = menuBar_->addMenu(QStringLiteral("&View"));
  for (int v = 0; v < 2; ++v) {
    QAction* follow = view->addAction(v == 0 ? QStringLiteral("Follow &Live (View 1)")
                                             : QStringLiteral("Follow Li&ve (View 2)"));
    follow->setCheckable(true);
    followLive_[size_t(v)] = follow;
    connect(follow, &QAction::toggled, this, [this, v](bool on) {
      if (onFollowLive) {
        onFollowLive(v, on);
      }
    });
  }
  view->addSeparator();
  for (int v = 0; v < 2; ++v) {
    QAction* stats = view->addAction(v == 0 ? QStringLiteral("Network &Statistics (View 1)…")
                                            : QStringLiteral("Network Statis&tics (View 2)…"));
    connect(stats, &QAction::triggered, this, [this, v] {
      if (onNetworkStatistics) {
        onNetworkStatistics(v);
      }
    });
  }
  QMenu* help = menuBar_->addMenu(QStringLiteral("&Help"));
  QAction* about = help->addAction(QStringLiteral("&About ..."));
  connect(exit, &QAction::triggered, this, [this] { close(); });
  connect(about, &QAction::triggered, this, [this] { ShowAbout(); });

  // No layout: the frame may be shorter than the dialog, which then is cut off.
  dialog_ = MakeChild<QtDialog>(this);
  const int menuHeight = menuBar_->sizeHint().height();
  menuBar_->setGeometry(0, 0, dialog_->width(), menuHeight);
  dialog_->move(0, menuHeight);
  setFixedSize(dialog_->width(), menuHeight + dialog_->height());
  // No control takes the focus at start; keys go to the dialog until the user clicks one.
  dialog_->setFocus();
}

QtFrame::~QtFrame() = default;

void QtFrame::SetSavedPosition(int x, int y) {
  saved_ = {x, y};
  rescuedAt_.reset();
  move(x, y);
}

ScreenPoint QtFrame::Layout(bool view2Shown) {
  const int width = dialog_->width();
  int clientHeight = dialog_->height();
  if (!view2Shown) {
    if (QWidget* button = dialog_->Widget(kIdView2)) {
      clientHeight = button->geometry().bottom() + 1 + kBelowView2Button;
    }
  }
  const int height = dialog_->y() + clientHeight;
  setFixedSize(width, height);

  // The frame's decorations come on top of the client size where there are any.
  const int frameWidth = frameGeometry().width() - geometry().width() + width;
  const int frameHeight = frameGeometry().height() - geometry().height() + height;
  // From where the frame is now: the user may have moved it since start-up.
  int x = pos().x();
  int y = pos().y();
  const bool centre = x == 0 && y == 0;
  if (y < 0) {
    y = 0;
  }
  const bool lost = !centre && !TitleBarOnAScreen(x, y, frameWidth);
  if (centre || lost) {
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
      const QRect s = screen->geometry();
      x = s.x() + (s.width() - frameWidth) / 2;
      y = std::max(0, s.y() + (s.height() - frameHeight) / 2);
    }
  }
  if (lost) {
    rescuedAt_ = ScreenPoint{x, y};
  }
  move(x, y);
  return {x, y};
}

bool QtFrame::TitleBarOnAScreen(int x, int y, int frameWidth) const {
  // Before the frame is shown its decorations are unknown: its top row stands in.
  const int titleHeight = std::max(1, geometry().y() - frameGeometry().y());
  const QRect titleBar(x, y, frameWidth, titleHeight);
  for (const QScreen* screen : QGuiApplication::screens()) {
    if (screen->geometry().intersects(titleBar)) {
      return true;
    }
  }
  return false;
}

ScreenPoint QtFrame::RestoredPosition() const {
  // normalGeometry is the client area's; the decorations lie above and left of it.
  const QRect normal = isMinimized() ? normalGeometry() : geometry();
  const QPoint offset = geometry().topLeft() - frameGeometry().topLeft();
  return {normal.x() - offset.x(), normal.y() - offset.y()};
}

ScreenPoint QtFrame::PositionToSave() const {
  const ScreenPoint at = RestoredPosition();
  return rescuedAt_ && at == *rescuedAt_ ? saved_ : at;
}

void QtFrame::Destroy() {
  destroying_ = true;
  close();
}

void QtFrame::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (pixelScale_ != 0 || windowHandle() == nullptr) {
    return;
  }
  pixelScale_ = dialog_->PixelScale();
  connect(windowHandle(), &QWindow::screenChanged, this, [this] {
    if (dialog_->PixelScale() != pixelScale_) {
      pixelScale_ = dialog_->PixelScale();
      Run(onScaleChanged);
    }
  });
}

void QtFrame::closeEvent(QCloseEvent* event) {
  if (!destroying_ && onCloseRequest) {
    event->ignore();
    onCloseRequest();
    return;
  }
  if (!destroyed_) {
    destroyed_ = true;
    if (onDestroy) {
      onDestroy();
    }
  }
  event->accept();
}

void QtFrame::keyPressEvent(QKeyEvent* event) {
  // With no control focused the key comes to the frame; the dialog decides.
  if (HandleDialogKey(*event, dialog_->onKey, dialog_->onCommand)) {
    return;
  }
  QWidget::keyPressEvent(event);
}

void QtFrame::ShowAbout() {
  QDialog box(this);
  box.setWindowTitle(QString::fromUtf8(kAboutTitle));
  box.setWindowIcon(windowIcon());
  auto* layout = MakeChild<QVBoxLayout>(&box);
  box.setLayout(layout);
  auto* icon = MakeChild<QLabel>(&box);
  icon->setPixmap(windowIcon().pixmap(32, 32));
  layout->addWidget(icon);
  layout->addWidget(MakeChild<QLabel>(&box, QString::fromUtf8(kAboutVersionLine)));
  layout->addWidget(MakeChild<QLabel>(&box, QStringLiteral("Written by the Tessaly developers")));
  auto* buttons = MakeChild<QDialogButtonBox>(&box, QDialogButtonBox::Ok);
  layout->addWidget(buttons);
  connect(buttons, &QDialogButtonBox::accepted, &box, &QDialog::accept);
  box.exec();
}

}  // namespace tessaly
