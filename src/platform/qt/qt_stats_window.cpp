#include "platform/qt/qt_stats_window.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QDoubleSpinBox>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QMessageBox>
#include <QPixmap>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "analysis/stats_table.h"
#include "display/picture_export.h"
#include "display/stats_plot.h"
#include "platform/qt/qt_child.h"
#include "samples/utc_time.h"

namespace tessaly {
namespace {

constexpr int kPlotWidth = 640;
constexpr int kPlotHeight = 240;
constexpr int kTickMs = 100;

QString Number(double value, int digits = 6) {
  if (std::isnan(value)) {
    return QStringLiteral("–");
  }
  return QString::number(value, 'g', digits);
}

QDateTime Utc(int64_t t) {
  return QDateTime::fromSecsSinceEpoch(t, Qt::UTC);
}

QImage ToImage(const Raster& raster) {
  QImage image(raster.width(), raster.height(), QImage::Format_RGB32);
  for (int y = 0; y < raster.height(); ++y) {
    auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < raster.width(); ++x) {
      const uint32_t c = raster.Pixel(x, y);
      line[x] = qRgb(int(RedOf(c)), int(GreenOf(c)), int(BlueOf(c)));
    }
  }
  return image;
}

}  // namespace

QtStatsWindow::QtStatsWindow(int viewNumber, std::function<ViewSnapshot()> view, const Clock& clock,
                             StatsView::HttpFactory makeHttp, ImageFileWriter* png)
    : view_(std::move(view)),
      png_(png),
      stats_(*this, clock, std::move(makeHttp)),
      plotRaster_(kPlotWidth, kPlotHeight) {
  setWindowFlags(Qt::Window);
  setWindowTitle(QStringLiteral("Network Statistics (View %1)").arg(viewNumber + 1));
  auto* layout = MakeChild<QVBoxLayout>(this);
  setLayout(layout);  // first, so the layouts added below know their widget

  auto pick = std::make_unique<QHBoxLayout>();
  choice_ = MakeChild<QComboBox>(this);
  choice_->addItems({QStringLiteral("Last 10 minutes"), QStringLiteral("Last hour"),
                     QStringLiteral("Last 6 hours"), QStringLiteral("Last 24 hours"),
                     QStringLiteral("UTC day of the position"), QStringLiteral("From / To")});
  choice_->setCurrentIndex(kStretchLastHour);
  from_ = MakeChild<QDateTimeEdit>(this);
  to_ = MakeChild<QDateTimeEdit>(this);
  for (QDateTimeEdit* edit : {from_, to_}) {
    edit->setTimeSpec(Qt::UTC);
    edit->setDisplayFormat(QStringLiteral("yyyy-MM-dd HH:mm:ss 'UTC'"));
    edit->setEnabled(false);
  }
  compute_ = MakeChild<QPushButton>(this, QStringLiteral("Compute"));
  pick->addWidget(choice_);
  pick->addWidget(MakeChild<QLabel>(this, QStringLiteral("From")));
  pick->addWidget(from_);
  pick->addWidget(MakeChild<QLabel>(this, QStringLiteral("To")));
  pick->addWidget(to_);
  pick->addWidget(compute_);
  layout->addLayout(pick.release());  // the layout owns it from here on

  auto busy = std::make_unique<QHBoxLayout>();
  progress_ = MakeChild<QProgressBar>(this);
  progress_->setRange(0, 100);
  cancel_ = MakeChild<QPushButton>(this, QStringLiteral("Cancel"));
  busy->addWidget(progress_);
  busy->addWidget(cancel_);
  layout->addLayout(busy.release());  // the layout owns it from here on

  plotLabel_ = MakeChild<QLabel>(this);
  plotLabel_->setFixedSize(kPlotWidth, kPlotHeight);
  layout->addWidget(plotLabel_);
  numbers_ = MakeChild<QLabel>(this);
  numbers_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  layout->addWidget(numbers_);

  health_ = MakeChild<QTableWidget>(this, 0, 8);
  health_->setHorizontalHeaderLabels({QStringLiteral("Station"), QStringLiteral("Samples"),
                                      QStringLiteral("Mean"), QStringLiteral("Variance"),
                                      QStringLiteral("Mean z"), QStringLiteral("Longest run"),
                                      QStringLiteral("Flags"), QStringLiteral("Included")});
  health_->verticalHeader()->hide();
  health_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  layout->addWidget(health_);

  auto saves = std::make_unique<QHBoxLayout>();
  // Made in the row's order, left to right, which is the Tab order.
  cue_ = MakeChild<QCheckBox>(
      this, QStringLiteral("Sound cue when the last minute's equivalent Z reaches"));
  cueLevel_ = MakeChild<QDoubleSpinBox>(this);
  cueLevel_->setRange(-10.0, 10.0);
  cueLevel_->setDecimals(1);
  cueLevel_->setSingleStep(0.5);
  cueLevel_->setValue(3.0);
  auto* savePicture = MakeChild<QPushButton>(this, QStringLiteral("Save Picture…"));
  auto* saveTable = MakeChild<QPushButton>(this, QStringLiteral("Save Table…"));
  saves->addWidget(cue_);
  saves->addWidget(cueLevel_);
  saves->addStretch();
  saves->addWidget(savePicture);
  saves->addWidget(saveTable);
  layout->addLayout(saves.release());  // the layout owns it from here on

  connect(choice_, &QComboBox::currentIndexChanged, this, [this](int index) {
    from_->setEnabled(index == kStretchFree);
    to_->setEnabled(index == kStretchFree);
  });
  connect(compute_, &QPushButton::clicked, this, [this] { OnCompute(); });
  auto applyCue = [this] {
    stats_.SetCueThreshold(cue_->isChecked() ? std::optional<double>(cueLevel_->value())
                                             : std::nullopt);
  };
  connect(cue_, &QCheckBox::toggled, this, applyCue);
  connect(cueLevel_, &QDoubleSpinBox::valueChanged, this, applyCue);
  connect(cancel_, &QPushButton::clicked, this, [this] { stats_.Cancel(); });
  connect(health_, &QTableWidget::cellChanged, this,
          [this](int row, int column) { OnHealthChanged(row, column); });
  connect(savePicture, &QPushButton::clicked, this, [this] { AskAndSave(true); });
  connect(saveTable, &QPushButton::clicked, this, [this] { AskAndSave(false); });

  const ViewSnapshot now = view_();
  const int64_t position = now.position > 0 ? now.position : 0;
  from_->setDateTime(Utc(position - 3599));
  to_->setDateTime(Utc(position));
  timer_ = MakeChild<QTimer>(this);
  connect(timer_, &QTimer::timeout, this, [this] { stats_.OnTick(view_()); });
  timer_->start(kTickMs);
  Refresh();
  if (position > 0) {
    OnCompute();  // the default stretch at once: the window opens with an answer
  }
}

QtStatsWindow::~QtStatsWindow() {
  timer_->stop();
  stats_.Cancel();
}

void QtStatsWindow::OnCompute() {
  stats_.Pick(view_(), choice_->currentIndex(), from_->dateTime().toSecsSinceEpoch(),
              to_->dateTime().toSecsSinceEpoch());
}

void QtStatsWindow::OnHealthChanged(int row, int column) {
  if (filling_ || column != 7) {
    return;
  }
  const QTableWidgetItem* station = health_->item(row, 0);
  const QTableWidgetItem* check = health_->item(row, 7);
  if (station != nullptr && check != nullptr) {
    stats_.SetIncluded(station->text().toUInt(), check->checkState() == Qt::Checked);
  }
}

void QtStatsWindow::Refresh() {
  progress_->setValue(stats_.progress());
  progress_->setVisible(stats_.busy());
  cancel_->setEnabled(stats_.busy());
  QString text;
  if (!stats_.failure().empty()) {
    text = QString::fromStdString(stats_.failure()) + QStringLiteral("\n");
  }
  if (stats_.hasResult()) {
    const StretchSummary s = stats_.stretch().result().network.Summary();
    const StatsKey& key = stats_.key();
    if (const NetworkSecond* second = stats_.CurrentSecond()) {
      text += QStringLiteral("Second %1 UTC:  N %2   Z %3   Z² %4\n")
                  .arg(QString::fromStdString(FormatTime(second->t)))
                  .arg(second->n)
                  .arg(Number(second->Z()), Number(second->NetVar()));
    }
    text += QStringLiteral("Stretch %1 – %2 UTC, %3, %4 counted seconds\n")
                .arg(QString::fromStdString(FormatTime(key.from)),
                     QString::fromStdString(FormatTime(key.to)),
                     QString::fromStdString(stats_.SourceName()))
                .arg(s.seconds);
    text += QStringLiteral("Network variance:  χ² %1   df %2   p %3   equivalent Z %4\n")
                .arg(Number(s.chiSquare, 10))
                .arg(s.df)
                .arg(Number(s.p), Number(s.z));
    text += QStringLiteral("Device variance:  χ² %1   df %2   p %3   equivalent Z %4\n")
                .arg(Number(s.deviceChiSquare, 10))
                .arg(s.deviceDf)
                .arg(Number(s.deviceP), Number(s.deviceZ));
    text += QStringLiteral("Excluded: %1")
                .arg(QString::fromStdString(IdList(stats_.stretch().result().excluded)));
  }
  numbers_->setText(text);
  PaintCumulativeDeviation(plotRaster_, stats_.stretch().result().network, stats_.viewPosition());
  plotLabel_->setPixmap(QPixmap::fromImage(ToImage(plotRaster_)));
  FillHealth();
}

void QtStatsWindow::FillHealth() {
  filling_ = true;
  const StretchResult& result = stats_.stretch().result();
  health_->setRowCount(stats_.hasResult() ? int(result.health.size()) : 0);
  for (int row = 0; row < health_->rowCount(); ++row) {
    const StationHealth& h = result.health[size_t(row)];
    QString flags;
    for (const auto& [on, name] : {std::pair{h.Stuck(), "stuck"}, std::pair{h.Biased(), "biased"},
                                   std::pair{h.OutOfVariance(), "out of variance"}}) {
      if (on) {
        flags += (flags.isEmpty() ? "" : ", ") + QString::fromUtf8(name);
      }
    }
    const QString cells[] = {QString::number(h.id),
                             QString::number(h.count),
                             Number(h.Mean()),
                             Number(h.Variance()),
                             Number(h.MeanZ(), 4),
                             QString::number(h.longestRun),
                             flags};
    for (int column = 0; column < 7; ++column) {
      auto* item = health_->item(row, column);
      if (item == nullptr) {
        item = new QTableWidgetItem;  // owned by the table from here on
        health_->setItem(row, column, item);
      }
      item->setText(cells[column]);
    }
    auto* check = health_->item(row, 7);
    if (check == nullptr) {
      check = new QTableWidgetItem;  // owned by the table from here on
      check->setFlags(Qt::ItemIsUserCheckable | Qt::ItemIsEnabled);
      health_->setItem(row, 7, check);
    }
    const bool excluded =
        std::find(result.excluded.begin(), result.excluded.end(), h.id) != result.excluded.end();
    check->setCheckState(excluded ? Qt::Unchecked : Qt::Checked);
    check->setFlags(stats_.busy() ? Qt::ItemIsUserCheckable
                                  : Qt::ItemIsUserCheckable | Qt::ItemIsEnabled);
  }
  filling_ = false;
}

bool QtStatsWindow::SavePictureTo(const std::string& path, std::string* error) {
  if (png_ == nullptr) {
    if (error != nullptr) {
      *error = "The picture could not be written.";
    }
    return false;
  }
  return SavePicture(*png_, plotRaster_, path, error);
}

bool QtStatsWindow::SaveTableTo(const std::string& path, std::string* error) {
  return stats_.SaveTable(path, error);
}

void QtStatsWindow::AskAndSave(bool picture) {
  const QString title = picture ? QStringLiteral("Save Picture") : QStringLiteral("Save Table");
  const QString path = QFileDialog::getSaveFileName(
      this, title, picture ? QStringLiteral("statistics.png") : QStringLiteral("statistics.csv"),
      picture ? QStringLiteral("PNG picture (*.png)") : QStringLiteral("CSV table (*.csv)"),
      nullptr, QFileDialog::DontUseNativeDialog);
  if (path.isEmpty()) {
    return;
  }
  std::string error;
  const std::string file = path.toStdString();
  const bool ok = picture ? SavePictureTo(file, &error) : SaveTableTo(file, &error);
  if (!ok) {
    QMessageBox::warning(this, QStringLiteral("Tessaly"),
                         title + QStringLiteral(" failed: ") + QString::fromStdString(error));
  }
}

}  // namespace tessaly
