#include "platform/qt/qt_data_server.h"

#include <gtest/gtest.h>

#include <QLineEdit>

#include "samples/utc_time.h"
#include "support/fake_http_get.h"
#include "support/fixed_clock.h"

namespace tessaly {
namespace {

// "Test" shows the summary in the dialog; OK takes the host as requests name
// it. (The menu, a refusal and applying are driven end to end.)
TEST(QtDataServerTest, TestShowsTheSummaryAndOkTakesTheCheckedHost) {
  FixedClock clock(MakeUtc(2026, 3, 10, 12, 0, 0));
  FakeHttpGet http;
  http.date = MakeUtc(2026, 3, 10, 12, 0, 2);
  QtDataServerDialog dialog(nullptr, "127.0.0.1:8321", http, clock);
  EXPECT_EQ(dialog.HostField().text(), QStringLiteral("127.0.0.1:8321"));
  dialog.HostField().setText(QStringLiteral("data.example.org:0080"));
  dialog.Test();
  EXPECT_EQ(dialog.TestText().toStdString(),
            "No data from data.example.org:80: The server sent an empty reply. "
            "Its time: 2026-03-10 12:00:02 UTC.");
  dialog.accept();
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_EQ(dialog.ChosenHost(), "data.example.org:80");
}

}  // namespace
}  // namespace tessaly
