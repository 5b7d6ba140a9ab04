#include "platform/qt/qt_big_hint.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QPainter>
#include <QRegion>
#include <QScreen>
#include <QStringList>

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

HintSize QtBigHint::MeasureText(const std::string& text) const {
  const QFontMetrics metrics(font());
  HintSize size;
  const QStringList lines = Lines(text);
  for (const QString& line : lines) {
    size.width = std::max(size.width, metrics.horizontalAdvance(line));
  }
  size.height = metrics.lineSpacing() * int(lines.size());
  return size;
}

ScreenRect QtBigHint::WorkAreaAt(ScreenPoint point) const {
  const QScreen* screen = QGuiApplication::screenAt(QPoint(point.x, point.y));
  if (screen == nullptr) {
    screen = QGuiApplication::primaryScreen();
  }
  if (screen == nullptr) {
    return {0, 0, 1024, 768};
  }
  const QRect r = screen->availableGeometry();
  return {r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
}

void QtBigHint::Show(const HintPlacement& placement) {
  placement_ = placement;
  const ScreenRect& w = placement.window;
  setGeometry(w.left, w.top, w.right - w.left, w.bottom - w.top);
  QRegion region;
  for (const ScreenRect& r : placement.region) {
    region += QRect(r.left, r.top, r.right - r.left, r.bottom - r.top);
  }
  setMask(region);
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
  const HintOutline outline = HintOutlineOf(width(), placement_.bottomRow);
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
  const QFontMetrics metrics(font());
  int y = box.top + metrics.ascent();
  for (const QString& line : Lines(placement_.text)) {
    painter.drawText(box.left, y, line);
    y += metrics.lineSpacing();
  }
}

}  // namespace tessaly
