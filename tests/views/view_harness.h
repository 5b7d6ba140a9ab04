#pragma once

// The whole program below the window, as a user meets it: the main dialog on a
// FakeDialog, a real CPlayer on a FakeWaveOut whose buffers the test returns,
// a server store filled by a script and the pseudorandom store, all on a
// fixed clock.

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <thread>
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
    return {script.Fill(*store, block), "scripted failure"};
  }
  bool Finish(SampleStore& s, SampleBlock& block, const FetchOutcome& outcome) override {
    return FinishServerBlock(s, block, outcome, sink);
  }
  ScriptedSource script;
  SampleStore* store = nullptr;
  ServerFailureSink* sink = nullptr;  // null: failures go unreported
  std::function<void()> beforeFetch;  // runs where the fetch runs
};

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
};

class ViewHarness {
 public:
  explicit ViewHarness(HarnessOptions options = {}) : clock(kStartNow) {
    server.script.stations = options.serverStations;
    server.script.value = DefaultValue;
    server.store = &serverStore;
    settingsPath = folder.File("Tessaly.ini");
    ini = std::make_unique<CIni>(settingsPath);
    if (options.settingsFile) {
      settings.Write(settingsPath);
      ini->Write();
    }
    ini->Read();
    settings.Read(settingsPath);
    PlayerTiming timing;
    timing.sleep = [](std::chrono::milliseconds) {};
    timing.stallTimeout = std::chrono::seconds(60);
    player = std::make_unique<CPlayer>(device, timing);
    engine = std::make_unique<PlayerEngine>(*player);
  }

  ~ViewHarness() {
    main.reset();
    player.reset();
  }

  // Creates the dialog and runs its construction; Start() also delivers the
  // posted "Set" commands as the message loop would.
  void Create() {
    MainDialogParts parts;
    parts.dialog = &dialog;
    parts.settings = &settings;
    parts.ini = ini.get();
    parts.serverStore = &serverStore;
    parts.pseudorandomStore = &pseudoStore;
    parts.engine = engine.get();
    parts.clock = &clock;
    parts.shell = &shell;
    parts.liveFetch = &liveFetch;
    main = std::make_unique<CMainDialog>(parts);
    dialog.onCommand = [this](int id, NotifyCode code) { main->OnCommand(id, code); };
    dialog.onScroll = [this](int id, ScrollCode code, int thumb) {
      main->OnScroll(id, code, thumb);
    };
    dialog.onDraw = [this](int id) { main->OnDraw(id); };
    dialog.onLeftButtonUp = [this] { main->OnLeftButtonUp(); };
    dialog.onKey = [this](int key) { main->OnKey(key); };
    dialog.onPlayerStopped = [this] { main->HandlePlayerStopped(); };
    // Only the request is recorded: closing the frame and writing the settings
    // file are the application's part, which the end-to-end run checks.
    dialog.onExitRequest = [this] { exited = true; };
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

  // Returns device buffers until the engine's clock reaches ms (it then waits
  // for the next buffer, so the clock stays there).
  bool RunEngineTo(int32_t ms) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (player->ClockMs() < ms || !player->IsRendering()) {
      if (std::chrono::steady_clock::now() > deadline) {
        return false;
      }
      // Read before the buffer returns: the engine may move the clock at once.
      const int32_t before = player->ClockMs();
      if (!player->IsRendering() || device.FinishBuffers(1) == 0) {
        std::this_thread::sleep_for(std::chrono::microseconds(200));
        continue;
      }
      const auto wait = std::chrono::steady_clock::now() + std::chrono::seconds(2);
      while (player->ClockMs() == before && player->IsRendering() &&
             std::chrono::steady_clock::now() < wait) {
        std::this_thread::yield();
      }
    }
    return true;
  }

  // Engine to the next whole second after `seconds` more, then one tick.
  void PlaySeconds(int seconds) {
    for (int i = 0; i < seconds; ++i) {
      const int32_t next = (player->ClockMs() / 1000 + 1) * 1000;
      ASSERT_TRUE(RunEngineTo(next));
      Tick();
    }
  }

  // Lets a stopping run end and delivers its "stopped" message.
  bool FinishRun() {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (player->IsRendering()) {
      if (std::chrono::steady_clock::now() > deadline) {
        return false;
      }
      device.FinishBuffers(1);
      std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    // The notice is posted after the flag drops.
    const auto wait = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (dialog.Posted().empty() && std::chrono::steady_clock::now() < wait) {
      std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    dialog.DeliverPosted();
    return true;
  }

  bool WaitRendering() {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!player->IsRendering()) {
      if (std::chrono::steady_clock::now() > deadline) {
        return false;
      }
      std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    return true;
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
};

}  // namespace tessaly::testing
