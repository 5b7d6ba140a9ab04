// tessaly-render --stats against tessaly-replay serving a recorded day.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "replay_launcher.h"
#include "samples/utc_time.h"
#include "support/temp_folder.h"

namespace tessaly {
namespace {

// The command's exit code; its stdout goes to out.
int Render(const std::string& args, std::string* out = nullptr) {
  testing::TempFolder folder;
  const std::string captured = folder.File("stdout.txt");
  const std::string command =
      std::string(TESSALY_RENDER_PATH) + " " + args + " >" + captured + " 2>/dev/null";
  const int status = std::system(command.c_str());
  if (out != nullptr) {
    std::ifstream in(captured);
    *out = {std::istreambuf_iterator<char>(in), {}};
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::vector<std::string> Lines(const std::string& path) {
  std::ifstream in(path);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) {
    lines.push_back(line);
  }
  return lines;
}

// The value of "key: value" in the summary.
std::string Value(const std::string& summary, const std::string& key) {
  std::istringstream in(summary);
  for (std::string line; std::getline(in, line);) {
    if (line.rfind(key + ": ", 0) == 0) {
      return line.substr(key.size() + 2);
    }
  }
  return "(missing)";
}

// Station 1 stuck for ten seconds, station 3 missing a sample: the stretch of the
// analysis' literal test (chi-square 155.5 without station 1, 122.59 with it), after
// two seconds with no station at all.
TEST(RenderStats, WritesThePerSecondTableAndTheSummary) {
  testing::TempFolder data;
  {
    std::ofstream day(data.File("2020-03-05.csv"));
    day << "12,3,ids,1,2,3\n";
    const int samples[3][12] = {{104, 104, 104, 104, 104, 104, 104, 104, 104, 104, 97, 110},
                                {100, 93, 112, 88, 105, 99, 120, 80, 101, 107, 95, 115},
                                {103, 96, 118, 91, 100, 0, 86, 109, 124, 99, 102, 200}};
    const int64_t t0 = MakeUtc(2020, 3, 5, 7, 0, 0);
    for (int j = 0; j < 12; ++j) {
      day << "13," << t0 + j << ",x";
      for (const auto& station : samples) {
        day << ',' << (station[j] != 0 ? std::to_string(station[j]) : "");
      }
      day << '\n';
    }
  }
  replay::ReplayProcess server;
  ASSERT_TRUE(server.Start(TESSALY_REPLAY_PATH, {"--data", data.path().string()}));
  testing::TempFolder folder;
  const std::string csv = folder.File("stats.csv");
  const std::string stretch =
      "--from 2020-03-05T06:59:58 --seconds 14 --host " + server.host() + " --stats ";
  std::string summary;
  ASSERT_EQ(Render(stretch + csv, &summary), 0);
  const std::vector<std::string> rows = Lines(csv);
  ASSERT_EQ(rows.size(), 15u);
  EXPECT_EQ(rows[0], "UTC time,Stations,Z,Netvar,Devvar,CumDev");
  EXPECT_EQ(rows[1], "2020-03-05 06:59:58,0,,,,");
  EXPECT_EQ(rows[3], "2020-03-05 07:00:00,2,0.3,0.09,0.18,-0.91");
  EXPECT_EQ(rows[8], "2020-03-05 07:00:05,1,-0.14142135623731,0.02,0.02,8.98");
  EXPECT_EQ(rows[14], "2020-03-05 07:00:11,2,11.5,132.25,204.5,143.5");
  // The literal test's values, the tails to 1e-12 as the library gives them.
  EXPECT_EQ(Value(summary, "seconds"), "12");
  EXPECT_EQ(Value(summary, "chi-square"), "155.5");
  EXPECT_EQ(Value(summary, "df"), "12");
  EXPECT_NEAR(std::stod(Value(summary, "p")) / 4.3290599764286419e-27, 1.0, 1e-12);
  EXPECT_EQ(Value(summary, "z"), "29.2918148407822");
  EXPECT_EQ(Value(summary, "device-chi-square"), "255.02");
  EXPECT_EQ(Value(summary, "device-df"), "23");
  EXPECT_NEAR(std::stod(Value(summary, "device-p")) / 4.9293952265340894e-41, 1.0, 1e-12);
  EXPECT_EQ(Value(summary, "excluded"), "1");

  ASSERT_EQ(Render(stretch + csv + " --include-flagged", &summary), 0);
  EXPECT_EQ(Value(summary, "chi-square"), "122.59");
  EXPECT_EQ(Value(summary, "excluded"), "");
  EXPECT_EQ(Lines(csv)[3].substr(0, 22), "2020-03-05 07:00:00,3,");

  // Failures: bad arguments, a server that does not answer, a folder that is not there.
  EXPECT_EQ(Render("--from 2020-03-05T00:00:00 --seconds 604801 --stats " + csv), 2);
  EXPECT_EQ(Render("--from 2020-03-05T00:00:00 --stats " + csv + " --out x.wav"), 2);
  EXPECT_EQ(Render("--source pseudorandom --from 9999-12-31T23:59:00 --seconds 61 --stats " + csv),
            2);
  const std::string lost = folder.File("lost.csv");
  server.Stop();
  EXPECT_EQ(Render(stretch + lost), 1);
  EXPECT_FALSE(std::filesystem::exists(lost));
  EXPECT_EQ(Render("--source pseudorandom --from 2020-03-05T00:00:00 --stats " +
                   folder.File("none/x.csv")),
            1);
}

// The pseudorandom statistics are a function of the second alone: a stretch inside
// another gives the same rows, whenever it is run.
TEST(RenderStats, PseudorandomRowsDependOnTheSecondAlone) {
  testing::TempFolder folder;
  const std::string hour = folder.File("hour.csv");
  const std::string part = folder.File("part.csv");
  ASSERT_EQ(
      Render("--source pseudorandom --from 2020-03-05T07:00:00 --seconds 7200 --stats " + hour), 0);
  ASSERT_EQ(
      Render("--source pseudorandom --from 2020-03-05T07:59:00 --seconds 120 --stats " + part), 0);
  const std::vector<std::string> a = Lines(hour);
  const std::vector<std::string> b = Lines(part);
  ASSERT_EQ(a.size(), 7201u);
  ASSERT_EQ(b.size(), 121u);
  for (size_t j = 1; j <= 120; ++j) {
    // Up to the cumulative deviation, which starts afresh.
    const std::string& row = a[3540 + j];
    EXPECT_EQ(row.substr(0, row.rfind(',')), b[j].substr(0, b[j].rfind(','))) << j;
  }
}

}  // namespace
}  // namespace tessaly
