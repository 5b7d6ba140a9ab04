#pragma once

// The running program on Windows: every long-lived object, created in start-up
// order and destroyed in shutdown order, wired to the Win32 frame and dialog.

#include <windows.h>

#include <array>
#include <memory>
#include <string>

namespace tessaly {

class BigHintLogic;
class CMainDialog;
class ProgramCore;
class StbPngWriter;
class SystemClock;
class WinBigHint;
class WinExport;
class WinFrame;
class WinShell;
class WinStatsWindow;

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
  // "View" -> "Network Statistics (View N)…": made on first use, shown again after.
  void ShowStatistics(int view);

  WinFrame& frame() { return *frame_; }
  CMainDialog& dialog() { return *dialog_; }

 private:
  friend class WinShell;
  void Wire();
  void OnFrameDestroyed();
  // "File" -> "Data Server...": asks, applies, and the title follows.
  void ChooseDataServer();

  std::wstring programFolder_;
  std::string settingsPath_;
  bool englishHelp_ = true;
  bool dialogDestroyed_ = false;

  std::unique_ptr<ProgramCore> core_;
  std::unique_ptr<WinFrame> frame_;
  std::unique_ptr<WinShell> shell_;
  std::unique_ptr<CMainDialog> dialog_;
  std::unique_ptr<WinBigHint> hintWindow_;
  std::unique_ptr<BigHintLogic> hint_;
  std::unique_ptr<WinExport> export_;
  std::unique_ptr<SystemClock> statsClock_;
  std::unique_ptr<StbPngWriter> statsPng_;
  std::array<std::unique_ptr<WinStatsWindow>, 2> statsWindows_;
};

// Help language: Russian when the user's language is Russian, else English;
// decided anew on every run.
bool HelpIsEnglish();

}  // namespace tessaly
