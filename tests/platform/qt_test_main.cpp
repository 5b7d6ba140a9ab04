#include <gtest/gtest.h>

#include <QApplication>

#include "platform/qt/qt_look.h"

// The Qt tests need no display: without a platform chosen they take the
// offscreen one.
int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
  }
  QApplication app(argc, argv);
  tessaly::ApplyDialogLook(app);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
