#pragma once

#include <memory>
#include <string>

#include "views/cview.h"

namespace tessaly {

class BackgroundFetch;
class CIni;
class CPlayer;
class CSettings;
class Clock;
class HttpGet;
class PlayerEngine;
class SampleStore;
class ServerFailureSink;
class ServerSource;
class SystemClock;
class WaitingSource;
class WaveOut;

// What a front end brings to the core: its HTTP connections and sound output.
struct ProgramAdapters {
  std::unique_ptr<HttpGet> http;      // the views' fetches, one at a time
  std::unique_ptr<HttpGet> liveHttp;  // a connection of its own for following the present
  std::unique_ptr<WaveOut> waveOut;
};

// The long-lived objects below the window, built the same way by every front
// end: the settings, the stores and their server sources, the background fetch
// of views that follow the present, the audio engine. Created in start-up
// order; the destructor takes them down in shutdown order.
class ProgramCore {
 public:
  // Reads the settings file at settingsPath (the window's section is read by
  // the front end, after its dialog exists).
  ProgramCore(std::string settingsPath, ProgramAdapters adapters);
  // The engine before the player (whose underruns it reports on stderr, where
  // tests and benchmarks look), then the stores, the sources, the connections.
  ~ProgramCore();
  ProgramCore(const ProgramCore&) = delete;
  ProgramCore& operator=(const ProgramCore&) = delete;

  MainDialogParts Parts(DialogControls* dialog, AppShell* shell);
  // Where failed fetches are reported (null: nowhere, as during shutdown).
  void SetFailureSink(ServerFailureSink* sink);
  void WriteSettings() const;

  const std::string& settingsPath() const { return settingsPath_; }
  CSettings& settings() { return *settings_; }
  CIni& ini() { return *ini_; }
  CPlayer& player() { return *player_; }
  // The views' connection and clock, for the data server's "Test" (never
  // while a view's request runs on it).
  HttpGet& http() { return *adapters_.http; }
  const Clock& clock() const;

 private:
  std::string settingsPath_;
  std::unique_ptr<SystemClock> clock_;
  std::unique_ptr<CIni> ini_;
  std::unique_ptr<CSettings> settings_;
  ProgramAdapters adapters_;
  std::unique_ptr<ServerSource> serverSource_;
  // The server store's fills run off the GUI thread while the window answers.
  std::unique_ptr<WaitingSource> requests_;
  std::unique_ptr<ServerSource> liveSource_;
  std::unique_ptr<BackgroundFetch> liveFetch_;  // after what its thread uses
  std::unique_ptr<SampleStore> serverStore_;
  std::unique_ptr<SampleStore> pseudorandomStore_;
  std::unique_ptr<CPlayer> player_;
  std::unique_ptr<PlayerEngine> engine_;
};

}  // namespace tessaly
