#pragma once

// "File" → "Save Sound…", "Save Picture…" and "Export Samples…": each asks what
// to save and where, then saves through the core, with a progress bar and
// Cancel for long sound renders. Failures are told in a message box with their
// cause; nothing is left under the chosen name by a cancelled or failed save.

#include <string>

class QWidget;

namespace tessaly {

class CMainDialog;
class CPlayer;
class CSettings;

class QtExport {
 public:
  QtExport(QWidget& owner, CMainDialog& dialog, CPlayer& player, const CSettings& settings)
      : owner_(owner), dialog_(dialog), player_(player), settings_(settings) {}

  void SaveSound();
  void SavePicture();
  void ExportSamples();

 private:
  void Fail(const char* what, const std::string& cause);

  QWidget& owner_;
  CMainDialog& dialog_;
  CPlayer& player_;
  const CSettings& settings_;
};

}  // namespace tessaly
