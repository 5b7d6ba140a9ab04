// Saving what a view plays and shows: the sound file is what the engine sends
// to the device for the same run; pictures and tables come from the views.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "display/picture_export.h"
#include "sound/offline_render.h"
#include "views/view_export.h"
#include "views/view_harness.h"

namespace tessaly::testing {
namespace {

class MemorySoundFile final : public SoundFileWriter {
 public:
  bool Open(const std::string& path, const PcmFormat&) override {
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
  std::string opened;
  std::vector<uint8_t> bytes;
  bool failWrites = false;
};

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

TEST(ExportScenario, SavedSoundIsWhatTheEnginePlays) {
  ViewHarness h;
  h.Start();
  // What the device gets for three seconds of View 1 from the preset.
  h.Play(kIdView1Play);
  h.PlaySeconds(3);
  const std::vector<uint8_t> played = h.device.writtenBytes();
  h.dialog.UserClick(kIdView1Play);
  ASSERT_TRUE(h.FinishRun());

  // The same run saved: from the position Play started at.
  h.v1().position = kPreset;
  OfflineRun run;
  run.format = h.player->format();
  run.scale = h.player->scaleTable();
  MemorySoundFile file;
  const std::string path = h.folder.File("run.wav");
  int64_t lastSecond = -1;
  std::string error;
  ASSERT_EQ(SaveViewsSound(
                *h.main, {true, false, 3}, run, file, path,
                [&](int64_t s) { return (lastSecond = s) >= 0; }, &error),
            RenderOutcome::kDone);
  EXPECT_EQ(lastSecond, 2);
  ASSERT_GE(played.size(), size_t(3 * 176400));
  ASSERT_EQ(file.bytes.size(), size_t(3 * 176400));
  EXPECT_TRUE(std::equal(file.bytes.begin(), file.bytes.end(), played.begin()));
  EXPECT_TRUE(std::filesystem::exists(path));

  // Cancelled or failed: nothing under the chosen name, nothing left beside it.
  const std::string other = h.folder.File("other.wav");
  EXPECT_EQ(
      SaveViewsSound(
          *h.main, {true, true, 60}, run, file, other, [](int64_t s) { return s < 5; }, &error),
      RenderOutcome::kCancelled);
  file.failWrites = true;
  EXPECT_EQ(SaveViewsSound(*h.main, {false, true, 60}, run, file, other, nullptr, &error),
            RenderOutcome::kFailed);
  EXPECT_EQ(error, "Disk full");
  EXPECT_FALSE(std::filesystem::exists(other));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(h.folder.path()), {}), 1);  // run.wav

  // View 2 alone sounds too (on its own channel).
  MemorySoundFile view2;
  ASSERT_EQ(SaveViewsSound(*h.main, {false, true, 1}, run, view2, h.folder.File("2.wav"), nullptr,
                           &error),
            RenderOutcome::kDone);
  EXPECT_NE(std::count(view2.bytes.begin(), view2.bytes.end(), 0), std::ssize(view2.bytes));
}

TEST(ExportScenario, PictureAndSamplesOfTheShownStretch) {
  ViewHarness h;
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
  ASSERT_TRUE(ExportViewSamples(*h.main, 0, {kPreset, kPreset + 1}, false, csv, &error));
  std::string table = "UTC time,1,33,34,37,100\n";
  std::string day = "12,5,ids,1,33,34,37,100\n";
  for (const int64_t t : {kPreset, kPreset + 1}) {
    std::string cells;
    for (const uint32_t id : {1, 33, 34, 37, 100}) {
      cells += "," + std::to_string(DefaultValue(id, t));
    }
    table += FormatTime(t) + cells + "\n";
    day += "13," + std::to_string(t) + "," + FormatTime(t).substr(11) + cells + "\n";
  }
  EXPECT_EQ(ReadFile(csv), table);
  // The recorded-day format: one file per UTC day, as tessaly-replay --data reads it.
  const std::string days = h.folder.File("days");
  ASSERT_TRUE(ExportViewSamples(*h.main, 0, {kPreset, kPreset + 1}, true, days, &error));
  EXPECT_EQ(ReadFile(days + "/2026-03-10.csv"), day);
}

}  // namespace
}  // namespace tessaly::testing
