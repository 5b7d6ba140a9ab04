#pragma once

// "View" → "Network Statistics (View N)…" on Windows: a window beside the
// dialog with the stretch choice, progress and Cancel, the plot, the numbers,
// the health table with include/exclude, and the two saves. The record
// (views/StatsView) does the work; this only shows it and passes the user's
// choices on.

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "display/raster.h"
#include "views/stats_view.h"

namespace tessaly {

class ImageFileWriter;

// The window's controls, for the adapter and its tests.
enum WinStatsControl : int {
  kStatsChoice = 1001,
  kStatsFrom,
  kStatsTo,
  kStatsCompute,
  kStatsProgress,
  kStatsCancel,
  kStatsPlot,
  kStatsNumbers,
  kStatsHealth,
  kStatsSavePicture,
  kStatsSaveTable,
  kStatsCue,
  kStatsCueLevel,
};

class WinStatsWindow final : public StatsWindow {
 public:
  // view: what the window knows of its view at each tick; png: the picture's writer.
  WinStatsWindow(HWND owner, int viewNumber, std::function<ViewSnapshot()> view, const Clock& clock,
                 StatsView::HttpFactory makeHttp, ImageFileWriter* png);
  ~WinStatsWindow() override;
  WinStatsWindow(const WinStatsWindow&) = delete;
  WinStatsWindow& operator=(const WinStatsWindow&) = delete;

  // Null when the window could not be made.
  HWND Window() const { return window_; }
  HWND Control(int id) const { return GetDlgItem(window_, id); }
  void Show();
  void Refresh() override;
  StatsView& record() { return stats_; }
  const Raster& plot() const { return plotRaster_; }
  // The numbers as the window shows them, UTF-8.
  std::string NumbersText() const;

  // The saves without asking for a path.
  bool SavePictureTo(const std::string& path, std::string* error);
  bool SaveTableTo(const std::string& path, std::string* error);

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
  void MakeControls();
  void OnCompute();
  void OnNotify(const NMHDR& header, LRESULT* result);
  void FillHealth();
  void PaintPlot(const DRAWITEMSTRUCT& item);
  void AskAndSave(bool picture);
  void ApplyCue();

  std::function<ViewSnapshot()> view_;
  ImageFileWriter* png_;
  StatsView stats_;
  Raster plotRaster_;
  HWND window_ = nullptr;
  HFONT font_ = nullptr;
  std::vector<uint32_t> dib_;
  bool filling_ = false;
};

}  // namespace tessaly
