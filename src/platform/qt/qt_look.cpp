#include "platform/qt/qt_look.h"

#include <QApplication>
#include <QFont>
#include <QProxyStyle>
#include <QStyleFactory>
#include <QStyleOptionComplex>

#include <memory>

namespace tessaly {
namespace {

// The "Windows" style with a slimmer drop-down arrow and field margins: the
// layout's narrowest lists ("Maj. pentatonic", "Current median each time")
// then show their longest item whole.
class DialogStyle final : public QProxyStyle {
 public:
  using QProxyStyle::QProxyStyle;

  QRect subControlRect(ComplexControl control, const QStyleOptionComplex* option, SubControl sub,
                       const QWidget* widget) const override {
    if (control != CC_ComboBox || option == nullptr) {
      return QProxyStyle::subControlRect(control, option, sub, widget);
    }
    const QRect r = option->rect;
    constexpr int kFrame = 2;
    const int arrowLeft = r.right() + 1 - kFrame - kComboArrowWidthPx;
    switch (sub) {
      case SC_ComboBoxArrow:
        return visualRect(
            option->direction, r,
            QRect(arrowLeft, r.top() + kFrame, kComboArrowWidthPx, r.height() - 2 * kFrame));
      case SC_ComboBoxEditField:
        return visualRect(option->direction, r,
                          QRect(r.left() + kFrame, r.top() + kFrame, arrowLeft - r.left() - kFrame,
                                r.height() - 2 * kFrame));
      default:
        return QProxyStyle::subControlRect(control, option, sub, widget);
    }
  }
};

}  // namespace

void ApplyDialogLook(QApplication& app) {
  if (QStyle* windows = QStyleFactory::create(QStringLiteral("Windows"))) {
    // The proxy owns the base style, the application the proxy.
    app.setStyle(std::make_unique<DialogStyle>(windows).release());
  }
  QFont font(QString::fromLatin1(kDialogFontFamily));
  font.setPointSize(kDialogFontPointSize);
  QApplication::setFont(font);
}

QImage ToImage(const Raster& raster) {
  if (raster.empty()) {
    return {};
  }
  QImage image(raster.width(), raster.height(), QImage::Format_RGB32);
  for (int y = 0; y < raster.height(); ++y) {
    const uint32_t* from = raster.Row(y);
    auto* to = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < raster.width(); ++x) {
      const uint32_t c = from[x];
      to[x] = 0xFF000000u | (c & 0xFFu) << 16 | (c & 0xFF00u) | (c >> 16 & 0xFFu);
    }
  }
  return image;
}

}  // namespace tessaly
