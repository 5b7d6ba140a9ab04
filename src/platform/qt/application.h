#pragma once

// The running program: every long-lived object, created in start-up order and
// destroyed in shutdown order, wired to the Qt frame and dialog.

#include <array>
#include <memory>
#include <string>

class QTextBrowser;

namespace tessaly {

class CMainDialog;
class ProgramCore;
class BigHintLogic;
class QtBigHint;
class QtExport;
class QtFrame;
class QtStatsWindow;
class StbPngWriter;
class SystemClock;
class MainShell;

class Application {
 public:
  // programFolder: where the executable lies (help pages are looked up beside it).
  explicit Application(std::string programFolder);
  // Writes the settings and tears everything down in shutdown order.
  virtual ~Application();
  Application(const Application&) = delete;
  Application& operator=(const Application&) = delete;

  // Shows the frame; the caller then runs the Qt event loop.
  void Start();

  const std::string& settingsPath() const { return settingsPath_; }
  bool englishHelp() const { return englishHelp_; }
  // The help page of the help language, or "" when none is installed.
  std::string HelpPage() const;
  void ShowHelp();

  QtFrame& frame() { return *frame_; }
  CMainDialog& dialog() { return *dialog_; }

 private:
  friend class MainShell;
  void OnFrameDestroyed();
  // "File" -> "Data Server...": asks, applies, and the title follows.
  void ChooseDataServer();
  void HoverPoll();
  void ShowStatistics(int view);

  std::string programFolder_;
  std::string settingsPath_;
  bool englishHelp_ = true;

  std::unique_ptr<ProgramCore> core_;
  std::unique_ptr<QtFrame> frame_;
  std::unique_ptr<MainShell> shell_;
  std::unique_ptr<CMainDialog> dialog_;
  std::unique_ptr<QtBigHint> hintWindow_;
  std::unique_ptr<BigHintLogic> hint_;
  std::unique_ptr<QTextBrowser> helpWindow_;
  std::unique_ptr<QtExport> export_;
  std::unique_ptr<SystemClock> statsClock_;
  std::unique_ptr<StbPngWriter> statsPng_;
  std::array<std::unique_ptr<QtStatsWindow>, 2> statsWindows_;
  bool dialogDestroyed_ = false;
};

// Help language: Russian when the system language is Russian, else English;
// decided anew on every run.
bool HelpIsEnglish();

}  // namespace tessaly
