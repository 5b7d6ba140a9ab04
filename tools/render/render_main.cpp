// tessaly-render: renders a station's sound, and exports its samples, from the
// command line, on the same core as the player. See kHelp.
#ifdef _WIN32
#define NOMINMAX
#include <io.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "display/graph_painter.h"
#include "display/picture_export.h"
#include "platform/sndfile/sndfile_writer.h"
#include "platform/stb/stb_png_writer.h"
#include "render_stats.h"
#include "samples/checked_file.h"
#include "samples/clock.h"
#include "samples/sample_export.h"
#include "samples/sample_store.h"
#include "samples/server_source.h"
#include "samples/station_ordering.h"
#include "samples/utc_time.h"
#include "sound/chunk_renderer.h"
#include "sound/offline_render.h"

#ifdef _WIN32
#include "platform/wininet/wininet_http_get.h"
#include "platform/wintext/win_text.h"
#else
#include "platform/curl/curl_http_get.h"
#endif

namespace tessaly {
namespace {

constexpr const char* kHelp = R"(Usage: tessaly-render --from YYYY-MM-DDTHH:MM:SS [options]

Renders the chord the player would play for one station, from the given UTC second on,
into a sound file, and exports the samples of the same stretch.

Options:
  --station ID     the station to play (default 1)
  --from T         first second, UTC, YYYY-MM-DDTHH:MM:SS (required)
  --seconds N      length, 1 to 86400 (default 60)
  --out FILE       the sound: FILE.wav (16-bit PCM) or FILE.flac
  --csv FILE       the samples of every station as a table: "UTC time" and one column
                   per station id, one row per second, an empty cell for no sample
  --png FILE       the picture of the stretch (at most its first 4 hours): every station's
                   colour map above the station's own strip, 4 pixels a second
  --source S       server (default) or pseudorandom
  --host H[:P]     the data server (default: the built-in one)
  --scale S        chromatic, major, minor, major-pentatonic (default), minor-pentatonic
  --base N         base note in semitones from A 440 Hz, -21 to 15 (default 3: C 523.25 Hz)
  --values N       samples per chord, 1 to 60 (default 3)
  --fade F         none, out (default) or in: how the older samples of a chord weigh
  --volume N       0 to 100 (default 50)
  --stats FILE     the network statistics instead, a row per second, up to 7 days
                   (tessaly-render --stats FILE --help lists its options)
  --help           this text

Seconds near the present that the server does not have yet are asked for again until a
request brings nothing new; those left are empty cells (silence in the sound), and how
many is said on stderr.

Exits 0 when every file was written, 1 when a request to the data server failed, a file
could not be written or the sound would not fit on its disk (nothing is left under the
name of an unfinished file), 2 for bad arguments, 3 when the station does not report in
the stretch (no sound file or picture is written then).
)";

constexpr int kExitFailed = 1;
constexpr int kExitBadArguments = 2;
constexpr int kExitStationSilent = 3;

struct Options {
  uint32_t station = 1;
  int64_t from = 0;
  int64_t seconds = 60;
  std::string out;
  std::string csv;
  std::string png;
  int source = kSourceServer;
  std::string host = DefaultServerHost();
  int scale = kScaleMajorPentatonic;
  int base = 3;
  int values = 3;
  int fade = kWeightFadeOut;
  int volume = 50;
};

std::optional<long long> Number(const std::string& text, long long min, long long max) {
  char* end = nullptr;
  const long long value = std::strtoll(text.c_str(), &end, 10);
  if (text.empty() || *end != '\0' || value < min || value > max) {
    return std::nullopt;
  }
  return value;
}

std::optional<int> Choice(const std::string& text, const std::map<std::string, int>& names) {
  const auto found = names.find(text);
  return found == names.end() ? std::nullopt : std::optional<int>(found->second);
}

// Fills options from argv; an error text for the first bad argument.
std::optional<std::string> ParseArguments(int argc, char** argv, Options& o, bool& help) {
  bool haveFrom = false;
  for (int i = 1; i < argc; ++i) {
    const std::string name = argv[i];
    if (name == "--help") {
      help = true;
      return std::nullopt;
    }
    if (i + 1 >= argc) {
      return "missing value after " + name;
    }
    const std::string value = argv[++i];
    bool ok = true;
    auto set = [&](auto parsed, auto& field) {
      ok = parsed.has_value();
      if (ok) {
        field = decltype(+field)(*parsed);
      }
    };
    if (name == "--station") {
      set(Number(value, 1, 0xFFFFFFFF), o.station);
    } else if (name == "--from") {
      set(ParseTime(value), o.from);
      haveFrom = ok;
    } else if (name == "--seconds") {
      set(Number(value, 1, 86400), o.seconds);
    } else if (name == "--out") {
      o.out = value;
    } else if (name == "--csv") {
      o.csv = value;
    } else if (name == "--png") {
      o.png = value;
    } else if (name == "--source") {
      set(Choice(value, {{"server", kSourceServer}, {"pseudorandom", kSourcePseudorandom}}),
          o.source);
    } else if (name == "--host") {
      o.host = value;
      ok = !value.empty();
    } else if (name == "--scale") {
      set(Choice(value, {{"chromatic", kScaleChromatic},
                         {"major", kScaleMajor},
                         {"minor", kScaleMinor},
                         {"major-pentatonic", kScaleMajorPentatonic},
                         {"minor-pentatonic", kScaleMinorPentatonic}}),
          o.scale);
    } else if (name == "--base") {
      set(Number(value, kBaseNoteMin, kBaseNoteMax), o.base);
    } else if (name == "--values") {
      set(Number(value, 1, 60), o.values);
    } else if (name == "--fade") {
      set(Choice(value, {{"none", kWeightNone}, {"out", kWeightFadeOut}, {"in", kWeightFadeIn}}),
          o.fade);
    } else if (name == "--volume") {
      set(Number(value, 0, 100), o.volume);
    } else {
      return "unknown option " + name;
    }
    if (!ok) {
      return "bad value for " + name + ": " + value;
    }
  }
  if (!haveFrom) {
    return "--from is required";
  }
  if (o.out.empty() && o.csv.empty() && o.png.empty()) {
    return "nothing to write: give --out, --csv or --png";
  }
  return std::nullopt;
}

// The one view that plays.
class RenderHost final : public PlayerHost {
 public:
  explicit RenderHost(int fade) : fade_(fade) {}
  const PlayerViewState* PlayerView(int view) const override {
    return view == 0 ? &view1 : nullptr;
  }
  int SoundFade() const override { return fade_; }
  void OnPlayerStopped() override {}
  void ShowPlayerMessage(const std::string&, const std::string&, const std::string&) override {}
  PlayerViewFields view1;

 private:
  int fade_;
};

bool IsTerminal() {
#ifdef _WIN32
  return _isatty(_fileno(stderr)) != 0;
#else
  return isatty(STDERR_FILENO) != 0;
#endif
}

// "[#####.....]  42 %" on a terminal, nothing elsewhere.
class Progress {
 public:
  explicit Progress(int64_t total) : total_(total), shown_(IsTerminal()) {}
  void Show(int64_t done) {
    const int percent = int(done * 100 / std::max<int64_t>(total_, 1));
    if (!shown_ || percent == last_) {
      return;
    }
    last_ = percent;
    const int filled = percent / 5;
    std::fprintf(stderr, "\r[%s%s] %3d %%", std::string(size_t(filled), '#').c_str(),
                 std::string(size_t(20 - filled), '.').c_str(), percent);
    if (percent == 100) {
      std::fprintf(stderr, "\n");
    }
  }

 private:
  int64_t total_;
  bool shown_;
  int last_ = -1;
};

// Every station's colour map over [from, from + seconds) in store order, the
// mean band below it, and the station's strip under that.
Raster StretchPicture(SampleStore& store, const Options& o) {
  constexpr int64_t kMaxPictureSeconds = 4 * 3600;
  constexpr int kStripHeight = 24;
  const int columns = int(std::min(o.seconds, kMaxPictureSeconds));
  int rows = 0;
  for (const BlockPtr& block : store.Blocks()) {
    RankIdentity(*block, 0);
    rows = std::max(rows, block->stationCount);
  }
  const int width = columns * kColumnWidth;
  PaintParams params;
  params.values = o.values;
  params.geometry = {width, (rows + 2) * kRowHeight, columns, 0, 0};
  Raster graph(width, params.geometry.height);
  PaintColumns(graph, store, params, 0, columns, o.from);
  params.station = o.station;
  params.geometry.height = kStripHeight;
  Raster strip(width, kStripHeight);
  PaintColumns(strip, store, params, 0, columns, o.from);
  return StackPictures(graph, strip, 1);
}

void Say(const std::string& text) {
  std::fprintf(stderr, "tessaly-render: %s\n", text.c_str());
}

std::string StationSilent(const Options& o) {
  return "station " + std::to_string(o.station) + " does not report between " + FormatTime(o.from) +
         " and " + FormatTime(o.from + o.seconds - 1);
}

// The sound of the run; an exit code.
int RenderSound(SampleStore& store, const Options& o) {
  RenderHost host(o.fade);
  host.view1.SetStore(&store);
  host.view1.SetStation(o.station);
  host.view1.SetValuesN(o.values);
  host.view1.SetPlayStartPosition(o.from);
  host.view1.SetSoundOn(true);
  host.view1.SetPlaying(true);
  OfflineRun run;
  BuildScale(o.scale, ReferenceScale()[size_t(kScaleRoot + o.base)], run.scale);
  run.level = OutputLevel(o.volume, false);
  run.seconds = o.seconds;
  Progress progress(o.seconds);
  QuietFetches quiet(&store);
  bool reported = false;
  int64_t silent = 0;
  int64_t quietUntil = 0;  // after a request that brought nothing new, the next waits 5 s
  // Fetches ahead as playback does: the next stretch once the second is near a block's end.
  auto ensure = [&](int64_t second) {
    const int64_t t = o.from + second;
    if (t >= quietUntil && !store.EnsureAfter(t, 60) && quiet.failure().empty()) {
      const BlockPtr b = store.FindBlock(t, true);
      const size_t before = store.BlockCount();
      store.FindRange(b ? b->dataEnd + 1 : t, (b ? b->dataEnd : t) + 600, true);
      quietUntil = store.BlockCount() == before ? t + 5 : 0;
    }
    const BlockPtr block = store.FindBlock(t, true);
    silent += block ? 0 : 1;
    reported = reported || (block && block->FindColumn(o.station) >= 0);
    progress.Show(second);
    // A station that never reports would give a silent file: none is written.
    return quiet.failure().empty() && (reported || second + 1 < o.seconds);
  };
  SndfileWriter writer;
  std::string error;
  const RenderOutcome outcome = RenderToFile(host, run, writer, o.out, ensure, &error);
  if (!quiet.failure().empty()) {
    Say(quiet.failure());
    return kExitFailed;
  }
  if (outcome == RenderOutcome::kCancelled) {
    Say(StationSilent(o));
    return kExitStationSilent;
  }
  if (outcome != RenderOutcome::kDone) {
    Say("cannot write " + o.out + ": " + error);
    return kExitFailed;
  }
  progress.Show(o.seconds);
  if (silent > 0) {
    Say(std::to_string(silent) + " s of " + o.out +
        " are silent: the server has no samples for them (yet)");
  }
  return 0;
}

int Run(int argc, char** argv) {
#ifdef _WIN32
  WinInetHttpGet http;
#else
  CurlHttpGet http;
#endif
  if (WantsStats(argc, argv)) {
    return RunStats(argc, argv, http, IsTerminal());
  }
  Options o;
  bool help = false;
  if (const auto error = ParseArguments(argc, argv, o, help)) {
    Say(*error + "\n(tessaly-render --help lists the options)");
    return kExitBadArguments;
  }
  if (help) {
    std::fputs(kHelp, stdout);
    return 0;
  }
  SystemClock clock;
  ServerSource server(http);
  SampleStore store(o.source, clock, o.source == kSourceServer ? &server : nullptr);
  store.SetServerHost(o.host);
  // One run, one stretch: everything fetched stays until every file is written.
  store.SetSecondsLimit(std::numeric_limits<int64_t>::max());

  if (!o.out.empty()) {
    if (const int code = RenderSound(store, o); code != 0) {
      return code;
    }
  }
  if (o.csv.empty() && o.png.empty()) {
    return 0;
  }
  SampleTable table;
  const StretchOutcome fetched = GatherSamples(store, o.from, o.from + o.seconds - 1, table);
  if (!fetched.failure.empty()) {
    Say(fetched.failure);
    return kExitFailed;
  }
  if (fetched.notYet > 0) {
    Say(std::to_string(fetched.notYet) +
        " s at the end are empty: the server does not have them yet");
  }
  std::string error;
  if (!o.png.empty()) {
    if (std::find(table.ids.begin(), table.ids.end(), o.station) == table.ids.end()) {
      Say(StationSilent(o));
      return kExitStationSilent;
    }
    StbPngWriter writer;
    if (!SavePicture(writer, StretchPicture(store, o), o.png, &error)) {
      Say(error);
      return kExitFailed;
    }
  }
  if (!o.csv.empty()) {
    CheckedFile file(o.csv);
    if (file.Open(&error)) {
      WriteSamplesCsv(file.stream(), table);
    }
    if (!error.empty() || !file.Commit(&error)) {
      Say(error);
      return kExitFailed;
    }
  }
  return 0;
}

}  // namespace
}  // namespace tessaly

#ifdef _WIN32
// The arguments as UTF-8, the core's text, whatever the ANSI code page.
int wmain(int argc, wchar_t** wideArgv) {
  SetConsoleOutputCP(CP_UTF8);
  std::vector<std::string> arguments;
  for (int i = 0; i < argc; ++i) {
    arguments.push_back(tessaly::Narrow(wideArgv[i]));
  }
  std::vector<char*> argv;
  for (std::string& argument : arguments) {
    argv.push_back(argument.data());
  }
  argv.push_back(nullptr);
  return tessaly::Run(argc, argv.data());
}
#else
int main(int argc, char** argv) {
  return tessaly::Run(argc, argv);
}
#endif
