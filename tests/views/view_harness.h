#pragma once

// The whole program below the window, as a user meets it: the main dialog on a
// FakeDialog, a real CPlayer on a FakeWaveOut whose buffers the test returns,
// a server store filled by a script and the pseudorandom store, all on a
// fixed clock.

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "samples/background_fetch.h"
#include "samples/pseudorandom_source.h"
#include "samples/server_source.h"
#include "samples/station_table.h"
#include "samples/utc_time.h"
#include "settings/ini.h"
#include "settings/settings.h"
#include "sound/player.h"
#include "support/fake_dialog.h"
#include "support/fake_wave_out.h"
#include "support/fixed_clock.h"
#include "support/scripted_source.h"
#include "support/temp_folder.h"
#include "views/main_dialog.h"
#include "views/playback_engine.h"

namespace tessaly::testing {

// 2026-03-10 12:00:30 UTC: the date/time lists preset 11:50:00.
inline const int64_t kStartNow = MakeUtc(2026, 3, 10, 12, 0, 30);
inline const int64_t kPreset = MakeUtc(2026, 3, 10, 11, 50, 0);

// A scripted server whose replies register the stations the table lacks, as
// real replies do. Fetch may run on the background fetch's thread.
class RegisteringSource final : public SplitBlockSource {
 public:
  FetchOutcome Fetch(SampleBlock& block) override {
    if (beforeFetch) {
      beforeFetch();
    }
    const bool filled = script.Fill(*store, block) && !(failWhen && failWhen());
    block.serverTime += clockOffset;
    return {filled, "scripted failure"};
  }
  bool Finish(SampleStore& s, SampleBlock& block, const FetchOutcome& outcome) override {
    return FinishServerBlock(s, block, outcome, sink);
  }
  ScriptedSource script;
  SampleStore* store = nullptr;
  ServerFailureSink* sink = nullptr;  // null: failures go unreported
  std::function<void()> beforeFetch;  // runs where the fetch runs
  std::function<bool()> failWhen;     // runs there too: true fails the fetch
  int64_t clockOffset = 0;            // the server's clock ahead of the machine's
};

// Each view's year, month, day, hour, minute and second lists.
inline constexpr int kTimeLists[2][6] = {
    {kIdView1YearList, kIdView1MonthList, kIdView1DayList, kIdView1HourList, kIdView1MinuteList,
     kIdView1SecondList},
    {kIdView2YearList, kIdView2MonthList, kIdView2DayList, kIdView2HourList, kIdView2MinuteList,
     kIdView2SecondList}};

// Samples near 100 that differ by station and second.
inline int DefaultValue(uint32_t id, int64_t t) {
  return 90 + int((uint64_t(id) * 7 + uint64_t(t)) % 21);
}

class RecordingShell final : public AppShell {
 public:
  void LayoutFrame(bool view2Shown) override { layouts.push_back(view2Shown); }
  void ShowHelp(int helpContext) override { helps.push_back(helpContext); }
  std::vector<bool> layouts;
  std::vector<int> helps;
};

struct HarnessOptions {
  bool settingsFile = false;  // false: first run, no file
  std::vector<uint32_t> serverStations = {1, 33, 34, 37, 100};
  std::function<int64_t(const SampleBlock&)> dataEnd = nullptr;  // the script's dataEndFor
  int64_t lag = 0;              // > 0: replies end this many seconds before the present
  bool reportFailures = false;  // the dialog is the server's failure sink
};

class ViewHarness {
 public:
  explicit ViewHarness(HarnessOptions options = {}) : clock(kStartNow) {
    server.script.stations = options.serverStations;
    server.script.value = DefaultValue;
    server.script.dataEndFor = options.dataEnd;
    if (options.lag > 0) {
      server.script.dataEndFor = [this, lag = options.lag](const SampleBlock&) {
        return clock.Now() - lag;
      };
    }
    reportFailures = options.reportFailures;
    server.store = &serverStore;
    settingsPath = folder.File("Tessaly.ini");
    ini = std::make_unique<CIni>(settingsPath);
    if (options.settingsFile) {
      settings.Write(settingsPath);
      ini->Write();
    }
    ini->Read();
    settings.Read(settingsPath);
    player = std::make_unique<CPlayer>(
        device, PlayerTiming{[](std::chrono::milliseconds) {}, std::chrono::seconds(60)});
    engine = std::make_unique<PlayerEngine>(*player);
  }

  ~ViewHarness() {
    main.reset();
    player.reset();
  }

  // Creates the dialog and runs its construction; Start() also delivers the
  // posted "Set" commands as the message loop would. With `requests` the
  // server store's requests run off the GUI thread, as the program's do.
  void Create(WaitingSource* requests = nullptr) {
    main = std::make_unique<CMainDialog>(MainDialogParts{&dialog, &settings, ini.get(),
                                                         &serverStore, &pseudoStore, engine.get(),
                                                         &clock, &shell, &liveFetch, requests});
    // Only the exit request is recorded: closing the frame and writing the
    // settings file are the application's part, which the end-to-end run checks.
    ConnectMainDialog(dialog, *main, [this] { exited = true; });
    if (reportFailures) {
      server.sink = main.get();
    }
    main->Construct();
    main->ShowView2(settings.view2 != 0);
  }
  void Start() {
    Create();
    dialog.DeliverPosted();
  }

  CView& v1() { return main->view1Main(); }
  CView& v2() { return main->view2Main(); }
  CView& g1() { return main->view1Graph(); }
  CView& g2() { return main->view2Graph(); }

  // One timer tick; a live fetch it starts ends before the next one (unless
  // the test holds the server).
  void Tick() {
    ASSERT_TRUE(dialog.FireTimer(kTickTimerId));
    if (waitLiveFetch) {
      liveFetch.Wait();
    }
  }

  // Runs step() until done() holds, for at most `limit`; false on time-out.
  static bool Until(const std::function<bool()>& done, const std::function<void()>& step,
                    std::chrono::seconds limit = std::chrono::seconds(10)) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!done()) {
      if (std::chrono::steady_clock::now() > deadline) {
        return false;
      }
      step();
    }
    return true;
  }
  static void Nap() { std::this_thread::sleep_for(std::chrono::microseconds(200)); }

  // Returns device buffers until the engine's clock reaches ms (it then waits
  // for the next buffer, so the clock stays there).
  bool RunEngineTo(int32_t ms) {
    return Until([&] { return player->ClockMs() >= ms && player->IsRendering(); },
                 [&] {
                   // Read before the buffer returns: the engine may move the clock at once.
                   const int32_t before = player->ClockMs();
                   if (!player->IsRendering() || device.FinishBuffers(1) == 0) {
                     return Nap();
                   }
                   const auto wait = std::chrono::steady_clock::now() + std::chrono::seconds(2);
                   while (player->ClockMs() == before && player->IsRendering() &&
                          std::chrono::steady_clock::now() < wait) {
                     std::this_thread::yield();
                   }
                 });
  }

  // Engine to the next whole second after `seconds` more, then one tick.
  void PlaySeconds(int seconds) {
    for (int i = 0; i < seconds; ++i) {
      ASSERT_TRUE(RunEngineTo((player->ClockMs() / 1000 + 1) * 1000));
      Tick();
    }
  }

  // Lets a stopping run end and delivers its "stopped" message (posted after
  // the flag drops).
  bool FinishRun() {
    const bool ended = Until([&] { return !player->IsRendering(); },
                             [&] {
                               device.FinishBuffers(1);
                               Nap();
                             });
    Until([&] { return !dialog.Posted().empty(); }, Nap, std::chrono::seconds(2));
    dialog.DeliverPosted();
    return ended;
  }

  // A click on a view's "Play" that starts a run, the engine rendering it,
  // then `seconds` played.
  void Play(int playId, int seconds = 0) {
    dialog.UserClick(playId);
    ASSERT_TRUE(WaitRendering());
    PlaySeconds(seconds);
  }
  // A click on a playing view's "Stop" that ends the run.
  bool Stop(int playId) {
    dialog.UserClick(playId);
    return FinishRun();
  }
  // The engine to `ms`, then one tick.
  void TickAt(int32_t ms) {
    ASSERT_TRUE(RunEngineTo(ms));
    Tick();
  }
  std::pair<int64_t, int64_t> Positions() { return {v1().position, v2().position}; }
  // View 1's station in the setting, the view and its list.
  std::array<int32_t, 3> Station1() {
    return {settings.station[0], v1().station, dialog.ReadList(kIdView1StationList)};
  }

  bool WaitRendering() {
    return Until([&] { return player->IsRendering(); }, Nap);
  }

  std::string Text(int id) const { return dialog.Text(id); }

  TempFolder folder;
  std::string settingsPath;
  FixedClock clock;
  RegisteringSource server;
  SampleStore serverStore{kSourceServer, clock, &server};
  SampleStore pseudoStore{kSourcePseudorandom, clock};
  BackgroundFetch liveFetch{server};
  bool waitLiveFetch = true;
  CSettings settings;
  std::unique_ptr<CIni> ini;
  FakeWaveOut device;
  std::unique_ptr<CPlayer> player;
  std::unique_ptr<PlayerEngine> engine;
  FakeDialog dialog;
  RecordingShell shell;
  std::unique_ptr<CMainDialog> main;
  bool exited = false;
  bool reportFailures = false;
};

// A harness past start-up.
struct StartedHarness : ViewHarness {
  explicit StartedHarness(HarnessOptions options = {}) : ViewHarness(std::move(options)) {
    Start();
  }
};

}  // namespace tessaly::testing
