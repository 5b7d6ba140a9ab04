// One played second of both views, as the 100 ms tick runs it.

#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdint>

#include "bench_data.h"
#include "samples/utc_time.h"
#include "settings/ini.h"
#include "settings/settings.h"
#include "support/fake_dialog.h"
#include "support/fixed_clock.h"
#include "support/scripted_source.h"
#include "views/main_dialog.h"
#include "views/playback_engine.h"

namespace tessaly {
namespace {

// An engine whose clock the benchmark moves; it renders nothing.
class ManualEngine final : public PlaybackEngine {
 public:
  void RequestStart() override { rendering = true; }
  void RequestStop() override { rendering = false; }
  bool IsRendering() const override { return rendering; }
  int32_t ClockMs() const override { return clockMs; }
  int32_t StartClockMs() override { return rendering ? clockMs : 0; }
  void SetScale(int) override {}
  void SetBaseNote(int) override {}
  void SetVolume(int, bool) override {}
  void SetHost(PlayerHost*) override {}
  bool rendering = false;
  int32_t clockMs = 0;
};

void BM_PlayedSecond(benchmark::State& state) {
  const int64_t now = MakeUtc(2026, 3, 10, 12, 0, 30);
  FixedClock clock(now);
  ScriptedSource source(bench::HundredStationIds(), bench::SpreadSample);
  SampleStore serverStore(kSourceServer, clock, &source);
  SampleStore pseudoStore(kSourcePseudorandom, clock);
  CSettings settings;
  settings.source = {kSourceServer, kSourceServer};
  settings.stationSortMode = {3, 3};
  settings.view2 = 1;
  CIni ini("");
  ini.storedVersion = true;
  ManualEngine engine;
  FakeDialog dialog;

  MainDialogParts parts;
  parts.dialog = &dialog;
  parts.settings = &settings;
  parts.ini = &ini;
  parts.serverStore = &serverStore;
  parts.pseudorandomStore = &pseudoStore;
  parts.engine = &engine;
  parts.clock = &clock;
  CMainDialog main(parts);
  dialog.onCommand = [&](int id, NotifyCode code) { main.OnCommand(id, code); };
  // Every invalidated picture is painted as the screen would ask for it.
  dialog.onDraw = [&](int id) { main.OnDraw(id); };
  main.Construct();
  main.ShowView2(true);
  dialog.DeliverPosted();
  main.OnCommand(kIdView1Play, NotifyCode::kClicked);
  main.OnCommand(kIdView2Play, NotifyCode::kClicked);

  for (auto _ : state) {
    engine.clockMs += 1000;
    main.OnTick();
  }
  benchmark::DoNotOptimize(main.view1Main().position);
  if (!main.view1Main().playing() || !main.view2Main().playing()) {
    state.SkipWithError("a view stopped playing");
  }
  state.SetLabel("2 views, 100 stations, current median each time");
}
BENCHMARK(BM_PlayedSecond)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tessaly
