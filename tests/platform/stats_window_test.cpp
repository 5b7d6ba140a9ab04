// The statistics window on the offscreen platform against tessaly-replay: its
// numbers are those tessaly-render --stats prints for the same stretch, and its
// files are written.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QTableWidget>
#include <QTest>

#include <filesystem>
#include <fstream>
#include <map>

#include "platform/curl/curl_http_get.h"
#include "platform/qt/qt_stats_window.h"
#include "platform/stb/stb_png_writer.h"
#include "replay_launcher.h"
#include "samples/clock.h"
#include "samples/utc_time.h"
#include "support/temp_folder.h"

namespace tessaly {
namespace {

// tessaly-render --stats's "key: value" summary.
std::map<std::string, std::string> RenderSummary(const std::string& args) {
  testing::TempFolder folder;
  const std::string out = folder.File("summary.txt");
  const std::string command = std::string(TESSALY_RENDER_PATH) + " " + args + " --stats " +
                              folder.File("stats.csv") + " >" + out + " 2>/dev/null";
  std::map<std::string, std::string> values;
  if (std::system(command.c_str()) != 0) {
    return values;
  }
  std::ifstream in(out);
  for (std::string line; std::getline(in, line);) {
    const size_t colon = line.find(": ");
    if (colon != std::string::npos) {
      values[line.substr(0, colon)] = line.substr(colon + 2);
    }
  }
  return values;
}

// The number after `label` in the window's text.
double Shown(const QString& text, const QString& line, const QString& label) {
  const QRegularExpression pattern(QRegularExpression::escape(line) + QStringLiteral(".*") +
                                   QRegularExpression::escape(label) +
                                   QStringLiteral(" ([-0-9.e+]+)"));
  const QRegularExpressionMatch match = pattern.match(text);
  return match.hasMatch() ? match.captured(1).toDouble() : -12345.0;
}

void ExpectSame(double shown, const std::string& printed, const char* what) {
  const double expected = std::stod(printed);
  // The window shows 6 significant digits (10 for chi-square).
  EXPECT_NEAR(shown, expected, std::fabs(expected) * 1e-5) << what;
}

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

  const std::map<std::string, std::string> cli =
      RenderSummary("--from 2020-03-05T07:00:00 --seconds 5400 --host " + server.host());
  ASSERT_EQ(cli.size(), 9u);
  const QString text = window.numbers()->text();
  EXPECT_TRUE(text.contains(
      QStringLiteral("%1 counted seconds").arg(QString::fromStdString(cli.at("seconds")))))
      << text.toStdString();
  ExpectSame(Shown(text, "Network variance", "χ²"), cli.at("chi-square"), "chi-square");
  ExpectSame(Shown(text, "Network variance", "df"), cli.at("df"), "df");
  ExpectSame(Shown(text, "Network variance", "p"), cli.at("p"), "p");
  ExpectSame(Shown(text, "Network variance", "equivalent Z"), cli.at("z"), "z");
  ExpectSame(Shown(text, "Device variance", "χ²"), cli.at("device-chi-square"), "device chi2");
  ExpectSame(Shown(text, "Device variance", "df"), cli.at("device-df"), "device df");
  ExpectSame(Shown(text, "Device variance", "p"), cli.at("device-p"), "device p");
  EXPECT_GT(window.healthTable()->rowCount(), 20);
  // The sound cue: off until ticked, then at the chosen level.
  EXPECT_EQ(window.record().cueThreshold(), std::nullopt);
  window.cueLevel()->setValue(2.5);
  window.cueCheck()->setChecked(true);
  EXPECT_EQ(window.record().cueThreshold(), 2.5);

  testing::TempFolder folder;
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
