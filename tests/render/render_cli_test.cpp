// tessaly-render against tessaly-replay: its sound file is the offline render
// of the same run, its table holds the served samples, and it fails clearly.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#define STB_IMAGE_IMPLEMENTATION
#define STB_IMAGE_STATIC
#include <stb/stb_image.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
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
#include "support/temp_folder.h"

namespace tessaly {
namespace {

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

// Runs tessaly-render after the shell commands in before; err gets its stderr.
int Render(const std::string& args, std::string* err = nullptr, const std::string& before = "") {
  static int runs = 0;
  const std::string errors =
      (std::filesystem::temp_directory_path() /
       ("tessaly-render-err-" + std::to_string(getpid()) + "-" + std::to_string(++runs)))
          .string();
  const std::string command =
      before + std::string(TESSALY_RENDER_PATH) + " " + args + " 2>" + errors;
  const int status = std::system(command.c_str());
  if (err != nullptr) {
    *err = ReadFile(errors);
  }
  std::filesystem::remove(errors);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The rows of a table after its header.
std::vector<std::string> Rows(const std::string& table) {
  std::vector<std::string> rows;
  for (size_t at = table.find('\n') + 1; at < table.size(); at = table.find('\n', at) + 1) {
    rows.push_back(table.substr(at, table.find('\n', at) - at));
  }
  return rows;
}

// Whether a row has no sample: its time and nothing but commas.
bool EmptyRow(const std::string& row) {
  return row.find_first_not_of(',', 19) == std::string::npos;
}

class OneView final : public PlayerHost {
 public:
  const PlayerViewState* PlayerView(int view) const override {
    return view == 0 ? &fields : nullptr;
  }
  int SoundFade() const override { return kWeightFadeIn; }
  void OnPlayerStopped() override {}
  void ShowPlayerMessage(const std::string&, const std::string&, const std::string&) override {}
  PlayerViewFields fields;
};

TEST(RenderCli, WritesTheOfflineRenderAndTheSamplesOfTheStretch) {
  replay::ReplayProcess server;
  ASSERT_TRUE(server.Start(TESSALY_REPLAY_PATH, {}));
  testing::TempFolder folder;
  const std::string wav = folder.File("three.wav");
  const std::string csv = folder.File("three.csv");
  ASSERT_EQ(Render("--station 37 --from 2020-03-05T07:00:00 --seconds 3 --scale minor --base -2"
                   " --values 5 --fade in --volume 80 --host " +
                   server.host() + " --out " + wav + " --csv " + csv),
            0);

  // The same run rendered here from the same server.
  SystemClock clock;
  CurlHttpGet http;
  ServerSource source(http);
  SampleStore store(kSourceServer, clock, &source);
  store.SetServerHost(server.host());
  const int64_t from = MakeUtc(2020, 3, 5, 7, 0, 0);
  ASSERT_NE(store.FindRange(from - 600, from + 600, true), nullptr);
  OneView host;
  host.fields.SetStore(&store);
  host.fields.SetStation(37);
  host.fields.SetValuesN(5);
  host.fields.SetPlayStartPosition(from);
  host.fields.SetSoundOn(true);
  host.fields.SetPlaying(true);
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
  const std::string png = folder.File("three.png");
  ASSERT_EQ(Render("--station 37 --from 2020-03-05T07:00:00 --seconds 3 --values 5 --host " +
                   server.host() + " --png " + png),
            0);
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
  std::string err;
  // 100 s before the present: every second is there for most stations.
  ASSERT_EQ(
      Render("--from 2020-03-05T07:08:20 --seconds 60 --host " + server.host() + " --csv " + csv,
             &err),
      0);
  std::vector<std::string> rows = Rows(ReadFile(csv));
  ASSERT_EQ(rows.size(), 60u);
  EXPECT_EQ(std::count_if(rows.begin(), rows.end(), EmptyRow), 0);
  const std::string requests = ReadFile(log);
  EXPECT_GE(std::count(requests.begin(), requests.end(), '\n'), 2);
  // Reaching 29 s past the present: those rows are empty, and counted.
  ASSERT_EQ(
      Render("--from 2020-03-05T07:09:30 --seconds 60 --host " + server.host() + " --csv " + csv,
             &err),
      0);
  rows = Rows(ReadFile(csv));
  ASSERT_EQ(rows.size(), 60u);
  EXPECT_EQ(std::count_if(rows.begin(), rows.begin() + 31, EmptyRow), 0);
  EXPECT_EQ(std::count_if(rows.begin() + 31, rows.end(), EmptyRow), 29);
  EXPECT_NE(err.find("29 s "), std::string::npos) << err;
  // The sound of the same stretch: silent there, said too.
  const std::string wav = folder.File("recent.wav");
  ASSERT_EQ(Render("--station 37 --from 2020-03-05T07:09:30 --seconds 60 --host " + server.host() +
                       " --out " + wav,
                   &err),
            0);
  EXPECT_NE(err.find("29 s of"), std::string::npos) << err;
}

// A whole day from noon: the first blocks must still be there when the table is written.
TEST(RenderCli, ADayFromNoonHasEveryRow) {
  testing::TempFolder folder;
  const std::string csv = folder.File("day.csv");
  ASSERT_EQ(Render("--source pseudorandom --from 2024-01-01T12:00:00 --seconds 86400 --csv " + csv),
            0);
  const std::vector<std::string> rows = Rows(ReadFile(csv));
  ASSERT_EQ(rows.size(), 86400u);
  EXPECT_EQ(rows.front().substr(0, 19), "2024-01-01 12:00:00");
  EXPECT_EQ(rows.back().substr(0, 19), "2024-01-02 11:59:59");
  EXPECT_EQ(std::count_if(rows.begin(), rows.end(), EmptyRow), 0);
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
  };
  for (const auto& [args, code] : cases) {
    SCOPED_TRACE(args);
    EXPECT_EQ(Render(args), code);
    EXPECT_FALSE(std::filesystem::exists(wav));
  }
  // A disk that takes only 8 blocks: every kind of file fails, and none is left.
  const std::string limited = "trap '' XFSZ; ulimit -f 8; ";
  for (const char* option : {"--out", "--png", "--csv"}) {
    SCOPED_TRACE(option);
    EXPECT_EQ(Render(std::string("--source pseudorandom --seconds 3600 ") + option + " " + wav +
                         " --from 2020-03-05T07:00:00",
                     nullptr, limited),
              1);
  }
  EXPECT_TRUE(std::filesystem::is_empty(folder.path()));
  // ".FLAC" in capitals is still FLAC.
  const std::string flac = folder.File("x.FLAC");
  ASSERT_EQ(
      Render("--source pseudorandom --seconds 2 --out " + flac + " --from 2020-03-05T07:00:00"), 0);
  EXPECT_EQ(ReadFile(flac).substr(0, 4), "fLaC");
}

}  // namespace
}  // namespace tessaly
