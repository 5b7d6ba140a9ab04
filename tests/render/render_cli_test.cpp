// tessaly-render against tessaly-replay: its sound file is the offline render
// of the same run, its table holds the served samples, and it fails clearly.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/curl/curl_http_get.h"
#include "replay_launcher.h"
#include "samples/clock.h"
#include "samples/server_source.h"
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

int Render(const std::string& args) {
  const std::string command = std::string(TESSALY_RENDER_PATH) + " " + args + " 2>/dev/null";
  const int status = std::system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
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
  const std::string file = ReadFile(wav);
  ASSERT_EQ(file.size(), 44 + expected.size());
  EXPECT_EQ(file.substr(0, 4), "RIFF");
  EXPECT_TRUE(file.substr(44) == expected);

  const std::string table = ReadFile(csv);
  EXPECT_EQ(table.rfind("UTC time,", 0), 0u);
  EXPECT_NE(table.find("\n2020-03-05 07:00:02,"), std::string::npos);
  EXPECT_EQ(std::count(table.begin(), table.end(), '\n'), 4);
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
      {"--source pseudorandom --out /nonexistent/x.wav --from 2020-03-05T07:00:00", 1},
  };
  for (const auto& [args, code] : cases) {
    SCOPED_TRACE(args);
    EXPECT_EQ(Render(args), code);
    EXPECT_FALSE(std::filesystem::exists(wav));
  }
  EXPECT_TRUE(std::filesystem::is_empty(folder.path()));
}

}  // namespace
}  // namespace tessaly
