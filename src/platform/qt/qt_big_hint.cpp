#include "platform/qt/qt_big_hint.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QPainter>
#include <QRegion>
#include <QScreen>
#include <QStringList>
#include <QTransform>

#include <cmath>

namespace tessaly {
namespace {

// The tooltip's lines are separated by "\r\n".
QStringList Lines(const std::string& text) {
  return QString::fromStdString(text).split(QStringLiteral("\r\n"));
}

}  // namespace

QtBigHint::QtBigHint()
    : QWidget(nullptr, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
  setAttribute(Qt::WA_ShowWithoutActivating);
  setAttribute(Qt::WA_TransparentForMouseEvents);
  setFocusPolicy(Qt::NoFocus);
}

QtBigHint::~QtBigHint() = default;

QFont QtBigHint::DeviceFont() const {
  QFont f = font();
  f.setPointSizeF(f.pointSizeF() * devicePixelRatioF());
  return f;
}

HintSize QtBigHint::MeasureText(const std::string& text) const {
  const QFontMetrics metrics(DeviceFont());
  HintSize size;
  const QStringList lines = Lines(text);
  for (const QString& line : lines) {
    size.width = std::max(size.width, metrics.horizontalAdvance(line));
  }
  size.height = metrics.lineSpacing() * int(lines.size());
  return size;
}

ScreenRect QtBigHint::WorkAreaAt(ScreenPoint point) const {
  const double s = devicePixelRatioF();
  const QScreen* screen =
      QGuiApplication::screenAt(QPoint(int(std::floor(point.x / s)), int(std::floor(point.y / s))));
  if (screen == nullptr) {
    screen = QGuiApplication::primaryScreen();
  }
  if (screen == nullptr) {
    return {0, 0, 1024, 768};
  }
  const QRect r = screen->availableGeometry();
  return {int(std::lround(r.left() * s)), int(std::lround(r.top() * s)),
          int(std::lround((r.left() + r.width()) * s)),
          int(std::lround((r.top() + r.height()) * s))};
}

void QtBigHint::Show(const HintPlacement& placement) {
  placement_ = placement;
  const ScreenRect& w = placement.window;
  const double s = devicePixelRatioF();
  const auto logical = [s](int device) { return int(std::lround(device / s)); };
  setGeometry(logical(w.left), logical(w.top), logical(w.right) - logical(w.left),
              logical(w.bottom) - logical(w.top));
  QRegion region;
  for (const ScreenRect& r : placement.region) {
    region += QRect(r.left, r.top, r.right - r.left, r.bottom - r.top);
  }
  // The mask is in logical pixels: the rounded corners as near as they go.
  setMask(s == 1.0 ? region : QTransform::fromScale(1 / s, 1 / s).map(region));
  show();
  raise();
  update();
}

void QtBigHint::Hide() {
  hide();
}

void QtBigHint::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), palette().toolTipBase());
  // In device pixels, as the placement was made.
  const double s = devicePixelRatioF();
  painter.scale(1 / s, 1 / s);
  painter.setFont(DeviceFont());
  const HintOutline outline =
      HintOutlineOf(placement_.window.right - placement_.window.left, placement_.bottomRow);
  const QColor frame = palette().color(QPalette::WindowText);
  for (const ScreenRect& r : outline.lines) {
    painter.fillRect(QRect(r.left, r.top, r.right - r.left, r.bottom - r.top), frame);
  }
  painter.setPen(frame);
  for (const ScreenPoint& p : outline.pixels) {
    painter.drawPoint(p.x, p.y);
  }
  painter.setPen(palette().color(QPalette::ToolTipText));
  const ScreenRect& box = placement_.textBox;
  const QFontMetrics metrics(DeviceFont());
  int y = box.top + metrics.ascent();
  for (const QString& line : Lines(placement_.text)) {
    painter.drawText(box.left, y, line);
    y += metrics.lineSpacing();
  }
}

}  // namespace tessaly
