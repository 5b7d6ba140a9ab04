// QtDialog: painting the pictures, geometry and hit tests, message boxes,
// posted messages and timers.

#include "platform/qt/qt_dialog.h"

#include <QApplication>
#include <QCursor>
#include <QEnterEvent>
#include <QEventLoop>
#include <QMessageBox>
#include <QMetaObject>
#include <QPainter>
#include <QPushButton>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <utility>

#include "platform/qt/qt_look.h"
#include "platform/qt/qt_picture.h"
#include "platform/qt/qt_text.h"

namespace tessaly {
namespace {

int ToDevice(int logical, double scale) {
  return int(std::lround(logical * scale));
}

bool PassesPointer(ControlKind kind) {
  return kind == ControlKind::kPicture || kind == ControlKind::kLabel ||
         kind == ControlKind::kGroupBox;
}

}  // namespace

// --- Painting

void QtDialog::SetPictureSource(int id, const Raster* raster) {
  if (Control* control = Find(id, {ControlKind::kPicture})) {
    auto* picture = static_cast<QtPicture*>(control->widget);
    if (picture->source == raster) {
      return;  // unchanged: a repaint here would only schedule another one
    }
    picture->source = raster;
    picture->update();
  }
}

void QtDialog::SetPictureRaster(int id, Raster raster) {
  if (Control* control = Find(id, {ControlKind::kPicture})) {
    auto* picture = static_cast<QtPicture*>(control->widget);
    picture->source = nullptr;
    picture->copy = std::move(raster);
    picture->update();
  }
}

int QtDialog::PaintCount(int id) const {
  const Control* control = Find(id, {ControlKind::kPicture});
  return control == nullptr ? 0 : static_cast<QtPicture*>(control->widget)->paints;
}

void QtDialog::PaintPicture(int id, QtPicture& picture) {
  ++picture.paints;
  if (Control* control = Find(id)) {
    control->invalid = false;
  }
  if (onDraw) {
    // What the owner updates meanwhile is painted in this pass, not nested in it.
    ++painting_;
    onDraw(id);
    --painting_;
  }
  QPainter painter(&picture);
  const Raster& raster = picture.source != nullptr ? *picture.source : picture.copy;
  const QColor face = palette().color(QPalette::Window);
  if (raster.empty()) {
    painter.fillRect(picture.rect(), face);
    return;
  }
  // The raster is in device pixels: one raster pixel to one screen pixel.
  QImage image = ToImage(raster);
  image.setDevicePixelRatio(PixelScale());
  const QSizeF size = image.deviceIndependentSize();
  painter.drawImage(QPointF(0, 0), image);
  // A raster smaller than the control leaves the rest in the dialog's colour.
  const QRectF whole(picture.rect());
  if (size.width() < whole.width()) {
    painter.fillRect(QRectF(size.width(), 0, whole.width() - size.width(), whole.height()), face);
  }
  if (size.height() < whole.height()) {
    painter.fillRect(QRectF(0, size.height(), size.width(), whole.height() - size.height()), face);
  }
}

void QtDialog::paintEvent(QPaintEvent*) {
  // The pictures' sunken edges lie outside their drawable areas, beneath the
  // widgets: where two pictures touch, neither edge covers the other's pixels.
  QPainter painter(this);
  const QColor shadow = palette().color(QPalette::Dark);
  const QColor light = palette().color(QPalette::Light);
  for (const auto& [id, control] : controls_) {
    if (!control.layout->Has(kStyleStaticEdge) || control.widget->isHidden()) {
      continue;
    }
    const PixelRect e = EdgeRectPixels(*control.layout);
    painter.fillRect(e.left, e.top, e.width, 1, shadow);
    painter.fillRect(e.left, e.top, 1, e.height, shadow);
    painter.fillRect(e.left, e.bottom() - 1, e.width, 1, light);
    painter.fillRect(e.right() - 1, e.top, 1, e.height, light);
  }
}

void QtDialog::Invalidate(int id) {
  if (Control* control = Find(id)) {
    control->invalid = true;
    control->widget->update();
  }
}

void QtDialog::Update(int id) {
  Control* control = Find(id);
  if (control != nullptr && control->invalid) {
    // A repaint nested in another widget's painting breaks the backing store
    // at some scalings (a crash at 150 %).
    if (painting_ > 0) {
      control->widget->update();
    } else {
      control->widget->repaint();
    }
    control->invalid = false;
  }
}

void QtDialog::InvalidateAll() {
  for (auto& [id, control] : controls_) {
    control.invalid = true;
    control.widget->update();
  }
  update();
}

void QtDialog::UpdateAll() {
  repaint();
  for (auto& [id, control] : controls_) {
    if (control.invalid) {
      control.widget->repaint();
      control.invalid = false;
    }
  }
}

// --- Geometry

ScreenRect QtDialog::ControlScreenRect(int id) const {
  const Control* control = Find(id);
  if (control == nullptr) {
    return {};
  }
  const QPoint origin = mapToGlobal(QPoint(0, 0));
  const PixelRect r = ClientRectPixels(*control->layout);
  const double s = PixelScale();
  return {ToDevice(origin.x() + r.left, s), ToDevice(origin.y() + r.top, s),
          ToDevice(origin.x() + r.right(), s), ToDevice(origin.y() + r.bottom(), s)};
}

ScreenPoint QtDialog::CursorPos() const {
  const QPoint p = QCursor::pos();
  return {ToDevice(p.x(), PixelScale()), ToDevice(p.y(), PixelScale())};
}

void QtDialog::enterEvent(QEnterEvent* event) {
  pointerInside_ = true;
  QWidget::enterEvent(event);
}

void QtDialog::leaveEvent(QEvent* event) {
  pointerInside_ = false;
  QWidget::leaveEvent(event);
}

int QtDialog::ControlAt(ScreenPoint devicePoint) const {
  const double s = PixelScale();
  const ScreenPoint point{int(std::floor(devicePoint.x / s)), int(std::floor(devicePoint.y / s))};
  const QPoint p = mapFromGlobal(QPoint(point.x, point.y));
  // Only where the dialog is the top window: not while it is hidden,
  // minimised, or covered at the pointer by another window.
  if (!isVisible() || window()->isMinimized() || !pointerInside_) {
    return kHitNothing;
  }
  // The frame may cut the dialog off (View 2 hidden): what lies outside is not hit.
  for (const QWidget* w = this; w != nullptr; w = w->parentWidget()) {
    if (!w->rect().contains(w->mapFromGlobal(QPoint(point.x, point.y)))) {
      return kHitNothing;
    }
    if (w->isWindow()) {
      break;
    }
  }
  // Later widgets lie above earlier ones.
  for (std::size_t i = widgets_.size(); i-- > 0;) {
    const QWidget* widget = widgets_[i];
    const ControlTemplate& layout = *layouts_[i];
    // Labels, group boxes and pictures let the pointer through.
    if (layout.id == kStaticControlId || PassesPointer(layout.kind) || widget->isHidden() ||
        !widget->geometry().contains(p)) {
      continue;
    }
    return layout.id;
  }
  return kHitDialog;
}

// --- Message boxes

MessageBoxButton QtDialog::ShowMessageBox(std::string_view text, std::string_view caption,
                                          MessageBoxStyle style, std::string_view detail) {
  QString body = ToQString(text);
  body.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  QMessageBox::StandardButtons buttons = QMessageBox::Ok;
  MessageBoxButton dismissed = MessageBoxButton::kOk;
  switch (style) {
    case MessageBoxStyle::kOk:
      break;
    case MessageBoxStyle::kOkCancel:
      buttons = QMessageBox::Ok | QMessageBox::Cancel;
      dismissed = MessageBoxButton::kCancel;
      break;
    case MessageBoxStyle::kYesNo:
      buttons = QMessageBox::Yes | QMessageBox::No;
      dismissed = MessageBoxButton::kNo;
      break;
  }
  QMessageBox box(QMessageBox::NoIcon, ToQString(caption), body, buttons, this);
  box.setInformativeText(ToQString(detail));
  box.setWindowModality(Qt::WindowModal);
  // The nested event loop keeps timers and posted commands running.
  switch (box.exec()) {
    case QMessageBox::Ok:
      return MessageBoxButton::kOk;
    case QMessageBox::Cancel:
      return MessageBoxButton::kCancel;
    case QMessageBox::Yes:
      return MessageBoxButton::kYes;
    case QMessageBox::No:
      return MessageBoxButton::kNo;
    default:
      return dismissed;
  }
}

// --- Posted messages

void QtDialog::PostCommand(int id, NotifyCode code) {
  QMetaObject::invokeMethod(
      this, [this, id, code] { Notify(id, code); }, Qt::QueuedConnection);
}

void QtDialog::PostPlayerStopped() {
  // Queued to the dialog's own thread whichever thread calls.
  QMetaObject::invokeMethod(
      this,
      [this] {
        if (onPlayerStopped) {
          onPlayerStopped();
        }
      },
      Qt::QueuedConnection);
}

void QtDialog::PostExitRequest() {
  QMetaObject::invokeMethod(
      this,
      [this] {
        if (onExitRequest) {
          onExitRequest();
        }
      },
      Qt::QueuedConnection);
}

// --- Waiting for a request

void QtDialog::RunWhile(const std::function<bool()>& running) {
  if (!running()) {
    return;
  }
  QApplication::setOverrideCursor(Qt::WaitCursor);
  QEventLoop loop;
  // The request ends on another thread, which must not touch the window:
  // the loop looks at it every few milliseconds instead.
  QTimer poll;
  poll.setTimerType(Qt::PreciseTimer);
  connect(&poll, &QTimer::timeout, &loop, [&] {
    if (!running()) {
      loop.quit();
    }
  });
  poll.start(5);
  loop.exec();  // returns at once when the program is quitting
  QApplication::restoreOverrideCursor();
}

// --- Timers

bool QtDialog::StartTimer(int timerId, int intervalMs, std::function<void()> onTimer) {
  if (intervalMs <= 0 || !onTimer) {
    return false;
  }
  Timer& timer = timers_[timerId];
  if (!timer.timer) {
    timer.timer = std::make_unique<QTimer>();
    timer.timer->setTimerType(Qt::PreciseTimer);
    connect(timer.timer.get(), &QTimer::timeout, this, [this, timerId] {
      auto it = timers_.find(timerId);
      if (it == timers_.end() || !it->second.callback) {
        return;
      }
      // A copy: the callback may stop or restart its own timer.
      std::function<void()> callback = it->second.callback;
      callback();
    });
  }
  timer.callback = std::move(onTimer);
  timer.timer->start(intervalMs);
  return true;
}

void QtDialog::StopTimer(int timerId) {
  auto it = timers_.find(timerId);
  if (it != timers_.end()) {
    it->second.timer->stop();
    it->second.callback = nullptr;
  }
}

}  // namespace tessaly
