// Tessaly: the desktop program.
#include <QApplication>
#include <QTimer>

#include <atomic>
#include <csignal>

#include "platform/qt/application.h"
#include "platform/qt/qt_frame.h"
#include "platform/qt/qt_look.h"

namespace {

std::atomic<bool> closeRequested{false};

// A terminate or interrupt signal closes the program the normal way, so the
// views stop and the settings are written instead of lost.
extern "C" void RequestClose(int) {
  closeRequested.store(true);
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  tessaly::ApplyDialogLook(app);
  std::signal(SIGTERM, RequestClose);
  std::signal(SIGINT, RequestClose);
  int code = 0;
  {
    tessaly::Application tessalyApp(QCoreApplication::applicationDirPath().toStdString());
    QTimer signalPoll;
    QObject::connect(&signalPoll, &QTimer::timeout, [&tessalyApp] {
      if (closeRequested.exchange(false) && tessalyApp.frame().onCloseRequest) {
        tessalyApp.frame().onCloseRequest();
      }
    });
    signalPoll.start(200);
    tessalyApp.Start();
    code = QApplication::exec();
  }
  return code;
}
