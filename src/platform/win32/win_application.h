#pragma once

// The running program on Windows: every long-lived object, created in start-up
// order and destroyed in shutdown order, wired to the Win32 frame and dialog.

#include <windows.h>

#include <memory>
#include <string>

namespace tessaly {

class BigHintLogic;
class BusyCursorHttpGet;
class CIni;
class CMainDialog;
class CPlayer;
class CSettings;
class PlayerEngine;
class SampleStore;
class ServerSource;
class BackgroundFetch;
class SystemClock;
class WinBigHint;
class WinFrame;
class WinInetHttpGet;
class WinMmWaveOut;
class WinShell;

class Application {
 public:
  // programFolder: where the executable lies (help pages are looked up beside it).
  explicit Application(std::wstring programFolder);
  // Writes the settings and tears everything down in shutdown order.
  virtual ~Application();
  Application(const Application&) = delete;
  Application& operator=(const Application&) = delete;

  // Whether the frame and its dialog could be made.
  bool Ok() const;
  // Shows the frame; the caller then runs the message loop.
  void Start();
  // Before a message is dispatched: hides the tooltip on a button press and
  // gives Escape to the dialog wherever the focus is in the frame. Returns
  // true when the message has been handled.
  bool PreTranslate(const MSG& message);

  // The help page of the help language, or "" when none is installed.
  std::wstring HelpPage() const;
  void ShowHelp();

  WinFrame& frame() { return *frame_; }
  CMainDialog& dialog() { return *dialog_; }

 private:
  friend class WinShell;
  void Wire();
  void OnFrameDestroyed();

  std::wstring programFolder_;
  std::string settingsPath_;
  bool englishHelp_ = true;
  bool dialogDestroyed_ = false;

  std::unique_ptr<SystemClock> clock_;
  std::unique_ptr<CIni> ini_;
  std::unique_ptr<CSettings> settings_;
  std::unique_ptr<WinInetHttpGet> http_;
  std::unique_ptr<BusyCursorHttpGet> busyHttp_;
  std::unique_ptr<ServerSource> serverSource_;
  std::unique_ptr<WinInetHttpGet> liveHttp_;
  std::unique_ptr<ServerSource> liveSource_;
  std::unique_ptr<BackgroundFetch> liveFetch_;  // after what its thread uses
  std::unique_ptr<SampleStore> serverStore_;
  std::unique_ptr<SampleStore> pseudorandomStore_;
  std::unique_ptr<WinMmWaveOut> waveOut_;
  std::unique_ptr<CPlayer> player_;
  std::unique_ptr<PlayerEngine> engine_;
  std::unique_ptr<WinFrame> frame_;
  std::unique_ptr<WinShell> shell_;
  std::unique_ptr<CMainDialog> dialog_;
  std::unique_ptr<WinBigHint> hintWindow_;
  std::unique_ptr<BigHintLogic> hint_;
};

// Help language: Russian when the user's language is Russian, else English;
// decided anew on every run.
bool HelpIsEnglish();

}  // namespace tessaly
