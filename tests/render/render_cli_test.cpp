// tessaly-render against tessaly-replay: its sound file is the offline render
// of the same run, its table holds the served samples, its --stats the analysis'
// numbers, and it fails clearly.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#define STB_IMAGE_IMPLEMENTATION
#define STB_IMAGE_STATIC
#include <stb/stb_image.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "display/graph_painter.h"
#include "display/picture_export.h"
#include "platform/curl/curl_http_get.h"
#include "replay_launcher.h"
#include "samples/clock.h"
#include "samples/server_source.h"
#include "samples/station_ordering.h"
#include "samples/utc_time.h"
#include "sound/chunk_renderer.h"
#include "sound/offline_render.h"
#include "sound/player_test_support.h"
#include "support/temp_folder.h"

namespace tessaly {
namespace {

using testing::ReadFile;

struct Outcome {
  int code;
  std::string out, err;
};

// Runs tessaly-render after the shell commands in before.
Outcome Render(const std::string& args, const std::string& before = "") {
  testing::TempFolder folder;
  const std::string command = before + TESSALY_RENDER_PATH + " " + args + " >" +
                              folder.File("out") + " 2>" + folder.File("err");
  const int status = std::system(command.c_str());
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadFile(folder.File("out")),
          ReadFile(folder.File("err"))};
}

std::vector<std::string> Lines(const std::string& text) {
  std::istringstream in(text);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) {
    lines.push_back(line);
  }
  return lines;
}

// The value of "key: value" in a --stats summary.
std::string Value(const std::string& summary, const std::string& key) {
  for (const std::string& line : Lines(summary)) {
    if (line.rfind(key + ": ", 0) == 0) {
      return line.substr(key.size() + 2);
    }
  }
  return "(missing)";
}

// Whether a table row has no sample: its time and nothing but commas.
bool EmptyRow(const std::string& row) {
  return row.find_first_not_of(',', 19) == std::string::npos;
}

TEST(RenderCli, WritesTheOfflineRenderAndTheSamplesOfTheStretch) {
  replay::ReplayProcess server;
  ASSERT_TRUE(server.Start(TESSALY_REPLAY_PATH, {}));
  testing::TempFolder folder;
  const std::string wav = folder.File("three.wav");
  const std::string csv = folder.File("three.csv");
  const std::string png = folder.File("three.png");
  ASSERT_EQ(Render("--station 37 --from 2020-03-05T07:00:00 --seconds 3 --scale minor --base -2"
                   " --values 5 --fade in --volume 80 --host " +
                   server.host() + " --out " + wav + " --csv " + csv + " --png " + png)
                .code,
            0);

  // The same run rendered here from the same server.
  SystemClock clock;
  CurlHttpGet http;
  ServerSource source(http);
  SampleStore store(kSourceServer, clock, &source);
  store.SetServerHost(server.host());
  const int64_t from = MakeUtc(2020, 3, 5, 7, 0, 0);
  ASSERT_NE(store.FindRange(from - 600, from + 600, true), nullptr);
  testing_sound::TestHost host;
  host.fade = kWeightFadeIn;
  host.views[0].SetStore(&store);
  host.views[0].SetStation(37);
  host.views[0].SetValuesN(5);
  host.views[0].SetPlayStartPosition(from);
  host.views[0].SetSoundOn(true);
  host.views[0].SetPlaying(true);
  OfflineRun run;
  BuildScale(kScaleMinor, ReferenceScale()[kScaleRoot - 2], run.scale);
  run.level = OutputLevel(80, false);
  run.seconds = 3;
  std::string expected;
  ASSERT_EQ(RenderOffline(
                host, run,
                [&](std::span<const uint8_t> pcm) {
                  expected.append(pcm.begin(), pcm.end());
                  return true;
                },
                nullptr),
            RenderOutcome::kDone);
  // A short file stays plain RIFF, with room kept (JUNK) for the RF64 header
  // a file past 4 GiB needs.
  const std::string file = ReadFile(wav);
  EXPECT_EQ(file.substr(0, 4), "RIFF");
  EXPECT_EQ(file.substr(12, 4), "JUNK");
  const size_t data = file.find("data");
  ASSERT_NE(data, std::string::npos);
  ASSERT_EQ(file.size(), data + 8 + expected.size());
  EXPECT_TRUE(file.substr(data + 8) == expected);

  const std::string table = ReadFile(csv);
  EXPECT_EQ(table.rfind("UTC time,", 0), 0u);
  EXPECT_NE(table.find("\n2020-03-05 07:00:02,"), std::string::npos);
  EXPECT_EQ(std::count(table.begin(), table.end(), '\n'), 4);
  // The picture: every station's colour map as the painter paints it, the strip below.
  int width = 0, height = 0, channels = 0;
  std::unique_ptr<stbi_uc, void (*)(void*)> pixels(
      stbi_load(png.c_str(), &width, &height, &channels, 3), stbi_image_free);
  ASSERT_NE(pixels, nullptr);
  RankIdentity(*store.FindBlock(from, true), 0);
  ASSERT_EQ(width, 3 * kColumnWidth);
  ASSERT_EQ(height, (60 + 2) * kRowHeight + 24);  // 60 stations, the mean band, the strip
  PaintParams params;
  params.values = 5;
  params.geometry = {width, (60 + 2) * kRowHeight, 3, 0, 0};
  Raster graph(width, params.geometry.height);
  PaintColumns(graph, store, params, 0, 3, from);
  const std::vector<uint8_t> painted = RgbBytes(graph);
  EXPECT_TRUE(std::equal(painted.begin(), painted.end(), pixels.get()));
}

// Near the present a reply is trimmed where stations stop reporting: the tail
// is asked for again until the server has nothing new, and what it does not
// have yet stays empty, said on stderr.
TEST(RenderCli, StretchesNearThePresentAskAgainForTheTail) {
  replay::ReplayProcess server;
  testing::TempFolder folder;
  const std::string log = folder.File("requests.log");
  ASSERT_TRUE(server.Start(TESSALY_REPLAY_PATH, {"--now", "2020-03-05T07:10:00", "--log", log}));
  const std::string csv = folder.File("recent.csv");
  const std::string recent = " --seconds 60 --host " + server.host() + " --csv " + csv;
  // 100 s before the present: every second is there for most stations.
  ASSERT_EQ(Render("--from 2020-03-05T07:08:20" + recent).code, 0);
  std::vector<std::string> rows = Lines(ReadFile(csv));
  ASSERT_EQ(rows.size(), 61u);
  EXPECT_EQ(std::count_if(rows.begin() + 1, rows.end(), EmptyRow), 0);
  const std::string requests = ReadFile(log);
  EXPECT_GE(std::count(requests.begin(), requests.end(), '\n'), 2);
  // Reaching 29 s past the present: those rows are empty, and counted; the
  // sound of the same stretch is silent there, said too.
  const std::string wav = folder.File("recent.wav");
  const Outcome late = Render("--station 37 --from 2020-03-05T07:09:30 --out " + wav + recent);
  ASSERT_EQ(late.code, 0);
  rows = Lines(ReadFile(csv));
  ASSERT_EQ(rows.size(), 61u);
  EXPECT_EQ(std::count_if(rows.begin() + 1, rows.begin() + 32, EmptyRow), 0);
  EXPECT_EQ(std::count_if(rows.begin() + 32, rows.end(), EmptyRow), 29);
  EXPECT_NE(late.err.find("29 s of"), std::string::npos) << late.err;
  EXPECT_NE(late.err.find("29 s at the end"), std::string::npos) << late.err;
}

TEST(RenderCli, FailuresExitNonZeroAndLeaveNoFile) {
  testing::TempFolder folder;
  const std::string wav = folder.File("x.wav");
  const std::string from = " --from 2020-03-05T07:00:00 --out " + wav;
  const std::pair<std::string, int> cases[] = {
      {"--help", 0},
      {"--from 2020-02-30T07:00:00 --out " + wav, 2},
      {"--seconds 0" + from, 2},
      {"--volume 101" + from, 2},
      {"--fade sideways" + from, 2},
      {"--from 2020-03-05T07:00:00", 2},
      {"--host 127.0.0.1:1" + from, 1},
      {"--host 127.0.0.1:1 --csv " + wav + " --from 2020-03-05T07:00:00", 1},
      {"--source pseudorandom --out /nonexistent/x.wav --from 2020-03-05T07:00:00", 1},
      {"--source pseudorandom --station 999" + from, 3},
      {"--source pseudorandom --station 999 --png " + wav + " --from 2020-03-05T07:00:00", 3},
      {"--from 2020-03-05T00:00:00 --seconds 604801 --stats " + wav, 2},
      {"--from 2020-03-05T00:00:00 --stats " + wav + " --out y.wav", 2},
      {"--source pseudorandom --from 9999-12-31T23:59:00 --seconds 61 --stats " + wav, 2},
      {"--host 127.0.0.1:1 --from 2020-03-05T00:00:00 --stats " + wav, 1},
      {"--source pseudorandom --from 2020-03-05T00:00:00 --stats /nonexistent/x.csv", 1},
  };
  for (const auto& [args, code] : cases) {
    SCOPED_TRACE(args);
    EXPECT_EQ(Render(args).code, code);
    EXPECT_FALSE(std::filesystem::exists(wav));
  }
  // A disk that takes only 8 blocks: every kind of file fails, and none is left.
  const std::string limited = "trap '' XFSZ; ulimit -f 8; ";
  for (const char* option : {"--out", "--png", "--csv"}) {
    SCOPED_TRACE(option);
    EXPECT_EQ(Render(std::string("--source pseudorandom --seconds 3600 ") + option + " " + wav +
                         " --from 2020-03-05T07:00:00",
                     limited)
                  .code,
              1);
  }
  EXPECT_TRUE(std::filesystem::is_empty(folder.path()));
  // ".FLAC" in capitals is still FLAC.
  const std::string flac = folder.File("x.FLAC");
  ASSERT_EQ(
      Render("--source pseudorandom --seconds 2 --out " + flac + " --from 2020-03-05T07:00:00")
          .code,
      0);
  EXPECT_EQ(ReadFile(flac).substr(0, 4), "fLaC");
}

// Station 1 stuck for ten seconds, station 3 missing a sample: the stretch of the
// analysis' literal test (chi-square 155.5 without station 1, 122.59 with it), after
// two seconds with no station at all, from a recorded day.
TEST(RenderStats, WritesThePerSecondTableAndTheSummary) {
  testing::TempFolder data;
  std::string day = "12,3,ids,1,2,3\n";
  const int samples[3][12] = {{104, 104, 104, 104, 104, 104, 104, 104, 104, 104, 97, 110},
                              {100, 93, 112, 88, 105, 99, 120, 80, 101, 107, 95, 115},
                              {103, 96, 118, 91, 100, 0, 86, 109, 124, 99, 102, 200}};
  for (int j = 0; j < 12; ++j) {
    day += "13," + std::to_string(MakeUtc(2020, 3, 5, 7, 0, j)) + ",x";
    for (const auto& station : samples) {
      day += "," + (station[j] != 0 ? std::to_string(station[j]) : "");
    }
    day += "\n";
  }
  testing::WriteFile(data.File("2020-03-05.csv"), day);
  replay::ReplayProcess server;
  ASSERT_TRUE(server.Start(TESSALY_REPLAY_PATH, {"--data", data.path().string()}));
  const std::string csv = data.File("stats.csv");
  const std::string stretch =
      "--from 2020-03-05T06:59:58 --seconds 14 --host " + server.host() + " --stats " + csv;
  Outcome run = Render(stretch);
  ASSERT_EQ(run.code, 0);
  const std::vector<std::string> rows = Lines(ReadFile(csv));
  ASSERT_EQ(rows.size(), 15u);
  EXPECT_EQ(rows[0], "UTC time,Stations,Z,Netvar,Devvar,CumDev");
  EXPECT_EQ(rows[1], "2020-03-05 06:59:58,0,,,,");
  EXPECT_EQ(rows[3], "2020-03-05 07:00:00,2,0.3,0.09,0.18,-0.91");
  EXPECT_EQ(rows[8], "2020-03-05 07:00:05,1,-0.14142135623731,0.02,0.02,8.98");
  EXPECT_EQ(rows[14], "2020-03-05 07:00:11,2,11.5,132.25,204.5,143.5");
  // The literal test's values, the tails to 1e-12 as the library gives them.
  const std::pair<const char*, const char*> values[] = {
      {"seconds", "12"},         {"chi-square", "155.5"},         {"df", "12"},
      {"z", "29.2918148407822"}, {"device-chi-square", "255.02"}, {"device-df", "23"},
      {"excluded", "1"}};
  for (const auto& [key, value] : values) {
    EXPECT_EQ(Value(run.out, key), value) << key;
  }
  EXPECT_NEAR(std::stod(Value(run.out, "p")) / 4.3290599764286419e-27, 1.0, 1e-12);
  EXPECT_NEAR(std::stod(Value(run.out, "device-p")) / 4.9293952265340894e-41, 1.0, 1e-12);

  run = Render(stretch + " --include-flagged");
  ASSERT_EQ(run.code, 0);
  EXPECT_EQ(Value(run.out, "chi-square"), "122.59");
  EXPECT_EQ(Value(run.out, "excluded"), "");
  EXPECT_EQ(Lines(ReadFile(csv))[3].substr(0, 22), "2020-03-05 07:00:00,3,");
}

// A whole day from noon has every row: the first blocks must still be there when
// the table is written. The pseudorandom statistics are a function of the second
// alone: a stretch inside another gives the same rows, whenever it is run.
TEST(RenderStats, PseudorandomDayHasEveryRowAndItsStatsDependOnTheSecondAlone) {
  testing::TempFolder folder;
  const std::string pseudorandom = "--source pseudorandom --from ";
  const std::string csv = folder.File("day.csv");
  ASSERT_EQ(Render(pseudorandom + "2024-01-01T12:00:00 --seconds 86400 --csv " + csv).code, 0);
  const std::vector<std::string> rows = Lines(ReadFile(csv));
  ASSERT_EQ(rows.size(), 86401u);
  EXPECT_EQ(rows[1].substr(0, 19), "2024-01-01 12:00:00");
  EXPECT_EQ(rows.back().substr(0, 19), "2024-01-02 11:59:59");
  EXPECT_EQ(std::count_if(rows.begin() + 1, rows.end(), EmptyRow), 0);
  const std::string hour = folder.File("hour.csv");
  const std::string part = folder.File("part.csv");
  ASSERT_EQ(Render(pseudorandom + "2020-03-05T07:00:00 --seconds 7200 --stats " + hour).code, 0);
  ASSERT_EQ(Render(pseudorandom + "2020-03-05T07:59:00 --seconds 120 --stats " + part).code, 0);
  const std::vector<std::string> a = Lines(ReadFile(hour));
  const std::vector<std::string> b = Lines(ReadFile(part));
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
