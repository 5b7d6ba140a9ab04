#pragma once

#include <QWidget>

#include "display/raster.h"
#include "platform/qt/qt_dialog.h"

namespace tessaly {

// A picture (owner-drawn static): the program supplies its pixels.
class QtPicture final : public QWidget {
 public:
  QtPicture(QtDialog& owner, int id) : QWidget(&owner), owner_(owner), id_(id) {
    // The pointer goes through to the dialog, as the dialog's clicks and the
    // tooltip expect.
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_OpaquePaintEvent);
  }

  const Raster* source = nullptr;  // the owner's raster, when set
  Raster copy;                     // a raster held here, when no source is set
  int paints = 0;

 protected:
  void paintEvent(QPaintEvent*) override { owner_.PaintPicture(id_, *this); }

 private:
  QtDialog& owner_;
  int id_;
};

}  // namespace tessaly
