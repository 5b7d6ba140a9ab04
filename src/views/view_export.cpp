#include "views/view_export.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <filesystem>
#include <system_error>

#include "samples/checked_file.h"
#include "samples/sample_export.h"
#include "sound/chunk_renderer.h"
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

std::string NotSetText(int view) {
  return "View " + std::to_string(view + 1) + " shows no data yet: press its \"Set\" first";
}

}  // namespace

RenderOutcome SaveViewsSound(CMainDialog& dialog, const SoundSaveChoice& choice, OfflineRun run,
                             SoundFileWriter& writer, const std::string& path,
                             const std::function<bool(int64_t second)>& progress,
                             std::string* error) {
  auto fail = [&](const std::string& cause) {
    if (error != nullptr) {
      *error = cause;
    }
    return RenderOutcome::kFailed;
  };
  SavedRunHost host;
  host.fade = dialog.SoundFade();
  const bool chosen[2] = {choice.view1, choice.view2};
  std::array<CView*, 2> playing{};
  for (int v = 0; v < 2; ++v) {
    CView& view = dialog.view(v);
    if (!chosen[v]) {
      continue;
    }
    // Never another view in its place: "Both" must not become View 1 twice.
    if (view.position == 0) {
      return fail(NotSetText(v));
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
    return fail("No view is chosen");
  }
  run.seconds = std::clamp<int64_t>(choice.seconds, 1, kMaxSavedSeconds);
  run.level = choice.volume ? OutputLevel(*choice.volume, false) : 0xFFFFFFFF;
  // Both views may share a store: one stand-in source for it is enough.
  QuietFetches quiet1(playing[0] ? playing[0]->store : nullptr);
  QuietFetches quiet2(playing[1] && (!playing[0] || playing[1]->store != playing[0]->store)
                          ? playing[1]->store
                          : nullptr);
  auto failure = [&] { return quiet1.failure().empty() ? quiet2.failure() : quiet1.failure(); };
  const RenderOutcome outcome = RenderToFile(
      host, run, writer, path,
      [&](int64_t second) {
        for (CView* view : playing) {
          if (view != nullptr) {
            EnsureData(*view, view->position + second);
          }
        }
        return failure().empty() && (!progress || progress(second));
      },
      error);
  if (!failure().empty()) {
    return fail(failure());
  }
  return outcome;
}

std::string WithChosenSuffix(const std::string& name, const std::string& type) {
  const size_t open = type.find("(*");
  const size_t close = type.find(')', open);
  if (name.empty() || open == std::string::npos || close == std::string::npos) {
    return name;
  }
  const std::string suffix = type.substr(open + 2, close - open - 2);
  auto lower = [](std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return char(std::tolower(c)); });
    return text;
  };
  const bool has = name.size() >= suffix.size() &&
                   lower(name.substr(name.size() - suffix.size())) == lower(suffix);
  return has ? name : name + suffix;
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
  SampleStore* store = dialog.view(view).store;
  auto fail = [&](const std::string& cause) {
    if (error != nullptr) {
      *error = cause;
    }
    return false;
  };
  if (store == nullptr || range.from == 0) {
    return fail(NotSetText(view));
  }
  if (range.to < range.from) {
    return fail("\"To\" lies before \"From\": nothing to export");
  }
  if (range.to - range.from >= kMaxExportSeconds) {
    return fail("At most " + std::to_string(kMaxExportSeconds / 86400) +
                " days of samples can be exported at once");
  }
  SampleTable table;
  const StretchOutcome fetched = GatherSamples(*store, range.from, range.to, table);
  if (!fetched.failure.empty()) {
    return fail(fetched.failure);
  }
  if (recordedDays) {
    std::error_code ignored;
    std::filesystem::create_directories(PathFromUtf8(path), ignored);
    return !WriteRecordedDays(path, table, error).empty();
  }
  CheckedFile file(path);
  if (!file.Open(error)) {
    return false;
  }
  WriteSamplesCsv(file.stream(), table);
  return file.Commit(error);
}

}  // namespace tessaly
