#pragma once

// "View" → "Network Statistics (View N)…": a window beside the dialog over a
// stretch of the view's source, with its plot, numbers, health table, progress
// and Cancel, and its files. The record (views/StatsView) does the work; this
// only shows it and passes the user's choices on.

#include <QWidget>

#include <functional>
#include <memory>

#include "display/raster.h"
#include "views/stats_view.h"

class QCheckBox;
class QComboBox;
class QDateTimeEdit;
class QDoubleSpinBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QTableWidget;
class QTimer;

namespace tessaly {

class ImageFileWriter;

class QtStatsWindow final : public QWidget, public StatsWindow {
 public:
  // view: what the window knows of its view at each tick; png: the picture's writer.
  QtStatsWindow(int viewNumber, std::function<ViewSnapshot()> view, const Clock& clock,
                StatsView::HttpFactory makeHttp, ImageFileWriter* png);
  ~QtStatsWindow() override;

  void Refresh() override;
  StatsView& record() { return stats_; }

  // The controls, for tests.
  QComboBox* stretchChoice() const { return choice_; }
  QDateTimeEdit* fromEdit() const { return from_; }
  QDateTimeEdit* toEdit() const { return to_; }
  QPushButton* computeButton() const { return compute_; }
  QLabel* numbers() const { return numbers_; }
  QTableWidget* healthTable() const { return health_; }
  QCheckBox* cueCheck() const { return cue_; }
  QDoubleSpinBox* cueLevel() const { return cueLevel_; }
  const Raster& plot() const { return plotRaster_; }

  // The saves without asking for a path.
  bool SavePictureTo(const std::string& path, std::string* error);
  bool SaveTableTo(const std::string& path, std::string* error);

 private:
  void OnCompute();
  void OnHealthChanged(int row, int column);
  void FillHealth();
  void AskAndSave(bool picture);

  std::function<ViewSnapshot()> view_;
  ImageFileWriter* png_;
  StatsView stats_;
  Raster plotRaster_;
  QComboBox* choice_ = nullptr;
  QDateTimeEdit* from_ = nullptr;
  QDateTimeEdit* to_ = nullptr;
  QPushButton* compute_ = nullptr;
  QPushButton* cancel_ = nullptr;
  QProgressBar* progress_ = nullptr;
  QLabel* plotLabel_ = nullptr;
  QLabel* numbers_ = nullptr;
  QTableWidget* health_ = nullptr;
  QTimer* timer_ = nullptr;
  QCheckBox* cue_ = nullptr;
  QDoubleSpinBox* cueLevel_ = nullptr;
  bool filling_ = false;
};

}  // namespace tessaly
