#include "shell/program_core.h"

#include <cstdint>
#include <cstdio>

#include "samples/background_fetch.h"
#include "samples/clock.h"
#include "samples/sample_store.h"
#include "samples/server_source.h"
#include "settings/ini.h"
#include "settings/settings.h"
#include "sound/player.h"
#include "sound/wave_out.h"
#include "views/playback_engine.h"

namespace tessaly {

ProgramCore::ProgramCore(std::string settingsPath, ProgramAdapters adapters)
    : settingsPath_(std::move(settingsPath)), adapters_(std::move(adapters)) {
  clock_ = std::make_unique<SystemClock>();
  ini_ = std::make_unique<CIni>(settingsPath_);
  settings_ = std::make_unique<CSettings>();
  settings_->Read(settingsPath_);

  serverSource_ = std::make_unique<ServerSource>(*adapters_.http);
  requests_ = std::make_unique<WaitingSource>(*serverSource_);
  // Views that follow the present fetch on a connection of their own, off the
  // GUI thread: a server that stops answering must not freeze the window.
  liveSource_ = std::make_unique<ServerSource>(*adapters_.liveHttp);
  liveFetch_ = std::make_unique<BackgroundFetch>(*liveSource_);
  serverStore_ = std::make_unique<SampleStore>(kSourceServer, *clock_, requests_.get());
  serverStore_->SetServerHost(settings_->serverHost);
  pseudorandomStore_ = std::make_unique<SampleStore>(kSourcePseudorandom, *clock_);

  player_ = std::make_unique<CPlayer>(*adapters_.waveOut);
  engine_ = std::make_unique<PlayerEngine>(*player_);
}

ProgramCore::~ProgramCore() {
  engine_.reset();
  // A listener heard each of these as a gap: say so where tests and benchmarks look.
  if (const uint64_t underruns = player_->Underruns(); underruns > 0) {
    std::fprintf(stderr, "tessaly: the sound output ran dry %llu times\n",
                 static_cast<unsigned long long>(underruns));
  }
  player_.reset();
  adapters_.waveOut.reset();
  serverStore_.reset();
  pseudorandomStore_.reset();
  liveFetch_.reset();
  liveSource_.reset();
  requests_.reset();
  serverSource_.reset();
}

MainDialogParts ProgramCore::Parts(DialogControls* dialog, AppShell* shell) {
  MainDialogParts parts;
  parts.dialog = dialog;
  parts.settings = settings_.get();
  parts.ini = ini_.get();
  parts.serverStore = serverStore_.get();
  parts.pseudorandomStore = pseudorandomStore_.get();
  parts.engine = engine_.get();
  parts.clock = clock_.get();
  parts.shell = shell;
  parts.liveFetch = liveFetch_.get();
  parts.requests = requests_.get();
  return parts;
}

void ProgramCore::SetFailureSink(ServerFailureSink* sink) {
  serverSource_->SetFailureSink(sink);
  liveSource_->SetFailureSink(sink);
}

const Clock& ProgramCore::clock() const {
  return *clock_;
}

void ProgramCore::WriteSettings() const {
  settings_->Write(settingsPath_);
}

}  // namespace tessaly
