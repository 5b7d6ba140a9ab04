// Saving what a view plays and shows: the sound file is what the engine sends
// to the device for the same run; pictures and tables come from the views.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "display/picture_export.h"
#include "sound/offline_render.h"
#include "views/view_export.h"
#include "views/view_harness.h"

namespace tessaly::testing {
namespace {

class MemorySoundFile final : public SoundFileWriter {
 public:
  bool Open(const std::filesystem::path& path, SoundFileType, const PcmFormat&) override {
    opened = path;
    return true;
  }
  bool Write(std::span<const uint8_t> pcm) override {
    bytes.insert(bytes.end(), pcm.begin(), pcm.end());
    std::ofstream(opened, std::ios::app) << 'x';  // the file exists while it is written
    return !failWrites;
  }
  bool Close() override { return true; }
  std::string LastError() const override { return "Disk full"; }
  std::filesystem::path opened;
  std::vector<uint8_t> bytes;
  bool failWrites = false;
};

// What the device got for `seconds` of a view's Play from its current position.
std::vector<uint8_t> Played(ViewHarness& h, int playId, int seconds) {
  const size_t before = h.device.writtenBytes().size();
  h.Play(playId, seconds);
  const std::vector<uint8_t> bytes = h.device.writtenBytes();
  EXPECT_TRUE(h.Stop(playId));
  return {bytes.begin() + std::ptrdiff_t(before), bytes.end()};
}

bool StartsWith(const std::vector<uint8_t>& whole, const std::vector<uint8_t>& part) {
  return whole.size() >= part.size() && std::equal(part.begin(), part.end(), whole.begin());
}

// The picture and samples of the stretch View 1 shows, then the sound both
// views play, saved.
TEST(ExportScenario, PictureSamplesAndSoundOfWhatTheViewsShowAndPlay) {
  ViewHarness h;
  h.settings.view2 = 1;
  h.Start();
  // The picture: the graph above the strip, each pixel 4 x 4 at scale 4.
  const Raster& graph = h.g1().image;
  const Raster& strip = h.v1().image;
  const Raster picture = ViewPicture(*h.main, 0, 4);
  ASSERT_EQ(picture.width(), 4 * std::max(graph.width(), strip.width()));
  ASSERT_EQ(picture.height(), 4 * (graph.height() + strip.height()));
  for (const auto& [x, y] : {std::pair{0, 0}, {37, 11}, {graph.width() - 1, graph.height() - 1}}) {
    EXPECT_EQ(picture.Pixel(4 * x + 3, 4 * y + 2), graph.Pixel(x, y));
  }
  EXPECT_EQ(picture.Pixel(8, 4 * graph.height() + 5), strip.Pixel(2, 1));

  // The table of what the graph shows: its first second is its position less its cursor column.
  const SecondRange shown = ShownSeconds(*h.main, 0);
  EXPECT_EQ(shown.from, kPreset - h.g1().cursorColumn);
  EXPECT_EQ(shown.to - shown.from + 1, h.g1().columns);
  const std::string csv = h.folder.File("shown.csv");
  std::string error;
  EXPECT_FALSE(ExportViewSamples(*h.main, 0, {kPreset + 1, kPreset}, false, csv, &error));
  EXPECT_NE(error.find("before"), std::string::npos) << error;
  EXPECT_FALSE(ExportViewSamples(*h.main, 0, {kPreset, kPreset + 7 * 86400}, false, csv,
                                 &error));  // a second past 7 days is not gathered: refused
  EXPECT_NE(error.find("7 days"), std::string::npos) << error;
  ASSERT_TRUE(ExportViewSamples(*h.main, 0, {kPreset, kPreset + 1}, false, csv, &error));
  auto cells = [](int64_t t) {
    std::string text;
    for (const uint32_t id : {1, 33, 34, 37, 100}) {
      text += "," + std::to_string(DefaultValue(id, t));
    }
    return text;
  };
  std::string table = "UTC time,1,33,34,37,100\n";
  for (const int64_t t : {kPreset, kPreset + 1}) {
    table += FormatTime(t) + cells(t) + "\n";
  }
  EXPECT_EQ(ReadFile(csv), table);
  // Two hours earlier, where the store holds nothing yet: fetched, not empty rows.
  const int64_t early = kPreset - 7200;
  ASSERT_TRUE(ExportViewSamples(*h.main, 0, {early, early}, false, csv, &error));
  EXPECT_EQ(ReadFile(csv), "UTC time,1,33,34,37,100\n" + FormatTime(early) + cells(early) + "\n");
  // A reply that begins 2 s later than asked: those rows are empty, the rest is there.
  h.server.script.dataStartFor = [](const SampleBlock& b) { return b.requestStart + 2; };
  ASSERT_TRUE(ExportViewSamples(*h.main, 0, {early - 3600, early - 3597}, false, csv, &error));
  EXPECT_EQ(ReadFile(csv), "UTC time,1,33,34,37,100\n" + FormatTime(early - 3600) + ",,,,,\n" +
                               FormatTime(early - 3599) + ",,,,,\n" + FormatTime(early - 3598) +
                               cells(early - 3598) + "\n" + FormatTime(early - 3597) +
                               cells(early - 3597) + "\n");
  h.server.script.dataStartFor = nullptr;

  // A save dialog's name gets the chosen type's suffix unless it has it.
  for (const auto& [name, saved] : {std::pair{"take", "take.flac"},
                                    {"take.FLAC", "take.FLAC"},
                                    {"take.wav", "take.wav.flac"},
                                    {"", ""}}) {
    EXPECT_EQ(WithChosenSuffix(name, "FLAC sound (*.flac)"), saved);
  }

  // The recorded-day format, as tessaly-replay --data reads it: merged into
  // the day file there, rows sorted, ids the union, cells by id.
  const std::string days = h.folder.File("days");
  std::filesystem::create_directories(days);
  const int64_t before = kPreset - 60;
  WriteFile(days + "/2026-03-10.csv", "12,2,ids,999,1\n13," + std::to_string(before) + "," +
                                          FormatTime(before).substr(11) + ",5,7\n13," +
                                          std::to_string(kPreset) + ",00:00:00,1,2\n");
  ASSERT_TRUE(ExportViewSamples(*h.main, 0, {kPreset, kPreset + 1}, true, days, &error));
  ASSERT_TRUE(ExportViewSamples(*h.main, 0, {early, early}, true, days, &error));
  auto row = [&](int64_t t, const std::string& samples) {
    return "13," + std::to_string(t) + "," + FormatTime(t).substr(11) + samples + "\n";
  };
  // Cells in the merged order: 999 (none now), 1, 33, 34, 37, 100.
  EXPECT_EQ(ReadFile(days + "/2026-03-10.csv"),
            "12,6,ids,999,1,33,34,37,100\n" + row(early, "," + cells(early)) +
                row(before, ",5,7,,,,") + row(kPreset, "," + cells(kPreset)) +
                row(kPreset + 1, "," + cells(kPreset + 1)));

  const std::vector<uint8_t> played1 = Played(h, kIdView1Play, 3);
  const int64_t start2 = h.v2().position;
  h.dialog.UserClick(kIdView2SoundCheck);  // off by default: Play would be silent
  ASSERT_TRUE(h.v2().soundOn());
  const std::vector<uint8_t> played2 = Played(h, kIdView2Play, 1);

  // The same runs saved, from the positions Play started at; Mute is the
  // loudspeakers', never the file's.
  h.v1().position = kPreset;
  h.v2().position = start2;
  h.settings.mute = 1;
  OfflineRun run{.format = h.player->format(), .scale = h.player->scaleTable()};
  std::vector<int64_t> seconds;
  // A completed save of `name` at `run`'s format; its bytes, and its steps in seconds.
  const auto saved = [&](const SoundSaveChoice& choice, const OfflineRun& at, const char* name) {
    MemorySoundFile file;
    seconds.clear();
    const auto step = [&](int64_t s) {
      seconds.push_back(s);
      return true;
    };
    EXPECT_EQ(SaveViewsSound(*h.main, choice, at, file, h.folder.File(name), step, &error),
              RenderOutcome::kDone);
    EXPECT_TRUE(std::filesystem::exists(h.folder.File(name)));
    return file.bytes;
  };
  const std::vector<uint8_t> view1 = saved({true, false, 3, {}}, run, "run.wav");
  EXPECT_EQ(seconds, (std::vector<int64_t>{0, 1, 2}));
  ASSERT_EQ(view1.size(), size_t(3 * 176400));
  EXPECT_TRUE(StartsWith(played1, view1));
  const std::vector<uint8_t> view2 = saved({false, true, 1, {}}, run, "2.wav");
  ASSERT_EQ(view2.size(), size_t(176400));
  EXPECT_TRUE(StartsWith(played2, view2));
  // At the current volume: the device's level applied to the same sound.
  std::vector<uint8_t> expected(played1.begin(), played1.begin() + 176400);
  ApplyOutputLevel(OutputLevel(30, false), run.format, expected, expected);
  EXPECT_EQ(saved({true, false, 1, 30}, run, "3.wav"), expected);

  // At 11,025 Hz (chunks of 1102 frames): still every second's step, and
  // exactly seconds x rate frames.
  OfflineRun slow = run;
  slow.format.sampleRate = 11025;
  EXPECT_EQ(saved({true, false, 3, {}}, slow, "low.wav").size(), size_t(3 * 11025 * 4));
  EXPECT_EQ(seconds, (std::vector<int64_t>{0, 1, 2}));
  MemorySoundFile file;

  // Cancelled, failed or refused: nothing under the chosen name, nothing left beside it.
  const std::string other = h.folder.File("other.wav");
  EXPECT_EQ(
      SaveViewsSound(
          *h.main, {true, true, 60, {}}, run, file, other, [](int64_t s) { return s < 5; }, &error),
      RenderOutcome::kCancelled);
  file.failWrites = true;
  EXPECT_EQ(SaveViewsSound(*h.main, {false, true, 60, {}}, run, file, other, nullptr, &error),
            RenderOutcome::kFailed);
  EXPECT_EQ(error, "Disk full");
  run.format.sampleRate = 1 << 30;  // more than any disk holds
  EXPECT_EQ(SaveViewsSound(*h.main, {true, false, 86400, {}}, run, file, other, nullptr, &error),
            RenderOutcome::kFailed);
  EXPECT_NE(error.find("MB free"), std::string::npos) << error;
  // "Both" before View 2 was Set names View 2, instead of View 1 on both channels.
  h.v2().position = 0;
  EXPECT_EQ(SaveViewsSound(*h.main, {true, true, 1, {}}, run, file, other, nullptr, &error),
            RenderOutcome::kFailed);
  EXPECT_NE(error.find("View 2"), std::string::npos) << error;
  EXPECT_FALSE(std::filesystem::exists(other));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(h.folder.path()), {}),
            6);  // shown.csv, days, run.wav, 2.wav, 3.wav, low.wav
}

// A fetch that fails while View 1 plays: the save ends with the cause, once;
// the playing view goes on and no message box opens.
TEST(ExportScenario, FailedFetchEndsTheSaveOnlyOnce) {
  StartedHarness h({.reportFailures = true});
  h.Play(kIdView1Play);
  h.server.script.fail = true;
  OfflineRun run{.format = h.player->format()};
  MemorySoundFile file;
  std::string error;
  int steps = 0;
  EXPECT_EQ(SaveViewsSound(
                *h.main, {true, false, 3600, {}}, run, file, h.folder.File("x.wav"),
                [&](int64_t) { return ++steps > 0; }, &error),
            RenderOutcome::kFailed);
  EXPECT_NE(error.find("scripted failure"), std::string::npos) << error;
  EXPECT_LT(steps, 3600);
  EXPECT_FALSE(std::filesystem::exists(h.folder.File("x.wav")));
  EXPECT_TRUE(h.player->IsRendering());
  EXPECT_TRUE(h.dialog.MessageBoxes().empty());
  EXPECT_TRUE(h.Stop(kIdView1Play));
}

}  // namespace
}  // namespace tessaly::testing
