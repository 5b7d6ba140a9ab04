// The statistics window on the offscreen platform against tessaly-replay: its
// numbers are those tessaly-render --stats prints for the same stretch, and its
// files are written.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>

#include <filesystem>

#include "platform/curl/curl_http_get.h"
#include "platform/qt/qt_stats_window.h"
#include "platform/stb/stb_png_writer.h"
#include "replay_launcher.h"
#include "samples/clock.h"
#include "samples/utc_time.h"
#include "stats_summary.h"
#include "support/temp_folder.h"

namespace tessaly {
namespace {

TEST(StatsWindowTest, ShowsWhatTheCommandLinePrintsAndSavesItsFiles) {
  replay::ReplayProcess server;
  ASSERT_TRUE(server.Start(TESSALY_REPLAY_PATH, {}));
  const int64_t from = MakeUtc(2020, 3, 5, 7, 0, 0);
  SystemClock clock;
  StbPngWriter png;
  ViewSnapshot view{kSourceServer, server.host(), from + 7200, nullptr};
  QtStatsWindow window(
      0, [&] { return view; }, clock, [] { return std::make_unique<CurlHttpGet>(); }, &png);
  window.show();
  window.stretchChoice()->setCurrentIndex(kStretchFree);
  window.fromEdit()->setDateTime(QDateTime::fromSecsSinceEpoch(from, Qt::UTC));
  window.toEdit()->setDateTime(QDateTime::fromSecsSinceEpoch(from + 5399, Qt::UTC));
  QTest::mouseClick(window.computeButton(), Qt::LeftButton);
  // The window computed the last hour on opening; Compute replaces that job.
  for (int i = 0; i < 300 && window.record().key().to != from + 5399; ++i) {
    QTest::qWait(20);
  }
  ASSERT_EQ(window.record().key().from, from) << window.numbers()->text().toStdString();

  const testing::TempFolder folder;
  const std::string summary = folder.File("summary.txt");
  ASSERT_EQ(std::system((std::string(TESSALY_RENDER_PATH) +
                         " --from 2020-03-05T07:00:00 --seconds 5400 --host " + server.host() +
                         " --stats " + folder.File("stats.csv") + " >" + summary + " 2>/dev/null")
                            .c_str()),
            0);
  ExpectSummaryShown(window.numbers()->text().toStdString(), ReadStatsSummary(summary));
  EXPECT_GT(window.healthTable()->rowCount(), 20);
  // The sound cue: off until ticked, then at the chosen level.
  EXPECT_EQ(window.record().cueThreshold(), std::nullopt);
  window.cueLevel()->setValue(2.5);
  window.cueCheck()->setChecked(true);
  EXPECT_EQ(window.record().cueThreshold(), 2.5);

  std::string error;
  ASSERT_TRUE(window.SaveTableTo(folder.File("t.csv"), &error)) << error;
  ASSERT_TRUE(window.SavePictureTo(folder.File("p.png"), &error)) << error;
  const std::string table = testing::ReadFile(folder.File("t.csv"));
  EXPECT_EQ(std::count(table.begin(), table.end(), '\n'), 5401);
  EXPECT_TRUE(std::filesystem::exists(folder.File("t-summary.csv")));
  EXPECT_EQ(testing::ReadFile(folder.File("p.png")).substr(1, 3), "PNG");
}

}  // namespace
}  // namespace tessaly
