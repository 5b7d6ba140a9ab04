#include "views/view_export.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "samples/sample_export.h"
#include "views/cview.h"
#include "views/main_dialog.h"

namespace tessaly {

namespace {

// The views of a saved run, as the engine reads them when Play starts both.
class SavedRunHost final : public PlayerHost {
 public:
  const PlayerViewState* PlayerView(int view) const override {
    return view == 0 || view == 1 ? &views[size_t(view)] : nullptr;
  }
  int SoundFade() const override { return fade; }
  void OnPlayerStopped() override {}
  void ShowPlayerMessage(const std::string&, const std::string&, const std::string&) override {}

  std::array<PlayerViewFields, 2> views;
  int fade = 0;
};

// Fetches ahead for second t as a playing view's Advance does.
void EnsureData(CView& v, int64_t t) {
  if (v.store == nullptr || v.store->EnsureAfter(t, v.columns - v.cursorColumn + 60)) {
    return;
  }
  if (const BlockPtr b = v.store->FindBlock(t, true)) {
    v.store->FindRange(b->dataEnd + 1, b->dataEnd + 600, true);
  }
}

}  // namespace

RenderOutcome SaveViewsSound(CMainDialog& dialog, const SoundSaveChoice& choice, OfflineRun run,
                             SoundFileWriter& writer, const std::string& path,
                             const std::function<bool(int64_t second)>& progress,
                             std::string* error) {
  SavedRunHost host;
  host.fade = dialog.SoundFade();
  const bool chosen[2] = {choice.view1, choice.view2};
  std::array<CView*, 2> playing{};
  for (int v = 0; v < 2; ++v) {
    CView& view = dialog.view(v);
    if (!chosen[v] || view.position == 0) {
      continue;
    }
    PlayerViewFields& fields = host.views[size_t(v)];
    fields.SetStore(view.store);
    fields.SetStation(uint32_t(view.station));
    fields.SetValuesN(view.ValuesSetting());
    fields.SetPlayStartPosition(view.position);
    fields.SetSoundOn(true);
    fields.SetPlaying(true);
    playing[size_t(v)] = &view;
  }
  if (playing[0] == nullptr && playing[1] == nullptr) {
    if (error != nullptr) {
      *error = "No view shows data yet: press \"Set\" first";
    }
    return RenderOutcome::kFailed;
  }
  run.seconds = std::clamp<int64_t>(choice.seconds, 1, kMaxSavedSeconds);
  return RenderToFile(
      host, run, writer, path,
      [&](int64_t second) {
        for (CView* view : playing) {
          if (view != nullptr) {
            EnsureData(*view, view->position + second);
          }
        }
        return !progress || progress(second);
      },
      error);
}

Raster ViewPicture(CMainDialog& dialog, int view, int scale) {
  return StackPictures(dialog.view(2 + view).image, dialog.view(view).image, scale);
}

SecondRange ShownSeconds(CMainDialog& dialog, int view) {
  const CView& graph = dialog.view(2 + view);
  if (graph.position == 0) {
    return {};
  }
  const int64_t first = graph.position - graph.cursorColumn;
  return {first, first + graph.columns - 1};
}

bool ExportViewSamples(CMainDialog& dialog, int view, SecondRange range, bool recordedDays,
                       const std::string& path, std::string* error) {
  const SampleStore* store = dialog.view(view).store;
  auto fail = [&](const std::string& cause) {
    if (error != nullptr) {
      *error = cause;
    }
    return false;
  };
  if (store == nullptr || range.from == 0 || range.to < range.from) {
    return fail("No view shows data yet: press \"Set\" first");
  }
  if (recordedDays) {
    std::error_code ignored;
    std::filesystem::create_directories(path, ignored);
    return !WriteRecordedDays(path, *store, range.from, range.to, error).empty();
  }
  // A table is written whole under a temporary name, then renamed.
  const std::string temporary = path + ".partial";
  std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
  WriteSamplesCsv(out, *store, range.from, range.to);
  out.close();
  std::error_code renamed;
  if (out) {
    std::filesystem::rename(temporary, path, renamed);
  }
  if (!out || renamed) {
    std::filesystem::remove(temporary, renamed);
    return fail("Cannot write " + path);
  }
  return true;
}

}  // namespace tessaly
