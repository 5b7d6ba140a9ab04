// Tessaly: the desktop program.
#include <QApplication>

#include "platform/qt/application.h"
#include "platform/qt/qt_look.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  tessaly::ApplyDialogLook(app);
  int code = 0;
  {
    tessaly::Application tessalyApp(QCoreApplication::applicationDirPath().toStdString());
    tessalyApp.Start();
    code = QApplication::exec();
  }
  return code;
}
