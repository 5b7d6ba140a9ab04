#include "platform/qt/qt_data_server.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QTimer>

#include "platform/qt/qt_frame.h"
#include "samples/utc_time.h"
#include "support/fake_http_get.h"
#include "support/fixed_clock.h"

namespace tessaly {
namespace {

// The menu item opens the dialog; "Test" shows the summary; OK takes only a
// host (a refusal is a message box, answered here, and the dialog stays open).
TEST(QtDataServerTest, MenuTestAndOkWithRefusal) {
  QtFrame frame;
  int asked = 0;
  frame.onDataServer = [&] { ++asked; };
  for (QAction* top : frame.MenuBar().actions()) {
    for (QAction* item : top->menu()->actions()) {
      if (item->text() == QStringLiteral("&Data Server…")) {
        item->trigger();
      }
    }
  }
  EXPECT_EQ(asked, 1);

  FixedClock clock(MakeUtc(2026, 3, 10, 12, 0, 0));
  FakeHttpGet http;
  http.date = MakeUtc(2026, 3, 10, 12, 0, 2);
  QtDataServerDialog dialog(&frame, "127.0.0.1:8321", http, clock);
  EXPECT_EQ(dialog.HostField().text(), QStringLiteral("127.0.0.1:8321"));
  dialog.HostField().setText(QStringLiteral("data.example.org:0080"));
  dialog.Test();
  EXPECT_EQ(dialog.TestText().toStdString(),
            "No data from data.example.org:80: The server sent an empty reply. "
            "Its time: 2026-03-10 12:00:02 UTC.");

  QString refusal;
  QTimer::singleShot(0, [&] {
    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
      refusal = box->text();
      box->accept();
    }
  });
  dialog.HostField().setText(QStringLiteral("data.example.org:70000"));
  dialog.open();
  dialog.accept();
  EXPECT_EQ(refusal.toStdString(), "The port after \":\" must be a number from 1 to 65535.");
  EXPECT_TRUE(dialog.isVisible());
  EXPECT_EQ(dialog.ChosenHost(), "");

  dialog.HostField().setText(QStringLiteral("data.example.org:0080"));
  dialog.accept();
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_EQ(dialog.ChosenHost(), "data.example.org:80");
}

}  // namespace
}  // namespace tessaly
