#include "platform/qt/qt_look.h"

#include <QApplication>
#include <QFont>
#include <QStyle>
#include <QStyleFactory>

namespace tessaly {

void ApplyDialogLook(QApplication& app) {
  if (QStyle* style = QStyleFactory::create(QStringLiteral("Windows"))) {
    app.setStyle(style);  // the application takes ownership
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
