#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "display/picture_export.h"
#include "sound/offline_render.h"

namespace tessaly {

class CMainDialog;

// What "Save Sound" renders: which views, for how long, how loud.
struct SoundSaveChoice {
  bool view1 = true;
  bool view2 = false;
  int64_t seconds = 60;  // 1 .. 24 hours
  // Full level (none), or a volume 0..100 (the loudspeakers' current one).
  // Mute is never applied: it silences the loudspeakers, not the sound.
  std::optional<int> volume;
};

inline constexpr int64_t kMaxSavedSeconds = 24 * 3600;

// Renders the chosen views from their current positions as Play would sound
// them (View 1 left, View 2 right, one view on both channels), with run's
// format and scale at the chosen level, into a sound file at path. Data past
// what the stores hold is fetched as playback fetches it, but quietly: a
// failed fetch ends the save (error names it) without touching the views;
// seconds the server does not have yet are silent. progress(second) is called
// before each second; it returns false to cancel. error says why a render
// failed ("" when cancelled).
RenderOutcome SaveViewsSound(CMainDialog& dialog, const SoundSaveChoice& choice, OfflineRun run,
                             SoundFileWriter& writer, const std::string& path,
                             const std::function<bool(int64_t second)>& progress,
                             std::string* error);

// The name a save dialog returned, with the suffix of the type chosen in it
// ("WAV sound (*.wav)") added when the name does not end in it (in any case).
std::string WithChosenSuffix(const std::string& name, const std::string& type);

// View 1 (0) or View 2 (1) as painted: its graph above its strip, at scale.
Raster ViewPicture(CMainDialog& dialog, int view, int scale);

// The first and last second the graph of a view shows; {0, 0} before a Set.
struct SecondRange {
  int64_t from = 0;
  int64_t to = 0;
};
SecondRange ShownSeconds(CMainDialog& dialog, int view);

// The longest stretch "Export Samples…" takes at once: its samples are
// gathered in memory before they are written.
inline constexpr int64_t kMaxExportSeconds = 7 * 86400;

// Writes the samples of range from the view's store, fetching what it lacks
// (quietly, as a save does): a CSV table at path, or (recordedDays) the
// recorded-day files of tessaly-replay --data into the folder path, merged
// with the day files already there. false, with error, when a fetch failed or
// nothing could be written.
bool ExportViewSamples(CMainDialog& dialog, int view, SecondRange range, bool recordedDays,
                       const std::string& path, std::string* error);

}  // namespace tessaly
